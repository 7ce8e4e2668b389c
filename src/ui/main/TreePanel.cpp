#include "ui/main/TreePanel.h"
#include "ui/UiLanguage.h"

#include "document/DocumentSession.h"
#include "document/RequirementTreeModel.h"
#include "ui/main/CutTextTips.h"
#include "ui/main/TextFit.h"

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeView>
#include <QVBoxLayout>

namespace priomat {

namespace {

QPushButton *makeButton(const QString &name, const QString &text, QRect geometry, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    return button;
}

QString selectionKey(const QString &fileName)
{
    const QString canonical = QFileInfo(fileName).canonicalFilePath();
    return canonical.isEmpty() ? QFileInfo(fileName).absoluteFilePath() : canonical;
}

} // namespace

TTreePanel::TTreePanel(DocumentSession &session, QWidget *parent) : QWidget(parent), session_(session)
{
    setObjectName(QStringLiteral("TreePanel"));
    auto *treeLayout = new QVBoxLayout(this);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    treeLayout->setSpacing(0);
    TreeLabel = new QLabel(QStringLiteral("要求ツリー"), this);
    TreeLabel->setObjectName(QStringLiteral("TreeLabel"));
    treeLayout->addWidget(TreeLabel);

    TreeTree = new QTreeView(this);
    TreeTree->setObjectName(QStringLiteral("TreeTree"));
    TreeTree->setHeaderHidden(true);
    TreeTree->setIndentation(19);
    TreeTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeTree->setSelectionMode(QAbstractItemView::SingleSelection);
    TreeTree->setDragDropMode(QAbstractItemView::InternalMove);
    TreeTree->setDefaultDropAction(Qt::MoveAction);
    TreeTree->setDragDropOverwriteMode(true); // a drop lands on a node, never between two
    TreeTree->setModel(session_.treeModel());
    new CutTextTips(TreeTree, TreeTree->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, TreeTree) + 1);
    ShowTreeTextWhole(TreeTree);
    treeLayout->addWidget(TreeTree, 1);
    connect(TreeTree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                if (!followingSession_)
                    session_.setCurrentNode(session_.treeModel()->nodeOf(current));
            });

    TreeButtonPanel = new QWidget(this);
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

    // The arrow and "Dn" buttons are named in words; the view takes no name from its label.
    TreeButtonUp->setAccessibleName(UiText(QStringLiteral("上へ"), QStringLiteral("Up")));
    TreeButtonDown->setAccessibleName(UiText(QStringLiteral("下へ"), QStringLiteral("Down")));
    TreeTree->setAccessibleName(UiText(QStringLiteral("要求ツリー"), QStringLiteral("Requirement Tree")));
    TreeLabel->setBuddy(TreeTree);

    connect(&session_, &DocumentSession::currentNodeChanged, this, &TTreePanel::followSession);
    connect(&session_, &DocumentSession::subtreeRestored, this, [this](RequirementNode *node) {
        TreeTree->expand(session_.treeModel()->indexOf(node));
    });
    connect(&session_, &DocumentSession::documentReplaced, this, [this] { TreeTree->expandAll(); });
}

void TTreePanel::applyEnglishTexts()
{
    TreeLabel->setText(QStringLiteral("Requirement Tree"));
    TreeButtonAdd->setText(QStringLiteral("Add child"));
    TreeButtonInsert->setText(QStringLiteral("Insert"));
    TreeButtonUp->setText(QStringLiteral("Up"));
    TreeButtonDown->setText(QStringLiteral("Dn"));
    TreeButtonDelete->setText(QStringLiteral("Delete"));
}

void TTreePanel::applyButtonRule(const RequirementNode *node)
{
    if (!node) {
        for (QPushButton *button : {TreeButtonAdd, TreeButtonInsert, TreeButtonUp, TreeButtonDown, TreeButtonDelete})
            button->setEnabled(false);
        return;
    }
    const RequirementTree &tree = session_.document().tree;
    const RequirementNode *parent = node->parent();
    const int row = parent ? parent->indexOf(node) : tree.indexOfTopLevel(node);
    const int siblings = parent ? parent->childCount() : tree.topLevelCount();
    TreeButtonAdd->setEnabled(true);
    TreeButtonInsert->setEnabled(parent != nullptr);
    TreeButtonUp->setEnabled(row > 0);
    TreeButtonDown->setEnabled(row + 1 < siblings);
    TreeButtonDelete->setEnabled(parent != nullptr);
}

void TTreePanel::selectNode(const RequirementNode *node)
{
    const QModelIndex index = session_.treeModel()->indexOf(node);
    TreeTree->setCurrentIndex(index);
    TreeTree->scrollTo(index, QAbstractItemView::PositionAtTop);
}

void TTreePanel::followSession(RequirementNode *node)
{
    followingSession_ = true;
    const QModelIndex index = session_.treeModel()->indexOf(node);
    TreeTree->setCurrentIndex(index);
    if (index.isValid())
        TreeTree->scrollTo(index);
    followingSession_ = false;
}

void TTreePanel::rememberSelection()
{
    const RequirementNode *node = session_.currentNode();
    if (session_.fileName().isEmpty() || !node)
        return;
    QList<int> rows;
    for (; node->parent(); node = node->parent())
        rows.prepend(node->parent()->indexOf(node));
    rows.prepend(session_.document().tree.indexOfTopLevel(node));
    lastSelection_.insert(selectionKey(session_.fileName()), rows);
}

void TTreePanel::restoreSelection()
{
    // The node selected when this file was last left in this run, if the tree still has it;
    // the session has selected the root otherwise.
    const auto found = lastSelection_.constFind(selectionKey(session_.fileName()));
    if (found == lastSelection_.constEnd() || found->isEmpty())
        return;
    const RequirementTree &tree = session_.document().tree;
    const QList<int> &rows = *found;
    if (rows.first() < 0 || rows.first() >= tree.topLevelCount())
        return;
    RequirementNode *node = tree.topLevel(rows.first());
    for (qsizetype i = 1; i < rows.size(); ++i) {
        if (rows.at(i) < 0 || rows.at(i) >= node->childCount())
            return;
        node = node->child(rows.at(i));
    }
    session_.setCurrentNode(node);
}

} // namespace priomat
