// The open document and everything around it: results, leaf weight cache, file name, encoding,
// the shown matrix and the undo history. Windows render it and call its operations; the
// command-line tool, the benchmarks and the fuzz targets open documents through it as well.
#pragma once

#include "document/DiskState.h"
#include "document/DocumentOpen.h"
#include "document/JudgementTyping.h"
#include "document/MatrixColours.h"
#include "document/SessionOptions.h"
#include "document/TextFile.h"
#include "model/ConsistencyAdvisor.h"
#include "model/Document.h"
#include "model/Evaluation.h"

#include <QHash>
#include <QSet>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QFileSystemWatcher;
class QUndoStack;

namespace priomat {

class RequirementTreeModel;

// Why a save asks before it writes over the document's file.
enum class OverwriteReason { IncompleteRead, ChangedOnDisk };
enum class OverwriteChoice { Overwrite, SaveAs, Reload, Cancel };

// What an open asks or tells the user; the main window implements it with message boxes.
class SessionHost
{
public:
    virtual ~SessionHost() = default;
    // Save is about to write over `path`, whose content the document does not hold in full:
    // overwrite it, save under another name, reload it or leave it.
    virtual OverwriteChoice confirmOverwrite(OverwriteReason reason, const QString &path) = 0;
    // The file had no tree but names to recover: make them children of the root?
    virtual bool askRecovery() = 0;
    // A computation or file error; shown once per operation.
    virtual void showError(const QString &message) = 0;
    // The file is empty or not a data file.
    virtual void showNotADataFile(const QString &message) = 0;
};

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
    // Names that occur more than once, compared as the tables compare them: their rows and
    // columns read the same entries.
    QStringList repeatedNames;
    // Row-major n × n, only for matrices the grid can show.
    std::vector<ColourClass> colours;
    ColourClass colourAt(int row, int column) const
    {
        return colours.empty() ? ColourClass::None : colours[size_t(row) * size_t(size()) + size_t(column)];
    }
    // CI / RI(n) with the advisor's random index; none when not computed or below three items.
    std::optional<double> consistencyRatio() const;
    // Row-major n × n: cells a completion filled and no edit has touched since; empty when none.
    std::vector<unsigned char> completed;
    bool completedAt(int row, int column) const
    {
        return !completed.empty() && completed[size_t(row) * size_t(size()) + size_t(column)] != 0;
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
    // The option flags; the Option menu shows and sets them.
    SessionOptions &options() { return options_; }
    const SessionOptions &options() const { return options_; }
    // The grid's keyboard rule, with its pending reciprocal.
    JudgementTyping &typing() { return typing_; }
    void setJapanese(bool japanese) { japanese_ = japanese; }
    // Deeper trees are not opened (a view cannot lay them out); 0: no limit.
    void setMaxTreeDepth(int depth) { maxTreeDepth_ = depth; }

    const Document &document() const { return document_; }
    // For tests and tools that build a document by hand; call reinstall() after changing it.
    Document &editableDocument() { return document_; }
    // The evaluation's rows as numbers; resultsChanged tells every view when they change.
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
    // False when nothing was opened (missing, foreign, unreadable, not a regular file or too
    // large for the memory); the host was told and the current document stays.
    bool open(const QString &path);
    // After the document was replaced by hand: weights, evaluation, history cleared.
    void reinstall();
    // False when nothing was written: a failure (reported), or the host's answer when the file
    // was read only up to a NUL byte or changed on disk since it was read or written (see
    // lastOverwriteChoice()).
    bool save(const QString &path);
    // What the host chose when the last save asked; Overwrite when it did not ask.
    OverwriteChoice lastOverwriteChoice() const { return lastOverwriteChoice_; }
    bool exportCsv(const QString &path);
    // Opens a recovery copy as an unsaved document named `originalPath` (empty: no name).
    bool openRecovered(const QString &copyPath, const QString &originalPath);
    // Looks at the file on disk again; emits changedOnDisk() once for each new outside change.
    void checkDisk();
    // Watches the document's file and checks it whenever the system says it changed.
    void setWatchingDisk(bool watching);
    // The tree and the alternatives without any judgement, for the participants of a group
    // decision; in the document's encoding. The document stays as it is.
    bool saveBlankCopy(const QString &path);
    // Replaces the document by one made elsewhere (a group's combined judgements): a new
    // document without a file name, which closing asks to save.
    void adoptDocument(Document &&replacement);

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
    // What the completion would fill and what that changes, with nothing changed yet.
    struct CompletionPreview
    {
        Completion completion;
        RankingPreview ranking; // its indexAfter is the matrix's index once filled
    };
    CompletionPreview previewCompletion();
    // Enters a previewed completion of the shown matrix as one step. The filled cells stay
    // marked (ShownMatrix::completed) until an edit touches them or the document is replaced;
    // undoing the step removes its marks.
    void applyCompletion(const Completion &completion);
    void addChild();
    void insertSibling();
    void moveUp();
    void moveDown();
    void deleteNode();
    bool dropNode(RequirementNode *node, RequirementNode *newParent);
    // Returns the pair of a cell of the shown matrix (grid positions counted from 1) to not
    // entered, with Inverse its mirror too; nothing happens when neither is entered.
    void clearEntry(int column, int row);
    // The selected node (with its subtree) as the last child of its previous sibling, or out of
    // its parent to just after it; false when there is no such place.
    bool indent();
    bool outdent();
    bool canIndent() const;
    bool canOutdent() const;
    void renameCurrent(const QString &caption);
    void setAlternativesText(const QString &text);
    // Typing in a field merges into one step until this is called (selection or focus change,
    // Enter). A finished rename takes the node's judgements (or an alternative's) along.
    void endTyping();
    int typingGeneration() const { return typingGeneration_; }
    // After a rename that found judgements already stored under the new name: says so, for the
    // node shown now; empty otherwise.
    QString renameNotice() const;

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
    // Another program changed the document's file since it was read or written.
    void changedOnDisk();

private:
    friend class SessionStep;
    friend class EntryStep;
    friend class TreeStep;
    friend class MoveStep;
    friend class RenameStep;
    friend class AlternativesStep;
    friend class ClearStep;

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
    // The undo text of an entry step: the matrix's owner and the pair.
    QString entryText(const char *ja, const char *en, int row, int column) const;

    SessionHost *host_ = nullptr;
    SessionOptions options_;
    JudgementTyping typing_;
    bool japanese_ = true;
    int maxTreeDepth_ = 0;

    Document document_;
    ResultLists results_;
    QString evaluationError_;
    LeafWeightCache leafWeights_;
    QString fileName_;
    TextEncoding encoding_ = TextEncoding::Utf8;
    // The file this document was read from when reading stopped at a NUL byte (canonical path).
    QString incompleteFile_;
    bool loading_ = false;
    // The rename whose new name already had judgements: the renamed node, or for an
    // alternative every leaf (nullptr with `noticeForLeaves_`).
    QString notice_;
    const RequirementNode *noticeNode_ = nullptr;
    bool noticeForLeaves_ = false;
    // Nodes whose children's matrix cannot be computed, with the error.
    QHash<const RequirementNode *, QString> failedNodes_;

    RequirementTreeModel *treeModel_ = nullptr;
    QUndoStack *stack_ = nullptr;
    RequirementNode *current_ = nullptr;
    ShownMatrix shown_;
    int typingGeneration_ = 0;
    // Keys of the entries a completion filled (case-folded, "A" or "R" and TAB before them).
    QSet<QString> completedKeys_;
    QString completedKey(const MatrixItems &items, const QString &row, const QString &column) const;
    bool busy_ = false;
    int errorDepth_ = 0;
    QString firstError_;

    // The file on disk: its state as read or written, the watcher and the unsaved-changes lock.
    void watchFile();
    void followLock();
    void tellOtherHolder(const QString &path);
    DiskStamp stamp_;
    QByteArray announcedDigest_;
    QFileSystemWatcher *watcher_ = nullptr; // made when watching is switched on
    EditLock lock_;
    OverwriteChoice lastOverwriteChoice_ = OverwriteChoice::Overwrite;
};

} // namespace priomat
