#include "model/RequirementTree.h"

#include <algorithm>

namespace priomat {

RequirementNode::RequirementNode(QString caption) : caption_(std::move(caption)) {}

RequirementNode::~RequirementNode()
{
    // Release the subtree without recursion: a file may nest nodes arbitrarily deep.
    std::vector<std::unique_ptr<RequirementNode>> pending = std::move(children_);
    while (!pending.empty()) {
        std::unique_ptr<RequirementNode> node = std::move(pending.back());
        pending.pop_back();
        for (auto &child : node->children_)
            pending.push_back(std::move(child));
        node->children_.clear();
    }
}

int RequirementNode::indexOf(const RequirementNode *child) const
{
    for (size_t i = 0; i < children_.size(); ++i) {
        if (children_[i].get() == child)
            return int(i);
    }
    return -1;
}

QStringList RequirementNode::childCaptions() const
{
    QStringList captions;
    captions.reserve(qsizetype(children_.size()));
    for (const auto &child : children_)
        captions.append(child->caption_);
    return captions;
}

RequirementNode *RequirementNode::appendChild(std::unique_ptr<RequirementNode> child)
{
    return insertChild(childCount(), std::move(child));
}

RequirementNode *RequirementNode::insertChild(int index, std::unique_ptr<RequirementNode> child)
{
    child->parent_ = this;
    index = std::clamp(index, 0, childCount());
    return children_.insert(children_.begin() + index, std::move(child))->get();
}

std::unique_ptr<RequirementNode> RequirementNode::takeChild(int index)
{
    std::unique_ptr<RequirementNode> child = std::move(children_[size_t(index)]);
    children_.erase(children_.begin() + index);
    child->parent_ = nullptr;
    return child;
}

bool RequirementNode::isSelfOrDescendantOf(const RequirementNode *other) const
{
    for (const RequirementNode *node = this; node; node = node->parent_) {
        if (node == other)
            return true;
    }
    return false;
}

int RequirementTree::indexOfTopLevel(const RequirementNode *node) const
{
    for (size_t i = 0; i < topLevel_.size(); ++i) {
        if (topLevel_[i].get() == node)
            return int(i);
    }
    return -1;
}

RequirementNode *RequirementTree::appendTopLevel(std::unique_ptr<RequirementNode> node)
{
    return insertTopLevel(topLevelCount(), std::move(node));
}

RequirementNode *RequirementTree::insertTopLevel(int index, std::unique_ptr<RequirementNode> node)
{
    node->parent_ = nullptr;
    index = std::clamp(index, 0, topLevelCount());
    return topLevel_.insert(topLevel_.begin() + index, std::move(node))->get();
}

std::unique_ptr<RequirementNode> RequirementTree::takeTopLevel(int index)
{
    std::unique_ptr<RequirementNode> node = std::move(topLevel_[size_t(index)]);
    topLevel_.erase(topLevel_.begin() + index);
    return node;
}

int RequirementTree::nodeCount() const
{
    int count = 0;
    forEachPreOrder([&count](RequirementNode *, int) { ++count; });
    return count;
}

} // namespace priomat
