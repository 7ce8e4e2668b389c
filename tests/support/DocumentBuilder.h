// Builds documents for tests from indented outlines and entry lists.
#pragma once

#include "model/Document.h"
#include "model/RequirementTree.h"

#include <QStringList>

#include <initializer_list>

namespace priomat::test {

// Each line is a caption indented by one space per level, as in a data file.
inline void buildTree(RequirementTree &tree, std::initializer_list<const char *> outline)
{
    tree.clear();
    std::vector<RequirementNode *> path;
    for (const char *raw : outline) {
        const QString line = QString::fromUtf8(raw);
        int depth = 0;
        while (depth < line.size() && line.at(depth) == u' ')
            ++depth;
        auto node = std::make_unique<RequirementNode>(line.mid(depth));
        path.resize(size_t(depth));
        RequirementNode *added = depth == 0 ? tree.appendTopLevel(std::move(node))
                                            : path.back()->appendChild(std::move(node));
        path.push_back(added);
    }
}

// Finds the first node with this caption in pre-order.
inline RequirementNode *findNode(const RequirementTree &tree, const QString &caption)
{
    RequirementNode *found = nullptr;
    tree.forEachPreOrder([&](RequirementNode *node, int) {
        if (!found && node->caption() == caption)
            found = node;
    });
    return found;
}

// "row|column|value" for requirement entries, "leaf|row|column|value" for alternative entries.
inline void addEntries(ComparisonTable &table, std::initializer_list<const char *> entries)
{
    for (const char *raw : entries) {
        QStringList fields = QString::fromUtf8(raw).split(u'|');
        const QString value = fields.takeLast();
        table.append(fields.join(u'\t'), value);
    }
}

} // namespace priomat::test
