#include "document/RequirementTreeModel.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QIODevice>
#include <QMimeData>
#include <QSet>

#include <utility>

namespace priomat {

namespace {

const QString NewItemPrefix = QStringLiteral("New Item");

} // namespace

QString UniqueNewItemName(const QStringList &allCaptions)
{
    // Only captions beginning with exactly "New Item" can collide; among them letter case
    // does not count.
    QSet<QString> taken;
    for (const QString &caption : allCaptions) {
        if (caption.startsWith(NewItemPrefix, Qt::CaseSensitive))
            taken.insert(caption.toCaseFolded());
    }
    if (!taken.contains(NewItemPrefix.toCaseFolded()))
        return NewItemPrefix;
    for (qint64 n = 2;; ++n) {
        const QString candidate = NewItemPrefix + u'(' + QString::number(n) + u')';
        if (!taken.contains(candidate.toCaseFolded()))
            return candidate;
    }
}

QString UniqueNewItemName(const RequirementTree &tree)
{
    QStringList captions;
    tree.forEachPreOrder([&captions](RequirementNode *node, int) { captions.append(node->caption()); });
    return UniqueNewItemName(captions);
}

RequirementTreeModel::RequirementTreeModel(RequirementTree &tree, QObject *parent)
    : QAbstractItemModel(parent), tree_(tree)
{
}

int RequirementTreeModel::rowOf(const RequirementNode *node) const
{
    return node->parent() ? node->parent()->indexOf(node) : tree_.indexOfTopLevel(node);
}

int RequirementTreeModel::childCountOf(const RequirementNode *parent) const
{
    return parent ? parent->childCount() : tree_.topLevelCount();
}

RequirementNode *RequirementTreeModel::childOf(const RequirementNode *parent, int row) const
{
    if (row < 0 || row >= childCountOf(parent))
        return nullptr;
    return parent ? parent->child(row) : tree_.topLevel(row);
}

QModelIndex RequirementTreeModel::indexOf(const RequirementNode *node) const
{
    if (!node)
        return {};
    const int row = rowOf(node);
    if (row < 0)
        return {};
    return createIndex(row, 0, const_cast<RequirementNode *>(node));
}

RequirementNode *RequirementTreeModel::nodeOf(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return static_cast<RequirementNode *>(index.internalPointer());
}

void RequirementTreeModel::resetTree(const std::function<void()> &install)
{
    beginResetModel();
    if (install)
        install();
    endResetModel();
}

QModelIndex RequirementTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column != 0 || (parent.isValid() && parent.column() != 0))
        return {};
    RequirementNode *node = childOf(nodeOf(parent), row);
    return node ? createIndex(row, 0, node) : QModelIndex();
}

QModelIndex RequirementTreeModel::parent(const QModelIndex &child) const
{
    const RequirementNode *node = nodeOf(child);
    return node ? indexOf(node->parent()) : QModelIndex();
}

int RequirementTreeModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() && parent.column() != 0)
        return 0;
    return childCountOf(nodeOf(parent));
}

int RequirementTreeModel::columnCount(const QModelIndex &) const
{
    return 1;
}

QVariant RequirementTreeModel::data(const QModelIndex &index, int role) const
{
    const RequirementNode *node = nodeOf(index);
    if (!node || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return node->caption();
}

bool RequirementTreeModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    RequirementNode *node = nodeOf(index);
    // An invalid value is what a view writes to "clear" dragged items after a move; it must
    // not wipe the caption. A typed empty caption is a valid QString and is accepted.
    if (!node || role != Qt::EditRole || !value.isValid())
        return false;
    const QString caption = value.toString();
    if (caption != node->caption()) {
        node->setCaption(caption);
        emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    }
    return true;
}

Qt::ItemFlags RequirementTreeModel::flags(const QModelIndex &index) const
{
    const RequirementNode *node = nodeOf(index);
    if (!node)
        return Qt::NoItemFlags;
    // Not editable: captions change only through the caption edit.
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled;
    if (node->parent())
        flags |= Qt::ItemIsDragEnabled;
    return flags;
}

RequirementNode *RequirementTreeModel::insertNode(const QModelIndex &parentIndex, int row,
                                                  const QString &caption)
{
    RequirementNode *parent = nodeOf(parentIndex);
    beginInsertRows(parentIndex, row, row);
    auto node = std::make_unique<RequirementNode>(caption);
    RequirementNode *inserted = parent ? parent->insertChild(row, std::move(node))
                                       : tree_.insertTopLevel(row, std::move(node));
    endInsertRows();
    return inserted;
}

RequirementNode *RequirementTreeModel::appendChild(const QModelIndex &parent, const QString &caption)
{
    if (parent.isValid() && !nodeOf(parent))
        return nullptr;
    return insertNode(parent, rowCount(parent), caption);
}

RequirementNode *RequirementTreeModel::insertBefore(const QModelIndex &sibling, const QString &caption)
{
    const RequirementNode *node = nodeOf(sibling);
    if (!node)
        return nullptr;
    return insertNode(indexOf(node->parent()), rowOf(node), caption);
}

bool RequirementTreeModel::moveNodeTo(RequirementNode *node, RequirementNode *newParent, int row)
{
    if (!node || (newParent && newParent->isSelfOrDescendantOf(node)))
        return false;
    const int count = childCountOf(newParent);
    if (row == -1)
        row = count;
    if (row < 0 || row > count)
        return false;
    RequirementNode *oldParent = node->parent();
    const int oldRow = rowOf(node);
    if (oldParent == newParent && (row == oldRow || row == oldRow + 1))
        return false;

    if (!beginMoveRows(indexOf(oldParent), oldRow, oldRow, indexOf(newParent), row))
        return false;
    std::unique_ptr<RequirementNode> taken = oldParent ? oldParent->takeChild(oldRow)
                                                       : tree_.takeTopLevel(oldRow);
    // `row` counted the siblings before the node left them.
    const int at = (oldParent == newParent && row > oldRow) ? row - 1 : row;
    if (newParent)
        newParent->insertChild(at, std::move(taken));
    else
        tree_.insertTopLevel(at, std::move(taken));
    endMoveRows();
    emit nodeMoved(node, oldParent, newParent);
    return true;
}

bool RequirementTreeModel::moveNode(const QModelIndex &node, const QModelIndex &newParent, int row)
{
    if (newParent.isValid() && !nodeOf(newParent))
        return false;
    return moveNodeTo(nodeOf(node), nodeOf(newParent), row);
}

bool RequirementTreeModel::moveUp(const QModelIndex &index)
{
    RequirementNode *node = nodeOf(index);
    if (!node)
        return false;
    const int row = rowOf(node);
    return row > 0 && moveNodeTo(node, node->parent(), row - 1);
}

bool RequirementTreeModel::moveDown(const QModelIndex &index)
{
    RequirementNode *node = nodeOf(index);
    if (!node)
        return false;
    // The next sibling is the node that moves, so the selection stays on this one.
    RequirementNode *parent = node->parent();
    const int row = rowOf(node);
    RequirementNode *next = childOf(parent, row + 1);
    return next && moveNodeTo(next, parent, row);
}

bool RequirementTreeModel::removeNode(const QModelIndex &index)
{
    RequirementNode *node = nodeOf(index);
    if (!node)
        return false;
    RequirementNode *parent = node->parent();
    const int row = rowOf(node);
    beginRemoveRows(indexOf(parent), row, row);
    std::unique_ptr<RequirementNode> released = parent ? parent->takeChild(row) : tree_.takeTopLevel(row);
    endRemoveRows();
    return true; // `released` frees the subtree and its records here
}

std::unique_ptr<RequirementNode> RequirementTreeModel::takeNode(RequirementNode *node)
{
    if (!node)
        return nullptr;
    RequirementNode *parent = node->parent();
    const int row = rowOf(node);
    beginRemoveRows(indexOf(parent), row, row);
    std::unique_ptr<RequirementNode> taken = parent ? parent->takeChild(row) : tree_.takeTopLevel(row);
    endRemoveRows();
    return taken;
}

RequirementNode *RequirementTreeModel::restoreNode(RequirementNode *parent, int row,
                                                   std::unique_ptr<RequirementNode> node)
{
    beginInsertRows(indexOf(parent), row, row);
    RequirementNode *restored = parent ? parent->insertChild(row, std::move(node))
                                       : tree_.insertTopLevel(row, std::move(node));
    endInsertRows();
    return restored;
}

bool RequirementTreeModel::placeNode(RequirementNode *node, RequirementNode *newParent, int row)
{
    if (!node)
        return false;
    // moveNodeTo counts the row before the node leaves its siblings.
    const bool sameParent = node->parent() == newParent;
    return moveNodeTo(node, newParent, sameParent && row > rowOf(node) ? row + 1 : row);
}

bool RequirementTreeModel::canDropOnto(const RequirementNode *dragged, const RequirementNode *target)
{
    return dragged && target && dragged->parent() && target != dragged->parent()
        && !target->isSelfOrDescendantOf(dragged);
}

Qt::DropActions RequirementTreeModel::supportedDropActions() const
{
    return Qt::MoveAction;
}

QStringList RequirementTreeModel::mimeTypes() const
{
    return {MimeType};
}

QMimeData *RequirementTreeModel::mimeData(const QModelIndexList &indexes) const
{
    // One dragged node: the selected one.
    const RequirementNode *node = nullptr;
    for (const QModelIndex &index : indexes) {
        const RequirementNode *candidate = nodeOf(index);
        if (!candidate || (node && candidate != node))
            return nullptr;
        node = candidate;
    }
    if (!node)
        return nullptr;

    QList<qint32> path;
    for (const RequirementNode *n = node; n; n = n->parent())
        path.prepend(rowOf(n));
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << qint64(QCoreApplication::applicationPid()) << quint64(quintptr(this)) << path;
    auto *data = new QMimeData;
    data->setData(MimeType, bytes);
    return data;
}

RequirementNode *RequirementTreeModel::draggedNode(const QMimeData *data) const
{
    if (!data || !data->hasFormat(MimeType))
        return nullptr;
    const QByteArray bytes = data->data(MimeType);
    QDataStream stream(bytes);
    // The rows name nodes of one tree: drag data from another model or process is refused.
    qint64 pid = 0;
    quint64 model = 0;
    stream >> pid >> model;
    if (stream.status() != QDataStream::Ok || pid != QCoreApplication::applicationPid()
        || model != quint64(quintptr(this)))
        return nullptr;
    QList<qint32> path;
    stream >> path;
    if (stream.status() != QDataStream::Ok || path.isEmpty())
        return nullptr;
    // The rows may be stale; each must still exist.
    RequirementNode *node = nullptr;
    for (qint32 row : std::as_const(path)) {
        node = childOf(node, row);
        if (!node)
            return nullptr;
    }
    return node;
}

bool RequirementTreeModel::canDropMimeData(const QMimeData *data, Qt::DropAction action, int row,
                                           int column, const QModelIndex &parent) const
{
    // Only a drop onto a node: between nodes or on empty space there is no target.
    if (action != Qt::MoveAction || row != -1 || column != -1 || !parent.isValid())
        return false;
    return canDropOnto(draggedNode(data), nodeOf(parent));
}

bool RequirementTreeModel::dropMimeData(const QMimeData *data, Qt::DropAction action, int row,
                                        int column, const QModelIndex &parent)
{
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    // The dropped node becomes the target's last child.
    if (dropHandler)
        return dropHandler(draggedNode(data), nodeOf(parent));
    return moveNodeTo(draggedNode(data), nodeOf(parent), -1);
}

bool RequirementTreeModel::removeRows(int, int, const QModelIndex &)
{
    return false;
}

} // namespace priomat
