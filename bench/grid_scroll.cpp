// priomat-bench-grid: scrolling a 40 x 40 comparison matrix in the grid, one step at a time.
// Two figures per step: the scroll with the synchronous repaint it causes, and the whole grid
// painted (every visible cell, the header row and the name column, as after a full update).
// Medians, with the worst step beside them, and the painting thread's processor time, which
// a busy machine does not inflate. The colour option is on and every matrix cell carries a
// colour, the heaviest drawing the grid does.
// Runs offscreen unless QT_QPA_PLATFORM says otherwise (for example xcb under Xvfb).
#include "Timing.h"
#include "app/Placement.h"
#include "ui/main/MatrixGrid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QPixmap>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace priomat;
using priomat::bench::Clock;
using priomat::bench::median;
using priomat::bench::millisecondsSince;

namespace {

// Processor time of the calling thread in milliseconds: what a repaint costs on a busy machine,
// where the wall-clock figure also holds the time other processes took the processor.
double threadMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The grid as the main window fills it for 40 items.
void fill(TMatrixGrid &grid, int n)
{
    grid.setColumnCount(n + 2);
    grid.setRowCount(n + 1);
    grid.resetCellColours(n);
    grid.setCellText(0, 0, QString());
    const quint32 colours[] = {0, 0x0000FF, 0x0080FF, 0x00FF00, 0xFF0000};
    for (int i = 1; i <= n; ++i) {
        const QChar letter(char16_t(64 + i));
        grid.setCellText(i, 0, u'(' + letter + u')');
        grid.setCellText(0, i, u'(' + letter + QStringLiteral(") Alternative number %1").arg(i));
        for (int j = 1; j <= n; ++j) {
            grid.setCellText(j, i, i == j ? QStringLiteral("1") : (i < j ? QStringLiteral("3") : QStringLiteral("1/3")));
            if (i != j)
                grid.setCellColour(j - 1, i - 1, colours[(i + j) % 5]);
        }
        grid.setColumnWidth(i, grid.verticalHeader()->defaultSectionSize());
        grid.setCellText(n + 1, i, QStringLiteral("0.025"));
    }
    grid.setCellText(n + 1, 0, QStringLiteral("Weight"));
    grid.setColumnWidth(n + 1, 128);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    InstallFontSubstitutions();
    const int n = 40;
    const int steps = argc > 1 ? std::max(10, atoi(argv[1])) : 400;

    TMatrixGrid grid;
    grid.setFont(DefaultFontSettings(false).toFont());
    grid.setColumnWidth(0, 96);
    fill(grid, n);
    grid.useColours = true;
    grid.resize(640, 420); // about a third of the matrix in view
    grid.show();
    application.processEvents();
    grid.setCurrentCell(5, 7);

    QScrollBar *across = grid.horizontalScrollBar();
    QScrollBar *down = grid.verticalScrollBar();
    std::vector<double> stepTimes, stepProcessor, fullTimes, fullProcessor;
    QElapsedTimer timer;
    for (int step = 0; step < steps; ++step) {
        // Thumb tracking: a few pixels a step, to the end and back, both ways at once.
        const int phase = step % 100;
        const double part = phase < 50 ? phase / 50.0 : (100 - phase) / 50.0;
        double processorStart = threadMilliseconds();
        timer.start();
        across->setValue(int(part * across->maximum()));
        down->setValue(int(part * down->maximum()));
        grid.repaint();
        stepTimes.push_back(double(timer.nsecsElapsed()) / 1e6);
        stepProcessor.push_back(threadMilliseconds() - processorStart);
        application.processEvents();
        // The same view painted whole, every cell, header and name included.
        processorStart = threadMilliseconds();
        timer.start();
        const QPixmap whole = grid.grab();
        fullTimes.push_back(double(timer.nsecsElapsed()) / 1e6);
        fullProcessor.push_back(threadMilliseconds() - processorStart);
    }
    std::printf("grid %d x %d, viewport %d x %d, scroll range %d x %d px, %d steps (QT_QPA_PLATFORM=%s)\n", n, n,
                grid.viewport()->width(), grid.viewport()->height(), across->maximum(), down->maximum(), steps,
                qgetenv("QT_QPA_PLATFORM").constData());
    std::printf("scroll step with its repaint: %.3f ms median, %.3f ms worst; processor %.3f ms median\n",
                median(stepTimes), *std::max_element(stepTimes.begin(), stepTimes.end()), median(stepProcessor));
    std::printf("whole grid painted: %.3f ms median, %.3f ms worst; processor %.3f ms median (target: under 16 ms)\n",
                median(fullTimes), *std::max_element(fullTimes.begin(), fullTimes.end()), median(fullProcessor));
    return 0;
}
