// The item model over the requirement tree: structure, edits, moves, drag and drop.
#include "document/RequirementTreeModel.h"

#include <QAbstractItemModelTester>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace priomat;
using Mime = std::unique_ptr<QMimeData>;

namespace {

RequirementNode *add(RequirementNode *parent, const char *caption)
{
    return parent->appendChild(std::make_unique<RequirementNode>(caption));
}

// Root { A { A1 { A1x }, A2 }, B { B1 }, C }, Other
RequirementTree sampleTree()
{
    RequirementTree tree;
    RequirementNode *root = tree.appendTopLevel(std::make_unique<RequirementNode>("Root"));
    RequirementNode *a = add(root, "A");
    add(add(a, "A1"), "A1x");
    add(a, "A2");
    add(add(root, "B"), "B1");
    add(root, "C");
    tree.appendTopLevel(std::make_unique<RequirementNode>("Other"));
    int i = 1; // distinct records, so that a swapped or re-created record shows
    tree.forEachPreOrder([&i](RequirementNode *node, int) { node->data() = {0.125 * i, 1.0 / ++i}; });
    return tree;
}

// Pre-order "depth:caption:consistency:weight@identity" lines of a subtree or the whole tree.
QStringList outline(const RequirementNode *start)
{
    QStringList lines;
    walkPreOrder(start, [&lines](RequirementNode *n, int depth) {
        lines.append(QStringLiteral("%1:%2:%3:%4@%5").arg(depth).arg(n->caption()).arg(n->data().ConsistencyIndex)
                         .arg(n->data().LocalWeight).arg(quintptr(n)));
    });
    return lines;
}

QStringList outline(const RequirementTree &tree)
{
    QStringList lines;
    for (int i = 0; i < tree.topLevelCount(); ++i)
        lines += outline(tree.topLevel(i));
    return lines;
}

// A tree, its model and a tester that checks the model after every change.
struct Fixture
{
    RequirementTree tree = sampleTree();
    RequirementTreeModel model{tree};
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::QtTest};
    QSignalSpy moved{&model, &RequirementTreeModel::nodeMoved};

    RequirementNode *node(const QString &caption) const
    {
        RequirementNode *found = nullptr;
        tree.forEachPreOrder([&](RequirementNode *n, int) { found = found ? found : (n->caption() == caption ? n : nullptr); });
        return found;
    }
    QModelIndex index(const QString &caption) const { return caption.isEmpty() ? QModelIndex() : model.indexOf(node(caption)); }
    QStringList children(const QString &caption) const { return node(caption)->childCaptions(); }
    Mime drag(const QString &caption) const { return Mime(model.mimeData({index(caption)})); }
    // The last nodeMoved as captions, "-" for top level.
    QString lastMove() const
    {
        QStringList parts;
        for (const QVariant &arg : moved.last()) {
            auto *n = arg.value<RequirementNode *>();
            parts.append(n ? n->caption() : QStringLiteral("-"));
        }
        return parts.join(u' ');
    }
};

} // namespace

class TestTreeModel : public QObject
{
    Q_OBJECT

private slots:
    void structureFollowsTheTree();
    void renameAndRefusedClearing();
    void onlyNodesBelowTopLevelAreDraggable();
    void appendAndInsert();
    void moveCarriesSubtreeAndRecords();
    void moveAmongSiblings_data();
    void moveAmongSiblings();
    void moveRefusesCyclesAndNoOps();
    void upAndDown();
    void removeReleasesSubtree();
    void dropMakesLastChild();
    void refusedDrops_data();
    void refusedDrops();
    void foreignOrStaleDragDataIsRefused();
    void removeRowsAndReset();
    void uniqueNewItemName_data();
    void uniqueNewItemName();
};

void TestTreeModel::structureFollowsTheTree()
{
    Fixture f;
    QCOMPARE(f.model.columnCount(), 1);
    QCOMPARE(f.model.rowCount(), 2);
    QCOMPARE(f.model.rowCount(f.index("Root")), 3);
    f.tree.forEachPreOrder([&f](RequirementNode *node, int) {
        const QModelIndex index = f.model.indexOf(node);
        QCOMPARE(f.model.nodeOf(index), node);
        QCOMPARE(index.data(Qt::DisplayRole).toString(), node->caption());
        QCOMPARE(index.data(Qt::EditRole).toString(), node->caption());
        QCOMPARE(f.model.nodeOf(index.parent()), node->parent());
        QCOMPARE(f.model.index(index.row(), 0, index.parent()), index);
    });
    QCOMPARE(f.model.nodeOf(f.model.index(1, 0, f.index("A"))), f.node("A2"));
    QVERIFY(!f.model.index(3, 0, f.index("Root")).isValid());
    QVERIFY(!f.model.indexOf(nullptr).isValid());
    RequirementNode detached("Loose");
    QVERIFY(!f.model.indexOf(&detached).isValid());
}

void TestTreeModel::renameAndRefusedClearing()
{
    Fixture f;
    QSignalSpy changed(&f.model, &QAbstractItemModel::dataChanged);
    const QModelIndex b = f.index("B");
    QVERIFY(f.model.setData(b, QStringLiteral("Price "))); // kept as typed, blank included
    QCOMPARE(f.tree.root()->child(1)->caption(), QStringLiteral("Price "));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed[0][0].value<QModelIndex>(), b);
    QVERIFY(!f.model.setData(b, QStringLiteral("X"), Qt::DisplayRole));
    QCOMPARE(changed.size(), 1);

    // After a drop, a view in overwrite mode "clears" the moved item with invalid values.
    QMap<int, QVariant> roles = f.model.itemData(b);
    for (QVariant &value : roles)
        value = QVariant();
    f.model.setItemData(b, roles);
    QVERIFY(!f.model.setData(b, QVariant()));
    QCOMPARE(b.data().toString(), QStringLiteral("Price "));
}

void TestTreeModel::onlyNodesBelowTopLevelAreDraggable()
{
    Fixture f;
    for (const char *caption : {"Root", "Other", "A", "A1x"}) {
        const Qt::ItemFlags flags = f.model.flags(f.index(caption));
        QCOMPARE(bool(flags & Qt::ItemIsDragEnabled), f.node(caption)->parent() != nullptr);
        QVERIFY(flags & Qt::ItemIsDropEnabled && flags & Qt::ItemIsSelectable);
        QVERIFY(!(flags & Qt::ItemIsEditable)); // renaming goes through the caption edit
    }
    QCOMPARE(f.model.supportedDragActions(), Qt::MoveAction);
}

void TestTreeModel::appendAndInsert()
{
    Fixture f;
    const QPersistentModelIndex selected = f.index("B");
    RequirementNode *n = f.model.appendChild(f.index("C"), "New Item"); // a leaf becomes a parent
    QCOMPARE(n->parent(), f.node("C"));
    QCOMPARE(n->data().LocalWeight, 0.0);
    QVERIFY(f.model.appendChild(f.index("A"), "Last"));
    QCOMPARE(f.children("A"), (QStringList{"A1", "A2", "Last"}));
    QVERIFY(f.model.insertBefore(selected, "Before B"));
    QCOMPARE(f.children("Root"), (QStringList{"A", "Before B", "B", "C"}));
    QCOMPARE(f.model.nodeOf(selected), f.node("B")); // the selection stays where it was
    QCOMPARE(selected.row(), 2);
    RequirementNode *top = f.model.insertBefore(f.index("Root"), "Top");
    QCOMPARE(f.tree.root(), top);
    RequirementNode *bottom = f.model.appendChild({}, "Bottom");
    QCOMPARE(f.tree.lastTopLevel(), bottom);
    QCOMPARE(f.model.insertBefore({}, "Nowhere"), nullptr);
    QCOMPARE(f.tree.topLevelCount(), 4);
}

void TestTreeModel::moveCarriesSubtreeAndRecords()
{
    Fixture f;
    RequirementNode *a = f.node("A");
    const QStringList before = outline(a);
    const QPersistentModelIndex pa = f.index("A"), pa1x = f.index("A1x"), pb = f.index("B");
    QVERIFY(f.model.moveNode(pa, f.index("B1"), -1));
    QCOMPARE(outline(a), before); // same nodes, same records, same shape
    QCOMPARE(a->parent(), f.node("B1"));
    QCOMPARE(f.children("Root"), (QStringList{"B", "C"}));
    QCOMPARE(QModelIndex(pa), f.model.indexOf(a));
    QCOMPARE(QModelIndex(pa1x), f.index("A1x"));
    QCOMPARE(f.model.nodeOf(pa1x.parent().parent()), a);
    QCOMPARE(pb.row(), 0);
    QCOMPARE(f.lastMove(), QStringLiteral("A Root B1"));

    QVERIFY(f.model.moveNode(f.index("B"), {}, 1)); // to top level
    QCOMPARE(f.lastMove(), QStringLiteral("B Root -"));
    QCOMPARE(f.tree.topLevel(1), f.node("B"));
}

void TestTreeModel::moveAmongSiblings_data()
{
    // `row` counts the siblings before the move.
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("first to middle") << "A" << 2 << QStringList{"B", "A", "C"};
    QTest::newRow("first to end") << "A" << 3 << QStringList{"B", "C", "A"};
    QTest::newRow("first appended") << "A" << -1 << QStringList{"B", "C", "A"};
    QTest::newRow("last to front") << "C" << 0 << QStringList{"C", "A", "B"};
    QTest::newRow("last to middle") << "C" << 1 << QStringList{"A", "C", "B"};
    QTest::newRow("middle to end") << "B" << 3 << QStringList{"A", "C", "B"};
}

void TestTreeModel::moveAmongSiblings()
{
    QFETCH(QString, caption);
    QFETCH(int, row);
    QFETCH(QStringList, order);
    Fixture f;
    const QStringList before = outline(f.node(caption));
    const QPersistentModelIndex persistent = f.index(caption);
    QVERIFY(f.model.moveNode(persistent, f.index("Root"), row));
    QCOMPARE(f.children("Root"), order);
    QCOMPARE(persistent.row(), int(order.indexOf(caption)));
    QCOMPARE(outline(f.node(caption)), before);
    QCOMPARE(f.lastMove(), caption + " Root Root");
}

void TestTreeModel::moveRefusesCyclesAndNoOps()
{
    Fixture f;
    const QStringList before = outline(f.tree);
    const QModelIndex a = f.index("A"), root = f.index("Root");
    QVERIFY(!f.model.moveNode(a, a, -1));
    QVERIFY(!f.model.moveNode(a, f.index("A1"), -1));
    QVERIFY(!f.model.moveNode(a, f.index("A1x"), 0));
    QVERIFY(!f.model.moveNode(root, f.index("C"), -1));
    for (int row : {0, 1, 4, -2}) // where it is, right behind itself, out of range
        QVERIFY(!f.model.moveNode(a, root, row));
    QVERIFY(!f.model.moveNode({}, root, 0));
    QCOMPARE(outline(f.tree), before);
    QCOMPARE(f.moved.size(), 0);
}

void TestTreeModel::upAndDown()
{
    Fixture f;
    const QStringList before = outline(f.tree);
    QVERIFY(!f.model.moveUp(f.index("A")));   // first sibling
    QVERIFY(!f.model.moveDown(f.index("C"))); // last sibling
    QVERIFY(!f.model.moveUp(f.index("A1x")) && !f.model.moveDown(f.index("A1x")));
    QVERIFY(!f.model.moveUp(f.index("Root")) && !f.model.moveDown(f.index("Other")));
    QVERIFY(!f.model.moveUp({}) && !f.model.moveDown({}));
    QCOMPARE(outline(f.tree), before);
    QCOMPARE(f.moved.size(), 0);

    const QPersistentModelIndex selected = f.index("C");
    const QStringList recordsOfC = outline(f.node("C"));
    QVERIFY(f.model.moveUp(selected)); // one step from the last row
    QCOMPARE(f.children("Root"), (QStringList{"A", "C", "B"}));
    QCOMPARE(f.lastMove(), QStringLiteral("C Root Root"));
    QVERIFY(f.model.moveUp(selected));
    QCOMPARE(selected.row(), 0);
    // Down moves the next sibling, so the selected node stays selected.
    QVERIFY(f.model.moveDown(selected));
    QCOMPARE(f.children("Root"), (QStringList{"A", "C", "B"}));
    QCOMPARE(f.lastMove(), QStringLiteral("A Root Root"));
    QCOMPARE(f.model.nodeOf(selected), f.node("C"));
    QCOMPARE(outline(f.node("C")), recordsOfC);

    const QPersistentModelIndex root = f.index("Root");
    QVERIFY(f.model.moveDown(root)); // top level too
    QCOMPARE(f.tree.root(), f.node("Other"));
    QCOMPARE(root.row(), 1);
}

void TestTreeModel::removeReleasesSubtree()
{
    Fixture f;
    const QPersistentModelIndex a = f.index("A"), a1x = f.index("A1x"), b = f.index("B");
    QVERIFY(f.model.removeNode(a));
    QCOMPARE(f.tree.nodeCount(), 5); // A, A1, A1x and A2 are gone
    QCOMPARE(f.children("Root"), (QStringList{"B", "C"}));
    QVERIFY(!a.isValid() && !a1x.isValid());
    QCOMPARE(b.row(), 0);
    QVERIFY(!f.model.removeNode({}));
}

void TestTreeModel::dropMakesLastChild()
{
    Fixture f;
    QCOMPARE(f.model.mimeTypes(), QStringList{RequirementTreeModel::MimeType});
    const QStringList before = outline(f.node("A"));
    const QPersistentModelIndex selected = f.index("A");
    const QModelIndex b = f.index("B");
    Mime data = f.drag("A");
    QVERIFY(f.model.canDropMimeData(data.get(), Qt::MoveAction, -1, -1, b));
    QVERIFY(f.model.dropMimeData(data.get(), Qt::MoveAction, -1, -1, b));
    QCOMPARE(f.children("B"), (QStringList{"B1", "A"}));
    QCOMPARE(outline(f.node("A")), before);
    QCOMPARE(selected.parent(), f.index("B"));
    QCOMPARE(f.lastMove(), QStringLiteral("A Root B"));

    // A leaf that receives a node becomes a parent.
    QVERIFY(!f.model.hasChildren(f.index("C")));
    QVERIFY(f.model.dropMimeData(f.drag("A1x").get(), Qt::MoveAction, -1, -1, f.index("C")));
    QCOMPARE(f.children("C"), QStringList{"A1x"});
    QVERIFY(f.model.hasChildren(f.index("C")) && !f.node("A1")->hasChildren());
}

void TestTreeModel::refusedDrops_data()
{
    QTest::addColumn<QString>("dragged");
    QTest::addColumn<QString>("target"); // empty: the viewport
    QTest::addColumn<int>("row");
    QTest::addColumn<Qt::DropAction>("action");
    const auto move = Qt::MoveAction;
    QTest::newRow("own parent") << "A1" << "A" << -1 << move;
    QTest::newRow("own parent, the root") << "B" << "Root" << -1 << move;
    QTest::newRow("itself") << "A" << "A" << -1 << move;
    QTest::newRow("child") << "A" << "A1" << -1 << move;
    QTest::newRow("grandchild") << "A" << "A1x" << -1 << move;
    QTest::newRow("root dragged") << "Root" << "Other" << -1 << move;
    QTest::newRow("top level dragged") << "Other" << "C" << -1 << move;
    QTest::newRow("viewport") << "A1" << "" << -1 << move;
    QTest::newRow("between nodes") << "A1" << "B" << 0 << move;
    QTest::newRow("copy") << "A1" << "B" << -1 << Qt::CopyAction;
}

void TestTreeModel::refusedDrops()
{
    QFETCH(QString, dragged);
    QFETCH(QString, target);
    QFETCH(int, row);
    QFETCH(Qt::DropAction, action);
    Fixture f;
    const QStringList before = outline(f.tree);
    Mime data = f.drag(dragged);
    QVERIFY(data);
    QVERIFY(!f.model.canDropMimeData(data.get(), action, row, -1, f.index(target)));
    QVERIFY(!f.model.dropMimeData(data.get(), action, row, -1, f.index(target)));
    QCOMPARE(outline(f.tree), before);
    QCOMPARE(f.moved.size(), 0);
}

void TestTreeModel::foreignOrStaleDragDataIsRefused()
{
    Fixture f, other; // the same rows in another document name another node
    const QStringList before = outline(f.tree);
    auto refused = [&f](const QMimeData *data) {
        return !f.model.canDropMimeData(data, Qt::MoveAction, -1, -1, f.index("B"))
            && !f.model.dropMimeData(data, Qt::MoveAction, -1, -1, f.index("B"));
    };
    QVERIFY(refused(other.drag("A1").get()));
    QMimeData garbage;
    garbage.setData(RequirementTreeModel::MimeType, "\x01\x02 not a path");
    QVERIFY(refused(&garbage));
    QVERIFY(refused(nullptr));
    QCOMPARE(outline(f.tree), before);

    Mime stale = f.drag("A2"); // its node goes before the drop
    QVERIFY(f.model.removeNode(f.index("A2")));
    QVERIFY(refused(stale.get()));
    QCOMPARE(f.moved.size(), 0);
    QCOMPARE(f.model.mimeData({f.index("A1"), f.index("B1")}), nullptr); // one node is dragged
}

void TestTreeModel::removeRowsAndReset()
{
    Fixture f;
    const QStringList before = outline(f.tree);
    // What a view does to the source rows after a move drop: nothing.
    QVERIFY(!f.model.removeRows(0, 1, f.index("Root")));
    QCOMPARE(outline(f.tree), before);

    QSignalSpy reset(&f.model, &QAbstractItemModel::modelReset);
    const QPersistentModelIndex b = f.index("B");
    f.model.resetTree([&f] {
        f.tree = RequirementTree();
        f.tree.appendTopLevel(std::make_unique<RequirementNode>("Fresh"));
    });
    QCOMPARE(reset.size(), 1);
    QVERIFY(!b.isValid());
    QCOMPARE(f.model.rowCount(), 1);
    QCOMPARE(f.model.index(0, 0).data().toString(), QStringLiteral("Fresh"));
}

void TestTreeModel::uniqueNewItemName_data()
{
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QString>("expected");
    QTest::newRow("none") << QStringList{"Root"} << "New Item";
    QTest::newRow("taken") << QStringList{"New Item"} << "New Item(2)";
    QTest::newRow("taken twice") << QStringList{"New Item", "New Item(2)"} << "New Item(3)";
    QTest::newRow("only numbered") << QStringList{"New Item(2)"} << "New Item";
    QTest::newRow("gap") << QStringList{"New Item(3)", "New Item"} << "New Item(2)";
    QTest::newRow("prefix case counts") << QStringList{"new item", "New ITEM"} << "New Item";
    QTest::newRow("numbered other case") << QStringList{"New Item", "new item(2)"} << "New Item(2)";
    QTest::newRow("longer captions") << QStringList{"New Item ", "New Items"} << "New Item";
}

void TestTreeModel::uniqueNewItemName()
{
    QFETCH(QStringList, captions);
    QFETCH(QString, expected);
    QCOMPARE(UniqueNewItemName(captions), expected);

    // Captions count at every level of the tree.
    Fixture f;
    RequirementNode *parent = f.node("A1x");
    for (const QString &caption : captions)
        parent = f.model.appendChild(f.model.indexOf(parent), caption);
    QCOMPARE(UniqueNewItemName(f.tree), expected);
}

QTEST_GUILESS_MAIN(TestTreeModel)
#include "tst_treemodel.moc"
