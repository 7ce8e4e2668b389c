#include "ui/main/BaseForm.h"
#include "ui/UiLanguage.h"

#include "ui/windows/AlternativesForm.h"
#include "ui/windows/ResultForm.h"

#include "app/Appli.h"
#include "ui/main/CompareForm.h"
#include "model/ComputationError.h"
#include "document/Recovery.h"
#include "document/TextFile.h"
#include "setup/FileTypeRegistration.h"
#include "ui/windows/OptionForm.h"
#include "app/Placement.h"
#include "platform/Platform.h"
#include "document/RequirementTreeModel.h"
#include "app/SettingsStore.h"
#include "ui/windows/SplashForm.h"
#include "platform/SystemInfo.h"
#include "ui/main/TextFit.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSessionManager>
#include <QSplitter>
#include <QTimer>
#include <QTreeView>
#include <QUndoStack>

#include <algorithm>

namespace priomat {

TBaseForm *BaseForm = nullptr;

namespace {

const QString Section = QStringLiteral("BaseForm");
constexpr int DesignTreeWidth = 137;

// Releases the splash however the creation ends.
struct SplashGuard
{
    TSplashForm *splash = ShowSplash();
    ~SplashGuard() { ReleaseSplash(splash); }
};

// The real dialogs, run modally.
DialogRunner &realDialogs()
{
    static DialogRunner runner;
    return runner;
}

} // namespace

TBaseForm::TBaseForm(QWidget *parent) : QMainWindow(parent), dialogs_(&realDialogs())
{
    setObjectName(QStringLiteral("BaseForm"));
    SplashGuard splash;
    RegisterUninstallEntry();
    RegisterFileType();

    session_ = new DocumentSession(this); // one root: the tree before any document is chosen
    session_->setHost(&prompts_);
    session_->setJapanese(UiJapanese());
    session_->setMaxTreeDepth(MaxTreeDepth);
    buildControls();
    buildMenus();
    buildAdvisorControls();
    buildJudgementControls();
    buildReportMenu();
    buildGroupControls();
    if (!UiJapanese())
        applyEnglishTexts();

    connect(session_, &DocumentSession::shownMatrixChanged, this, &TBaseForm::RefreshComparisonPanel);
    connect(session_, &DocumentSession::alternativesTextChanged, this, &TBaseForm::showAlternativesText);
    connect(session_, &DocumentSession::fileNameChanged, this, &TBaseForm::updateCaption);
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
        showError(UiText(QStringLiteral("復元用コピーを保存できません。\r\n"),
                         QStringLiteral("The recovery copy cannot be saved.\r\n"))
                  + message);
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
    bindOptionActions();
    LoadOptionFlags();

    updateCaption();
    TreePanel->selectNode(session_->document().tree.root());
    RefreshComparisonPanel();
}

TBaseForm::~TBaseForm() = default;

void TBaseForm::setDialogRunner(DialogRunner *runner)
{
    dialogs_ = runner ? runner : &realDialogs();
}

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

    TreePanel = new TTreePanel(*session_, Splitter1);
    TreePanel->resize(DesignTreeWidth, TreePanel->height());
    TreeLabel = TreePanel->TreeLabel;
    TreeTree = TreePanel->TreeTree;
    TreeButtonPanel = TreePanel->TreeButtonPanel;
    TreeButtonAdd = TreePanel->TreeButtonAdd;
    TreeButtonInsert = TreePanel->TreeButtonInsert;
    TreeButtonUp = TreePanel->TreeButtonUp;
    TreeButtonDown = TreePanel->TreeButtonDown;
    TreeButtonDelete = TreePanel->TreeButtonDelete;
    connect(TreeButtonAdd, &QPushButton::clicked, this, &TBaseForm::TreeButtonAddClick);
    connect(TreeButtonInsert, &QPushButton::clicked, this, &TBaseForm::TreeButtonInsertClick);
    connect(TreeButtonUp, &QPushButton::clicked, this, &TBaseForm::TreeButtonUpClick);
    connect(TreeButtonDown, &QPushButton::clicked, this, &TBaseForm::TreeButtonDownClick);
    connect(TreeButtonDelete, &QPushButton::clicked, this, &TBaseForm::TreeButtonDeleteClick);

    ComparisonPanel = new TComparisonPanel(*session_, Splitter1);
    CaptionLabel = ComparisonPanel->CaptionLabel;
    CaptionEdit = ComparisonPanel->CaptionEdit;
    MatrixLabel = ComparisonPanel->MatrixLabel;
    MatrixGrid = ComparisonPanel->MatrixGrid;
    ConsistencyLabel = ComparisonPanel->ConsistencyLabel;
    ConsistencyLabel2 = ComparisonPanel->ConsistencyLabel2;
    ConsistencyLabel3 = ComparisonPanel->ConsistencyLabel3;
    ConsistencyEdit = ComparisonPanel->ConsistencyEdit;
    AdvisorButton = ComparisonPanel->AdvisorButton;
    connect(CaptionEdit, &QLineEdit::textEdited, this, &TBaseForm::CaptionEditChange);
    CaptionEdit->installEventFilter(this); // leaving the field ends its typing step
    connect(MatrixGrid, &TMatrixGrid::cellMouseDown, this, &TBaseForm::MatrixGridMouseDown);
    connect(MatrixGrid, &TMatrixGrid::cellMouseUp, this, &TBaseForm::MatrixGridMouseUp);
    connect(MatrixGrid, &TMatrixGrid::characterTyped, this, &TBaseForm::MatrixGridKeyPress);
    // From the keyboard, the current cell is opened as if it had been clicked.
    connect(MatrixGrid, &TMatrixGrid::openRequested, this, [this](int column, int row) {
        MatrixGridMouseDown(column, row);
        MatrixGridMouseUp(column, row);
    });

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
    if (resultWindow_)
        resultWindow_->attachSession(session_); // the window follows the session's results itself
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
    session_->options().load(ReadSetting);
    showOptionFlags();
}

// The Option menu's check marks show the session's options and set them.
void TBaseForm::bindOptionActions()
{
    SessionOptions &options = session_->options();
    connect(MenuColor, &QAction::toggled, &options, &SessionOptions::setColor);
    connect(MenuInverse, &QAction::toggled, &options, &SessionOptions::setInverse);
    connect(MenuCalculateAutomatically, &QAction::toggled, &options, &SessionOptions::setCalculateAutomatically);
    connect(&options, &SessionOptions::changed, this, &TBaseForm::showOptionFlags);
}

void TBaseForm::showOptionFlags()
{
    MenuColor->setChecked(colorOption());
    MenuInverse->setChecked(inverseOption());
    MenuCalculateAutomatically->setChecked(calculateAutomatically());
    if (MatrixGrid->useColours != colorOption()) {
        // Off draws black and not bold again.
        MatrixGrid->useColours = colorOption();
        MatrixGrid->viewport()->update();
    }
    updateActionStates();
}

bool TBaseForm::colorOption() const { return session_->options().color(); }
bool TBaseForm::inverseOption() const { return session_->options().inverse(); }
bool TBaseForm::calculateAutomatically() const { return session_->options().calculateAutomatically(); }

RequirementNode *TBaseForm::selectedNode() const
{
    return session_->currentNode();
}

void TBaseForm::RefreshComparisonPanel()
{
    TreePanel->applyButtonRule(selectedNode());
    ComparisonPanel->refresh();
}

void TBaseForm::ShowWeightsAndConsistency()
{
    ComparisonPanel->showWeightsAndConsistency();
}

bool TBaseForm::isMatrixCell(int column, int row) const
{
    return ComparisonPanel->isMatrixCell(column, row);
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
    const int result = dialogs_->runCompare(dialog);
    if (result == QDialog::Accepted)
        session_->enterValue({column, row, dialog.ValueText, dialog.ReciprocalText});
    else
        session_->recomputeCurrent(); // a cancelled dialog still brings the weights up to date
}

void TBaseForm::MatrixGridKeyPress(QChar character)
{
    // The session's typing rule decides; the grid's current cell takes the judgement.
    const std::optional<TypedJudgement> typed = session_->typing().type(character);
    const int column = MatrixGrid->currentColumn();
    const int row = MatrixGrid->currentRow();
    if (typed && isMatrixCell(column, row))
        session_->enterValue({column, row, typed->value, typed->reciprocal});
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

void TBaseForm::MenuColorClick()
{
    // The action has already set the option through its check mark; the grid follows it.
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

void TBaseForm::MenuEstablishmentClick()
{
    TOptionForm dialog(this);
    const int result = dialogs_->runOptions(dialog);
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
    session_->options().store(WriteSetting);
    try {
        SaveSettings();
    } catch (const FileError &error) {
        showError(error.message());
    }
}

} // namespace priomat
