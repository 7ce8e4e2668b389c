// The result window's sensitivity page: the points as one child's weight varies, the weights at
// which the best alternative changes, and how many scale steps each judgement of the shown
// matrix is from changing it. Renders what model/Sensitivity computes.
#pragma once

#include "model/Sensitivity.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QChartView;
class QComboBox;
class QLabel;
class QSplitter;
class QTreeWidget;

namespace priomat {

class DocumentSession;
class SensitivityAnalysis;

class SensitivityPage : public QWidget
{
    Q_OBJECT

public:
    SensitivityPage(bool japanese, QWidget *parent = nullptr);
    ~SensitivityPage() override;

    // Follows the session's document from now on.
    void attachSession(DocumentSession *session);

    // The size the page's content needs; below it the page scrolls.
    QSize contentSize() const;

    // Rebuilds everything from the session now.
    void refresh();

    // The selected row of the table last used, TAB-separated; empty when none is selected.
    QString selectedRowText() const;
    // Both tables with their header lines, rows ending in CR LF, an empty line between them.
    QString allText() const;
    // Saves the chart as SVG when `path` ends in .svg, else as PNG. Throws FileError.
    void saveChart(const QString &path);
    // Save As on this page: runs the dialog and saves the chart; reports a failed write.
    void saveAs(QWidget *dialogParent);
    // Replaces the save dialog when set (tests): gets the start path, returns the chosen file.
    std::function<QString(const QString &startPath)> saveDialogRunner;

    QComboBox *NodeCombo;
    QLabel *NoteLabel;
    // One sentence first: the winner's lead and the nearest tipping weight and judgement.
    QLabel *SummaryLabel;
    QWidget *Content;
    QChartView *WeightChart;
    QTreeWidget *TippingList;
    QLabel *JudgementLabel;
    QTreeWidget *JudgementList;

signals:
    // The selection of a table changed (Copy follows it).
    void selectionChanged();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void sessionChanged();
    void rebuild();
    void fillNodes();
    void fillTables();
    void fillJudgements();
    void drawChart();
    void showNote(const QString &text);
    void showSummary();

    bool japanese_;
    DocumentSession *session_ = nullptr;
    std::unique_ptr<SensitivityAnalysis> analysis_;
    bool pending_ = false;
    QSplitter *splitter_ = nullptr;
    QWidget *inner_ = nullptr;
    bool splitterPlaced_ = false;
    int chartChild_ = 0;
    QTreeWidget *lastList_ = nullptr;
    QString lastSaved_;
    std::vector<TippingPoint> tipping_;
    std::vector<JudgementRobustness> judgements_;
};

} // namespace priomat
