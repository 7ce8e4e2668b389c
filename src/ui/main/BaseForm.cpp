#include "ui/main/BaseForm.h"

#include "ui/windows/AlternativesForm.h"
#include "ui/windows/ResultForm.h"

#include "app/Appli.h"
#include "ui/main/CompareForm.h"
#include "model/ComparisonMatrix.h"
#include "model/ComparisonValue.h"
#include "model/ComputationError.h"
#include "document/CsvExport.h"
#include "document/DocumentFile.h"
#include "setup/FileTypeRegistration.h"
#include "model/FloatFormat.h"
#include "platform/MessageBox.h"
#include "ui/windows/OptionForm.h"
#include "app/Placement.h"
#include "platform/Platform.h"
#include "model/Priorities.h"
#include "ui/main/RequirementTreeModel.h"
#include "app/SettingsStore.h"
#include "ui/windows/SplashForm.h"
#include "platform/SystemInfo.h"
#include "document/TextFile.h"
#include "model/TextRules.h"

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
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTreeView>
#include <QVBoxLayout>

namespace priomat {

TBaseForm *BaseForm = nullptr;

namespace {

const QString Section = QStringLiteral("BaseForm");
constexpr int DesignTreeWidth = 137;

bool japanese()
{
    return !Appli || Appli->Japanese;
}

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

    document.reset(); // one root: the tree before any document is chosen
    buildControls();
    buildMenus();
    if (!japanese())
        applyEnglishTexts();

    setGeometry(18, 122, 409, 267);
    RestoreWindowPlacement(this, Section);
    setTreeWidth(ReadSetting(Section, QStringLiteral("TreeWidth"), treeWidth_).toInt());
    LoadOptionFlags();

    Loading = false;
    DocumentFileName.clear();
    updateCaption();
    Modified = false;
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
    treeModel_ = new RequirementTreeModel(document.tree, this);
    TreeTree->setModel(treeModel_);
    treeLayout->addWidget(TreeTree, 1);
    connect(TreeTree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { RefreshComparisonPanel(); });

    TreeButtonPanel = new QWidget(TreePanel);
    TreeButtonPanel->setObjectName(QStringLiteral("TreeButtonPanel"));
    TreeButtonPanel->setFixedHeight(61);
    TreeButtonAdd = makeButton(QStringLiteral("TreeButtonAdd"), QStringLiteral("子追加"), {0, 4, 53, 25}, TreeButtonPanel);
    TreeButtonInsert = makeButton(QStringLiteral("TreeButtonInsert"), QStringLiteral("挿入"), {56, 4, 53, 25}, TreeButtonPanel);
    TreeButtonUp = makeButton(QStringLiteral("TreeButtonUp"), QStringLiteral("↑"), {0, 32, 25, 25}, TreeButtonPanel);
    TreeButtonDown = makeButton(QStringLiteral("TreeButtonDown"), QStringLiteral("↓"), {28, 32, 25, 25}, TreeButtonPanel);
    TreeButtonDelete = makeButton(QStringLiteral("TreeButtonDelete"), QStringLiteral("削除"), {56, 32, 53, 25}, TreeButtonPanel);
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
    connect(treeModel_, &RequirementTreeModel::nodeMoved, this, &TBaseForm::TreeTreeDragDrop);

    ComparisonPanel = new QWidget(Splitter1);
    ComparisonPanel->setObjectName(QStringLiteral("ComparisonPanel"));
    auto *panelLayout = new QVBoxLayout(ComparisonPanel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(0);
    CaptionLabel = makeLabel(QStringLiteral("CaptionLabel"), QStringLiteral("要求キャプション"), ComparisonPanel);
    CaptionEdit = new QLineEdit(ComparisonPanel);
    CaptionEdit->setObjectName(QStringLiteral("CaptionEdit"));
    connect(CaptionEdit, &QLineEdit::textEdited, this, &TBaseForm::CaptionEditChange);
    MatrixLabel = makeLabel(QStringLiteral("MatrixLabel"), QStringLiteral("一対比較マトリックス"), ComparisonPanel);
    MatrixGrid = new TMatrixGrid(ComparisonPanel);
    MatrixGrid->setObjectName(QStringLiteral("MatrixGrid"));
    MatrixGrid->setColumnWidth(0, 96);
    connect(MatrixGrid, &TMatrixGrid::cellMouseDown, this, &TBaseForm::MatrixGridMouseDown);
    connect(MatrixGrid, &TMatrixGrid::cellMouseUp, this, &TBaseForm::MatrixGridMouseUp);
    connect(MatrixGrid, &TMatrixGrid::characterTyped, this, &TBaseForm::MatrixGridKeyPress);
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
    ConsistencyEdit->setFocusPolicy(Qt::NoFocus);
    QPalette panelColour = ConsistencyEdit->palette();
    panelColour.setColor(QPalette::Base, panelColour.color(QPalette::Window));
    ConsistencyEdit->setPalette(panelColour);

    panelLayout->addWidget(CaptionLabel);
    panelLayout->addWidget(CaptionEdit);
    panelLayout->addWidget(MatrixLabel);
    panelLayout->addWidget(MatrixGrid, 1);
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
    MenuExit->setShortcut(QKeySequence::Quit);

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
    MenuAlternatives->setCheckable(true);
    MenuResult->setCheckable(true);
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

    connect(MenuFile, &QMenu::aboutToShow, this, &TBaseForm::MenuFileClick);
    connect(MenuTool, &QMenu::aboutToShow, this, &TBaseForm::MenuToolClick);
    connect(MenuWindow, &QMenu::aboutToShow, this, &TBaseForm::MenuWindowClick);
    connect(MenuHelp, &QMenu::aboutToShow, this, &TBaseForm::MenuHelpClick);
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
    if (RequirementNode *root = document.tree.root())
        treeModel_->setData(treeModel_->indexOf(root), QStringLiteral("Root Requirement"));
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

void TBaseForm::setAuxiliaryWindows(TAlternativesForm *alternatives, TResultForm *result)
{
    alternativesWindow_ = alternatives;
    resultWindow_ = result;
    if (resultWindow_) {
        // The evaluation owns the result lists; the window only shows them.
        resultWindow_->setResults(results);
        connect(this, &TBaseForm::resultsChanged, resultWindow_, [this] { resultWindow_->setResults(results); });
    }
    if (alternativesWindow_) {
        showAlternativesText();
        connect(alternativesWindow_->AlternativesMemo, &QPlainTextEdit::textChanged, this,
                &TBaseForm::AlternativesMemoChange);
    }
}

void TBaseForm::showAlternativesText()
{
    if (alternativesWindow_)
        alternativesWindow_->AlternativesMemo->setPlainText(document.alternativesLines.join(u'\n'));
}

void TBaseForm::AlternativesMemoChange()
{
    if (alternativesWindow_)
        document.alternativesLines = splitTextLines(alternativesWindow_->AlternativesMemo->toPlainText());
    Modified = true;
    RefreshComparisonPanel();
    Recalculate(false);
}

void TBaseForm::finishTreeEdit(std::initializer_list<RequirementNode *> changedParents)
{
    try {
        for (RequirementNode *parent : changedParents)
            UpdateChildWeights(document.RequirementComparisons, parent);
    } catch (const ComputationError &error) {
        showError(error.message());
    }
    Recalculate(false);
    RefreshComparisonPanel();
}

void TBaseForm::TreeButtonAddClick()
{
    RequirementNode *node = selectedNode();
    if (!node)
        return;
    Modified = true;
    const QModelIndex index = treeModel_->indexOf(node);
    treeModel_->appendChild(index, UniqueNewItemName(document.tree));
    TreeTree->expand(index);
    finishTreeEdit({node});
}

void TBaseForm::TreeButtonInsertClick()
{
    RequirementNode *node = selectedNode();
    if (!node || !node->parent())
        return;
    Modified = true;
    treeModel_->insertBefore(treeModel_->indexOf(node), UniqueNewItemName(document.tree));
    finishTreeEdit({node->parent()});
}

void TBaseForm::TreeButtonUpClick()
{
    RequirementNode *node = selectedNode();
    if (!node)
        return;
    Modified = true;
    // The node object moves with its record and subtree; the view keeps its expansion.
    if (treeModel_->moveUp(treeModel_->indexOf(node)))
        selectNode(node);
    finishTreeEdit({});
}

void TBaseForm::TreeButtonDownClick()
{
    RequirementNode *node = selectedNode();
    if (!node)
        return;
    Modified = true;
    treeModel_->moveDown(treeModel_->indexOf(node));
    finishTreeEdit({});
}

void TBaseForm::TreeButtonDeleteClick()
{
    RequirementNode *node = selectedNode();
    if (!node || !node->parent())
        return;
    Modified = true;
    RequirementNode *parent = node->parent();
    treeModel_->removeNode(treeModel_->indexOf(node));
    finishTreeEdit({parent});
}

void TBaseForm::TreeTreeDragDrop(RequirementNode *node, RequirementNode *oldParent, RequirementNode *newParent)
{
    if (oldParent == newParent)
        return; // Up and Down reorder siblings; their handlers finish the edit
    Modified = true;
    selectNode(node);
    finishTreeEdit({oldParent, newParent});
}

void TBaseForm::CaptionEditChange(const QString &text)
{
    // Only what the user types renames; the refresh's own updates do not come here.
    Modified = true;
    if (RequirementNode *node = selectedNode())
        treeModel_->setData(treeModel_->indexOf(node), text);
    RefreshComparisonPanel();
}

void TBaseForm::LoadOptionFlags()
{
    MenuColor->setChecked(ReadSetting(QStringLiteral("Option"), QStringLiteral("Color"), false).toBool());
    MenuInverse->setChecked(ReadSetting(QStringLiteral("Option\\Input"), QStringLiteral("Inverse"), true).toBool());
    MenuCalculateAutomatically->setChecked(
        ReadSetting(QStringLiteral("Option"), QStringLiteral("Calculate"), true).toBool());
    MatrixGrid->useColours = colorOption();
}

bool TBaseForm::colorOption() const { return MenuColor->isChecked(); }
bool TBaseForm::inverseOption() const { return MenuInverse->isChecked(); }
bool TBaseForm::calculateAutomatically() const { return MenuCalculateAutomatically->isChecked(); }

void TBaseForm::showError(const QString &message)
{
    ShowMessageBox(message, QStringLiteral("Error"), platform::MB_OK | platform::MB_ICONHAND);
}

void TBaseForm::Recalculate(bool force)
{
    try {
        priomat::Recalculate(document, results, force, calculateAutomatically(), Loading, &leafWeights_);
    } catch (const ComputationError &error) {
        emit resultsChanged();
        showError(error.message());
        return;
    }
    emit resultsChanged();
}

RequirementNode *TBaseForm::selectedNode() const
{
    return treeModel_->nodeOf(TreeTree->currentIndex());
}

void TBaseForm::selectNode(const RequirementNode *node)
{
    const QModelIndex index = treeModel_->indexOf(node);
    TreeTree->setCurrentIndex(index);
    TreeTree->scrollTo(index, QAbstractItemView::PositionAtTop);
}

void TBaseForm::applyButtonRule(const RequirementNode *node)
{
    if (!node) {
        for (QPushButton *button : {TreeButtonAdd, TreeButtonInsert, TreeButtonUp, TreeButtonDown, TreeButtonDelete})
            button->setEnabled(false);
        return;
    }
    const RequirementNode *parent = node->parent();
    const int row = parent ? parent->indexOf(node) : document.tree.indexOfTopLevel(node);
    const int siblings = parent ? parent->childCount() : document.tree.topLevelCount();
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

    const MatrixItems items = ItemsUnder(document, node);
    ShownItems = items.names;
    LeafShown = items.leafShown;
    if (ShownItems.isEmpty()) {
        MatrixGrid->hide();
        ConsistencyEdit->clear();
        return;
    }

    const int n = int(ShownItems.size());
    MatrixGrid->setColumnCount(n + 2);
    MatrixGrid->setRowCount(n + 1);
    MatrixGrid->resetCellColours(n);
    const ComparisonMatrix matrix = ComparisonMatrix::of(document, shownMatrixItems());
    std::vector<const QString *> entries;
    MatrixGrid->setCellText(0, 0, QString());
    for (int i = 1; i <= n; ++i) {
        const QString letter(QChar(char16_t(64 + i)));
        MatrixGrid->setCellText(i, 0, u'(' + letter + u')');
        MatrixGrid->setCellText(0, i, u'(' + letter + QStringLiteral(") ") + ShownItems.at(i - 1));
        matrix.rowEntries(i - 1, entries);
        for (int j = 1; j <= n; ++j) {
            const QString *entry = entries[size_t(j - 1)];
            MatrixGrid->setCellText(j, i, i == j ? QStringLiteral("1") : entry ? *entry : QStringLiteral("-"));
        }
        MatrixGrid->setColumnWidth(i, MatrixGrid->verticalHeader()->defaultSectionSize());
    }
    MatrixGrid->setCellText(n + 1, 0, japanese() ? QStringLiteral("重み") : QStringLiteral("Weight"));
    MatrixGrid->setColumnWidth(n + 1, 128);
    ShowWeightsAndConsistency();
    MatrixGrid->show();
}

MatrixItems TBaseForm::shownMatrixItems() const
{
    MatrixItems items;
    items.names = ShownItems;
    items.leafShown = LeafShown;
    if (LeafShown)
        items.leafName = trimBlanks(CaptionEdit->text());
    return items;
}

void TBaseForm::ShowWeightsAndConsistency()
{
    RequirementNode *node = selectedNode();
    if (!node || ShownItems.isEmpty())
        return;
    std::vector<double> weights;
    double ci = 0.0;
    try {
        if (node->hasChildren()) {
            for (int i = 0; i < node->childCount(); ++i)
                weights.push_back(node->child(i)->data().LocalWeight);
            ci = node->data().ConsistencyIndex;
        } else if (ShownItems.size() <= 1) {
            weights = {1.0};
        } else {
            const MatrixItems items = shownMatrixItems();
            const Priorities priorities = ComputePriorities(ComparisonMatrix::of(document, items));
            weights = priorities.weights;
            ci = priorities.consistencyIndex;
            // The evaluation that follows an entry needs this leaf's weights too.
            leafWeights_.store(items.leafName, items.names, priorities.weights);
        }

        // Colour pass: the entered ratio against the ratio the weights imply.
        const int m = int(weights.size());
        std::vector<quint32> colours(size_t(MatrixGrid->colourSize) * size_t(MatrixGrid->colourSize), 0);
        for (int i = 0; i < m && i < MatrixGrid->colourSize; ++i) {
            for (int j = 0; j < m && j < MatrixGrid->colourSize; ++j) {
                if (i == j)
                    continue;
                const QString text = MatrixGrid->cellText(j + 1, i + 1);
                const double wi = weights[size_t(i)];
                const double wj = weights[size_t(j)];
                if (text.isEmpty() || text == u"-" || !(wi > 1e-100 && wi < 1e100) || !(wj > 1e-100 && wj < 1e100)
                    || wi / wj == 0.0)
                    continue;
                const double r = ReadComparisonValue(text) / (wi / wj);
                quint32 colour = 0;
                if (r >= 2)
                    colour = 0x0000FF;
                else if (r >= 1.41421356)
                    colour = 0x0080FF;
                else if (r <= 0.5)
                    colour = 0xFF0000;
                else if (r <= 0.70710678)
                    colour = 0x00FF00;
                colours[size_t(j) * size_t(MatrixGrid->colourSize) + size_t(i)] = colour;
            }
        }
        MatrixGrid->CellColours = std::move(colours);

        QPalette palette = ConsistencyEdit->palette();
        palette.setColor(QPalette::Text, QApplication::palette().color(QPalette::WindowText));
        if (m < 2) {
            MatrixGrid->setCellText(2, 1, QStringLiteral("1"));
            ConsistencyEdit->setText(QStringLiteral("0"));
        } else {
            for (int i = 0; i < m; ++i)
                MatrixGrid->setCellText(m + 1, i + 1, FormatFloat(weights[size_t(i)]));
            ConsistencyEdit->setText(FormatFloat(ci));
            if (ci > 0.15)
                palette.setColor(QPalette::Text, colourFromValue(0x0000FF));
            else if (ci > 0.1)
                palette.setColor(QPalette::Text, colourFromValue(0x00FFFF));
        }
        ConsistencyEdit->setPalette(palette);
    } catch (const ComputationError &error) {
        showError(error.message());
        return;
    }
    MatrixGrid->viewport()->update();
}

bool TBaseForm::isMatrixCell(int column, int row) const
{
    return row >= 1 && row <= MatrixGrid->rowCount() - 1 && column >= 1
           && column <= MatrixGrid->columnCount() - 2 && row != column && !MatrixGrid->isHidden();
}

void TBaseForm::StoreEntry(int aCol, int aRow, const QString &value, const QString &reciprocalValue)
{
    Modified = true;
    MatrixGrid->setCellText(aCol, aRow, value);
    const MatrixItems items = shownMatrixItems();
    priomat::StoreEntry(document, items, aCol, aRow, value, reciprocalValue, inverseOption());
    if (items.leafShown)
        leafWeights_.invalidateLeaf(items.leafName);
    if (inverseOption())
        MatrixGrid->setCellText(aRow, aCol, reciprocalValue);
}

void TBaseForm::finishMatrixEntry()
{
    try {
        UpdateChildWeights(document.RequirementComparisons, selectedNode());
    } catch (const ComputationError &error) {
        showError(error.message());
    }
    ShowWeightsAndConsistency();
    Recalculate(false);
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
    TCompareForm dialog(this);
    try {
        dialog.Prepare(LeafShown ? trimBlanks(CaptionEdit->text()) : QString(), ShownItems.at(row - 1),
                       ShownItems.at(column - 1), MatrixGrid->cellText(column, row));
    } catch (const ComputationError &error) {
        showError(error.message());
        return;
    }
    dialog.placeBeside(MatrixGrid->cellRectOnScreen(column, row));
    const int result = compareDialogRunner ? compareDialogRunner(dialog) : dialog.exec();
    if (result == QDialog::Accepted)
        StoreEntry(column, row, dialog.ValueText, dialog.ReciprocalText);
    finishMatrixEntry();
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
    StoreEntry(column, row, value, reciprocal);
    finishMatrixEntry();
}

void TBaseForm::MenuChangeShown1Click()
{
    for (int column = 1; column <= MatrixGrid->columnCount() - 2; ++column) {
        for (int row = 1; row <= MatrixGrid->rowCount() - 1; ++row) {
            if (MatrixGrid->cellText(column, row) == u"-")
                StoreEntry(column, row, QStringLiteral("1"), QStringLiteral("1"));
        }
    }
    finishMatrixEntry();
}

void TBaseForm::updateCaption()
{
    setWindowTitle(DocumentFileName.isEmpty()
                       ? QStringLiteral("Priomat")
                       : QStringLiteral("Priomat - ") + QFileInfo(DocumentFileName).fileName());
}

void TBaseForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    setTreeWidth(treeWidth_);
    FormShow();
}

void TBaseForm::FormShow()
{
    const QStringList arguments = platform::services().system->commandLine();
    if (arguments.size() > 1 && QFileInfo(arguments.at(1)).isFile()) {
        LoadDocument(arguments.at(1));
        return;
    }
    const QString fallback = (Appli ? Appli->ProgramFolder : QString()) + QStringLiteral("Default.ahp");
    if (QFileInfo(fallback).isFile())
        LoadDocument(fallback);
    else
        NewDocument();
}

void TBaseForm::NewDocument()
{
    treeModel_->resetTree([this] { document.reset(); });
    leafWeights_.clear();
    documentEncoding_ = TextEncoding::Utf8;
    showAlternativesText();
    UpdateSubtreeWeights(document.RequirementComparisons, document.tree.root());
    Recalculate(false);
    RefreshComparisonPanel();
    DocumentFileName.clear();
    updateCaption();
    Modified = false;
}

void TBaseForm::LoadDocument(const QString &path)
{
    DataFileRead read;
    try {
        read = ReadDataFile(path); // the whole file, before anything changes
    } catch (const FileError &error) {
        showError(error.message());
        RefreshComparisonPanel();
        return;
    }
    if (read.status == ReadStatus::Missing) {
        RefreshComparisonPanel();
        return;
    }
    if (read.status == ReadStatus::Foreign) {
        ShowMessageBox(NotADataFileMessage(path, productName(), japanese()), QStringLiteral("Error"),
                       platform::MB_OK | platform::MB_ICONWARNING);
        RefreshComparisonPanel();
        return;
    }

    {
        // Loading is cleared however the installation ends.
        struct LoadingFlag
        {
            bool &flag;
            explicit LoadingFlag(bool &f) : flag(f) { flag = true; }
            ~LoadingFlag() { flag = false; }
        } loading(Loading);
        const auto askRecovery = [] {
            return ShowMessageBox(RecoveryQuestion(japanese()), QStringLiteral("Warning"),
                                  platform::MB_YESNO | platform::MB_ICONWARNING) == platform::IDYES;
        };
        treeModel_->resetTree([&] { InstallParsedDocument(document, std::move(read.parsed), askRecovery); });
        leafWeights_.clear();
        documentEncoding_ = read.encoding;
        TreeTree->expandAll();
        if (document.tree.root())
            selectNode(document.tree.root());
        showAlternativesText();
    }

    // Once the new document is in place the load completes, so that a later Save can never
    // write it over the previous document's file; a value that cannot be computed is reported
    // afterwards.
    QString computationError;
    try {
        UpdateSubtreeWeights(document.RequirementComparisons, document.tree.root());
    } catch (const ComputationError &error) {
        computationError = error.message();
    }
    DocumentFileName = path;
    updateCaption();
    Modified = false;
    Recalculate(false);
    RefreshComparisonPanel();
    if (!computationError.isEmpty())
        showError(computationError);
}

bool TBaseForm::SaveDocument(const QString &path)
{
    try {
        documentEncoding_ = SaveDataFile(path, document, documentEncoding_);
    } catch (const FileError &error) {
        showError(error.message());
        return false;
    }
    DocumentFileName = path;
    updateCaption();
    Modified = false;
    return true;
}

bool TBaseForm::ExportCsv(const QString &path)
{
    try {
        WriteTextLines(path, BuildCsvLines(document, results));
    } catch (const ComputationError &error) {
        showError(error.message());
        return false;
    } catch (const FileError &error) {
        showError(error.message());
        return false;
    }
    return true;
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
    if (!path.isEmpty())
        settings.fileName = path;
    return path;
}

bool TBaseForm::QuerySaveModified()
{
    if (!Modified)
        return true;
    QString question;
    if (japanese()) {
        if (!DocumentFileName.isEmpty())
            question = DocumentFileName + QStringLiteral("\r\nは");
        question += QStringLiteral("変更されています。\r\n保存しますか？");
    } else {
        question = DocumentFileName.isEmpty() ? QStringLiteral("M") : DocumentFileName + QStringLiteral("\r\nis m");
        question += QStringLiteral("odified.\r\nDo you want to save it?");
    }
    switch (ShowMessageBox(question, productName(), platform::MB_YESNOCANCEL | platform::MB_ICONWARNING)) {
    case platform::IDYES: {
        if (!DocumentFileName.isEmpty())
            return SaveDocument(DocumentFileName);
        const QString path = runFileDialog(SaveDialog1, true, Appli ? Appli->ProgramFolder : QString());
        return !path.isEmpty() && SaveDocument(path);
    }
    case platform::IDNO:
        return true;
    default:
        return false;
    }
}

void TBaseForm::MenuFileClick()
{
    MenuSave->setEnabled(!DocumentFileName.isEmpty());
    MenuSaveAs->setEnabled(true);
}

void TBaseForm::MenuToolClick()
{
    bool dash = false;
    if (!MatrixGrid->isHidden()) {
        for (int row = 1; row < MatrixGrid->rowCount() && !dash; ++row) {
            for (int column = 1; column <= MatrixGrid->columnCount() - 2 && !dash; ++column)
                dash = row != column && MatrixGrid->cellText(column, row) == u"-";
        }
    }
    MenuChangeShown1->setEnabled(dash);
    MenuCalculate->setEnabled(!calculateAutomatically());
}

void TBaseForm::MenuWindowClick()
{
    MenuAlternatives->setChecked(alternativesWindow_ && alternativesWindow_->isVisible());
    MenuResult->setChecked(resultWindow_ && resultWindow_->isVisible());
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
        Recalculate(true);
}

void TBaseForm::MenuCalculateClick()
{
    Recalculate(true);
}

void TBaseForm::MenuAlternativesClick()
{
    if (alternativesWindow_)
        alternativesWindow_->setVisible(MenuAlternatives->isChecked());
}

void TBaseForm::MenuResultClick()
{
    if (resultWindow_)
        resultWindow_->setVisible(MenuResult->isChecked());
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
    const QString start = DocumentFileName.isEmpty() ? (Appli ? Appli->ProgramFolder : QString()) : DocumentFileName;
    const QString path = runFileDialog(OpenDialog1, false, start);
    if (!path.isEmpty())
        LoadDocument(path);
}

void TBaseForm::MenuSaveClick()
{
    if (!DocumentFileName.isEmpty())
        SaveDocument(DocumentFileName);
}

void TBaseForm::MenuSaveAsClick()
{
    const QString start = DocumentFileName.isEmpty() ? (Appli ? Appli->ProgramFolder : QString()) : DocumentFileName;
    const QString path = runFileDialog(SaveDialog1, true, start);
    if (!path.isEmpty())
        SaveDocument(path);
}

void TBaseForm::MenuSaveCSVClick()
{
    QString start = Appli ? Appli->ProgramFolder : QString();
    if (!DocumentFileName.isEmpty()) {
        // The document's name with its extension, from the last dot of the file name, as .csv.
        const qsizetype slash = DocumentFileName.lastIndexOf(u'/');
        const qsizetype dot = DocumentFileName.lastIndexOf(u'.');
        start = (dot > slash ? DocumentFileName.left(dot) : DocumentFileName) + QStringLiteral(".csv");
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
    treeModel_->resetTree([this] { document.tree.clear(); });
    if (alternativesWindow_)
        alternativesWindow_->close();
    if (resultWindow_)
        resultWindow_->close();
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
    document.RequirementComparisons.clear();
    document.AlternativeComparisons.clear();
    ShownItems.clear();
}

} // namespace priomat
