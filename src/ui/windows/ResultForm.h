// The result window: the overall evaluation's two lists, their text file and clipboard copies,
// and bar charts of both, drawn from the session's results. Created hidden at start-up.
#pragma once

#include "model/Evaluation.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QTabWidget;
class QTreeView;

class QChartView;

namespace priomat {

class DocumentSession;
class ResultTableModel;
class SensitivityPage;
class CertaintyPage;

class TResultForm : public QWidget
{
    Q_OBJECT

public:
    explicit TResultForm(QWidget *parent = nullptr);

    // Empties both lists and fills them with the evaluation's rows; redraws the charts.
    void setResults(const ResultLists &lists);
    // With `error` set the lists stay empty and the window says which entry stops the evaluation.
    void setResults(const ResultLists &lists, const QString &error);
    // The rows the lists show, as numbers.
    ResultLists results() const;
    // The window follows this session: its results, its file and, on its page, the sensitivity.
    void attachSession(DocumentSession *session);

    // Replaces the save dialog when set: gets the start path, returns the chosen file (empty
    // for Cancel).
    std::function<QString(const QString &startPath)> saveDialogRunner;
    // The open document's file, whose folder the first save starts in (the session's file when unset).
    std::function<QString()> documentPath;

    struct SaveDialogSettings
    {
        QString filter;
        QString defaultSuffix;
        QString fileName; // the last file chosen; empty until the first save
    };
    SaveDialogSettings SaveDialog1;

    QTabWidget *PageControl1;
    QWidget *RequirementsPage;
    QWidget *AlternativesPage;
    QWidget *ChartsPage;
    SensitivityPage *Sensitivity;
    CertaintyPage *Certainty;
    QTreeView *AlternativesList;
    QTreeView *RequirementsList;
    ResultTableModel *AlternativesModel;
    ResultTableModel *RequirementsModel;
    QChartView *AlternativesChart;
    QChartView *RequirementsChart;
    QMenuBar *MainMenu1;
    QLabel *ErrorLabel;
    QMenu *MenuEdit;
    QAction *MenuCopyAll;
    QAction *MenuCopy;
    QMenu *MenuFile;
    QAction *MenuSaveAs;

public slots:
    void MenuSaveAsClick();
    void MenuEditClick();
    void MenuCopyClick();
    void MenuCopyAllClick();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showSession();
    QTreeView *activeList() const;
    void redrawCharts();
    void fitValueColumns();

    // Per list (requirements, alternatives): the value column follows its text, as long as
    // neither the settings nor the user gave it a width.
    std::array<bool, 2> fitValueColumn_{true, true};
    bool fittingColumns_ = false;

    bool japanese_ = true;
    QPointer<DocumentSession> session_;
};

extern TResultForm *ResultForm;

} // namespace priomat
