// The result window's certainty page: how often each alternative comes out best and at each
// rank when every judgement may be a few scale steps off, the spread of the points, the
// judgements that matter most, and the ranking under the other usual AHP methods. Renders what
// document/CertaintyRun computes in a worker thread, and only while the page is seen.
#pragma once

#include "document/CertaintyRun.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

class QChartView;
class QComboBox;
class QLabel;
class QBoxLayout;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QSplitter;
class QTimer;
class QTreeWidget;

namespace priomat {

class DocumentSession;

class CertaintyPage : public QWidget
{
    Q_OBJECT

public:
    explicit CertaintyPage(QWidget *parent = nullptr);
    ~CertaintyPage() override;

    // Follows the session's document from now on: a change starts the run again while the page
    // is seen, else when it is shown next.
    void attachSession(DocumentSession *session);

    // The size the page's content needs; below it the page scrolls.
    QSize contentSize() const;
    bool isRunning() const;

    // The selected row of the table last used, TAB-separated; empty when none is selected.
    QString selectedRowText() const;
    // The tables with their header lines, rows ending in CR LF, an empty line between them;
    // empty without a result.
    QString allText() const;
    // The tables as text (.txt), or the charts as SVG (.svg) or PNG (otherwise). Throws FileError.
    void save(const QString &path);
    // Save As on this page: runs the dialog and saves; reports a failed write.
    void saveAs(QWidget *dialogParent);
    // Replaces the save dialog when set (tests): gets the start path, returns the chosen file.
    std::function<QString(const QString &startPath)> saveDialogRunner;

    QComboBox *SpreadCombo;
    QSpinBox *DrawsSpin;
    QPushButton *RunButton;
    QPushButton *CancelButton;
    QProgressBar *Progress;
    // Why there is nothing to show (running, cancelled, an evaluation that fails).
    QLabel *NoteLabel;
    QLabel *SummaryLabel;
    QWidget *Content;
    QChartView *BestChart;
    QChartView *PointsChart;
    QTreeWidget *RankList;
    QTreeWidget *JudgementList;
    QLabel *MethodsLabel;
    QTreeWidget *MethodList;

signals:
    // The selection of a table changed (Copy follows it).
    void selectionChanged();
    // A judgement of the list was chosen: the main window shows its matrix.
    void judgementChosen(const priomat::JudgementInfluence &judgement);
    // A finished run's result is on the page.
    void resultShown();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void documentChanged();
    void startRun();
    void showRunning(int done, int draws);
    void showNote(const QString &text);
    void showReport(const CertaintyReport &report);
    void fillRanks(const CertaintyResult &result);
    void fillJudgements(const CertaintyResult &result);
    void fillMethods(const MethodComparison &methods);
    void drawBest(const CertaintyResult &result);
    void drawPoints(const CertaintyResult &result);
    void updateButtons();
    void placeSplitter();

    DocumentSession *session_ = nullptr;
    CertaintyRun *run_ = nullptr;
    QTimer *restart_ = nullptr;
    bool stale_ = true; // the page shows no result of the document as it is now
    bool placed_ = false;
    QWidget *inner_ = nullptr;
    QBoxLayout *layout_ = nullptr;
    QSplitter *splitter_ = nullptr;
    QWidget *charts_ = nullptr;  // the splitter of the two charts
    QWidget *running_ = nullptr; // the progress bar and Cancel
    QTreeWidget *lastList_ = nullptr;
    QString lastSaved_;
    QStringList summaryLines_; // for the text copies: spread, draws, seed, winner changes
    std::vector<JudgementInfluence> judgements_;
};

} // namespace priomat
