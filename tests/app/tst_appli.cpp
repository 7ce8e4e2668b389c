// The application identity: language, names, version and copyright texts, help, menus.
#include "ScopedGlobal.h"
#include "app/Appli.h"
#include "FakePlatform.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace priomat;
using namespace priomat::test;
using namespace priomat::platform;

namespace {

void touch(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

} // namespace

class TestAppli : public QObject
{
    Q_OBJECT

private slots:
    void languageDecision();
    void programFolderAndName();
    void identityAndVersionText();
    void versionBox();
    void copyrightBox();
    void helpOpensOrReportsMissingFile();
    void messageBoxCaption();
    void localizedCaptions_data();
    void localizedCaptions();
    void localizeMenuBar();
    void manualHasTheHelpContexts();
};

void TestAppli::languageDecision()
{
    QVERIFY(DecideJapanese("prog /english /JAPANESE", false));
    QVERIFY(!DecideJapanese("prog /English", true));
    QVERIFY(DecideJapanese("prog", true));
    QVERIFY(!DecideJapanese("prog", false));
    // The whole command line is searched: a folder named english in a document path counts.
    QVERIFY(!DecideJapanese("/opt/priomat/priomat /home/me/english/plan.ahp", true));
    QVERIFY(DecideJapanese("prog /japanesefoo", false));

    FakePlatform platform;
    platform.system.arguments = {"/opt/priomat/priomat", "/ENGLISH"};
    platform.system.japanese = true;
    QVERIFY(!TAppli(platform.system).Japanese);
    platform.system.arguments = {"/opt/priomat/priomat"};
    QVERIFY(TAppli(platform.system).Japanese);
    platform.system.japanese = false;
    QVERIFY(!TAppli(platform.system).Japanese);
}

void TestAppli::programFolderAndName()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("Bin"));
    touch(dir.path() + "/Bin/AHP2.bin");
    touch(dir.path() + "/Bin/AHP2.txt");
    FakePlatform platform;
    platform.system.program = dir.path() + "/bin/ahp2.BIN";
    const TAppli appli(platform.system);
    QCOMPARE(appli.ProgramFolder, dir.path() + "/Bin/");
    QCOMPARE(appli.ProgramName, QStringLiteral("AHP2"));
    QCOMPARE(appli.HelpFile, dir.path() + "/Bin/AHP2.html");
    QCOMPARE(appli.ReadmeFile, dir.path() + "/Bin/AHP2.txt");

    // In a prefix install the manual lies in ../share/priomat/.
    QVERIFY(QDir(dir.path()).mkpath("prefix/bin"));
    QVERIFY(QDir(dir.path()).mkpath("prefix/share/priomat"));
    touch(dir.path() + "/prefix/bin/priomat");
    touch(dir.path() + "/prefix/share/priomat/priomat.html");
    platform.system.program = dir.path() + "/prefix/bin/priomat";
    const TAppli installed(platform.system);
    QCOMPARE(installed.ProgramName, QStringLiteral("priomat"));
    QCOMPARE(installed.HelpFile, dir.path() + "/prefix/share/priomat/priomat.html");
    QCOMPARE(installed.ReadmeFile, dir.path() + "/prefix/bin/priomat.txt");
}

void TestAppli::identityAndVersionText()
{
    FakePlatform platform;
    platform.system.japanese = true;
    TAppli appli(platform.system);
    QCOMPARE(appli.ProductName, QStringLiteral("Sample"));
    QCOMPARE(appli.MakerName, QString::fromUtf8("Quorrel研究所"));
    QCOMPARE(appli.CopyrightYears, QStringLiteral("2000"));
    QCOMPARE(appli.VersionText(), QStringLiteral("Ver.0.00  Rev.0"));
    appli.SetProductIdentity();
    QCOMPARE(appli.ProductName, QStringLiteral("Priomat"));
    QCOMPARE(appli.Description, QString::fromUtf8("Priomat支援ソフト"));
    QCOMPARE(appli.MakerName, QString());
    QCOMPARE(appli.MakerKey, QStringLiteral("Quorrel Lab"));
    QCOMPARE(appli.AuthorName, QStringLiteral("Tarvek"));
    QCOMPARE(appli.CopyrightYears, QStringLiteral("1998-2001"));
    QCOMPARE(appli.VersionText(), QStringLiteral("Ver.2.03  Rev.4"));

    platform.system.japanese = false;
    TAppli english(platform.system);
    QCOMPARE(english.MakerName, QStringLiteral("Quorrel Lab."));
    english.SetProductIdentity();
    QCOMPARE(english.Description, QStringLiteral("an AHP support utililty"));
}

void TestAppli::versionBox()
{
    QTemporaryDir dir;
    touch(dir.path() + "/priomat");
    FakePlatform platform;
    platform.system.program = dir.path() + "/priomat";
    TAppli appli(platform.system);
    appli.SetProductIdentity();
    const ScopedGlobal<TAppli> current(Appli, &appli);
    appli.ShowVersion();
    QCOMPARE(platform.messageBox.shown.size(), 1);
    QCOMPARE(platform.messageBox.shown.at(0).text,
             QStringLiteral("Version Information\n\nan AHP support utililty\nPriomat  Ver.2.03  Rev.4"));
    QCOMPARE(platform.messageBox.shown.at(0).caption, QStringLiteral("Priomat"));
    QCOMPARE(platform.messageBox.shown.at(0).flags, 0x40u);

    appli.ProgramName = "AHP2";
    appli.Japanese = true;
    appli.Description = QString::fromUtf8("Priomat支援ソフト");
    appli.ShowVersion();
    QCOMPARE(platform.messageBox.shown.at(1).text,
             QString::fromUtf8("バージョン情報\n\nPriomat支援ソフト\nPriomat (AHP2)  Ver.2.03  Rev.4"));
    appli.ProgramName = "PRIOMAT";
    QVERIFY(!appli.VersionBoxText().contains('('));
}

void TestAppli::copyrightBox()
{
    QTemporaryDir dir;
    touch(dir.path() + "/priomat");
    FakePlatform platform;
    platform.system.program = dir.path() + "/priomat";
    TAppli appli(platform.system);
    appli.SetProductIdentity();
    const ScopedGlobal<TAppli> current(Appli, &appli);
    appli.ShowCopyright();
    QCOMPARE(platform.messageBox.shown.at(0).text,
             QStringLiteral("Copyright Information\nCopyright (C) 1998-2001 Tarvek\nAll rights reserved."));
    QCOMPARE(platform.messageBox.shown.at(0).flags, 0x40u);

    // A folder named like the readme is not a readme: the manual is named instead.
    QVERIFY(QDir(dir.path()).mkpath("priomat.txt"));
    touch(dir.path() + "/priomat.html");
    QCOMPARE(appli.CopyrightText(),
             QStringLiteral("Copyright Information\nCopyright (C) 1998-2001 Tarvek\nAll rights reserved.\n\nSee ")
                 + dir.path() + "/priomat.html for detail.");

    QVERIFY(QDir(dir.path()).rmdir("priomat.txt"));
    touch(dir.path() + "/priomat.txt");
    appli.Japanese = true;
    appli.MakerName = QString::fromUtf8("Quorrel研究所");
    QCOMPARE(appli.CopyrightText(),
             QString::fromUtf8("著作権情報\nCopyright (C) 1998-2001 Tarvek\nQuorrel研究所\nAll rights reserved.\n\n詳細は ")
                 + dir.path() + QString::fromUtf8("/priomat.txt をご覧ください。"));
}

void TestAppli::helpOpensOrReportsMissingFile()
{
    QTemporaryDir dir;
    touch(dir.path() + "/priomat");
    FakePlatform platform;
    platform.system.program = dir.path() + "/priomat";
    TAppli appli(platform.system);
    appli.SetProductIdentity();
    const ScopedGlobal<TAppli> current(Appli, &appli);

    appli.ShowHelp();
    QCOMPARE(platform.messageBox.shown.size(), 1);
    QCOMPARE(platform.messageBox.shown.at(0).text, dir.path() + "/priomat.html\r\nis not found.");
    QCOMPARE(platform.messageBox.shown.at(0).caption, QStringLiteral("Error"));
    QCOMPARE(platform.messageBox.shown.at(0).flags, 0x30u);
    appli.Japanese = true;
    appli.ShowHelp();
    QCOMPARE(platform.messageBox.shown.at(1).text, dir.path() + QString::fromUtf8("/priomat.html がありません"));
    QCOMPARE(platform.messageBox.shown.at(1).caption, QString::fromUtf8("エラー"));
    QVERIFY(platform.helpViewer.opened.isEmpty());

    touch(dir.path() + "/priomat.html");
    appli.ShowHelpContext(3);
    QCOMPARE(platform.helpViewer.opened, (QList<QPair<QString, int>>{{dir.path() + "/priomat.html", 3}}));
    QCOMPARE(platform.messageBox.shown.size(), 2);
    // The manual is there but no browser opened it: said so, not that the file is missing.
    platform.helpViewer.result = false;
    appli.ShowHelpContext(3);
    QCOMPARE(platform.messageBox.shown.size(), 3);
    QCOMPARE(platform.messageBox.shown.at(2).text,
             dir.path() + QString::fromUtf8("/priomat.html を開くブラウザが見つかりません。"));
}

void TestAppli::messageBoxCaption()
{
    FakePlatform platform;
    TAppli appli(platform.system);
    appli.SetProductIdentity();
    const ScopedGlobal<TAppli> current(Appli, &appli);
    platform.messageBox.answers = {IDNO};
    QCOMPARE(ShowMessageBox("question", "", 0x34), IDNO);
    QCOMPARE(platform.messageBox.shown.at(0).caption, QStringLiteral("Priomat"));
    ShowMessageBox("text", " ", 0);
    QCOMPARE(platform.messageBox.shown.at(1).caption, QStringLiteral(" ")); // blank is not empty
}

void TestAppli::localizedCaptions_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("english");
    QTest::newRow("top level") << QString::fromUtf8("ファイル(&F)") << "&File";
    QTest::newRow("help") << QString::fromUtf8("ヘルプ(&H)") << "&Help";
    QTest::newRow("item") << QString::fromUtf8("開く (&Open)") << "&Open";
    QTest::newRow("ellipsis") << QString::fromUtf8("名前を付けて保存する (Save &As) ...") << "Save &As ...";
    QTest::newRow("exit") << QString::fromUtf8("終了 (E&xit)") << "E&xit";
    QTest::newRow("establishment") << QString::fromUtf8("設定 (&Establishment) ...") << "&Establishment ...";
    QTest::newRow("separator") << "-" << "-";
    QTest::newRow("word and dots") << "Word..." << "Word ...";
    QTest::newRow("other accelerator") << "(&Q)" << "&Q";
    QTest::newRow("no closing") << QString::fromUtf8("開く (&Open") << "&Open";
    QTest::newRow("full-width parentheses") << QString::fromUtf8("重み（参考）") << QString::fromUtf8("重み（参考）");
    QTest::newRow("case matters") << "(&f)" << "&f";
}

void TestAppli::localizedCaptions()
{
    QFETCH(QString, caption);
    QFETCH(QString, english);
    QCOMPARE(LocalizedCaption(caption), english);
}

void TestAppli::localizeMenuBar()
{
    QMenuBar bar;
    QMenu *file = bar.addMenu(QString::fromUtf8("ファイル(&F)"));
    file->addAction(QString::fromUtf8("開く (&Open) ..."));
    file->addSeparator();
    QMenu *recent = file->addMenu(QString::fromUtf8("最近 (&Recent)"));
    recent->addAction(QString::fromUtf8("消去 (&Clear)"));
    LocalizeMenu(&bar);
    QCOMPARE(file->title(), QStringLiteral("&File"));
    QCOMPARE(file->actions().at(0)->text(), QStringLiteral("&Open ..."));
    QVERIFY(file->actions().at(1)->isSeparator());
    QCOMPARE(recent->title(), QStringLiteral("&Recent"));
    QCOMPARE(recent->actions().at(0)->text(), QStringLiteral("&Clear"));
}

void TestAppli::manualHasTheHelpContexts()
{
    QFile manual(PRIOMAT_SOURCE_DIR "/docs/priomat.html");
    QVERIFY(manual.open(QIODevice::ReadOnly));
    const QByteArray html = manual.readAll();
    QVERIFY(html.contains("id=\"context-1\""));
    QVERIFY(html.contains("id=\"context-3\""));
    QVERIFY(html.contains("lang=\"ja\"") || html.contains("日本語"));
    QFile readme(PRIOMAT_SOURCE_DIR "/docs/priomat.txt");
    QVERIFY(readme.open(QIODevice::ReadOnly));
    QVERIFY(readme.readAll().contains("Copyright (C) 1998-2001 Tarvek"));
}

QTEST_MAIN(TestAppli)
#include "tst_appli.moc"
