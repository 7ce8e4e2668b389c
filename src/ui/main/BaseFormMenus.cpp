// The main window's menu bar: its items, their English captions, and the rules that enable
// them and word Undo and Redo, kept true whenever what they read changes.
#include "ui/main/BaseForm.h"
#include "ui/UiLanguage.h"

#include "app/Appli.h"
#include "document/RequirementTreeModel.h"
#include "ui/main/IndentActions.h"
#include "ui/windows/AlternativesForm.h"
#include "ui/windows/ResultForm.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QUndoStack>

namespace priomat {

namespace {

QAction *makeAction(QMenu *menu, const QString &name, const QString &text)
{
    QAction *action = menu->addAction(text);
    action->setObjectName(name);
    return action;
}

} // namespace

void TBaseForm::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));
    auto menu = [bar](const QString &name, const QString &text) {
        QMenu *m = bar->addMenu(text);
        m->setObjectName(name);
        m->menuAction()->setObjectName(name + QStringLiteral("Item"));
        return m;
    };

    MenuFile = menu(QStringLiteral("MenuFile"), QStringLiteral("ファイル(&F)"));
    MenuNew = makeAction(MenuFile, QStringLiteral("MenuNew"), QStringLiteral("新規作成 (&New)"));
    MenuOpen = makeAction(MenuFile, QStringLiteral("MenuOpen"), QStringLiteral("開く (&Open)"));
    MenuSave = makeAction(MenuFile, QStringLiteral("MenuSave"), QStringLiteral("保存する (&Save)"));
    MenuSaveAs = makeAction(MenuFile, QStringLiteral("MenuSaveAs"), QStringLiteral("名前を付けて保存する (Save &As) ..."));
    MenuFile->addSeparator();
    MenuSaveCSV = makeAction(MenuFile, QStringLiteral("MenuSaveCSV"),
                             QStringLiteral("エクセルで読み込める形式（*.csv）に保存する (Save &CSV format) ..."));
    MenuFile->addSeparator();
    MenuExit = makeAction(MenuFile, QStringLiteral("MenuExit"), QStringLiteral("終了 (E&xit)"));
    MenuNew->setShortcut(QKeySequence::New);
    MenuOpen->setShortcut(QKeySequence::Open);
    MenuSave->setShortcut(QKeySequence::Save);
    // Explicitly: QKeySequence::Quit is empty under some keyboard schemes.
    MenuExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    MenuEdit = menu(QStringLiteral("MenuEdit"), QStringLiteral("編集(&E)"));
    MenuUndo = makeAction(MenuEdit, QStringLiteral("MenuUndo"), QStringLiteral("元に戻す (&Undo)"));
    MenuRedo = makeAction(MenuEdit, QStringLiteral("MenuRedo"), QStringLiteral("やり直し (&Redo)"));
    MenuUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    MenuRedo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    AddIndentActions(MenuEdit, session_);

    MenuOption = menu(QStringLiteral("MenuOption"), QStringLiteral("オプション(&O)"));
    MenuColor = makeAction(MenuOption, QStringLiteral("MenuColor"),
                           QStringLiteral("整合性の悪いところを色つき表示にする (&Color for inconsistent)"));
    MenuInverse = makeAction(MenuOption, QStringLiteral("MenuInverse"), QStringLiteral("対称位置は逆数 (&Inverse)"));
    MenuCalculateAutomatically = makeAction(MenuOption, QStringLiteral("MenuCalculateAutomatically"),
                                            QStringLiteral("自動再計算する (&Claculate automatically)"));
    for (QAction *flag : {MenuColor, MenuInverse, MenuCalculateAutomatically})
        flag->setCheckable(true);

    MenuTool = menu(QStringLiteral("MenuTool"), QStringLiteral("ツール(&T)"));
    MenuCalculate = makeAction(MenuTool, QStringLiteral("MenuCalculate"), QStringLiteral("再計算する (&Calculate)"));
    MenuChangeShown1 = makeAction(MenuTool, QStringLiteral("MenuChangeShown1"),
                                  QStringLiteral("表示中のマトリクスの未入力部分を１にする (Change shown \"-\" to \"&1\")"));
    MenuCalculate->setShortcut(Qt::Key_F9);

    MenuWindow = menu(QStringLiteral("MenuWindow"), QStringLiteral("ウィンドウ(&W)"));
    MenuAlternatives = makeAction(MenuWindow, QStringLiteral("MenuAlternatives"), QStringLiteral("代替案ウィンドウ (&Alternatives)"));
    MenuResult = makeAction(MenuWindow, QStringLiteral("MenuResult"), QStringLiteral("結果ウィンドウ (&Result)"));
    MenuHistory = makeAction(MenuWindow, QStringLiteral("MenuHistory"), QStringLiteral("履歴 (&History)"));
    MenuAlternatives->setCheckable(true);
    MenuResult->setCheckable(true);
    MenuHistory->setCheckable(true);
    MenuEstablishmentSeparator = MenuWindow->addSeparator();
    MenuEstablishmentSeparator->setVisible(false);
    MenuEstablishment = makeAction(MenuWindow, QStringLiteral("MenuEstablishment"), QStringLiteral("設定 (&Establishment) ..."));
    MenuEstablishment->setVisible(false);

    MenuHelp = menu(QStringLiteral("MenuHelp"), QStringLiteral("ヘルプ(&H)"));
    MenuContents = makeAction(MenuHelp, QStringLiteral("MenuContents"), QStringLiteral("目次 (&Contents)"));
    MenuHelp->addSeparator();
    MenuCopyright = makeAction(MenuHelp, QStringLiteral("MenuCopyright"), QStringLiteral("著作権情報 (&Copyright)"));
    MenuVersion = makeAction(MenuHelp, QStringLiteral("MenuVersion"), QStringLiteral("バージョン情報 (&Version)"));
    MenuContents->setShortcut(QKeySequence::HelpContents);
    // Qt's version and licence, which the LGPL asks a user be able to find.
    QAction *aboutQt = makeAction(MenuHelp, QStringLiteral("MenuAboutQt"), QStringLiteral("Qt について (About &Qt)"));
    connect(aboutQt, &QAction::triggered, qApp, &QApplication::aboutQt);

    connect(MenuFile, &QMenu::aboutToShow, this, &TBaseForm::MenuFileClick);
    connect(MenuTool, &QMenu::aboutToShow, this, &TBaseForm::MenuToolClick);
    connect(MenuWindow, &QMenu::aboutToShow, this, &TBaseForm::MenuWindowClick);
    connect(MenuHelp, &QMenu::aboutToShow, this, &TBaseForm::MenuHelpClick);
    connect(MenuEdit, &QMenu::aboutToShow, this, &TBaseForm::MenuEditClick);
    connect(MenuUndo, &QAction::triggered, this, &TBaseForm::MenuUndoClick);
    connect(MenuRedo, &QAction::triggered, this, &TBaseForm::MenuRedoClick);
    connect(MenuHistory, &QAction::triggered, this, &TBaseForm::MenuHistoryClick);
    connect(MenuNew, &QAction::triggered, this, &TBaseForm::MenuNewClick);
    connect(MenuOpen, &QAction::triggered, this, &TBaseForm::MenuOpenClick);
    connect(MenuSave, &QAction::triggered, this, &TBaseForm::MenuSaveClick);
    connect(MenuSaveAs, &QAction::triggered, this, &TBaseForm::MenuSaveAsClick);
    connect(MenuExit, &QAction::triggered, this, &TBaseForm::MenuExitClick);
    connect(MenuSaveCSV, &QAction::triggered, this, &TBaseForm::MenuSaveCSVClick);
    connect(MenuEstablishment, &QAction::triggered, this, &TBaseForm::MenuEstablishmentClick);
    connect(MenuColor, &QAction::triggered, this, &TBaseForm::MenuColorClick);
    connect(MenuInverse, &QAction::triggered, this, &TBaseForm::MenuInverseClick);
    connect(MenuCalculateAutomatically, &QAction::triggered, this, &TBaseForm::MenuCalculateAutomaticallyClick);
    connect(MenuCalculate, &QAction::triggered, this, &TBaseForm::MenuCalculateClick);
    connect(MenuChangeShown1, &QAction::triggered, this, &TBaseForm::MenuChangeShown1Click);
    connect(MenuAlternatives, &QAction::triggered, this, &TBaseForm::MenuAlternativesClick);
    connect(MenuResult, &QAction::triggered, this, &TBaseForm::MenuResultClick);
    connect(MenuContents, &QAction::triggered, this, [] { if (Appli) Appli->ShowHelp(); });
    connect(MenuCopyright, &QAction::triggered, this, [] { if (Appli) Appli->ShowCopyright(); });
    connect(MenuVersion, &QAction::triggered, this, [] { if (Appli) Appli->ShowVersion(); });
}

void TBaseForm::applyEnglishTexts()
{
    LocalizeMenu(menuBar());
    TreePanel->applyEnglishTexts();
    ComparisonPanel->applyEnglishTexts();
    // The new document's root, before any history exists.
    if (RequirementNode *root = session_->document().tree.root())
        treeModel()->setData(treeModel()->indexOf(root), QStringLiteral("Root Requirement"));
    // Not the captions LocalizeMenu derives from the Japanese ones.
    MenuAdvisor->setText(QStringLiteral("Consistency &advisor"));
    MenuComplete->setText(QStringLiteral("Complete from &entered"));
}

void TBaseForm::followDocumentState()
{
    // The menus' enabling rules run whenever what they read changes, not only when a menu
    // opens: a shortcut acts on the state the document is in.
    auto update = [this] { updateActionStates(); };
    connect(session_, &DocumentSession::fileNameChanged, this, update);
    connect(session_, &DocumentSession::modifiedChanged, this, update);
    connect(session_, &DocumentSession::shownMatrixChanged, this, update);
    connect(session_, &DocumentSession::documentReplaced, this, update);
    connect(session_->undoStack(), &QUndoStack::indexChanged, this, update);
    connect(MenuCalculateAutomatically, &QAction::toggled, this, update);
    updateActionStates();
}

void TBaseForm::updateActionStates()
{
    MenuFileClick();
    MenuToolClick();
}

void TBaseForm::MenuFileClick()
{
    MenuSave->setEnabled(!session_->fileName().isEmpty());
    MenuSaveAs->setEnabled(true);
}

void TBaseForm::MenuEditClick()
{
    updateUndoTexts();
}

void TBaseForm::updateUndoTexts()
{
    const QUndoStack *stack = session_->undoStack();
    const QString undo = stack->undoText();
    const QString redo = stack->redoText();
    MenuUndo->setText(undo.isEmpty() ? UiText(QStringLiteral("元に戻す (&Undo)"), QStringLiteral("&Undo"))
                                     : UiText(QStringLiteral("元に戻す「%1」 (&Undo)").arg(undo), QStringLiteral("&Undo ") + undo));
    MenuRedo->setText(redo.isEmpty() ? UiText(QStringLiteral("やり直し (&Redo)"), QStringLiteral("&Redo"))
                                     : UiText(QStringLiteral("やり直し「%1」 (&Redo)").arg(redo), QStringLiteral("&Redo ") + redo));
    MenuUndo->setEnabled(stack->canUndo());
    MenuRedo->setEnabled(stack->canRedo());
}

void TBaseForm::MenuToolClick()
{
    MenuChangeShown1->setEnabled(!MatrixGrid->isHidden() && session_->hasDashes());
    MenuCalculate->setEnabled(!calculateAutomatically());
    updateAdvisorControls();
}

void TBaseForm::MenuHelpClick()
{
    MenuCopyright->setVisible(false);
}

} // namespace priomat
