// Fonts and window placements in the settings.
#include "app/Appli.h"
#include "FakePlatform.h"
#include "app/Placement.h"
#include "app/SettingsStore.h"
#include "TestEnvironment.h"

#include <QFontInfo>
#include <QTest>
#include <QWidget>

using namespace priomat;
using namespace priomat::test;

class TestPlacement : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void fontDefaultsByLanguage();
    void fontsAreKeptPerLanguage();
    void styleFlags();
    void japaneseDefaultFontShowsJapanese();
    void firstRunUsesDesignPositionInWorkArea();
    void clampsToTheScreen();
    void stateText();
    void savesNormalRectangleInWorkAreaCoordinates();
    void fixedSizeWindowsKeepTheirSize();
    void firstStartSizeHoldsAtLargerScales();

private:
    std::unique_ptr<TestEnvironment> environment_;
    std::unique_ptr<FakePlatform> platform_;
    std::unique_ptr<TAppli> appli_;
    std::unique_ptr<SettingsStore> store_;
};

void TestPlacement::init()
{
    environment_ = std::make_unique<TestEnvironment>();
    platform_ = std::make_unique<FakePlatform>();
    appli_ = std::make_unique<TAppli>(platform_->system);
    appli_->SetProductIdentity();
    Appli = appli_.get();
    store_ = std::make_unique<SettingsStore>(environment_->path("priomat.ini"));
    SetSettingsStore(store_.get());
}

void TestPlacement::cleanup()
{
    SetSettingsStore(nullptr);
    Appli = nullptr;
    store_.reset();
    appli_.reset();
    platform_.reset();
    environment_.reset();
}

void TestPlacement::fontDefaultsByLanguage()
{
    FontSettings font;
    font.name = "Something";
    font.bold = true;
    appli_->Japanese = true;
    LoadFontSettings("Option\\View", font);
    QCOMPARE(font, DefaultFontSettings(true));
    QCOMPARE(font.name, QString::fromUtf8("ＭＳ Ｐゴシック"));
    QCOMPARE(font.charset, 128);
    QCOMPARE(font.size, 9);
    QCOMPARE(font.color, qint32(0x80000008u));
    QVERIFY(!font.bold);
    appli_->Japanese = false;
    LoadFontSettings("Option\\View", font);
    QCOMPARE(font.name, QStringLiteral("Arial"));
    QCOMPARE(font.charset, 0);
}

void TestPlacement::fontsAreKeptPerLanguage()
{
    FontSettings mine = DefaultFontSettings(true);
    mine.name = "IPAGothic";
    mine.size = 14;
    mine.color = 0x0000FF;
    appli_->Japanese = true;
    SaveFontSettings("Option\\View", mine);
    QCOMPARE(ReadSetting("Option\\View\\Font\\Japanese", "Size", 0), QVariant(14));
    QCOMPARE(ReadSetting("Option\\View\\Font\\Japanese", "Color", 0), QVariant(255));

    appli_->Japanese = false;
    FontSettings english;
    LoadFontSettings("Option\\View", english);
    QCOMPARE(english, DefaultFontSettings(false));

    appli_->Japanese = true;
    FontSettings loaded;
    LoadFontSettings("Option\\View", loaded);
    QCOMPARE(loaded, mine);
    QCOMPARE(loaded.toColor(), QColor(255, 0, 0)); // stored as 0x00BBGGRR
}

void TestPlacement::styleFlags()
{
    WriteSetting("S\\Font\\English", "Name", "Arial");
    WriteSetting("S\\Font\\English", "Bold", false);
    WriteSetting("S\\Font\\English", "Italic", true);
    FontSettings font = DefaultFontSettings(false);
    font.bold = true;      // stored false: cleared
    font.underline = true; // not stored: kept
    LoadFontSettings("S", font);
    QVERIFY(!font.bold);
    QVERIFY(font.italic);
    QVERIFY(font.underline);
    QVERIFY(!font.strikeout);
}

void TestPlacement::japaneseDefaultFontShowsJapanese()
{
    InstallFontSubstitutions();
    const QFont font = DefaultFontSettings(true).toFont();
    QCOMPARE(font.pointSize(), 9);
    // With the Japanese font package installed, the Windows face name resolves to it.
    QVERIFY2(QFontInfo(font).family().startsWith("IPA"), qPrintable(QFontInfo(font).family()));
}

void TestPlacement::firstRunUsesDesignPositionInWorkArea()
{
    platform_->system.work = QRect(0, 28, 1024, 740); // a panel at the top
    QWidget window;
    window.setGeometry(18, 122, 400, 300);
    RestoreWindowPlacement(&window, "BaseForm");
    QCOMPARE(window.geometry(), QRect(18, 150, 400, 300));
    QCOMPARE(window.windowState(), Qt::WindowNoState);
}

void TestPlacement::clampsToTheScreen()
{
    QWidget window;
    window.setGeometry(0, 0, 400, 300);
    WriteSetting("BaseForm", "Left", 2000);
    WriteSetting("BaseForm", "Top", -50);
    RestoreWindowPlacement(&window, "BaseForm");
    QCOMPARE(window.geometry().topLeft(), QPoint(624, 0));

    WriteSetting("BaseForm", "Width", 1500);
    WriteSetting("BaseForm", "Height", 200);
    WriteSetting("BaseForm", "Top", 700);
    RestoreWindowPlacement(&window, "BaseForm");
    QCOMPARE(window.geometry(), QRect(0, 568, 1500, 200));
}

void TestPlacement::stateText()
{
    QWidget window;
    window.setGeometry(10, 10, 200, 100);
    WriteSetting("W", "State", "maximized");
    RestoreWindowPlacement(&window, "W");
    QCOMPARE(window.windowState(), Qt::WindowNoState);
    WriteSetting("W", "State", "Maximized");
    RestoreWindowPlacement(&window, "W");
    QCOMPARE(window.windowState(), Qt::WindowMaximized);
    WriteSetting("W", "State", "Minimized");
    RestoreWindowPlacement(&window, "W");
    QCOMPARE(window.windowState(), Qt::WindowMinimized);
}

void TestPlacement::savesNormalRectangleInWorkAreaCoordinates()
{
    platform_->system.work = QRect(40, 0, 984, 768); // a panel on the left
    QWidget window;
    window.setGeometry(140, 60, 320, 240);
    SaveWindowPlacement(&window, "ResultForm");
    QCOMPARE(ReadSetting("ResultForm", "Left", 0), QVariant(100));
    QCOMPARE(ReadSetting("ResultForm", "Top", 0), QVariant(60));
    QCOMPARE(ReadSetting("ResultForm", "Width", 0), QVariant(320));
    QCOMPARE(ReadSetting("ResultForm", "Height", 0), QVariant(240));
    QCOMPARE(ReadSetting("ResultForm", "State", ""), QVariant(QStringLiteral("Normal")));

    // Restoring puts it back where it was.
    QWidget again;
    again.setGeometry(0, 0, 10, 10);
    RestoreWindowPlacement(&again, "ResultForm");
    QCOMPARE(again.geometry(), QRect(140, 60, 320, 240));
}

void TestPlacement::fixedSizeWindowsKeepTheirSize()
{
    QWidget dialog;
    dialog.setFixedSize(300, 200);
    dialog.move(5, 5);
    SaveWindowPlacement(&dialog, "CompareForm");
    QVERIFY(!ReadSetting("CompareForm", "Width", QVariant()).isValid());
    WriteSetting("CompareForm", "Width", 900);
    RestoreWindowPlacement(&dialog, "CompareForm");
    QCOMPARE(dialog.size(), QSize(300, 200));
}

void TestPlacement::firstStartSizeHoldsAtLargerScales()
{
    // A 1280 x 1024 screen at scale 1, 1.5 and 2, in logical pixels.
    const QSize design(409, 267);
    const QSize content(464, 306);
    for (const QSize area : {QSize(1280, 1024), QSize(853, 682), QSize(640, 512)})
        QCOMPARE(FirstStartSize(design, content, area), content);
    // Only a screen too small for it cuts it; a large document stops at two thirds of a large screen.
    QCOMPARE(FirstStartSize(design, content, QSize(450, 300)), QSize(450, 300));
    QCOMPARE(FirstStartSize(design, QSize(2000, 2000), QSize(1280, 1024)), QSize(853, 682));
}

QTEST_MAIN(TestPlacement)
#include "tst_placement.moc"
