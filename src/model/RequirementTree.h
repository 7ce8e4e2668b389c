// The requirement tree: nodes with captions and one RequirementData record each.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace priomat {

// Derived numbers of one node; never saved.
struct RequirementData
{
    double ConsistencyIndex = 0.0; // of the matrix of this node's children
    double LocalWeight = 0.0;      // this node's weight among its siblings
};

class RequirementNode
{
public:
    explicit RequirementNode(QString caption = QString());
    ~RequirementNode();
    RequirementNode(const RequirementNode &) = delete;
    RequirementNode &operator=(const RequirementNode &) = delete;

    const QString &caption() const { return caption_; }
    void setCaption(const QString &caption) { caption_ = caption; }

    // The record travels with the node: moving a node (or its subtree) keeps its weights.
    RequirementData &data() { return data_; }
    const RequirementData &data() const { return data_; }

    RequirementNode *parent() const { return parent_; }
    int childCount() const { return int(children_.size()); }
    bool hasChildren() const { return !children_.empty(); }
    RequirementNode *child(int index) const { return children_[size_t(index)].get(); }
    RequirementNode *lastChild() const { return children_.empty() ? nullptr : children_.back().get(); }
    int indexOf(const RequirementNode *child) const;
    QStringList childCaptions() const;

    RequirementNode *appendChild(std::unique_ptr<RequirementNode> child);
    RequirementNode *insertChild(int index, std::unique_ptr<RequirementNode> child);
    std::unique_ptr<RequirementNode> takeChild(int index);

    // True when this node is `other` or lies below it.
    bool isSelfOrDescendantOf(const RequirementNode *other) const;

private:
    friend class RequirementTree;
    QString caption_;
    RequirementData data_;
    RequirementNode *parent_ = nullptr;
    std::vector<std::unique_ptr<RequirementNode>> children_;
};

// The ordered top-level nodes. The root of the document is the first of them.
class RequirementTree
{
public:
    RequirementTree() = default;
    RequirementTree(RequirementTree &&) = default;
    RequirementTree &operator=(RequirementTree &&) = default;

    bool isEmpty() const { return topLevel_.empty(); }
    int topLevelCount() const { return int(topLevel_.size()); }
    RequirementNode *topLevel(int index) const { return topLevel_[size_t(index)].get(); }
    RequirementNode *lastTopLevel() const { return topLevel_.empty() ? nullptr : topLevel_.back().get(); }
    RequirementNode *root() const { return topLevel_.empty() ? nullptr : topLevel_.front().get(); }
    int indexOfTopLevel(const RequirementNode *node) const;

    RequirementNode *appendTopLevel(std::unique_ptr<RequirementNode> node);
    RequirementNode *insertTopLevel(int index, std::unique_ptr<RequirementNode> node);
    std::unique_ptr<RequirementNode> takeTopLevel(int index);
    void clear() { topLevel_.clear(); }

    // Pre-order over every top-level node and its subtree, without recursion so that any
    // nesting depth is safe. `visit(node, depth)` gets depth 0 for top-level nodes.
    template <typename Visit>
    void forEachPreOrder(Visit &&visit) const
    {
        for (const auto &top : topLevel_)
            walkPreOrder(top.get(), visit);
    }

    int nodeCount() const;

private:
    std::vector<std::unique_ptr<RequirementNode>> topLevel_;
};

// Pre-order over `start` and its subtree; depth counts from 0 at `start`.
template <typename Visit>
void walkPreOrder(const RequirementNode *start, Visit &&visit)
{
    if (!start)
        return;
    struct Frame
    {
        const RequirementNode *node;
        int depth;
    };
    std::vector<Frame> stack{{start, 0}};
    while (!stack.empty()) {
        const Frame frame = stack.back();
        stack.pop_back();
        visit(const_cast<RequirementNode *>(frame.node), frame.depth);
        for (int i = frame.node->childCount() - 1; i >= 0; --i)
            stack.push_back({frame.node->child(i), frame.depth + 1});
    }
}

} // namespace priomat
