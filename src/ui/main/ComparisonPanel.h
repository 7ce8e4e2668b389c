// The right panel of the main window: the selected requirement's caption, the pairwise
// comparison matrix with its weights, the consistency index with its ratio and warning cue, the
// advisor button beside it, and the notices about the matrix. It shows the session's shown
// matrix; typing, clicks and the button are the main window's handlers.
#pragma once

#include <optional>

#include <QStringList>
#include <QWidget>

class QAction;
class QLabel;
class QLineEdit;
class QPushButton;

namespace priomat {

class DocumentSession;
class RequirementNode;
class TMatrixGrid;

class TComparisonPanel : public QWidget
{
    Q_OBJECT

public:
    TComparisonPanel(DocumentSession &session, QWidget *parent);

    QLabel *CaptionLabel;
    QLineEdit *CaptionEdit;
    QLabel *MatrixLabel;
    TMatrixGrid *MatrixGrid;
    // Instead of the grid when a matrix is too large to show.
    QLabel *MatrixMessage;
    QLabel *ConsistencyLabel;
    QLabel *ConsistencyLabel2;
    QLabel *ConsistencyLabel3;
    QLineEdit *ConsistencyEdit;
    // Beside the index while it is above 0.1: opens the advisor.
    QPushButton *AdvisorButton;
    // CI / RI(n) beside the index, with the rule in its tooltip.
    QLabel *ConsistencyRatio;
    // Above the grid: repeated names and judgements shared after a rename.
    QLabel *MatrixNotice;

    void applyEnglishTexts();
    // Rebuilds the caption, the grid's cells and the consistency display from the session.
    void refresh();
    // Refills the weight column, the index and the cell colours, and repaints the grid.
    void showWeightsAndConsistency();
    // A cell that takes an entry: off the diagonal, inside the matrix, the grid shown.
    bool isMatrixCell(int column, int row) const;

private:
    // A warning sign in the consistency field, for an index drawn in yellow or red.
    enum class ConsistencyCue { None, Doubtful, Poor, Failed };
    void showConsistencyCue(ConsistencyCue cue);
    void hideGrid();
    void showConsistencyRatio(std::optional<double> ratio, int size);
    void showMatrixNotice();

    DocumentSession &session_;
    QAction *consistencyCue_ = nullptr;
    quint64 cueIconKey_ = 0;
    // What the grid's columns were last fitted to: another node, other names or another font
    // fits them again; an entry only widens the column it needs to.
    struct FittedLayout
    {
        const RequirementNode *node = nullptr;
        QStringList names;
        QString font;
        bool operator==(const FittedLayout &) const = default;
    };
    FittedLayout fitted_;
};

} // namespace priomat
