// The main window: controls, texts in both languages, menus, option flags, creation and close.
#include "AppFixture.h"
#include "app/Appli.h"
#include "ui/windows/AlternativesForm.h"
#include "ui/main/BaseForm.h"
#include "ui/main/NamedChild.h"
#include "ui/windows/ResultForm.h"
#include "app/Frame.h"
#include "document/RequirementTreeModel.h"
#include "app/Placement.h"
#include "app/SettingsStore.h"
#include "ui/windows/SplashForm.h"
#include "ScriptedDialogs.h"
#include "TestFiles.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QHeaderView>
#include <QTest>
#include <QTreeView>
#include <QPointer>
#include <QTabBar>
#include <QTabWidget>

#include <cmath>

using namespace priomat;
using namespace priomat::test;

class TestBaseForm : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void identityValuesAtStartup();
    void controlsAndJapaneseTexts();
    void englishTexts();
    void defaultFlagsAndTreeWidth();
    void fileMenuSaveEnabling();
    void shortcutsWorkWithoutOpeningTheMenus();
    void rootOrLastNodeSelectedAfterOpenAndNew();
    void automaticCalculationAndToolMenu();
    void windowMenuFollowsWindows();
    void helpMenuHidesCopyright();
    void closingWritesTheSettings();
    void startupDocumentFromCommandLineOrDefault();
    void foreignStartupDocumentKeepsNewDocument();
    void comparisonPanelShowsRootMatrix();
    void consistencyWarningHasAReadableCue();
    void splashLayout();
    void firstStartFitsTheDocument();
    void addedMenuItemsHaveAccessKeysOfTheirOwn();
    void textsFitAtLargerFonts();

private:
    std::unique_ptr<TBaseForm> makeForm(bool japanese);

    std::unique_ptr<AppFixture> app_;
};

void TestBaseForm::init()
{
    app_ = std::make_unique<AppFixture>();
}

void TestBaseForm::cleanup()
{
    app_.reset();
}

std::unique_ptr<TBaseForm> TestBaseForm::makeForm(bool japanese)
{
    app_->platform.system.japanese = japanese;
    FrameStartup();
    return std::make_unique<TBaseForm>();
}

void TestBaseForm::identityValuesAtStartup()
{
    FrameStartup();
    const QString key = QStringLiteral("Software\\Quorrel Lab\\Priomat");
    auto value = [&](const char *name) {
        return app_->platform.registry.value(platform::RegistryRoot::CurrentUser, key, QString::fromLatin1(name));
    };
    QCOMPARE(value("Title")->text, QStringLiteral("Priomat"));
    QCOMPARE(value("Path")->text, app_->environment.path(""));
    QCOMPARE(value("ExeName")->text, QStringLiteral("priomat"));
    QCOMPARE(value("MajorVersion")->integer, 2u);
    QCOMPARE(value("MinorVersion")->integer, 3u);
    QCOMPARE(value("Revision")->integer, 4u);
    QCOMPARE(Settings().fileName(), app_->environment.path("priomat.ini"));
}

void TestBaseForm::controlsAndJapaneseTexts()
{
    auto form = makeForm(true);
    for (const char *name : {"TreePanel", "TreeLabel", "TreeTree", "TreeButtonPanel", "TreeButtonAdd",
                             "TreeButtonInsert", "TreeButtonUp", "TreeButtonDown", "TreeButtonDelete",
                             "Splitter1", "ComparisonPanel", "CaptionLabel", "CaptionEdit", "MatrixLabel",
                             "MatrixGrid", "ConsistencyLabel", "ConsistencyLabel2", "ConsistencyLabel3",
                             "ConsistencyEdit"})
        QVERIFY2(form->findChild<QWidget *>(QString::fromLatin1(name)), name);
    QCOMPARE(named<QLabel>(*form, "TreeLabel")->text(), QString::fromUtf8("要求ツリー"));
    QCOMPARE(named<QPushButton>(*form, "TreeButtonAdd")->text(), QString::fromUtf8("子追加"));
    QCOMPARE(named<QMenu>(*form, "MenuFile")->title(), QString::fromUtf8("ファイル(&F)"));
    QCOMPARE(named<QAction>(*form, "MenuSaveAs")->text(), QString::fromUtf8("名前を付けて保存する (Save &As) ..."));
    QCOMPARE(form->menuBar()->actions().at(1)->text(), QString::fromUtf8("編集(&E)"));
    QCOMPARE(named<QAction>(*form, "MenuUndo")->text(), QString::fromUtf8("元に戻す (&Undo)"));
    QCOMPARE(named<QAction>(*form, "MenuRedo")->text(), QString::fromUtf8("やり直し (&Redo)"));
    QCOMPARE(named<QAction>(*form, "MenuHistory")->text(), QString::fromUtf8("履歴 (&History)"));
    QCOMPARE(named<QAction>(*form, "MenuUndo")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Z")));
    QCOMPARE(named<QAction>(*form, "MenuRedo")->shortcuts(), (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Y")),
                                                               QKeySequence(QStringLiteral("Ctrl+Shift+Z"))}));
    invoke(*form, "TreeButtonAddClick");
    QCOMPARE(named<QAction>(*form, "MenuUndo")->text(), QString::fromUtf8("元に戻す「子追加 根幹の要求」 (&Undo)"));
    invoke(*form, "MenuUndoClick");
    QCOMPARE(named<QAction>(*form, "MenuRedo")->text(), QString::fromUtf8("やり直し「子追加 根幹の要求」 (&Redo)"));
    QVERIFY(!named<QAction>(*form, "MenuUndo")->isEnabled());
    QCOMPARE(form->session().document().tree.root()->caption(), QString::fromUtf8("根幹の要求"));
    QCOMPARE(form->windowTitle(), QStringLiteral("Priomat"));
    QCOMPARE(named<QPushButton>(*form, "TreeButtonAdd")->geometry(), QRect(0, 4, 53, 25));
    QCOMPARE(named<QPushButton>(*form, "TreeButtonDelete")->geometry(), QRect(56, 32, 53, 25));
    QCOMPARE(named<QWidget>(*form, "TreeButtonPanel")->height(), 61);
    QCOMPARE(named<TMatrixGrid>(*form, "MatrixGrid")->columnWidth(0), 96);
    QVERIFY(named<QLineEdit>(*form, "ConsistencyEdit")->isReadOnly());
    QVERIFY(!named<QAction>(*form, "MenuEstablishment")->isVisible());
    QVERIFY(!form->session().isModified());
    QVERIFY(!form->session().isLoading());
    QVERIFY(form->session().fileName().isEmpty());
}

void TestBaseForm::englishTexts()
{
    auto form = makeForm(false);
    QCOMPARE(named<QLabel>(*form, "TreeLabel")->text(), QStringLiteral("Requirement Tree"));
    QCOMPARE(named<QPushButton>(*form, "TreeButtonAdd")->text(), QStringLiteral("Add child"));
    QCOMPARE(named<QPushButton>(*form, "TreeButtonInsert")->text(), QStringLiteral("Insert"));
    QCOMPARE(named<QPushButton>(*form, "TreeButtonUp")->text(), QStringLiteral("Up"));
    QCOMPARE(named<QPushButton>(*form, "TreeButtonDown")->text(), QStringLiteral("Dn"));
    QCOMPARE(named<QPushButton>(*form, "TreeButtonDelete")->text(), QStringLiteral("Delete"));
    QCOMPARE(named<QLabel>(*form, "CaptionLabel")->text(), QStringLiteral("Requirement Caption"));
    QCOMPARE(named<QLabel>(*form, "MatrixLabel")->text(), QStringLiteral("Matrix for Pair Comparison"));
    QCOMPARE(named<QLabel>(*form, "ConsistencyLabel")->text(), QStringLiteral("Consistency Index"));
    QCOMPARE(named<QLabel>(*form, "ConsistencyLabel2")->text(), QStringLiteral("  0: perfectly consistent"));
    QCOMPARE(named<QLabel>(*form, "ConsistencyLabel3")->text(), QStringLiteral("  0.1 (or 0.15) or below: acceptable"));
    QCOMPARE(form->session().document().tree.root()->caption(), QStringLiteral("Root Requirement"));
    QCOMPARE(named<QMenu>(*form, "MenuFile")->title(), QStringLiteral("&File"));
    QCOMPARE(named<QMenu>(*form, "MenuEdit")->title(), QStringLiteral("&Edit"));
    QCOMPARE(form->menuBar()->actions().at(1), named<QMenu>(*form, "MenuEdit")->menuAction()); // between File and Option
    QCOMPARE(named<QAction>(*form, "MenuUndo")->text(), QStringLiteral("&Undo"));
    QCOMPARE(named<QAction>(*form, "MenuRedo")->text(), QStringLiteral("&Redo"));
    QCOMPARE(named<QAction>(*form, "MenuHistory")->text(), QStringLiteral("&History"));
    QCOMPARE(named<QAction>(*form, "MenuSaveAs")->text(), QStringLiteral("Save &As ..."));
    QCOMPARE(named<QAction>(*form, "MenuSaveCSV")->text(), QStringLiteral("Save &CSV format ..."));
    QCOMPARE(named<QAction>(*form, "MenuExit")->text(), QStringLiteral("E&xit"));
    QCOMPARE(named<QAction>(*form, "MenuCalculateAutomatically")->text(), QStringLiteral("&Claculate automatically"));
    QCOMPARE(named<QAction>(*form, "MenuChangeShown1")->text(), QStringLiteral("Change shown \"-\" to \"&1\""));
    QCOMPARE(named<QMenu>(*form, "MenuOption")->title(), QStringLiteral("&Option"));
    QCOMPARE(named<QMenu>(*form, "MenuHelp")->title(), QStringLiteral("&Help"));
}

void TestBaseForm::defaultFlagsAndTreeWidth()
{
    auto form = makeForm(true);
    QVERIFY(!named<QAction>(*form, "MenuColor")->isChecked());
    QVERIFY(named<QAction>(*form, "MenuInverse")->isChecked());
    QVERIFY(named<QAction>(*form, "MenuCalculateAutomatically")->isChecked());
    QCOMPARE(form->treeWidth(), 137);
}

void TestBaseForm::fileMenuSaveEnabling()
{
    auto form = makeForm(false);
    invoke(*form, "MenuFileClick");
    QVERIFY(!named<QAction>(*form, "MenuSave")->isEnabled());
    QVERIFY(named<QAction>(*form, "MenuSaveAs")->isEnabled());
    QVERIFY(form->SaveDocument(app_->environment.path("saved.ahp")));
    invoke(*form, "MenuFileClick");
    QVERIFY(named<QAction>(*form, "MenuSave")->isEnabled());
    QCOMPARE(form->windowTitle(), QStringLiteral("Priomat - saved.ahp"));
    QVERIFY(readBytes(app_->environment.path("saved.ahp")).startsWith("Priomat - Data File\r\n"));
}

void TestBaseForm::shortcutsWorkWithoutOpeningTheMenus()
{
    auto form = makeForm(false);
    const QString path = app_->environment.path("shortcut.ahp");
    ScriptedDialogs dialogs;
    dialogs.file = [&](const FileDialogSettings &, bool, const QString &) { return path; };
    form->setDialogRunner(&dialogs);
    invoke(*form, "FormShow");
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    auto *save = named<QAction>(*form, "MenuSave");
    QVERIFY(!save->isEnabled());

    // Right after Save As, Ctrl+S saves the next edit.
    invoke(*form, "MenuSaveAsClick");
    QVERIFY(save->isEnabled());
    form->session().setAlternativesText("Car A");
    QTest::keySequence(form.get(), QKeySequence::Save);
    QVERIFY(!form->session().isModified());
    QVERIFY(readBytes(path).contains("\r\nCar A\r\n"));
    // An edit undone back to the saved state leaves Save as it was.
    invoke(*form, "TreeButtonAddClick");
    named<QAction>(*form, "MenuUndo")->trigger();
    QVERIFY(!form->session().isModified());
    QVERIFY(save->isEnabled());
    // New takes the file name away, and with it Save.
    invoke(*form, "MenuNewClick");
    QVERIFY(!save->isEnabled());

    // F9 computes as soon as automatic calculation is off.
    auto *calculate = named<QAction>(*form, "MenuCalculate");
    QVERIFY(!calculate->isEnabled());
    named<QAction>(*form, "MenuCalculateAutomatically")->trigger();
    QVERIFY(calculate->isEnabled());
    form->session().evaluate(false);
    QVERIFY(form->session().results().requirements.isEmpty());
    QTest::keyClick(form.get(), Qt::Key_F9);
    QCOMPARE(form->session().results().requirements.size(), 1);
}

void TestBaseForm::rootOrLastNodeSelectedAfterOpenAndNew()
{
    const QString first = app_->environment.path("car.ahp");
    const QString second = app_->environment.path("office.ahp");
    QVERIFY(QFile::copy(QStringLiteral(PRIOMAT_SOURCE_DIR "/examples/choose-a-car.ahp"), first));
    QVERIFY(QFile::copy(QStringLiteral(PRIOMAT_SOURCE_DIR "/examples/new-office.ahp"), second));
    auto form = makeForm(false);
    auto *tree = named<QTreeView>(*form, "TreeTree");
    auto selectedCaption = [&] {
        const QModelIndexList rows = tree->selectionModel()->selectedRows();
        return rows.size() == 1 ? form->treeModel()->nodeOf(rows.first())->caption() : QString();
    };
    auto editable = [&] {
        return named<QLineEdit>(*form, "CaptionEdit")->isEnabled() && named<QPushButton>(*form, "TreeButtonAdd")->isEnabled();
    };
    invoke(*form, "FormShow");
    QCOMPARE(selectedCaption(), DefaultRootCaption);
    QVERIFY(editable());

    form->LoadDocument(first);
    const RequirementNode *root = form->session().document().tree.root();
    QCOMPARE(selectedCaption(), root->caption());
    QVERIFY(editable());
    // Leaving a file remembers its node; reopening it in the same run selects it again.
    form->session().setCurrentNode(root->child(1));
    const QString chosen = root->child(1)->caption();
    form->LoadDocument(second);
    QCOMPARE(selectedCaption(), form->session().document().tree.root()->caption());
    form->NewDocument();
    QCOMPARE(selectedCaption(), DefaultRootCaption);
    QVERIFY(editable());
    form->LoadDocument(first);
    QCOMPARE(selectedCaption(), chosen);
    QCOMPARE(named<QLineEdit>(*form, "CaptionEdit")->text(), chosen);
    QVERIFY(named<QPushButton>(*form, "TreeButtonDelete")->isEnabled());

    // A tree that no longer has that node: the root.
    writeBytes(first, "Priomat - Data File\r\n[Tree]\r\nGoal\r\n");
    form->LoadDocument(second);
    form->LoadDocument(first);
    QCOMPARE(selectedCaption(), QStringLiteral("Goal"));
}

void TestBaseForm::automaticCalculationAndToolMenu()
{
    auto form = makeForm(false);
    invoke(*form, "FormShow");
    QVERIFY(!form->session().results().requirements.isEmpty()); // the root alone is a leaf
    invoke(*form, "MenuToolClick");
    QVERIFY(!named<QAction>(*form, "MenuCalculate")->isEnabled());

    named<QAction>(*form, "MenuCalculateAutomatically")->trigger(); // off
    QVERIFY(!named<QAction>(*form, "MenuCalculateAutomatically")->isChecked());
    form->session().evaluate(false);
    QVERIFY(form->session().results().requirements.isEmpty());
    invoke(*form, "MenuToolClick");
    QVERIFY(named<QAction>(*form, "MenuCalculate")->isEnabled());
    named<QAction>(*form, "MenuCalculate")->trigger();
    QCOMPARE(form->session().results().requirements.size(), 1);

    form->session().evaluate(false);
    QVERIFY(form->session().results().requirements.isEmpty());
    named<QAction>(*form, "MenuCalculateAutomatically")->trigger(); // on again: computes at once
    QCOMPARE(form->session().results().requirements.size(), 1);
}

void TestBaseForm::windowMenuFollowsWindows()
{
    auto form = makeForm(false);
    TAlternativesForm alternatives;
    TResultForm result;
    form->setAuxiliaryWindows(&alternatives, &result);
    invoke(*form, "MenuWindowClick");
    QVERIFY(!named<QAction>(*form, "MenuAlternatives")->isChecked());
    named<QAction>(*form, "MenuAlternatives")->trigger();
    QVERIFY(alternatives.isVisible());
    invoke(*form, "MenuWindowClick");
    QVERIFY(named<QAction>(*form, "MenuAlternatives")->isChecked());
    alternatives.close(); // its own close button
    invoke(*form, "MenuWindowClick");
    QVERIFY(!named<QAction>(*form, "MenuAlternatives")->isChecked());
    named<QAction>(*form, "MenuResult")->trigger();
    QVERIFY(result.isVisible());
    named<QAction>(*form, "MenuResult")->trigger();
    QVERIFY(!result.isVisible());
}

void TestBaseForm::helpMenuHidesCopyright()
{
    auto form = makeForm(false);
    invoke(*form, "MenuHelpClick");
    QVERIFY(!named<QAction>(*form, "MenuCopyright")->isVisible());
    named<QAction>(*form, "MenuVersion")->trigger();
    QCOMPARE(app_->platform.messageBox.shown.size(), 1);
    QVERIFY(app_->platform.messageBox.shown.at(0).text.startsWith("Version Information"));
}

void TestBaseForm::closingWritesTheSettings()
{
    auto form = makeForm(true);
    named<QAction>(*form, "MenuColor")->trigger();
    named<QAction>(*form, "MenuInverse")->trigger();
    form->setTreeWidth(150);
    QVERIFY(form->close());
    const QByteArray ini = readBytes(app_->environment.path("priomat.ini"));
    QVERIFY2(ini.contains("BaseForm\r\n"), ini.constData());
    QVERIFY(ini.contains(" TreeWidth=I:150\r\n"));
    QVERIFY(ini.contains(" Left=I:"));
    QVERIFY(ini.contains(" State=S:Normal\r\n"));
    QVERIFY(ini.contains("Option\r\n Calculate=B:True\r\n Color=B:True\r\n Input\r\n  Inverse=B:False\r\n"));

    // The next start reads them back.
    form.reset();
    FrameShutdown();
    auto again = makeForm(true);
    QVERIFY(named<QAction>(*again, "MenuColor")->isChecked());
    QVERIFY(!named<QAction>(*again, "MenuInverse")->isChecked());
    QCOMPARE(again->treeWidth(), 150);
}

void TestBaseForm::startupDocumentFromCommandLineOrDefault()
{
    const QString example = QStringLiteral(PRIOMAT_SOURCE_DIR "/examples/choose-a-car.ahp");
    auto form = makeForm(false);
    form->LoadDocument(example);
    QCOMPARE(form->windowTitle(), QStringLiteral("Priomat - choose-a-car.ahp"));
    QCOMPARE(form->session().document().tree.root()->caption(), QStringLiteral("Choose a car"));
    QCOMPARE(form->selectedNode(), form->session().document().tree.root());
    QVERIFY(named<QTreeView>(*form, "TreeTree")->isExpanded(form->treeModel()->indexOf(form->session().document().tree.root()->child(1))));
    QCOMPARE(form->session().results().alternatives.at(1).text(), QStringLiteral("0.729166666666667"));
    QVERIFY(!form->session().isModified());

    // The first argument when it names a file; otherwise Default.ahp beside the program.
    QVERIFY(QFile::copy(example, app_->environment.path("Default.ahp")));
    app_->platform.system.arguments = {app_->platform.system.program, QStringLiteral(PRIOMAT_SOURCE_DIR "/examples/new-office.ahp")};
    auto second = std::make_unique<TBaseForm>();
    invoke(*second, "FormShow");
    QCOMPARE(second->session().fileName(), QStringLiteral(PRIOMAT_SOURCE_DIR "/examples/new-office.ahp"));
    app_->platform.system.arguments = {app_->platform.system.program, QStringLiteral("/ENGLISH")};
    auto third = std::make_unique<TBaseForm>();
    invoke(*third, "FormShow");
    QCOMPARE(third->session().fileName(), app_->environment.path("Default.ahp"));
}

void TestBaseForm::foreignStartupDocumentKeepsNewDocument()
{
    auto form = makeForm(false);
    QFile foreign(app_->environment.path("foreign.ahp"));
    QVERIFY(foreign.open(QIODevice::WriteOnly));
    foreign.write("Not a data file\r\n");
    foreign.close();
    form->LoadDocument(app_->environment.path("foreign.ahp"));
    QCOMPARE(app_->platform.messageBox.shown.size(), 1);
    QCOMPARE(app_->platform.messageBox.shown.at(0).text,
             app_->environment.path("foreign.ahp") + "\r\nis not a data file for Priomat.");
    QCOMPARE(app_->platform.messageBox.shown.at(0).caption, QStringLiteral("Error"));
    QCOMPARE(form->windowTitle(), QStringLiteral("Priomat"));
    QCOMPARE(form->session().document().tree.root()->caption(), QStringLiteral("Root Requirement"));
}

void TestBaseForm::comparisonPanelShowsRootMatrix()
{
    auto form = makeForm(false);
    form->LoadDocument(QStringLiteral(PRIOMAT_SOURCE_DIR "/examples/choose-a-car.ahp"));
    QVERIFY(named<TMatrixGrid>(*form, "MatrixGrid")->isVisibleTo(form.get()));
    QCOMPARE(named<QLineEdit>(*form, "CaptionEdit")->text(), QStringLiteral("Choose a car"));
    QCOMPARE(form->session().shownMatrix().items.names, (QStringList{"Cost", "Comfort"}));
    QCOMPARE(named<TMatrixGrid>(*form, "MatrixGrid")->item(0, 1)->text(), QStringLiteral("(A)"));
    QCOMPARE(named<TMatrixGrid>(*form, "MatrixGrid")->item(1, 0)->text(), QStringLiteral("(A) Cost"));
    QCOMPARE(named<TMatrixGrid>(*form, "MatrixGrid")->item(1, 2)->text(), QStringLiteral("3"));
    QCOMPARE(named<TMatrixGrid>(*form, "MatrixGrid")->item(1, 3)->text(), QStringLiteral("0.75"));
    QCOMPARE(named<TMatrixGrid>(*form, "MatrixGrid")->item(0, 3)->text(), QStringLiteral("Weight"));
    QCOMPARE(named<QLineEdit>(*form, "ConsistencyEdit")->text(), QStringLiteral("0"));
    // With the root selected, Insert and Delete are off, and Up and Down with no siblings.
    QVERIFY(named<QPushButton>(*form, "TreeButtonAdd")->isEnabled());
    QVERIFY(!named<QPushButton>(*form, "TreeButtonInsert")->isEnabled());
    QVERIFY(!named<QPushButton>(*form, "TreeButtonDelete")->isEnabled());
    QVERIFY(!named<QPushButton>(*form, "TreeButtonUp")->isEnabled());
    QVERIFY(!named<QPushButton>(*form, "TreeButtonDown")->isEnabled());
}

void TestBaseForm::consistencyWarningHasAReadableCue()
{
    auto luminance = [](const QColor &c) {
        auto f = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * f(c.redF()) + 0.7152 * f(c.greenF()) + 0.0722 * f(c.blueF());
    };
    auto contrast = [&](const QColor &a, const QColor &b) {
        const double x = luminance(a), y = luminance(b);
        return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
    };
    auto form = makeForm(true);
    auto *edit = named<QLineEdit>(*form, "ConsistencyEdit");
    auto cue = [&]() -> QAction * {
        for (QAction *action : edit->actions())
            if (action->isVisible())
                return action;
        return nullptr;
    };
    // Two items with "a" entered one way give CI = √a − 1: 0.05, 0.12 and 0.2.
    const QString path = app_->environment.path("ci.ahp");
    for (const char *value : {"1.1025", "1.2544", "1.44"}) {
        writeBytes(path, "Priomat - Data File\r\n[Tree]\r\nGoal\r\n A\r\n B\r\n[Comparison]\r\nA\tB\t" + QByteArray(value) + "\r\n");
        form->LoadDocument(path);
        const double ci = form->session().document().tree.root()->data().ConsistencyIndex;
        if (ci <= 0.1) {
            QVERIFY(!cue());
            continue;
        }
        // The field is a badge in the state's colour; a sign in it stands out by 3:1 or more.
        QCOMPARE(edit->palette().color(QPalette::Base), ci > 0.15 ? QColor(255, 77, 77) : QColor(255, 255, 0));
        QVERIFY(cue());
        QVERIFY(!cue()->toolTip().isEmpty());
        const QColor background = edit->palette().color(QPalette::Base);
        const QImage image = cue()->icon().pixmap(16, 16).toImage();
        int strong = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y)) == 255 && contrast(image.pixelColor(x, y), background) >= 3.0)
                    ++strong;
        QVERIFY2(strong >= 20, qPrintable(QString::number(strong)));
    }
    form->NewDocument();
    QVERIFY(!cue());
}

void TestBaseForm::splashLayout()
{
    // A 32 x 32 picture at (5, 6): labels at 42, client 44 high and 42 + widest + 5 wide.
    const SplashLayout layout = ComputeSplashLayout({5, 6}, {32, 32}, 50, 80, {1024, 768}, {0, 0});
    QCOMPARE(layout.labelLeft, 42);
    QCOMPARE(layout.clientSize, QSize(127, 44));
    // The product name wins only when strictly wider.
    QCOMPARE(ComputeSplashLayout({5, 6}, {32, 32}, 80, 80, {1024, 768}, {0, 0}).clientSize.width(), 127);
    // A 120 x 70 window on a 1024 x 768 screen stands at (301, 232).
    const SplashLayout placed = ComputeSplashLayout({5, 6}, {32, 32}, 73, 10, {1024, 768}, {0, 26});
    QCOMPARE(placed.clientSize + QSize(0, 26), QSize(120, 70));
    QCOMPARE(placed.windowPosition, QPoint(301, 232));

    FrameStartup();
    TSplashForm *splash = ShowSplash();
    QCOMPARE(splash->windowTitle(), QStringLiteral("  Loading ..."));
    QCOMPARE(splash->Label1->text(), QStringLiteral("Priomat"));
    QCOMPARE(splash->Label2->text(), QStringLiteral("Ver.2.03  Rev.4"));
    QCOMPARE(splash->Label1->x(), 42);
    QCOMPARE(splash->height(), 44);
    QPointer<TSplashForm> watch(splash);
    ReleaseSplash(splash);
    QVERIFY(watch); // released only when events are processed
    QTRY_VERIFY(!watch);
}

void TestBaseForm::firstStartFitsTheDocument()
{
    auto startWith = [this](int items, bool storedPlacement = false) {
        QByteArray content = "Priomat - Data File\r\n[Tree]\r\nChoosing the new office\r\n";
        for (int i = 1; i <= items; ++i)
            content += " Requirement, longer name " + QByteArray::number(i) + "\r\n";
        const QString path = app_->environment.path("start.ahp");
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(content);
        file.close();
        app_->platform.system.arguments = {app_->platform.system.program, path};
        FrameStartup();
        if (storedPlacement)
            for (const auto &[name, value] : {std::pair{"Left", 30}, {"Top", 40}, {"Width", 450}, {"Height", 300}})
                WriteSetting(QStringLiteral("BaseForm"), QString::fromLatin1(name), value);
        auto form = std::make_unique<TBaseForm>();
        form->show();
        return form;
    };
    const QRect area = app_->platform.system.work;
    const QSize bound(area.width() * 2 / 3, area.height() * 2 / 3);

    // Without a stored placement the window grows until names, tree and matrix show uncut.
    {
        auto form = startWith(4);
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        TMatrixGrid *grid = named<TMatrixGrid>(*form, "MatrixGrid");
        QTreeView *tree = named<QTreeView>(*form, "TreeTree");
        QVERIFY(form->width() > 409 && form->height() > 267);
        QVERIFY(form->width() <= bound.width() && form->height() <= bound.height());
        QVERIFY(area.contains(form->geometry()));
        const QFontMetrics metrics(grid->font());
        for (int row = 1; row < grid->rowCount(); ++row)
            QVERIFY(metrics.horizontalAdvance(grid->cellText(0, row)) + 2 <= grid->columnWidth(0));
        QVERIFY(grid->horizontalHeader()->length() <= grid->viewport()->width());
        QVERIFY(grid->verticalHeader()->length() <= grid->viewport()->height());
        QVERIFY(static_cast<QAbstractItemView *>(tree)->sizeHintForColumn(0) <= tree->viewport()->width());
    }
    // A document too large for that stops at two thirds of the work area.
    {
        auto form = startWith(40);
        QCOMPARE(form->size(), bound);
    }
    // A stored placement rules.
    {
        auto form = startWith(40, true);
        QCOMPARE(form->size(), QSize(450, 300));
    }
}

void TestBaseForm::addedMenuItemsHaveAccessKeysOfTheirOwn()
{
    // The original items keep their keys, shared or not; every item added beside them has a
    // key no other item of its menu uses.
    const QStringList original{"MenuNew", "MenuOpen", "MenuSave", "MenuSaveAs", "MenuSaveCSV", "MenuExit",
                               "MenuColor", "MenuInverse", "MenuCalculateAutomatically", "MenuCalculate",
                               "MenuChangeShown1", "MenuAlternatives", "MenuResult", "MenuEstablishment",
                               "MenuContents", "MenuCopyright", "MenuVersion"};
    for (const bool japanese : {true, false}) {
        auto form = makeForm(japanese);
        for (QAction *top : form->menuBar()->actions()) {
            QList<QPair<QChar, QAction *>> items;
            for (QAction *item : top->menu()->actions()) {
                const qsizetype at = item->text().indexOf(u'&');
                if (!item->isSeparator())
                    items.append({at >= 0 ? item->text().at(at + 1).toLower() : QChar(), item});
            }
            for (const auto &[key, item] : items) {
                if (original.contains(item->objectName()))
                    continue;
                QVERIFY2(!key.isNull(), qPrintable(item->text()));
                const auto same = std::count_if(items.begin(), items.end(), [key](const auto &other) { return other.first == key; });
                QVERIFY2(same == 1, qPrintable(item->text()));
            }
        }
        QCOMPARE(named<QAction>(*form, "MenuExit")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    }
}


void TestBaseForm::textsFitAtLargerFonts()
{
    const QString path = app_->environment.path("fonts.ahp");
    writeBytes(path, "Priomat - Data File\r\n[Tree]\r\nRoot\r\n Cost\r\n Location\r\n Workplace\r\n"
                     "[Comparison]\r\nCost\tLocation\t1/9\r\nLocation\tCost\t9\r\n");
    const QFont original = QApplication::font();
    for (const bool japanese : {true, false}) {
        for (const int points : {9, 11, 12}) {
            QFont font = DefaultFontSettings(japanese).toFont();
            font.setPointSize(points);
            QApplication::setFont(font);
            app_->platform.system.arguments = {app_->platform.system.program, path};
            auto form = makeForm(japanese);
            form->show();
            QVERIFY(QTest::qWaitForWindowExposed(form.get()));
            const QString at = QStringLiteral("%1 pt, %2").arg(points).arg(japanese ? "Japanese" : "English");

            // Buttons: the text with a margin on each side; at the base size, the design grid.
            for (const char *name : {"TreeButtonAdd", "TreeButtonInsert", "TreeButtonUp", "TreeButtonDown", "TreeButtonDelete"}) {
                const QPushButton *button = named<QPushButton>(*form, name);
                QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) + 4 <= button->width(), qPrintable(at + name));
                QVERIFY2(button->fontMetrics().height() < button->height(), qPrintable(at + name));
            }
            if (points == 9 && japanese) {
                QCOMPARE(named<QPushButton>(*form, "TreeButtonAdd")->geometry(), QRect(0, 4, 53, 25));
                QCOMPARE(named<QPushButton>(*form, "TreeButtonDown")->geometry(), QRect(28, 32, 25, 25));
                QCOMPARE(named<QPushButton>(*form, "TreeButtonDelete")->geometry(), QRect(56, 32, 53, 25));
            }
            // Grid: every text of a column, bold (the Color option's way), two pixels in and clear of
            // the grid line.
            TMatrixGrid *grid = named<TMatrixGrid>(*form, "MatrixGrid");
            QCOMPARE(grid->font().pointSize(), points);
            QFont bold = grid->font();
            bold.setBold(true);
            const QFontMetrics metrics(bold);
            QCOMPARE(grid->cellText(2, 1), QStringLiteral("1/9"));
            for (int column = 1; column < grid->columnCount(); ++column)
                for (int row = 0; row < grid->rowCount(); ++row)
                    QVERIFY2(metrics.horizontalAdvance(grid->cellText(column, row)) + 3 <= grid->columnWidth(column),
                             qPrintable(at + grid->cellText(column, row)));
            QVERIFY(metrics.height() < grid->rowHeight(1));
            // The tree scrolls sideways instead of cutting its captions.
            QTreeView *tree = named<QTreeView>(*form, "TreeTree");
            QVERIFY(tree->header()->sectionSize(0) >= static_cast<QAbstractItemView *>(tree)->sizeHintForColumn(0));
            // The result window's tabs whole, without scroll arrows.
            TResultForm result;
            result.show();
            QVERIFY(QTest::qWaitForWindowExposed(&result));
            const QTabBar *tabs = result.PageControl1->tabBar();
            for (int i = 0; i < tabs->count(); ++i)
                QVERIFY2(tabs->fontMetrics().horizontalAdvance(tabs->tabText(i)) < tabs->tabRect(i).width(), qPrintable(at));
            QVERIFY(tabs->tabRect(tabs->count() - 1).right() < tabs->width());
        }
    }
    QApplication::setFont(original);
}

QTEST_MAIN(TestBaseForm)
#include "tst_baseform.moc"
