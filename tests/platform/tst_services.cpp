// The Linux services: message boxes from style bits, help addresses, the session's language.
#include "platform/HelpViewer.h"
#include "platform/MessageBox.h"
#include "platform/SystemInfo.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace priomat::platform;

namespace {

// Shows a box and, once it is up, lets `act` press a key or a button in it.
int answerBox(unsigned flags, const std::function<void(QMessageBox *)> &act)
{
    QTimer::singleShot(0, [act] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box)
            act(box);
    });
    QtMessageBoxService service;
    return service.show(nullptr, "text", "caption", flags);
}

} // namespace

class TestServices : public QObject
{
    Q_OBJECT

private slots:
    void messageBoxButtonsAndIds();
    void messageBoxDefaultAndEscape();
    void messageBoxIcon();
    void helpAddress();
    void sessionLanguage();
    void programFileOfAnAppImage();
};

void TestServices::messageBoxButtonsAndIds()
{
    QCOMPARE(answerBox(MB_YESNOCANCEL, [](QMessageBox *box) { box->button(QMessageBox::No)->click(); }), IDNO);
    QCOMPARE(answerBox(MB_YESNO, [](QMessageBox *box) { box->button(QMessageBox::Yes)->click(); }), IDYES);
    QCOMPARE(answerBox(MB_OKCANCEL, [](QMessageBox *box) { box->button(QMessageBox::Cancel)->click(); }), IDCANCEL);
    QCOMPARE(answerBox(MB_OK, [](QMessageBox *box) {
                 QCOMPARE(box->buttons().size(), 1);
                 box->button(QMessageBox::Ok)->click();
             }),
             IDOK);
}

void TestServices::messageBoxDefaultAndEscape()
{
    // MB_DEFBUTTON2 makes No the default: Return answers No.
    QCOMPARE(answerBox(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2,
                       [](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Return); }),
             IDNO);
    QCOMPARE(answerBox(MB_YESNO | MB_ICONQUESTION, [](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Return); }),
             IDYES);
    // Escape is Cancel where there is one.
    QCOMPARE(answerBox(MB_YESNOCANCEL, [](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Escape); }), IDCANCEL);
    QCOMPARE(answerBox(MB_OK, [](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Escape); }), IDOK);
}

void TestServices::messageBoxIcon()
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    answerBox(MB_OK | MB_ICONWARNING, [&](QMessageBox *box) {
        icon = box->icon();
        title = box->windowTitle();
        box->button(QMessageBox::Ok)->click();
    });
    QCOMPARE(icon, QMessageBox::Warning);
    QCOMPARE(title, QStringLiteral("caption"));
    answerBox(MB_OK | MB_ICONINFORMATION, [&](QMessageBox *box) {
        icon = box->icon();
        box->button(QMessageBox::Ok)->click();
    });
    QCOMPARE(icon, QMessageBox::Information);
}

void TestServices::helpAddress()
{
    const QUrl url = helpUrl("/opt/priomat/priomat.html", 3);
    QCOMPARE(url.toString(), QStringLiteral("file:///opt/priomat/priomat.html#context-3"));
}

void TestServices::sessionLanguage()
{
    QVERIFY(localeIsJapanese("", "", "ja_JP.UTF-8"));
    QVERIFY(!localeIsJapanese("", "", "en_US.UTF-8"));
    QVERIFY(!localeIsJapanese("C", "", "ja_JP.UTF-8")); // LC_ALL wins
    QVERIFY(localeIsJapanese("", "ja_JP.eucJP", "en_GB.UTF-8"));
    QVERIFY(!localeIsJapanese("", "", ""));
}

void TestServices::programFileOfAnAppImage()
{
    // An AppImage runs its program from the image's mount (APPDIR); the file to register and
    // uninstall is the image (APPIMAGE), named with dots.
    QTemporaryDir dir;
    const QString image = dir.filePath("Priomat-2.3.4-x86_64.AppImage");
    QFile file(image);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    LinuxSystemInfo system;
    const QString running = system.programPath();
    qputenv("APPIMAGE", image.toUtf8());
    qputenv("APPDIR", dir.path().toUtf8()); // not where this program runs from
    QCOMPARE(system.programPath(), running);
    qputenv("APPDIR", QFileInfo(running).path().toUtf8());
    QCOMPARE(system.programPath(), QFileInfo(image).canonicalFilePath());
    qunsetenv("APPIMAGE");
    qunsetenv("APPDIR");
}

QTEST_MAIN(TestServices)
#include "tst_services.moc"
