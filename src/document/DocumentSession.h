// The open document and everything around it: results, leaf weight cache, file name, encoding,
// the shown matrix and the undo history. Windows render it and call its operations; the
// command-line tool, the benchmarks and the fuzz targets open documents through it as well.
#pragma once

#include "document/DocumentOpen.h"
#include "document/TextFile.h"
#include "model/ConsistencyAdvisor.h"
#include "model/Document.h"
#include "model/Evaluation.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QUndoStack;

namespace priomat {

class RequirementTreeModel;

// What an open asks or tells the user; the main window implements it with message boxes.
class SessionHost
{
public:
    virtual ~SessionHost() = default;
    // The file had no tree but names to recover: make them children of the root?
    virtual bool askRecovery() = 0;
    // A computation or file error; shown once per operation.
    virtual void showError(const QString &message) = 0;
    // The file is empty or not a data file.
    virtual void showNotADataFile(const QString &message) = 0;
};

// The options the session reads from the window's menu.
struct SessionOptions
{
    bool calculateAutomatically = true;
    bool inverse = true;
};

// How an entry in the shown matrix compares with the ratio its weights imply.
enum class ColourClass : unsigned char {
    None,
    MuchHigher, // twice or more
    Higher,     // √2 or more
    Lower,      // 1/√2 or less
    MuchLower,  // half or less
};

// The colour value 0x00BBGGRR of a class; 0 for None.
quint32 colourValueOf(ColourClass colour);

// The matrix of the selected node as the panel shows it.
struct ShownMatrix
{
    const RequirementNode *node = nullptr;
    MatrixItems items;
    int size() const { return int(items.names.size()); }
    // Whether the weights and the index could be computed; when not, `error` says why and
    // (errorRow, errorColumn) is the cell that stops it, -1 when none is shown.
    bool computed = false;
    std::vector<double> weights;
    double consistencyIndex = 0.0;
    QString error;
    int errorRow = -1;
    int errorColumn = -1;
    qsizetype missing = 0; // "-" cells, counted only for matrices the grid can show
    // Row-major n × n, only for matrices the grid can show.
    std::vector<ColourClass> colours;
    ColourClass colourAt(int row, int column) const
    {
        return colours.empty() ? ColourClass::None : colours[size_t(row) * size_t(size()) + size_t(column)];
    }
};

// One value typed or chosen for a cell of the shown matrix (grid positions counted from 1).
struct CellEntry
{
    int column = 0;
    int row = 0;
    QString value;
    QString reciprocal;
};

class DocumentSession : public QObject
{
    Q_OBJECT

public:
    // The largest matrix the grid shows; larger ones get a message instead.
    static constexpr int GridLimit = 400;

    explicit DocumentSession(QObject *parent = nullptr);
    ~DocumentSession() override;

    void setHost(SessionHost *host) { host_ = host; }
    void setOptionSource(std::function<SessionOptions()> source) { optionSource_ = std::move(source); }
    SessionOptions options() const;
    void setJapanese(bool japanese) { japanese_ = japanese; }
    // Deeper trees are not opened (a view cannot lay them out); 0: no limit.
    void setMaxTreeDepth(int depth) { maxTreeDepth_ = depth; }

    const Document &document() const { return document_; }
    // For tests and tools that build a document by hand; call reinstall() after changing it.
    Document &editableDocument() { return document_; }
    const ResultLists &results() const { return results_; }
    // Why the evaluation has no results (a matrix that cannot be computed), empty otherwise.
    const QString &evaluationError() const { return evaluationError_; }
    const QString &fileName() const { return fileName_; }
    void setFileName(const QString &path);
    TextEncoding encoding() const { return encoding_; }
    bool isLoading() const { return loading_; }
    bool isModified() const;
    QUndoStack *undoStack() const { return stack_; }
    RequirementTreeModel *treeModel() const { return treeModel_; }

    // Document commands.
    void newDocument();
    // False when nothing was opened (missing, foreign or unreadable); the host was told.
    bool open(const QString &path);
    // After the document was replaced by hand: weights, evaluation, history cleared.
    void reinstall();
    bool save(const QString &path);
    bool exportCsv(const QString &path);

    // The selected node and its matrix.
    RequirementNode *currentNode() const { return current_; }
    void setCurrentNode(RequirementNode *node);
    const ShownMatrix &shownMatrix() const { return shown_; }
    // The entered text of a cell of the shown matrix (0-based), "-" when not entered.
    QString cellText(int row, int column) const;
    bool hasDashes() const;

    // Edits; each one is one undoable step.
    void enterValue(const CellEntry &entry);
    void changeDashesToOne();
    // Fills every "-" cell of the shown matrix from the entered pairs as one step; nothing
    // changes when the result says why not (disconnected groups, an unreadable entry).
    Completion completeFromEntered();
    void addChild();
    void insertSibling();
    void moveUp();
    void moveDown();
    void deleteNode();
    bool dropNode(RequirementNode *node, RequirementNode *newParent);
    // The selected node (with its subtree) as the last child of its previous sibling, or out of
    // its parent to just after it; false when there is no such place.
    bool indent();
    bool outdent();
    bool canIndent() const;
    bool canOutdent() const;
    void renameCurrent(const QString &caption);
    void setAlternativesText(const QString &text);
    // Typing in a field merges into one step until this is called (selection or focus change).
    void endTyping() { ++typingGeneration_; }
    int typingGeneration() const { return typingGeneration_; }

    // The overall evaluation into the results; `force` runs it with automatic calculation off.
    void evaluate(bool force);
    // The alternatives' weights under a leaf (trimmed caption), kept from the evaluation or
    // computed and kept now. Throws ComputationError.
    std::vector<double> leafWeights(const QString &leafName);
    // Recomputes the shown matrix (after an option change, for example).
    void refreshShown();
    // The selected node's weights, the shown matrix and the evaluation, as after an entry.
    void recomputeCurrent();

signals:
    void resultsChanged();
    void shownMatrixChanged();
    void currentNodeChanged(priomat::RequirementNode *node);
    void alternativesTextChanged();
    void fileNameChanged();
    void modifiedChanged(bool modified);
    // A node came back into the tree (an undone delete, a redone add): the view expands it.
    void subtreeRestored(priomat::RequirementNode *node);
    void documentReplaced();

private:
    friend class SessionStep;
    friend class EntryStep;
    friend class TreeStep;
    friend class MoveStep;
    friend class RenameStep;
    friend class AlternativesStep;

    // Collects errors of one operation so that only the first is shown.
    class ErrorScope;
    void report(const QString &message);
    QString outOfMemoryMessage(const QString &caption, qsizetype size) const;
    // UpdateChildWeights, remembering which nodes cannot be computed.
    void updateWeights(RequirementNode *node);
    void updateSubtree(RequirementNode *node);
    void forgetSubtree(const RequirementNode *node);
    void computeShown();
    void selectQuietly(RequirementNode *node);
    // After a step was applied or reverted: the shown matrix and the evaluation.
    void afterEdit(RequirementNode *node);
    void afterTreeEdit(RequirementNode *select);
    void clearHistory();
    void pushTreeInsert(RequirementNode *parent, int row, const QString &textFormat);

    SessionHost *host_ = nullptr;
    std::function<SessionOptions()> optionSource_;
    bool japanese_ = true;
    int maxTreeDepth_ = 0;

    Document document_;
    ResultLists results_;
    QString evaluationError_;
    LeafWeightCache leafWeights_;
    QString fileName_;
    TextEncoding encoding_ = TextEncoding::Utf8;
    bool loading_ = false;
    // The results belong to an earlier state of the document (after a rename).
    bool resultsStale_ = false;
    // Nodes whose children's matrix cannot be computed, with the error.
    QHash<const RequirementNode *, QString> failedNodes_;

    RequirementTreeModel *treeModel_ = nullptr;
    QUndoStack *stack_ = nullptr;
    RequirementNode *current_ = nullptr;
    ShownMatrix shown_;
    int typingGeneration_ = 0;
    bool busy_ = false;
    int errorDepth_ = 0;
    QString firstError_;
};

} // namespace priomat
