// priomat-bench-edit: one keyboard entry in a leaf's 40 x 40 alternatives matrix of a large
// document, through the real main window (offscreen): store, weights, grid refresh and overall
// evaluation. Reported as the median against a baseline measured in the same run: computing
// that one matrix's weights alone. Beside it: undo and redo of such an entry with the same
// whole cycle, and the memory the history of 10,000 entries takes.
#include "Timing.h"
#include "ui/main/BaseForm.h"
#include "ui/main/NamedChild.h"
#include "document/DocumentSession.h"
#include "model/ComparisonMatrix.h"
#include "DataGenerator.h"
#include "setup/DesktopAssociation.h"
#include "app/Frame.h"
#include "platform/HelpViewer.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "model/Priorities.h"
#include "platform/RegistryStore.h"
#include "document/RequirementTreeModel.h"
#include "platform/SystemInfo.h"

#include <QApplication>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTreeView>
#include <QUndoStack>

#include <malloc.h>

#include <algorithm>
#include <memory>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace priomat;
using priomat::bench::Clock;
using priomat::bench::median;
using priomat::bench::millisecondsSince;

namespace {

class NoHelpers : public desktop::HelperRunner
{
public:
    QString find(const QString &) const override { return {}; }
    void run(const QString &, const QStringList &) override {}
};

class SilentBoxes : public platform::MessageBoxService
{
public:
    int show(QWidget *, const QString &, const QString &, unsigned) override { return platform::IDOK; }
};

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());

    platform::MemoryRegistryStore registry;
    SilentBoxes boxes;
    platform::DesktopHelpViewer help;
    platform::LinuxSystemInfo system;
    platform::setServices({&registry, &boxes, &help, &system});
    NoHelpers helpers;
    desktop::setHelperRunner(&helpers);
    FrameStartup();

    const bench::Shape shape; // 300 leaves under 12 parents, 40 alternatives
    const QString path = home.path() + "/large.ahp";
    bench::WriteGeneratedFile(path, shape, 20240521);

    int runs = 200;
    for (int i = 1; i + 1 < argc; ++i) {
        if (QByteArray(argv[i]) == "--runs")
            runs = std::max(1, QByteArray(argv[i + 1]).toInt());
    }

    std::vector<double> cycle;
    std::vector<double> baseline;
    std::vector<double> addChild;
    std::vector<double> move;
    std::vector<double> dropNode;
    std::vector<double> undo;
    std::vector<double> redo;
    {
        TBaseForm form;
        form.show();
        form.LoadDocument(path);
        const Document &document = form.session().document();
        RequirementNode *leaf = document.tree.root()->child(0)->child(0);
        named<QTreeView>(form, "TreeTree")->setCurrentIndex(form.treeModel()->indexOf(leaf));
        const QStringList items = form.session().shownMatrix().items.names;
        const int n = int(items.size());
        std::printf("document: %d leaves, %d alternatives, %lld + %lld entries; matrix %d x %d\n",
                    shape.leaves, shape.alternatives,
                    static_cast<long long>(document.RequirementComparisons.size()),
                    static_cast<long long>(document.AlternativeComparisons.size()), n, n);

        const QString digits = QStringLiteral("3579246813");
        for (int run = 0; run < runs; ++run) {
            const int row = 1 + run % n;
            const int column = 1 + (run + 1 + run / n) % n;
            TMatrixGrid *grid = named<TMatrixGrid>(form, "MatrixGrid");
            grid->setCurrentCell(row, column == row ? (column % n) + 1 : column);
            const QChar key = digits.at(run % digits.size());

            const auto start = Clock::now();
            emit grid->characterTyped(key); // as typed on the grid
            QCoreApplication::processEvents(); // the repaint it asked for
            cycle.push_back(millisecondsSince(start));

            const auto computeStart = Clock::now();
            const Priorities p = ComputePriorities(ComparisonMatrix(document.AlternativeComparisons,
                                                                    leaf->caption(), items));
            baseline.push_back(millisecondsSince(computeStart));
            if (p.weights.empty())
                return 1;
        }
        // Undo and redo of those entries, each with the whole cycle.
        for (int run = 0; run < runs; ++run) {
            const auto start = Clock::now();
            QMetaObject::invokeMethod(&form, "MenuUndoClick");
            QCoreApplication::processEvents();
            undo.push_back(millisecondsSince(start));
        }
        for (int run = 0; run < runs; ++run) {
            const auto start = Clock::now();
            QMetaObject::invokeMethod(&form, "MenuRedoClick");
            QCoreApplication::processEvents();
            redo.push_back(millisecondsSince(start));
        }
        // Tree edits, each with its whole cycle: add a child to a parent of 25 leaves (and
        // delete it again), move a leaf up and down, drop a leaf into another group and back.
        RequirementNode *group = document.tree.root()->child(1);
        RequirementNode *other = document.tree.root()->child(2);
        RequirementTreeModel *model = form.treeModel();
        auto timed = [](std::vector<double> &into, const auto &edit) {
            const auto start = Clock::now();
            edit();
            QCoreApplication::processEvents();
            into.push_back(millisecondsSince(start));
        };
        auto drop = [model](RequirementNode *node, RequirementNode *target) {
            std::unique_ptr<QMimeData> data(model->mimeData({model->indexOf(node)}));
            model->dropMimeData(data.get(), Qt::MoveAction, -1, -1, model->indexOf(target));
        };
        const int treeRuns = std::max(5, runs / 4);
        for (int run = 0; run < treeRuns; ++run) {
            named<QTreeView>(form, "TreeTree")->setCurrentIndex(model->indexOf(group));
            timed(addChild, [&] { QMetaObject::invokeMethod(&form, "TreeButtonAddClick"); });
            named<QTreeView>(form, "TreeTree")->setCurrentIndex(model->indexOf(group->lastChild()));
            QMetaObject::invokeMethod(&form, "TreeButtonDeleteClick");

            named<QTreeView>(form, "TreeTree")->setCurrentIndex(model->indexOf(group->child(5)));
            timed(move, [&] { QMetaObject::invokeMethod(&form, "TreeButtonUpClick"); });
            timed(move, [&] { QMetaObject::invokeMethod(&form, "TreeButtonDownClick"); });

            RequirementNode *leafToMove = group->child(3);
            timed(dropNode, [&] { drop(leafToMove, other); });
            timed(dropNode, [&] { drop(leafToMove, group); });
        }
        form.session().undoStack()->setClean();
    }

    // History memory: 10,000 entries in a session without windows or evaluation, the heap in
    // use before and after (each entry replaces a value, so the table does not grow).
    std::size_t historyBytes = 0;
    int historySteps = 0;
    {
        DocumentSession session;
        session.options().setCalculateAutomatically(false);
        session.open(path);
        session.setCurrentNode(session.document().tree.root()->child(0)->child(0));
        const int n = session.shownMatrix().size();
        const QString digits = QStringLiteral("3579246813");
        malloc_trim(0);
        const std::size_t before = mallinfo2().uordblks;
        for (int run = 0; run < 10000; ++run) {
            const int row = 1 + run % n;
            int column = 1 + (run + 1 + run / n) % n;
            if (column == row)
                column = column % n + 1;
            const QString digit = digits.at(run % digits.size());
            session.enterValue({column, row, digit, QStringLiteral("1/") + digit});
        }
        historySteps = session.undoStack()->count();
        historyBytes = mallinfo2().uordblks - before;
    }
    FrameShutdown();
    desktop::setHelperRunner(nullptr);

    const double cycleMedian = median(cycle);
    const double baselineMedian = median(baseline);
    std::printf("runs: %d\n", runs);
    std::printf("baseline, one 40 x 40 matrix's weights: %.3f ms median\n", baselineMedian);
    std::printf("keyboard entry, whole edit cycle:       %.3f ms median (%.3f ms at the 95th percentile)\n",
                cycleMedian, [&] {
                    std::vector<double> sorted = cycle;
                    std::sort(sorted.begin(), sorted.end());
                    return sorted[sorted.size() * 95 / 100];
                }());
    std::printf("ratio: %.1f x the baseline\n", cycleMedian / baselineMedian);
    std::printf("undo of an entry, whole cycle:          %.3f ms median\n", median(undo));
    std::printf("redo of an entry, whole cycle:          %.3f ms median\n", median(redo));
    std::printf("history of %d entries:              %.2f MB (%.0f bytes a step)\n", historySteps,
                double(historyBytes) / (1024.0 * 1024.0), double(historyBytes) / std::max(1, historySteps));
    std::printf("add child to a group of 25 leaves:      %.3f ms median\n", median(addChild));
    std::printf("move a leaf up or down:                 %.3f ms median\n", median(move));
    std::printf("drop a leaf into another group:         %.3f ms median\n", median(dropNode));
    return 0;
}
