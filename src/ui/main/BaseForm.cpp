#include "ui/main/BaseForm.h"
#include "ui/UiLanguage.h"

#include "ui/windows/AlternativesForm.h"
#include "ui/windows/ResultForm.h"

#include "app/Appli.h"
#include "app/DialogFolder.h"
#include "ui/main/CompareForm.h"
#include "model/ComparisonMatrix.h"
#include "model/ComparisonValue.h"
#include "model/ComputationError.h"
#include "document/CsvExport.h"
#include "ui/main/CutTextTips.h"
#include "document/DocumentFile.h"
#include "document/Recovery.h"
#include "setup/FileTypeRegistration.h"
#include "model/FloatFormat.h"
#include "platform/MessageBox.h"
#include "ui/windows/OptionForm.h"
#include "app/Placement.h"
#include "ui/main/ReadableColours.h"
#include "ui/main/IndentActions.h"
#include "platform/Platform.h"
#include "model/Priorities.h"
#include "document/RequirementTreeModel.h"
#include "app/SettingsStore.h"
#include "ui/windows/SplashForm.h"
#include "platform/SystemInfo.h"
#include "document/TextFile.h"
#include "model/TextRules.h"
#include "ui/main/TextFit.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSessionManager>
#include <QSplitter>
#include <QTimer>
#include <QStyle>
#include <QTableWidget>
#include <QTreeView>
#include <QUndoStack>
#include <QUndoView>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <utility>

namespace priomat {

TBaseForm *BaseForm = nullptr;

namespace {

const QString Section = QStringLiteral("BaseForm");
constexpr int DesignTreeWidth = 137;

QString productName()
{
    return Appli ? Appli->ProductName : QStringLiteral("Priomat");
}

QLabel *makeLabel(const QString &name, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QPushButton *makeButton(const QString &name, const QString &text, QRect geometry, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    return button;
}

QAction *makeAction(QMenu *menu, const QString &name, const QString &text)
{
    QAction *action = menu->addAction(text);
    action->setObjectName(name);
    return action;
}

// Releases the splash however the creation ends.
struct SplashGuard
{
    TSplashForm *splash = ShowSplash();
    ~SplashGuard() { ReleaseSplash(splash); }
};

} // namespace

TBaseForm::TBaseForm(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("BaseForm"));
    SplashGuard splash;
    RegisterUninstallEntry();
    RegisterFileType();

    session_ = new DocumentSession(this); // one root: the tree before any document is chosen
    session_->setHost(this);
    session_->setJapanese(UiJapanese());
    session_->setMaxTreeDepth(MaxTreeDepth);
    session_->setOptionSource([this] { return SessionOptions{calculateAutomatically(), inverseOption()}; });
    buildControls();
    buildMenus();
    buildAdvisorControls();
    buildJudgementControls();
    buildReportMenu();
    buildGroupControls();
    if (!UiJapanese())
        applyEnglishTexts();

    connect(session_, &DocumentSession::shownMatrixChanged, this, &TBaseForm::RefreshComparisonPanel);
    connect(session_, &DocumentSession::currentNodeChanged, this, &TBaseForm::followSession);
    connect(session_, &DocumentSession::alternativesTextChanged, this, &TBaseForm::showAlternativesText);
    connect(session_, &DocumentSession::fileNameChanged, this, &TBaseForm::updateCaption);
    connect(session_, &DocumentSession::subtreeRestored, this, [this](RequirementNode *node) {
        TreeTree->expand(treeModel()->indexOf(node));
    });
    connect(session_, &DocumentSession::documentReplaced, this, [this] { TreeTree->expandAll(); });
    session_->setWatchingDisk(true);
    connect(session_, &DocumentSession::changedOnDisk, this, [this] {
        changeToAnnounce_ = true;
        if (isActiveWindow())
            announceChangeOnDisk();
    });
    // Back in the program: what changed meanwhile is said now.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive || closing_)
            return;
        session_->checkDisk();
        if (changeToAnnounce_ && isActiveWindow())
            announceChangeOnDisk();
    });
    recovery_ = new DocumentRecovery(*session_, this);
    connect(recovery_, &DocumentRecovery::writeFailed, this, [this](const QString &message) {
        showError(UiJapanese() ? QStringLiteral("復元用コピーを保存できません。\r\n") + message
                             : QStringLiteral("The recovery copy cannot be saved.\r\n") + message);
    });
    // Logging out asks about unsaved changes as closing does; without a chance to ask, the
    // recovery copy keeps them.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &manager) {
        if (!manager.allowsInteraction()) {
            KeepRecoveryCopy();
            return;
        }
        const bool ended = QuerySaveModified();
        manager.release();
        if (!ended)
            manager.cancel();
    });
    QUndoStack *stack = session_->undoStack();
    connect(stack, &QUndoStack::indexChanged, this, &TBaseForm::updateUndoTexts);
    connect(stack, &QUndoStack::cleanChanged, this, &TBaseForm::updateUndoTexts);
    updateUndoTexts();
    followDocumentState();

    ActivationOrder::instance(); // from now on, which window was active last
    setGeometry(18, 122, 409, 267);
    firstStart_ = !HasStoredPlacement(Section);
    RestoreWindowPlacement(this, Section);
    setTreeWidth(ReadSetting(Section, QStringLiteral("TreeWidth"), treeWidth_).toInt());
    LoadOptionFlags();

    updateCaption();
    selectNode(session_->document().tree.root());
    RefreshComparisonPanel();
}

TBaseForm::~TBaseForm() = default;

void TBaseForm::buildControls()
{
    auto *central = new QWidget(this);
    auto *centralLayout = new QHBoxLayout(central);
    centralLayout->setContentsMargins(0, 0, 0, 0);
    Splitter1 = new QSplitter(Qt::Horizontal, central);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(6);
    Splitter1->setChildrenCollapsible(false);
    centralLayout->addWidget(Splitter1);
    setCentralWidget(central);

    TreePanel = new QWidget(Splitter1);
    TreePanel->setObjectName(QStringLiteral("TreePanel"));
    TreePanel->resize(DesignTreeWidth, TreePanel->height());
    auto *treeLayout = new QVBoxLayout(TreePanel);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    treeLayout->setSpacing(0);
    TreeLabel = makeLabel(QStringLiteral("TreeLabel"), QStringLiteral("要求ツリー"), TreePanel);
    treeLayout->addWidget(TreeLabel);

    TreeTree = new QTreeView(TreePanel);
    TreeTree->setObjectName(QStringLiteral("TreeTree"));
    TreeTree->setHeaderHidden(true);
    TreeTree->setIndentation(19);
    TreeTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeTree->setSelectionMode(QAbstractItemView::SingleSelection);
    TreeTree->setDragDropMode(QAbstractItemView::InternalMove);
    TreeTree->setDefaultDropAction(Qt::MoveAction);
    TreeTree->setDragDropOverwriteMode(true); // a drop lands on a node, never between two
    TreeTree->setModel(session_->treeModel());
    new CutTextTips(TreeTree, TreeTree->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, TreeTree) + 1);
    ShowTreeTextWhole(TreeTree);
    treeLayout->addWidget(TreeTree, 1);
    connect(TreeTree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                if (!followingSession_)
                    session_->setCurrentNode(treeModel()->nodeOf(current));
            });

    TreeButtonPanel = new QWidget(TreePanel);
    TreeButtonPanel->setObjectName(QStringLiteral("TreeButtonPanel"));
    TreeButtonAdd = makeButton(QStringLiteral("TreeButtonAdd"), QStringLiteral("子追加"), {0, 4, 53, 25}, TreeButtonPanel);
    TreeButtonInsert = makeButton(QStringLiteral("TreeButtonInsert"), QStringLiteral("挿入"), {56, 4, 53, 25}, TreeButtonPanel);
    TreeButtonUp = makeButton(QStringLiteral("TreeButtonUp"), QStringLiteral("↑"), {0, 32, 25, 25}, TreeButtonPanel);
    TreeButtonDown = makeButton(QStringLiteral("TreeButtonDown"), QStringLiteral("↓"), {28, 32, 25, 25}, TreeButtonPanel);
    TreeButtonDelete = makeButton(QStringLiteral("TreeButtonDelete"), QStringLiteral("削除"), {56, 32, 53, 25}, TreeButtonPanel);
    // The design grid, widened where a text needs more room.
    auto *buttonGrid = new ButtonGridLayout(TreeButtonPanel, 3, QMargins(0, 4, 0, 4));
    buttonGrid->addButton(TreeButtonAdd, 0, 0, 2, {53, 25});
    buttonGrid->addButton(TreeButtonInsert, 0, 2, 1, {53, 25});
    buttonGrid->addButton(TreeButtonUp, 1, 0, 1, {25, 25});
    buttonGrid->addButton(TreeButtonDown, 1, 1, 1, {25, 25});
    buttonGrid->addButton(TreeButtonDelete, 1, 2, 1, {53, 25});
    setTabOrder(TreeButtonAdd, TreeButtonInsert);
    setTabOrder(TreeButtonInsert, TreeButtonUp);
    setTabOrder(TreeButtonUp, TreeButtonDown);
    setTabOrder(TreeButtonDown, TreeButtonDelete);
    treeLayout->addWidget(TreeButtonPanel);
    connect(TreeButtonAdd, &QPushButton::clicked, this, &TBaseForm::TreeButtonAddClick);
    connect(TreeButtonInsert, &QPushButton::clicked, this, &TBaseForm::TreeButtonInsertClick);
    connect(TreeButtonUp, &QPushButton::clicked, this, &TBaseForm::TreeButtonUpClick);
    connect(TreeButtonDown, &QPushButton::clicked, this, &TBaseForm::TreeButtonDownClick);
    connect(TreeButtonDelete, &QPushButton::clicked, this, &TBaseForm::TreeButtonDeleteClick);

    ComparisonPanel = new QWidget(Splitter1);
    ComparisonPanel->setObjectName(QStringLiteral("ComparisonPanel"));
    auto *panelLayout = new QVBoxLayout(ComparisonPanel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(0);
    CaptionLabel = makeLabel(QStringLiteral("CaptionLabel"), QStringLiteral("要求キャプション"), ComparisonPanel);
    CaptionEdit = new QLineEdit(ComparisonPanel);
    CaptionEdit->setObjectName(QStringLiteral("CaptionEdit"));
    connect(CaptionEdit, &QLineEdit::textEdited, this, &TBaseForm::CaptionEditChange);
    CaptionEdit->installEventFilter(this); // leaving the field ends its typing step
    MatrixLabel = makeLabel(QStringLiteral("MatrixLabel"), QStringLiteral("一対比較マトリックス"), ComparisonPanel);
    MatrixGrid = new TMatrixGrid(ComparisonPanel);
    MatrixGrid->setObjectName(QStringLiteral("MatrixGrid"));
    MatrixGrid->setColumnWidth(0, 96);
    connect(MatrixGrid, &TMatrixGrid::cellMouseDown, this, &TBaseForm::MatrixGridMouseDown);
    connect(MatrixGrid, &TMatrixGrid::cellMouseUp, this, &TBaseForm::MatrixGridMouseUp);
    connect(MatrixGrid, &TMatrixGrid::characterTyped, this, &TBaseForm::MatrixGridKeyPress);
    MatrixMessage = makeLabel(QStringLiteral("MatrixMessage"), QString(), ComparisonPanel);
    MatrixMessage->setWordWrap(true);
    MatrixMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    MatrixMessage->hide();
    // From the keyboard, the current cell is opened as if it had been clicked.
    connect(MatrixGrid, &TMatrixGrid::openRequested, this, [this](int column, int row) {
        MatrixGridMouseDown(column, row);
        MatrixGridMouseUp(column, row);
    });
    ConsistencyLabel = makeLabel(QStringLiteral("ConsistencyLabel"), QStringLiteral("整合度"), ComparisonPanel);
    ConsistencyLabel2 = makeLabel(QStringLiteral("ConsistencyLabel2"), QStringLiteral("　完璧に整合していれば０"), ComparisonPanel);
    ConsistencyLabel3 = makeLabel(QStringLiteral("ConsistencyLabel3"),
                                  QStringLiteral("　０．１（場合によっては０．１５）以下なら合格"), ComparisonPanel);
    ConsistencyEdit = new QLineEdit(ComparisonPanel);
    ConsistencyEdit->setObjectName(QStringLiteral("ConsistencyEdit"));
    ConsistencyEdit->setReadOnly(true);
    ConsistencyEdit->setFocusPolicy(Qt::TabFocus); // reachable by Tab, so that a screen reader reads it
    QPalette panelColour = ConsistencyEdit->palette();
    panelColour.setColor(QPalette::Base, panelColour.color(QPalette::Window));
    ConsistencyEdit->setPalette(panelColour);

    // The labels name their fields for assistive technology; the arrow and "Dn" buttons are
    // named in words.
    TreeButtonUp->setAccessibleName(UiJapanese() ? QStringLiteral("上へ") : QStringLiteral("Up"));
    TreeButtonDown->setAccessibleName(UiJapanese() ? QStringLiteral("下へ") : QStringLiteral("Down"));
    // Views take no name from a buddy label: given the labels' texts.
    TreeTree->setAccessibleName(UiJapanese() ? QStringLiteral("要求ツリー") : QStringLiteral("Requirement Tree"));
    MatrixGrid->setAccessibleName(UiJapanese() ? QStringLiteral("一対比較マトリックス")
                                             : QStringLiteral("Matrix for Pair Comparison"));
    CaptionLabel->setBuddy(CaptionEdit);
    MatrixLabel->setBuddy(MatrixGrid);
    ConsistencyLabel->setBuddy(ConsistencyEdit);
    TreeLabel->setBuddy(TreeTree);

    panelLayout->addWidget(CaptionLabel);
    panelLayout->addWidget(CaptionEdit);
    panelLayout->addWidget(MatrixLabel);
    panelLayout->addWidget(MatrixGrid, 1);
    panelLayout->addWidget(MatrixMessage, 1);
    panelLayout->addWidget(ConsistencyLabel);
    panelLayout->addWidget(ConsistencyLabel2);
    panelLayout->addWidget(ConsistencyLabel3);
    panelLayout->addWidget(ConsistencyEdit);

    Splitter1->addWidget(TreePanel);
    Splitter1->addWidget(ComparisonPanel);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    connect(Splitter1, &QSplitter::splitterMoved, this, [this] { treeWidth_ = Splitter1->sizes().value(0); });

    const QString ahpFilter = QStringLiteral("AHP files (*.AHP *.ahp);;All files (*)");
    OpenDialog1 = {ahpFilter, QString(), false, true, QString()};
    SaveDialog1 = {ahpFilter, QStringLiteral("ahp"), true, false, QString()};
    SaveDialog2 = {QStringLiteral("CSV files (*.CSV *.csv);;All files (*)"), QStringLiteral("csv"), true, false, QString()};
}

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
    TreeLabel->setText(QStringLiteral("Requirement Tree"));
    TreeButtonAdd->setText(QStringLiteral("Add child"));
    TreeButtonInsert->setText(QStringLiteral("Insert"));
    TreeButtonUp->setText(QStringLiteral("Up"));
    TreeButtonDown->setText(QStringLiteral("Dn"));
    TreeButtonDelete->setText(QStringLiteral("Delete"));
    CaptionLabel->setText(QStringLiteral("Requirement Caption"));
    MatrixLabel->setText(QStringLiteral("Matrix for Pair Comparison"));
    ConsistencyLabel->setText(QStringLiteral("Consistency Index"));
    ConsistencyLabel2->setText(QStringLiteral("  0: perfectly consistent"));
    ConsistencyLabel3->setText(QStringLiteral("  0.1 (or 0.15) or below: acceptable"));
    // The new document's root, before any history exists.
    if (RequirementNode *root = session_->document().tree.root())
        treeModel()->setData(treeModel()->indexOf(root), QStringLiteral("Root Requirement"));
    applyAdvisorEnglishTexts();
}

int TBaseForm::treeWidth() const
{
    return treeWidth_;
}

void TBaseForm::setTreeWidth(int width)
{
    // The splitter keeps its sizes only once it is laid out; remember the width until then.
    treeWidth_ = qMax(0, width);
    Splitter1->setSizes({treeWidth_, qMax(1, this->width() - treeWidth_ - Splitter1->handleWidth())});
}

RequirementTreeModel *TBaseForm::treeModel() const
{
    return session_->treeModel();
}

void TBaseForm::setAuxiliaryWindows(TAlternativesForm *alternatives, TResultForm *result)
{
    alternativesWindow_ = alternatives;
    resultWindow_ = result;
    if (resultWindow_) {
        // The session owns the result lists; the window only shows them.
        auto show = [this] { resultWindow_->setResults(session_->results(), session_->evaluationError()); };
        show();
        connect(session_, &DocumentSession::resultsChanged, resultWindow_, show);
        resultWindow_->documentPath = [this] { return session_->fileName(); };
        resultWindow_->attachSession(session_);
    }
    if (alternativesWindow_) {
        showAlternativesText();
        connect(alternativesWindow_->AlternativesMemo, &QPlainTextEdit::textChanged, this,
                &TBaseForm::AlternativesMemoChange);
        alternativesWindow_->AlternativesMemo->installEventFilter(this);
    }
}

bool TBaseForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut)
        session_->endTyping();
    return QMainWindow::eventFilter(watched, event);
}

void TBaseForm::showAlternativesText()
{
    if (!alternativesWindow_)
        return;
    const QString text = session_->document().alternativesLines.join(u'\n');
    QPlainTextEdit *memo = alternativesWindow_->AlternativesMemo;
    if (splitTextLines(memo->toPlainText()) == session_->document().alternativesLines)
        return; // the user's own typing: the text and its cursor stay
    updatingMemo_ = true;
    memo->setPlainText(text);
    updatingMemo_ = false;
}

void TBaseForm::AlternativesMemoChange()
{
    if (updatingMemo_ || !alternativesWindow_)
        return;
    session_->setAlternativesText(alternativesWindow_->AlternativesMemo->toPlainText());
}

void TBaseForm::TreeButtonAddClick()
{
    session_->addChild();
}

void TBaseForm::TreeButtonInsertClick()
{
    session_->insertSibling();
}

void TBaseForm::TreeButtonUpClick()
{
    session_->moveUp();
}

void TBaseForm::TreeButtonDownClick()
{
    session_->moveDown();
}

void TBaseForm::TreeButtonDeleteClick()
{
    session_->deleteNode();
}

void TBaseForm::CaptionEditChange(const QString &text)
{
    // Only what the user types renames; the refresh's own updates do not come here.
    session_->renameCurrent(text);
}

void TBaseForm::LoadOptionFlags()
{
    MenuColor->setChecked(ReadSetting(QStringLiteral("Option"), QStringLiteral("Color"), false).toBool());
    MenuInverse->setChecked(ReadSetting(QStringLiteral("Option\\Input"), QStringLiteral("Inverse"), true).toBool());
    MenuCalculateAutomatically->setChecked(
        ReadSetting(QStringLiteral("Option"), QStringLiteral("Calculate"), true).toBool());
    MatrixGrid->useColours = colorOption();
    updateActionStates();
}

bool TBaseForm::colorOption() const { return MenuColor->isChecked(); }
bool TBaseForm::inverseOption() const { return MenuInverse->isChecked(); }
bool TBaseForm::calculateAutomatically() const { return MenuCalculateAutomatically->isChecked(); }

void TBaseForm::showError(const QString &message)
{
    ShowMessageBox(message, QStringLiteral("Error"), platform::MB_OK | platform::MB_ICONHAND);
}

OverwriteChoice TBaseForm::confirmOverwrite(OverwriteReason reason, const QString &path)
{
    const bool ja = UiJapanese();
    QString text;
    if (reason == OverwriteReason::ChangedOnDisk)
        text = ja ? path + QStringLiteral("\r\nは、ここで開くか保存した後に別のプログラムによって変更されています。\r\n"
                                          "上書きすると、その変更は失われます。")
                  : path + QStringLiteral("\r\nwas changed by another program after it was opened or saved here.\r\n"
                                          "Overwriting it loses those changes.");
    else
        text = ja ? path + QStringLiteral("\r\nは最後まで読み込まれていません。\r\n上書きすると、読み込まれなかった部分は失われます。")
                  : path + QStringLiteral("\r\nwas not read to its end.\r\nOverwriting it loses the part that was not read.");
    const QStringList buttons = ja ? QStringList{QStringLiteral("上書きする"), QStringLiteral("名前を付けて保存..."),
                                                 QStringLiteral("読み込み直す"), QStringLiteral("キャンセル")}
                                   : QStringList{QStringLiteral("Overwrite"), QStringLiteral("Save As..."),
                                                 QStringLiteral("Reload"), QStringLiteral("Cancel")};
    QStringList offered = buttons;
    if (reason == OverwriteReason::IncompleteRead)
        offered.removeAt(2); // reloading gives the same part again
    QWidget *owner = QApplication::activeWindow();
    int answer = platform::services().messageBox->choose(owner ? owner : this, text, productName(), offered,
                                                         int(offered.size()) - 1);
    if (reason == OverwriteReason::IncompleteRead && answer >= 2)
        ++answer;
    switch (answer) {
    case 0:
        return OverwriteChoice::Overwrite;
    case 1:
        return OverwriteChoice::SaveAs;
    case 2:
        return OverwriteChoice::Reload;
    default:
        return OverwriteChoice::Cancel;
    }
}

void TBaseForm::announceChangeOnDisk()
{
    changeToAnnounce_ = false;
    const QString &name = session_->fileName();
    QString text = UiJapanese() ? name + QStringLiteral("\r\nは別のプログラムによって変更されました。\r\n読み込み直しますか？")
                              : name + QStringLiteral("\r\nwas changed by another program.\r\nDo you want to reload it?");
    if (session_->isModified())
        text += UiJapanese() ? QStringLiteral("\r\n（ここでの保存されていない変更は失われます。）")
                           : QStringLiteral("\r\n(The unsaved changes made here would be lost.)");
    if (ShowMessageBox(text, productName(), platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2)
        == platform::IDYES)
        LoadDocument(name);
}

void TBaseForm::KeepRecoveryCopy()
{
    recovery_->keepForNextStart();
}

void TBaseForm::OfferRecoveryCopies()
{
    const bool ja = UiJapanese();
    const QList<RecoveryCopy> copies = recovery_->leftCopies();
    bool opened = false;
    for (const RecoveryCopy &copy : copies) {
        if (opened) {
            recovery_->keepCopy(copy); // offered again at the next start
            continue;
        }
        const QString when = QLocale(ja ? QLocale::Japanese : QLocale::English)
                                 .toString(copy.written, QLocale::ShortFormat);
        const QString document = copy.originalPath.isEmpty()
                                     ? (ja ? QStringLiteral("名前のない文書") : QStringLiteral("an untitled document"))
                                     : copy.originalPath;
        const QString text =
            ja ? QStringLiteral("保存されずに終了した Priomat が、%1 の復元用コピー（%2）を残しています。\r\n"
                                "保存されていない文書として開きますか？\r\n\r\n復元用コピー: %3")
                     .arg(document, when, copy.copyPath)
               : QStringLiteral("A Priomat that ended without saving left a recovery copy of %1 (%2).\r\n"
                                "Open it as an unsaved document?\r\n\r\nRecovery copy: %3")
                     .arg(document, when, copy.copyPath);
        const QStringList buttons = ja ? QStringList{QStringLiteral("開く"), QStringLiteral("後で決める"), QStringLiteral("破棄する")}
                                       : QStringList{QStringLiteral("Open"), QStringLiteral("Keep for later"), QStringLiteral("Discard")};
        switch (platform::services().messageBox->choose(this, text, productName(), buttons, 1)) {
        case 0:
            if (QuerySaveModified() && recovery_->openCopy(copy)) {
                opened = true;
                TreeTree->expandAll();
            } else {
                recovery_->keepCopy(copy);
            }
            break;
        case 2:
            recovery_->discardCopy(copy);
            break;
        default:
            recovery_->keepCopy(copy);
            break;
        }
    }
}

bool TBaseForm::askRecovery()
{
    return ShowMessageBox(RecoveryQuestion(UiJapanese()), QStringLiteral("Warning"),
                          platform::MB_YESNO | platform::MB_ICONWARNING) == platform::IDYES;
}

void TBaseForm::showNotADataFile(const QString &message)
{
    ShowMessageBox(message, QStringLiteral("Error"), platform::MB_OK | platform::MB_ICONWARNING);
}

RequirementNode *TBaseForm::selectedNode() const
{
    return session_->currentNode();
}

void TBaseForm::selectNode(const RequirementNode *node)
{
    const QModelIndex index = treeModel()->indexOf(node);
    TreeTree->setCurrentIndex(index);
    TreeTree->scrollTo(index, QAbstractItemView::PositionAtTop);
}

void TBaseForm::followSession(RequirementNode *node)
{
    followingSession_ = true;
    const QModelIndex index = treeModel()->indexOf(node);
    TreeTree->setCurrentIndex(index);
    if (index.isValid())
        TreeTree->scrollTo(index);
    followingSession_ = false;
}

void TBaseForm::applyButtonRule(const RequirementNode *node)
{
    if (!node) {
        for (QPushButton *button : {TreeButtonAdd, TreeButtonInsert, TreeButtonUp, TreeButtonDown, TreeButtonDelete})
            button->setEnabled(false);
        return;
    }
    const RequirementTree &tree = session_->document().tree;
    const RequirementNode *parent = node->parent();
    const int row = parent ? parent->indexOf(node) : tree.indexOfTopLevel(node);
    const int siblings = parent ? parent->childCount() : tree.topLevelCount();
    TreeButtonAdd->setEnabled(true);
    TreeButtonInsert->setEnabled(parent != nullptr);
    TreeButtonUp->setEnabled(row > 0);
    TreeButtonDown->setEnabled(row + 1 < siblings);
    TreeButtonDelete->setEnabled(parent != nullptr);
}

void TBaseForm::RefreshComparisonPanel()
{
    RequirementNode *node = selectedNode();
    applyButtonRule(node);
    MatrixMessage->hide();
    showConsistencyCue(ConsistencyCue::None);
    showMatrixNotice();
    showConsistencyRatio(std::nullopt, 0);
    QPalette panelColours = ConsistencyEdit->palette();
    panelColours.setColor(QPalette::Base, QApplication::palette().color(QPalette::Window));
    panelColours.setColor(QPalette::Text, QApplication::palette().color(QPalette::WindowText));
    ConsistencyEdit->setPalette(panelColours);
    if (!node) {
        CaptionEdit->clear();
        CaptionEdit->setEnabled(false);
        MatrixGrid->hide();
        ConsistencyEdit->clear();
        return;
    }
    CaptionEdit->setEnabled(true);
    if (CaptionEdit->text() != node->caption())
        CaptionEdit->setText(node->caption());

    const ShownMatrix &shown = session_->shownMatrix();
    const int n = shown.size();
    if (n == 0) {
        MatrixGrid->hide();
        ConsistencyEdit->clear();
        return;
    }
    if (n > DocumentSession::GridLimit) {
        // Far too many cells for a grid: say so instead of building it.
        MatrixGrid->hide();
        MatrixGrid->setRowCount(0);
        MatrixGrid->setColumnCount(0);
        MatrixGrid->resetCellColours(0);
        ConsistencyEdit->clear();
        MatrixMessage->setText(
            UiJapanese() ? QStringLiteral("「%1」の一対比較マトリックスは %2 × %2 で、表に表示できる大きさ（%3 × %3）を超えています。")
                             .arg(node->caption())
                             .arg(n)
                             .arg(DocumentSession::GridLimit)
                       : QStringLiteral("The matrix of \"%1\" is %2 × %2, larger than the grid can show (%3 × %3).")
                             .arg(node->caption())
                             .arg(n)
                             .arg(DocumentSession::GridLimit));
        MatrixMessage->show();
        return;
    }

    MatrixGrid->setColumnCount(n + 2);
    MatrixGrid->setRowCount(n + 1);
    MatrixGrid->resetCellColours(n);
    const ComparisonMatrix matrix = ComparisonMatrix::of(session_->document(), shown.items);
    std::vector<const QString *> entries;
    MatrixGrid->setCellText(0, 0, QString());
    for (int i = 1; i <= n; ++i) {
        const QString letter(QChar(char16_t(64 + i)));
        MatrixGrid->setCellText(i, 0, u'(' + letter + u')');
        MatrixGrid->setCellText(0, i, u'(' + letter + QStringLiteral(") ") + shown.items.names.at(i - 1));
        matrix.rowEntries(i - 1, entries);
        for (int j = 1; j <= n; ++j) {
            const QString *entry = entries[size_t(j - 1)];
            MatrixGrid->setCellText(j, i, i == j ? QStringLiteral("1") : entry ? *entry : QStringLiteral("-"));
        }
        MatrixGrid->fitColumn(i, MatrixGrid->verticalHeader()->defaultSectionSize(), ComparisonCellTexts());
    }
    MatrixGrid->setCellText(n + 1, 0, UiJapanese() ? QStringLiteral("重み") : QStringLiteral("Weight"));
    MatrixGrid->fitColumn(n + 1, 128);
    ShowWeightsAndConsistency();
    MatrixGrid->show();
}

void TBaseForm::ShowWeightsAndConsistency()
{
    const ShownMatrix &shown = session_->shownMatrix();
    const int n = shown.size();
    if (!selectedNode() || n == 0 || n > DocumentSession::GridLimit)
        return;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            if (i != j)
                MatrixGrid->setCellColour(j, i, colourValueOf(shown.colourAt(i, j)));
        }
    }
    MatrixGrid->setCompletedCells(shown.completed, n);
    MatrixGrid->markedCell = shown.errorRow >= 0 ? QPoint(shown.errorColumn + 1, shown.errorRow + 1) : QPoint(-1, -1);

    // A warning state is a badge in its colour behind dark text, so that the text stays readable;
    // red is lightened a little, since dark text on full red reads poorly even at 5:1.
    const QColor failing = Blend(ColorFromValue(0x0000FF), Qt::white, 0.3);
    QColor badge;
    showConsistencyCue(ConsistencyCue::None);
    if (!shown.computed) {
        // No number that could be taken for a result: the weights stay empty.
        for (int i = 0; i < n; ++i)
            MatrixGrid->setCellText(n + 1, i + 1, QString());
        ConsistencyEdit->setText(UiJapanese() ? QStringLiteral("計算できません") : QStringLiteral("cannot be computed"));
        badge = failing;
    } else if (n < 2) {
        MatrixGrid->setCellText(2, 1, QStringLiteral("1"));
        ConsistencyEdit->setText(QStringLiteral("0"));
    } else {
        for (int i = 0; i < n; ++i)
            MatrixGrid->setCellText(n + 1, i + 1, FormatFloat(shown.weights[size_t(i)]));
        const double ci = shown.consistencyIndex;
        ConsistencyEdit->setText(FormatFloat(ci));
        if (ci > 0.15)
            badge = failing;
        else if (ci > 0.1)
            badge = ColorFromValue(0x00FFFF);
    }
    const QPalette standard = QApplication::palette();
    QPalette palette = ConsistencyEdit->palette();
    palette.setColor(QPalette::Base, badge.isValid() ? badge : standard.color(QPalette::Window));
    palette.setColor(QPalette::Text, ReadableInk(standard.color(QPalette::WindowText), palette.color(QPalette::Base)));
    ConsistencyEdit->setPalette(palette);
    if (!shown.computed)
        showConsistencyCue(ConsistencyCue::Failed);
    else if (n >= 2 && shown.consistencyIndex > 0.15)
        showConsistencyCue(ConsistencyCue::Poor);
    else if (n >= 2 && shown.consistencyIndex > 0.1)
        showConsistencyCue(ConsistencyCue::Doubtful);
    showConsistencyRatio(shown.consistencyRatio(), shown.computed ? n : 0);
    MatrixGrid->viewport()->update();
}

namespace {

// A warning triangle in the index's own colour, outlined and marked in `ink`, so that its shape
// stands out from the panel even where the fill colour does not.
QIcon warningIcon(const QColor &fill, const QColor &ink)
{
    QIcon icon;
    for (const int size : {16, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal unit = size / 16.0;
        const QPolygonF triangle{QPointF(8 * unit, 1.2 * unit), QPointF(15.2 * unit, 14.6 * unit),
                                 QPointF(0.8 * unit, 14.6 * unit)};
        painter.setPen(QPen(ink, 1.6 * unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(fill);
        painter.drawPolygon(triangle);
        painter.setPen(Qt::NoPen);
        painter.setBrush(ink);
        painter.drawRoundedRect(QRectF(7.1 * unit, 5 * unit, 1.8 * unit, 5.4 * unit), 0.6 * unit, 0.6 * unit);
        painter.drawEllipse(QPointF(8 * unit, 12.2 * unit), 1.05 * unit, 1.05 * unit);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

void TBaseForm::showConsistencyCue(ConsistencyCue cue)
{
    if (!consistencyCue_) {
        consistencyCue_ = ConsistencyEdit->addAction(QIcon(), QLineEdit::LeadingPosition);
        consistencyCue_->setObjectName(QStringLiteral("ConsistencyCue"));
    }
    consistencyCue_->setVisible(cue != ConsistencyCue::None);
    if (cue == ConsistencyCue::None)
        return;
    // Black or white, whichever stands out more from the field's background.
    const QColor background = ConsistencyEdit->palette().color(QPalette::Base);
    const QColor ink = ContrastRatio(Qt::black, background) >= ContrastRatio(Qt::white, background) ? QColor(Qt::black)
                                                                                                   : QColor(Qt::white);
    const bool ja = UiJapanese();
    QString tip;
    switch (cue) {
    case ConsistencyCue::Doubtful:
        tip = ja ? QStringLiteral("整合度が０．１を超えています（場合によっては０．１５まで合格）")
                 : QStringLiteral("The consistency index is above 0.1 (acceptable up to 0.15 in some cases)");
        break;
    case ConsistencyCue::Poor:
        tip = ja ? QStringLiteral("整合度が０．１５を超えています") : QStringLiteral("The consistency index is above 0.15");
        break;
    default:
        tip = ja ? QStringLiteral("整合度を計算できません") : QStringLiteral("The consistency index cannot be computed");
        break;
    }
    const quint32 fill = cue == ConsistencyCue::Doubtful ? 0x00FFFF : 0x0000FF;
    consistencyCue_->setIcon(warningIcon(ColorFromValue(fill), ink));
    consistencyCue_->setToolTip(tip);
    consistencyCue_->setText(tip);
}

bool TBaseForm::isMatrixCell(int column, int row) const
{
    return row >= 1 && row <= MatrixGrid->rowCount() - 1 && column >= 1
           && column <= MatrixGrid->columnCount() - 2 && row != column && !MatrixGrid->isHidden();
}

void TBaseForm::MatrixGridMouseDown(int column, int row)
{
    mouseDownColumn_ = column;
    mouseDownRow_ = row;
}

void TBaseForm::MatrixGridMouseUp(int column, int row)
{
    if (column != mouseDownColumn_ || row != mouseDownRow_ || !isMatrixCell(column, row))
        return;
    const ShownMatrix &shown = session_->shownMatrix();
    TCompareForm dialog(this);
    try {
        dialog.Prepare(shown.items.leafShown ? shown.items.leafName : QString(), shown.items.names.at(row - 1),
                       shown.items.names.at(column - 1), session_->cellText(row - 1, column - 1));
    } catch (const ComputationError &error) {
        showError(error.message());
        return;
    }
    dialog.placeBeside(MatrixGrid->cellRectOnScreen(column, row));
    const int result = compareDialogRunner ? compareDialogRunner(dialog) : dialog.exec();
    if (result == QDialog::Accepted)
        session_->enterValue({column, row, dialog.ValueText, dialog.ReciprocalText});
    else
        session_->recomputeCurrent(); // a cancelled dialog still brings the weights up to date
}

void TBaseForm::MatrixGridKeyPress(QChar character)
{
    const char16_t c = character.unicode();
    const int column = MatrixGrid->currentColumn();
    const int row = MatrixGrid->currentRow();
    QString value;
    QString reciprocal;
    if (c == u'1' || c == u'!') {
        value = reciprocal = QStringLiteral("1");
    } else if (c >= u'2' && c <= u'9') {
        const QString digit(character);
        value = ReciprocalPending ? QStringLiteral("1/") + digit : digit;
        reciprocal = ReciprocalPending ? digit : QStringLiteral("1/") + digit;
    } else if (c >= 34 && c <= 41) { // the shifted digits 2 to 9 of a Japanese keyboard
        const QString digit = QString::number(c - 32);
        value = QStringLiteral("1/") + digit;
        reciprocal = digit;
    } else if (c == u'0' || c == u'/') {
        ReciprocalPending = true;
        return;
    } else {
        return;
    }
    ReciprocalPending = false;
    if (!isMatrixCell(column, row))
        return;
    session_->enterValue({column, row, value, reciprocal});
}

void TBaseForm::MenuChangeShown1Click()
{
    session_->changeDashesToOne();
}

void TBaseForm::updateCaption()
{
    const QString &name = session_->fileName();
    setWindowTitle(name.isEmpty() ? QStringLiteral("Priomat") : QStringLiteral("Priomat - ") + QFileInfo(name).fileName());
}

void TBaseForm::updateUndoTexts()
{
    const QUndoStack *stack = session_->undoStack();
    const bool ja = UiJapanese();
    const QString undo = stack->undoText();
    const QString redo = stack->redoText();
    if (ja) {
        MenuUndo->setText(undo.isEmpty() ? QStringLiteral("元に戻す (&Undo)")
                                         : QStringLiteral("元に戻す「%1」 (&Undo)").arg(undo));
        MenuRedo->setText(redo.isEmpty() ? QStringLiteral("やり直し (&Redo)")
                                         : QStringLiteral("やり直し「%1」 (&Redo)").arg(redo));
    } else {
        MenuUndo->setText(undo.isEmpty() ? QStringLiteral("&Undo") : QStringLiteral("&Undo ") + undo);
        MenuRedo->setText(redo.isEmpty() ? QStringLiteral("&Redo") : QStringLiteral("&Redo ") + redo);
    }
    MenuUndo->setEnabled(stack->canUndo());
    MenuRedo->setEnabled(stack->canRedo());
}

void TBaseForm::MenuEditClick()
{
    updateUndoTexts();
}

void TBaseForm::MenuUndoClick()
{
    session_->endTyping();
    session_->undoStack()->undo();
}

void TBaseForm::MenuRedoClick()
{
    session_->endTyping();
    session_->undoStack()->redo();
}

void TBaseForm::MenuHistoryClick()
{
    if (!historyWindow_) {
        historyWindow_ = new QWidget(this, Qt::Window);
        historyWindow_->setObjectName(QStringLiteral("HistoryForm"));
        historyWindow_->setWindowTitle((UiJapanese() ? QStringLiteral("履歴") : QStringLiteral("History"))
                                       + QStringLiteral(" / ") + productName());
        auto *layout = new QVBoxLayout(historyWindow_);
        layout->setContentsMargins(0, 0, 0, 0);
        auto *view = new QUndoView(session_->undoStack(), historyWindow_);
        view->setObjectName(QStringLiteral("HistoryView"));
        view->setEmptyLabel(UiJapanese() ? QStringLiteral("<開いた状態>") : QStringLiteral("<as opened>"));
        layout->addWidget(view);
        historyWindow_->setGeometry(QRect(frameGeometry().topRight() + QPoint(8, 64), QSize(260, 300)));
        KeepInWorkAreaWhenShown(historyWindow_);
    }
    toggleAuxiliaryWindow(MenuHistory, historyWindow_, QString(), 2);
}

void TBaseForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    setTreeWidth(treeWidth_);
    FormShow();
    // Once the window is up, the copies earlier runs left are offered.
    QTimer::singleShot(0, this, &TBaseForm::OfferRecoveryCopies);
    if (firstStart_)
        fitFirstStart();
}

void TBaseForm::fitFirstStart()
{
    const QRect area = platform::services().system->workArea();
    const QSize bound(area.width() * 2 / 3, area.height() * 2 / 3);
    int gridMoreWidth = 0;
    int gridMoreHeight = 0;
    if (!MatrixGrid->isHidden() && MatrixGrid->columnCount() > 0) {
        // Column 0 as wide as the longest name, within a third of the widest window.
        const QFontMetrics metrics(MatrixGrid->font());
        int names = MatrixGrid->columnWidth(0);
        for (int row = 1; row < MatrixGrid->rowCount(); ++row)
            names = qMax(names, metrics.horizontalAdvance(MatrixGrid->cellText(0, row)) + 6);
        MatrixGrid->setColumnWidth(0, qMin(names, qMax(MatrixGrid->columnWidth(0), bound.width() / 3)));
        gridMoreWidth = MatrixGrid->horizontalHeader()->length() - MatrixGrid->viewport()->width();
        gridMoreHeight = MatrixGrid->verticalHeader()->length() - MatrixGrid->viewport()->height();
    }
    // The tree's rows in full: the widest caption and every row, counted up to the bound.
    int treeHeight = 0;
    for (QModelIndex index = treeModel()->index(0, 0); index.isValid() && treeHeight <= bound.height();
         index = TreeTree->indexBelow(index))
        treeHeight += TreeTree->visualRect(index).height();
    const QAbstractItemView *treeView = TreeTree; // the widest row, indentation included
    const QSize treeMore = ScrollShortfall(TreeTree, QSize(treeView->sizeHintForColumn(0), treeHeight));
    const int treeMoreWidth = treeMore.width();
    const int treeMoreHeight = treeMore.height();

    const QSize wanted = size() + QSize(treeMoreWidth + qMax(0, gridMoreWidth), std::max({0, gridMoreHeight, treeMoreHeight}));
    // Kept within the work area, frame included.
    const QSize frame = frameGeometry().size() - size();
    const QSize fitted = FirstStartSize(size(), wanted.expandedTo(QSize(MenuBarWidth(menuBar()), 0)), area.size(), frame);
    if (fitted == size())
        return;
    QRect placed(geometry().topLeft(), fitted);
    placed.moveLeft(qMax(area.left(), qMin(placed.left(), area.right() + 1 - fitted.width() - frame.width())));
    placed.moveTop(qMax(area.top(), qMin(placed.top(), area.bottom() + 1 - fitted.height() - frame.height())));
    const int tree = treeWidth_ + treeMoreWidth;
    setGeometry(placed);
    setTreeWidth(qMin(tree, fitted.width() / 2));
}

void TBaseForm::FormShow()
{
    const QStringList arguments = platform::services().system->commandLine();
    const QString upper = arguments.size() > 1 ? arguments.at(1).toUpper() : QString();
    if (arguments.size() > 1 && upper != u"/JAPANESE" && upper != u"/ENGLISH") {
        const QString problem = RegularFileProblem(arguments.at(1));
        if (problem.isEmpty()) {
            LoadDocument(arguments.at(1));
            return;
        }
        // Named but not openable (a folder, a missing file, a name too long): said, then the
        // start goes on as without a name.
        showError(UiJapanese() ? QStringLiteral("%1\r\nを開けません。%2").arg(arguments.at(1), problem)
                             : QStringLiteral("Cannot open file \"%1\". %2").arg(arguments.at(1), problem));
    }
    const QString fallback = (Appli ? Appli->ProgramFolder : QString()) + QStringLiteral("Default.ahp");
    if (QFileInfo(fallback).isFile())
        LoadDocument(fallback);
    else
        NewDocument();
}

void TBaseForm::NewDocument()
{
    rememberSelection();
    session_->newDocument();
}

void TBaseForm::LoadDocument(const QString &path)
{
    rememberSelection();
    if (!session_->open(path)) {
        RefreshComparisonPanel();
        return;
    }
    restoreSelection();
}

namespace {

QString selectionKey(const QString &fileName)
{
    const QString canonical = QFileInfo(fileName).canonicalFilePath();
    return canonical.isEmpty() ? QFileInfo(fileName).absoluteFilePath() : canonical;
}

} // namespace

void TBaseForm::rememberSelection()
{
    const RequirementNode *node = session_->currentNode();
    if (session_->fileName().isEmpty() || !node)
        return;
    QList<int> rows;
    for (; node->parent(); node = node->parent())
        rows.prepend(node->parent()->indexOf(node));
    rows.prepend(session_->document().tree.indexOfTopLevel(node));
    lastSelection_.insert(selectionKey(session_->fileName()), rows);
}

void TBaseForm::restoreSelection()
{
    // The node selected when this file was last left in this run, if the tree still has it;
    // the session has selected the root otherwise.
    const auto found = lastSelection_.constFind(selectionKey(session_->fileName()));
    if (found == lastSelection_.constEnd() || found->isEmpty())
        return;
    const RequirementTree &tree = session_->document().tree;
    const QList<int> &rows = *found;
    if (rows.first() < 0 || rows.first() >= tree.topLevelCount())
        return;
    RequirementNode *node = tree.topLevel(rows.first());
    for (qsizetype i = 1; i < rows.size(); ++i) {
        if (rows.at(i) < 0 || rows.at(i) >= node->childCount())
            return;
        node = node->child(rows.at(i));
    }
    session_->setCurrentNode(node);
}

bool TBaseForm::SaveDocument(const QString &path)
{
    if (session_->save(path))
        return true;
    // The file changed on disk and the answer was to save under another name.
    if (session_->lastOverwriteChoice() != OverwriteChoice::SaveAs)
        return false;
    const QString other = runFileDialog(SaveDialog1, true, path);
    return !other.isEmpty() && SaveDocument(other);
}

bool TBaseForm::ExportCsv(const QString &path)
{
    return session_->exportCsv(path);
}

QString TBaseForm::runFileDialog(FileDialogSettings &settings, bool save, const QString &start)
{
    QString path;
    if (fileDialogRunner) {
        path = fileDialogRunner(settings, save, start);
    } else {
        QFileDialog dialog(this, QString(), QString(), settings.filter);
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !settings.confirmOverwrite);
        if (!settings.defaultSuffix.isEmpty())
            dialog.setDefaultSuffix(settings.defaultSuffix);
        const QFileInfo info(start);
        if (info.isDir() || start.endsWith(u'/')) {
            dialog.setDirectory(start);
        } else if (!start.isEmpty()) {
            dialog.setDirectory(info.absolutePath());
            dialog.selectFile(info.fileName());
        }
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            path = dialog.selectedFiles().first();
    }
    if (!path.isEmpty()) {
        settings.fileName = path;
        RememberDialogFolder(path);
    }
    return path;
}

bool TBaseForm::QuerySaveModified()
{
    if (!session_->isModified())
        return true;
    const QString &name = session_->fileName();
    QString question;
    if (UiJapanese()) {
        if (!name.isEmpty())
            question = name + QStringLiteral("\r\nは");
        question += QStringLiteral("変更されています。\r\n保存しますか？");
    } else {
        question = name.isEmpty() ? QStringLiteral("M") : name + QStringLiteral("\r\nis m");
        question += QStringLiteral("odified.\r\nDo you want to save it?");
    }
    switch (ShowMessageBox(question, productName(), platform::MB_YESNOCANCEL | platform::MB_ICONWARNING)) {
    case platform::IDYES: {
        if (!name.isEmpty())
            return SaveDocument(name);
        const QString path = runFileDialog(SaveDialog1, true, DialogStartFolder(QString()));
        return !path.isEmpty() && SaveDocument(path);
    }
    case platform::IDNO:
        return true;
    default:
        return false;
    }
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

void TBaseForm::MenuToolClick()
{
    MenuChangeShown1->setEnabled(!MatrixGrid->isHidden() && session_->hasDashes());
    MenuCalculate->setEnabled(!calculateAutomatically());
    updateAdvisorControls();
}

void TBaseForm::MenuWindowClick()
{
    MenuAlternatives->setChecked(alternativesWindow_ && alternativesWindow_->isVisible());
    MenuResult->setChecked(resultWindow_ && resultWindow_->isVisible());
    MenuHistory->setChecked(historyWindow_ && historyWindow_->isVisible());
}

void TBaseForm::MenuHelpClick()
{
    MenuCopyright->setVisible(false);
}

void TBaseForm::MenuColorClick()
{
    // The action has already toggled its own check mark; off draws black and not bold again.
    MatrixGrid->useColours = colorOption();
    MatrixGrid->viewport()->update();
}

void TBaseForm::MenuInverseClick() {}

void TBaseForm::MenuCalculateAutomaticallyClick()
{
    if (calculateAutomatically())
        session_->evaluate(true);
}

void TBaseForm::MenuCalculateClick()
{
    session_->evaluate(true);
}

void TBaseForm::MenuAlternativesClick()
{
    toggleAuxiliaryWindow(MenuAlternatives, alternativesWindow_, QStringLiteral("AlternativesForm"), 0);
}

void TBaseForm::MenuResultClick()
{
    toggleAuxiliaryWindow(MenuResult, resultWindow_, QStringLiteral("ResultForm"), 1);
}

void TBaseForm::toggleAuxiliaryWindow(QAction *item, QWidget *window, const QString &section, int cascade)
{
    if (!window)
        return;
    // A window of this one's own is kept above it by the desktop: it is never behind.
    const bool ownWindow = window->parentWidget() == this;
    if (!item->isChecked() && !ownWindow && ActivationOrder::instance().isBehind(window, this)) {
        // Shown but out of sight behind this window: brought forward, not hidden.
        item->setChecked(true);
        if (window->isMinimized())
            window->showNormal();
        window->raise();
        window->activateWindow();
        return;
    }
    if (!item->isChecked()) {
        window->hide();
        return;
    }
    if (!window->isVisible() && !section.isEmpty() && !HasStoredPlacement(section) && !placedBeside_.contains(window)) {
        // The first opening without a stored place: beside this window, cascaded; the work
        // area keeps it in sight.
        placedBeside_.insert(window);
        const QRect outer = frameGeometry();
        window->move(outer.right() + 8, geometry().top() + cascade * 32);
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void TBaseForm::MenuNewClick()
{
    if (QuerySaveModified())
        NewDocument();
}

void TBaseForm::MenuOpenClick()
{
    if (!QuerySaveModified())
        return;
    const QString &name = session_->fileName();
    const QString start = name.isEmpty() ? DialogStartFolder(QString()) : name;
    const QString path = runFileDialog(OpenDialog1, false, start);
    if (!path.isEmpty())
        LoadDocument(path);
}

void TBaseForm::MenuSaveClick()
{
    if (!session_->fileName().isEmpty())
        SaveDocument(session_->fileName());
}

void TBaseForm::MenuSaveAsClick()
{
    const QString &name = session_->fileName();
    const QString start = name.isEmpty() ? DialogStartFolder(QString()) : name;
    const QString path = runFileDialog(SaveDialog1, true, start);
    if (!path.isEmpty())
        SaveDocument(path);
}

void TBaseForm::MenuSaveCSVClick()
{
    QString start = DialogStartFolder(QString());
    const QString &name = session_->fileName();
    if (!name.isEmpty()) {
        // The document's name with its extension, from the last dot of the file name, as .csv.
        const qsizetype slash = name.lastIndexOf(u'/');
        const qsizetype dot = name.lastIndexOf(u'.');
        start = (dot > slash ? name.left(dot) : name) + QStringLiteral(".csv");
    }
    const QString path = runFileDialog(SaveDialog2, true, start);
    if (!path.isEmpty())
        ExportCsv(path);
}

void TBaseForm::MenuEstablishmentClick()
{
    TOptionForm dialog(this);
    const int result = optionDialogRunner ? optionDialogRunner(dialog) : dialog.exec();
    if (result == QDialog::Accepted)
        LoadOptionFlags();
}

void TBaseForm::MenuExitClick()
{
    close();
}

void TBaseForm::closeEvent(QCloseEvent *event)
{
    if (closing_) {
        event->accept();
        return;
    }
    if (!QuerySaveModified()) {
        event->ignore();
        return;
    }
    closing_ = true;
    FormClose();
    event->accept();
}

void TBaseForm::FormClose()
{
    if (alternativesWindow_)
        alternativesWindow_->close();
    if (resultWindow_)
        resultWindow_->close();
    if (historyWindow_)
        historyWindow_->close();
    SaveWindowPlacement(this, Section);
    WriteSetting(Section, QStringLiteral("TreeWidth"), treeWidth());
    WriteSetting(QStringLiteral("Option"), QStringLiteral("Color"), colorOption());
    WriteSetting(QStringLiteral("Option\\Input"), QStringLiteral("Inverse"), inverseOption());
    WriteSetting(QStringLiteral("Option"), QStringLiteral("Calculate"), calculateAutomatically());
    try {
        SaveSettings();
    } catch (const FileError &error) {
        showError(error.message());
    }
}

} // namespace priomat
