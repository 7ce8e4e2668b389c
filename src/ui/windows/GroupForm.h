// The Group window: participants' files with their weights, their agreement with each other and
// with the group, and the combined document.
#pragma once

#include "document/GroupDecision.h"

#include <QAbstractTableModel>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QPushButton;
class QTableView;
class QTableWidget;
class QTabWidget;
class QThread;

namespace priomat {

// One of the window's tables over the numbers of a group result; texts are made when drawn.
class GroupTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum class Table { Compatibility, Pairs, Points, PairValues };
    GroupTableModel(Table table, bool japanese, QObject *parent = nullptr);

    void setResult(std::shared_ptr<const GroupResult> result);
    // The pair whose values PairValues lists: an index into the result's pairs, or -1.
    void setPair(int pair);
    // Highlighted rows: the least compatible participant, the most disputed pairs.
    int leastCompatible() const { return leastCompatible_; }
    static constexpr int DisputedShown = 5;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QString text(int row, int column) const;
    Table table_;
    bool japanese_;
    std::shared_ptr<const GroupResult> result_;
    int pair_ = -1;
    int leastCompatible_ = -1;
};

class TGroupForm : public QWidget
{
    Q_OBJECT

public:
    explicit TGroupForm(bool japanese, QWidget *parent = nullptr);
    ~TGroupForm() override;

    // Adds participants' files (weight 1) and computes again.
    void addFiles(const QStringList &paths);
    // Waits for a computation in progress; for tests.
    void waitForResult();
    // Gets the combined document to open as a new, unsaved document.
    std::function<void(Document &)> openCombined;
    // Runs the file dialog for the Add button; tests answer it instead.
    std::function<QStringList()> chooseFiles;

    const GroupResult *result() const { return result_.get(); }

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void AddButtonClick();
    void RemoveButtonClick();
    void OpenButtonClick();
    void ParticipantTableChange();
    void PairsTableSelect();
    void recompute();
    void showResult(std::shared_ptr<const GroupResult> result, const QString &error, int generation);

    bool japanese_;
    QTableWidget *ParticipantTable;
    QPushButton *AddButton;
    QPushButton *RemoveButton;
    QPushButton *OpenButton;
    QLabel *StatusLabel;
    QTabWidget *Tabs;
    QTableView *CompatibilityTable;
    QTableView *PairsTable;
    QTableView *PairValuesTable;
    QTableView *PointsTable;
    GroupTableModel *compatibility_;
    GroupTableModel *pairs_;
    GroupTableModel *pairValues_;
    GroupTableModel *points_;

    std::shared_ptr<const GroupResult> result_;
    QThread *worker_ = nullptr;
    int generation_ = 0;
    bool filling_ = false;
};

} // namespace priomat
