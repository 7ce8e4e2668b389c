// The Qt item model that shows the requirement tree in a tree view and edits it.
#pragma once

#include "model/RequirementTree.h"

#include <QAbstractItemModel>
#include <QStringList>

#include <functional>

namespace priomat {

// The caption for a new requirement, given the captions of every node of the tree.
QString UniqueNewItemName(const QStringList &allCaptions);
QString UniqueNewItemName(const RequirementTree &tree);

// One column, the caption. Internal pointers are RequirementNode*. Every edit is a row
// insertion, removal or move, so persistent indexes (a view's selection and expansion)
// follow the nodes.
class RequirementTreeModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    // The drag data: the dragged node's row path from the top, tagged with its model.
    static inline const QString MimeType = QStringLiteral("application/x-priomat-requirement-path");

    explicit RequirementTreeModel(RequirementTree &tree, QObject *parent = nullptr);

    RequirementTree &tree() const { return tree_; }

    QModelIndex indexOf(const RequirementNode *node) const;
    RequirementNode *nodeOf(const QModelIndex &index) const;

    // Replaces the whole tree. `install` changes the tree between the begin and the end of
    // the reset, so no view ever sees a node that is gone.
    void resetTree(const std::function<void()> &install = {});

    // An invalid parent appends a top-level node.
    RequirementNode *appendChild(const QModelIndex &parent, const QString &caption);
    // A new node right before `sibling`, at any level; nullptr for an invalid sibling.
    RequirementNode *insertBefore(const QModelIndex &sibling, const QString &caption);

    // Moves the node object with its record and subtree. `row` counts the new parent's
    // children before the move (the row the node goes in front of); -1 appends. Refuses a
    // move onto the node itself or into its subtree, an out-of-range row and a move that
    // would leave the node where it is. True when the node moved.
    bool moveNode(const QModelIndex &node, const QModelIndex &newParent, int row);
    // Before the previous sibling; false for the first sibling.
    bool moveUp(const QModelIndex &node);
    // The next sibling moves before this node; false for the last sibling.
    bool moveDown(const QModelIndex &node);
    // Removes the node and releases its whole subtree with the records.
    bool removeNode(const QModelIndex &node);

    // For undo and redo: takes the node with its subtree out of the tree, and puts a taken
    // node back as child `row` of `parent` (null: top level).
    std::unique_ptr<RequirementNode> takeNode(RequirementNode *node);
    RequirementNode *restoreNode(RequirementNode *parent, int row, std::unique_ptr<RequirementNode> node);
    // Moves the node so that it ends up as child `row` of `newParent`; false when it is there.
    bool placeNode(RequirementNode *node, RequirementNode *newParent, int row);

    // When set, a drop asks this instead of moving the node itself (the session records the
    // move as an undoable step).
    std::function<bool(RequirementNode *node, RequirementNode *newParent)> dropHandler;

    // The drop rule of the tree: `target` must be a node, not the dragged node's parent,
    // not the dragged node and not below it; a top-level node is never dragged.
    static bool canDropOnto(const RequirementNode *dragged, const RequirementNode *target);

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    Qt::DropActions supportedDropActions() const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                         const QModelIndex &parent) const override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;
    // The drop has already moved the node; the view's "remove the source" must do nothing.
    bool removeRows(int row, int count, const QModelIndex &parent = {}) override;

signals:
    // After every move; a null parent means top level. Equal parents: a reorder among
    // siblings, which changes no weight.
    void nodeMoved(priomat::RequirementNode *node, priomat::RequirementNode *oldParent,
                   priomat::RequirementNode *newParent);

private:
    int rowOf(const RequirementNode *node) const;
    int childCountOf(const RequirementNode *parent) const;
    RequirementNode *childOf(const RequirementNode *parent, int row) const;
    RequirementNode *insertNode(const QModelIndex &parent, int row, const QString &caption);
    bool moveNodeTo(RequirementNode *node, RequirementNode *newParent, int row);
    RequirementNode *draggedNode(const QMimeData *data) const;

    RequirementTree &tree_;
};

} // namespace priomat
