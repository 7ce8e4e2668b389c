#include "document/DocumentSession.h"

#include "document/CsvExport.h"
#include "document/RequirementTreeModel.h"
#include "model/ComparisonMatrix.h"
#include "model/ComparisonValue.h"
#include "model/ComputationError.h"
#include "model/Priorities.h"
#include "model/TextRules.h"

#include <QSet>
#include <QUndoCommand>
#include <QUndoStack>

#include <algorithm>
#include <new>
#include <optional>
#include <utility>

namespace priomat {

quint32 colourValueOf(ColourClass colour)
{
    switch (colour) {
    case ColourClass::MuchHigher: return 0x0000FF;
    case ColourClass::Higher: return 0x0080FF;
    case ColourClass::Lower: return 0x00FF00;
    case ColourClass::MuchLower: return 0xFF0000;
    case ColourClass::None: break;
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------

class DocumentSession::ErrorScope
{
public:
    explicit ErrorScope(DocumentSession &session) : session_(session) { ++session_.errorDepth_; }
    ~ErrorScope()
    {
        if (--session_.errorDepth_ > 0 || session_.firstError_.isEmpty())
            return;
        const QString message = std::exchange(session_.firstError_, QString());
        if (session_.host_)
            session_.host_->showError(message);
    }

private:
    DocumentSession &session_;
};

void DocumentSession::report(const QString &message)
{
    if (errorDepth_ == 0) {
        if (host_)
            host_->showError(message);
    } else if (firstError_.isEmpty()) {
        firstError_ = message;
    }
}

namespace {

QString stepText(bool japanese, const char *ja, const char *en, const QString &subject = QString())
{
    QString text = japanese ? QString::fromUtf8(ja) : QString::fromUtf8(en);
    if (!subject.isNull())
        text = text.arg(subject);
    return text;
}

enum StepId { RenameId = 1, AlternativesId = 2 };

} // namespace

// Every step selects the node it was made on before it changes anything back, so that the
// shown matrix is that node's, and leaves the host one error box at most.
class SessionStep : public QUndoCommand
{
public:
    SessionStep(DocumentSession &session, const QString &text) : QUndoCommand(text), session_(session) {}

    void redo() final { run(true); }
    void undo() final { run(false); }

protected:
    virtual void apply(bool forward) = 0;
    DocumentSession &session_;
    bool first_ = true;

    // The derived numbers of the groups a step recomputes, before and after it: undo and redo
    // put them back instead of recomputing, so they come back exactly as they were (also when
    // they were out of date, as after a rename).
    struct Weights
    {
        RequirementNode *node = nullptr;
        double consistencyIndex = 0.0;
        std::vector<double> childWeights;
        QString failure; // empty: computable
    };
    std::vector<Weights> before_;
    std::vector<Weights> after_;
    bool staleBefore_ = false;
    ResultLists resultsBefore_;
    QString errorBefore_;

    void capture(std::vector<Weights> &into, std::initializer_list<RequirementNode *> nodes) const
    {
        into.clear();
        for (RequirementNode *node : nodes) {
            if (!node)
                continue;
            Weights weights{node, node->data().ConsistencyIndex, {}, session_.failedNodes_.value(node)};
            for (int i = 0; i < node->childCount(); ++i)
                weights.childWeights.push_back(node->child(i)->data().LocalWeight);
            into.push_back(std::move(weights));
        }
    }
    void restore(const std::vector<Weights> &from) const
    {
        for (const Weights &weights : from) {
            RequirementNode *node = weights.node;
            node->data().ConsistencyIndex = weights.consistencyIndex;
            for (int i = 0; i < node->childCount() && size_t(i) < weights.childWeights.size(); ++i)
                node->child(i)->data().LocalWeight = weights.childWeights[size_t(i)];
            if (weights.failure.isEmpty())
                session_.failedNodes_.remove(node);
            else
                session_.failedNodes_.insert(node, weights.failure);
        }
    }
    // First run: recompute the groups and keep their numbers; later runs: put them back.
    void settleWeights(bool forward, std::initializer_list<RequirementNode *> groups)
    {
        if (first_) {
            for (RequirementNode *group : groups)
                session_.updateWeights(group);
            capture(after_, groups);
        } else {
            restore(forward ? after_ : before_);
        }
    }

private:
    void run(bool forward)
    {
        DocumentSession::ErrorScope errors(session_);
        const bool wasBusy = session_.busy_;
        session_.busy_ = true;
        if (!first_)
            session_.endTyping(); // typing after an undo or redo starts a step of its own
        if (first_) {
            staleBefore_ = session_.resultsStale_;
            if (staleBefore_) {
                resultsBefore_ = session_.results_; // shared until either changes
                errorBefore_ = session_.evaluationError_;
            }
        }
        try {
            apply(forward);
            first_ = false;
            if (!forward && staleBefore_) {
                // The results were those of an earlier state (a rename does not evaluate):
                // they come back as they were.
                session_.results_ = resultsBefore_;
                session_.evaluationError_ = errorBefore_;
                session_.resultsStale_ = true;
                emit session_.resultsChanged();
            }
        } catch (const std::bad_alloc &) {
            session_.report(session_.japanese_ ? QStringLiteral("メモリが足りません。") : QStringLiteral("Out of memory."));
        }
        session_.busy_ = wasBusy;
    }
};

// Value changes in one table, kept as differences: the entry's index and both values, or an
// appended entry.
class EntryStep : public SessionStep
{
public:
    EntryStep(DocumentSession &session, const QString &text, RequirementNode *node, bool leaf,
              QString leafName, QList<CellEntry> cells)
        : SessionStep(session, text), node_(node), leaf_(leaf), leafName_(std::move(leafName)),
          cells_(std::move(cells))
    {}

protected:
    void apply(bool forward) override
    {
        session_.selectQuietly(node_);
        ComparisonTable &table = leaf_ ? session_.document_.AlternativeComparisons
                                       : session_.document_.RequirementComparisons;
        const bool requirementGroup = !leaf_;
        if (first_) {
            if (requirementGroup)
                capture(before_, {node_});
            record(table);
        } else if (forward) {
            for (const Change &change : changes_) {
                if (change.appended)
                    table.append(change.key, change.newValue);
                else
                    table.setValueAt(change.index, change.newValue);
            }
        } else {
            for (auto it = changes_.crbegin(); it != changes_.crend(); ++it) {
                if (it->appended)
                    table.removeLast();
                else
                    table.setValueAt(it->index, it->oldValue);
            }
        }
        if (requirementGroup)
            settleWeights(forward, {node_});
        else
            session_.leafWeights_.invalidateLeaf(leafName_);
        first_ = false;
        session_.afterEdit(node_);
    }

private:
    struct Change
    {
        qsizetype index = 0;
        bool appended = false;
        QString key;      // only for appended entries
        QString oldValue; // only for replaced values
        QString newValue;
    };

    void record(ComparisonTable &table)
    {
        const MatrixItems items = ItemsUnder(session_.document_, node_);
        const bool inverse = session_.options().inverse;
        auto keyOf = [&](const QString &row, const QString &column) {
            return leaf_ ? alternativeKey(leafName_, row, column) : requirementKey(row, column);
        };
        auto store = [&](const QString &key, const QString &value) {
            Change change;
            change.newValue = value;
            if (const auto index = table.find(key)) {
                change.index = *index;
                change.oldValue = table.valueAt(*index);
                table.setValueAt(*index, value);
            } else {
                change.appended = true;
                change.key = key;
                table.append(key, value);
            }
            changes_.push_back(std::move(change));
        };
        for (const CellEntry &cell : std::as_const(cells_)) {
            const QString &rowName = items.names.at(cell.row - 1);
            const QString &columnName = items.names.at(cell.column - 1);
            store(keyOf(rowName, columnName), cell.value);
            if (inverse)
                store(keyOf(columnName, rowName), cell.reciprocal);
        }
        cells_.clear();
        changes_.shrink_to_fit();
    }

    RequirementNode *node_;
    bool leaf_;
    QString leafName_;
    QList<CellEntry> cells_; // until the first run
    std::vector<Change> changes_;
};

// A node added (add child, insert) or deleted: the node, its subtree and records are held by
// the step while they are out of the tree.
class TreeStep : public SessionStep
{
public:
    TreeStep(DocumentSession &session, const QString &text, bool adds, RequirementNode *parent, int row,
             std::unique_ptr<RequirementNode> node, RequirementNode *selected)
        : SessionStep(session, text), adds_(adds), parent_(parent), row_(row), held_(std::move(node)),
          selected_(selected)
    {
        node_ = held_.get();
    }
    TreeStep(DocumentSession &session, const QString &text, RequirementNode *node)
        : SessionStep(session, text), adds_(false), parent_(node->parent()),
          row_(node->parent() ? node->parent()->indexOf(node) : session.document_.tree.indexOfTopLevel(node)),
          node_(node), selected_(node)
    {}
    ~TreeStep() override
    {
        // A subtree released with the step takes its remembered failures along.
        if (held_)
            session_.forgetSubtree(held_.get());
    }

protected:
    void apply(bool forward) override
    {
        if (first_)
            capture(before_, {parent_});
        const bool insert = forward == adds_;
        if (insert) {
            session_.treeModel_->restoreNode(parent_, row_, std::move(held_));
            emit session_.subtreeRestored(adds_ ? parent_ : node_); // the node shows
        } else {
            if (session_.current_ && session_.current_->isSelfOrDescendantOf(node_))
                session_.current_ = nullptr;
            held_ = session_.treeModel_->takeNode(node_);
        }
        settleWeights(forward, {parent_});
        first_ = false;
        RequirementNode *select = selected_;
        if (!adds_ && forward) {
            // After a delete the selection goes to the next sibling, else the previous one,
            // else the parent.
            const int count = parent_ ? parent_->childCount() : session_.document_.tree.topLevelCount();
            const int row = row_ < count ? row_ : row_ - 1;
            select = row >= 0 ? (parent_ ? parent_->child(row) : session_.document_.tree.topLevel(row)) : parent_;
        }
        session_.afterTreeEdit(select);
    }

private:
    bool adds_;
    RequirementNode *parent_;
    int row_;
    std::unique_ptr<RequirementNode> held_;
    RequirementNode *node_ = nullptr;
    RequirementNode *selected_;
};

// Up, Down and a drop: the node object moves with its subtree and records; the view keeps its
// expansion because the model reports a move.
class MoveStep : public SessionStep
{
public:
    MoveStep(DocumentSession &session, const QString &text, RequirementNode *node, RequirementNode *toParent,
             int toRow, RequirementNode *selected)
        : SessionStep(session, text), node_(node), fromParent_(node->parent()),
          fromRow_(node->parent() ? node->parent()->indexOf(node) : session.document_.tree.indexOfTopLevel(node)),
          toParent_(toParent), toRow_(toRow), selected_(selected)
    {}

protected:
    void apply(bool forward) override
    {
        const bool regroups = fromParent_ != toParent_;
        if (first_ && regroups)
            capture(before_, {fromParent_, toParent_});
        if (forward)
            session_.treeModel_->placeNode(node_, toParent_, toRow_);
        else
            session_.treeModel_->placeNode(node_, fromParent_, fromRow_);
        // A reorder among siblings changes no weight.
        if (regroups)
            settleWeights(forward, {fromParent_, toParent_});
        first_ = false;
        session_.afterTreeEdit(selected_);
    }

private:
    RequirementNode *node_;
    RequirementNode *fromParent_;
    int fromRow_;
    RequirementNode *toParent_;
    int toRow_;
    RequirementNode *selected_;
};

// Typing in the caption field: one step per node until the typing ends.
class RenameStep : public SessionStep
{
public:
    RenameStep(DocumentSession &session, const QString &text, RequirementNode *node, QString caption)
        : SessionStep(session, text), node_(node), old_(node->caption()), new_(std::move(caption)),
          generation_(session.typingGeneration())
    {}
    int id() const override { return RenameId; }
    bool mergeWith(const QUndoCommand *other) override
    {
        const auto *next = static_cast<const RenameStep *>(other);
        if (next->node_ != node_ || next->generation_ != generation_)
            return false;
        new_ = next->new_;
        setText(next->text());
        return true;
    }

protected:
    void apply(bool forward) override
    {
        session_.selectQuietly(node_);
        session_.treeModel_->setData(session_.treeModel_->indexOf(node_), forward ? new_ : old_);
        if (forward)
            session_.resultsStale_ = true; // no evaluation after a rename
        session_.computeShown();
        emit session_.shownMatrixChanged();
    }

private:
    RequirementNode *node_;
    QString old_;
    QString new_;
    int generation_;
};

// Typing in the alternatives window: one step until the typing ends.
class AlternativesStep : public SessionStep
{
public:
    AlternativesStep(DocumentSession &session, const QString &text, QStringList oldLines, QStringList newLines)
        : SessionStep(session, text), old_(std::move(oldLines)), new_(std::move(newLines)),
          generation_(session.typingGeneration()), selected_(session.currentNode())
    {}
    int id() const override { return AlternativesId; }
    bool mergeWith(const QUndoCommand *other) override
    {
        const auto *next = static_cast<const AlternativesStep *>(other);
        if (next->generation_ != generation_)
            return false;
        new_ = next->new_;
        return true;
    }

protected:
    void apply(bool forward) override
    {
        session_.selectQuietly(selected_);
        session_.document_.alternativesLines = forward ? new_ : old_;
        emit session_.alternativesTextChanged();
        session_.computeShown();
        emit session_.shownMatrixChanged();
        session_.evaluate(false);
    }

private:
    QStringList old_;
    QStringList new_;
    int generation_;
    RequirementNode *selected_;
};

// ---------------------------------------------------------------------------------------------

DocumentSession::DocumentSession(QObject *parent) : QObject(parent)
{
    document_.reset();
    treeModel_ = new RequirementTreeModel(document_.tree, this);
    treeModel_->dropHandler = [this](RequirementNode *node, RequirementNode *newParent) {
        return dropNode(node, newParent);
    };
    stack_ = new QUndoStack(this);
    connect(stack_, &QUndoStack::cleanChanged, this, [this](bool clean) { emit modifiedChanged(!clean); });
    current_ = document_.tree.root();
}

DocumentSession::~DocumentSession()
{
    // The steps hold nodes and point into the tree: they go first, telling no one, since the
    // views watching the stack may be half destroyed already.
    stack_->blockSignals(true);
    stack_->clear();
}

SessionOptions DocumentSession::options() const
{
    return optionSource_ ? optionSource_() : SessionOptions();
}

bool DocumentSession::isModified() const
{
    return !stack_->isClean();
}

void DocumentSession::clearHistory()
{
    stack_->clear();
    stack_->setClean();
    typingGeneration_ = 0;
}

void DocumentSession::newDocument()
{
    ErrorScope errors(*this);
    clearHistory();
    failedNodes_.clear();
    current_ = nullptr;
    treeModel_->resetTree([this] { document_.reset(); });
    leafWeights_.clear();
    encoding_ = TextEncoding::Utf8;
    emit alternativesTextChanged();
    updateSubtree(document_.tree.root());
    evaluate(false);
    fileName_.clear();
    emit fileNameChanged();
    emit documentReplaced();
    setCurrentNode(document_.tree.root());
}

bool DocumentSession::open(const QString &path)
{
    ErrorScope errors(*this);
    Document replacement;
    OpenedDocument opened;
    try {
        opened = ReadDocumentInto(path, replacement, [this] { return host_ && host_->askRecovery(); });
    } catch (const FileError &error) {
        report(error.message());
        return false;
    }
    if (opened.status == ReadStatus::Missing)
        return false;
    if (opened.status == ReadStatus::Foreign) {
        if (host_)
            host_->showNotADataFile(NotADataFileMessage(path, QStringLiteral("Priomat"), japanese_));
        return false;
    }
    if (maxTreeDepth_ > 0) {
        int depth = 0;
        replacement.tree.forEachPreOrder([&depth](RequirementNode *, int d) { depth = std::max(depth, d + 1); });
        if (depth > maxTreeDepth_) {
            report(japanese_ ? QStringLiteral("%1\r\nの要求ツリーは %2 階層あり、ウィンドウで表示できる深さ（%3 階層）を超えるため開けません。")
                                   .arg(path).arg(depth).arg(maxTreeDepth_)
                             : QStringLiteral("%1\r\ncannot be opened: its requirement tree is %2 levels deep, deeper than the window can show (%3 levels).")
                                   .arg(path).arg(depth).arg(maxTreeDepth_));
            return false;
        }
    }
    clearHistory();
    failedNodes_.clear();
    current_ = nullptr;
    loading_ = true;
    treeModel_->resetTree([&] { document_ = std::move(replacement); });
    leafWeights_.clear();
    encoding_ = opened.encoding;
    emit alternativesTextChanged();
    loading_ = false;
    // Once the new document is in place the open completes, so that a later Save can never
    // write it over the previous document's file; a value that cannot be computed is reported.
    fileName_ = path;
    emit fileNameChanged();
    updateSubtree(document_.tree.root());
    evaluate(false);
    emit documentReplaced();
    setCurrentNode(document_.tree.root());
    return true;
}

void DocumentSession::reinstall()
{
    ErrorScope errors(*this);
    clearHistory();
    failedNodes_.clear();
    current_ = nullptr;
    treeModel_->resetTree();
    leafWeights_.clear();
    emit alternativesTextChanged();
    updateSubtree(document_.tree.root());
    evaluate(false);
    emit documentReplaced();
    setCurrentNode(document_.tree.root());
}

bool DocumentSession::save(const QString &path)
{
    try {
        encoding_ = SaveDataFile(path, document_, encoding_);
    } catch (const FileError &error) {
        report(error.message());
        return false;
    }
    fileName_ = path;
    emit fileNameChanged();
    stack_->setClean();
    return true;
}

void DocumentSession::setFileName(const QString &path)
{
    fileName_ = path;
    emit fileNameChanged();
}

bool DocumentSession::exportCsv(const QString &path)
{
    try {
        WriteTextLines(path, BuildCsvLines(document_, results_));
    } catch (const ComputationError &error) {
        report(error.message());
        return false;
    } catch (const FileError &error) {
        report(error.message());
        return false;
    }
    return true;
}

void DocumentSession::updateWeights(RequirementNode *node)
{
    if (!node)
        return;
    try {
        UpdateChildWeights(document_.RequirementComparisons, node);
        failedNodes_.remove(node);
    } catch (const ComputationError &error) {
        failedNodes_.insert(node, error.message());
        report(error.message());
    } catch (const std::bad_alloc &) {
        const QString message = outOfMemoryMessage(node->caption(), node->childCount());
        failedNodes_.insert(node, message);
        report(message);
    }
}

QString DocumentSession::outOfMemoryMessage(const QString &caption, qsizetype size) const
{
    return japanese_ ? QStringLiteral("「%1」の一対比較マトリックス（%2 × %2）を計算するメモリが足りません。").arg(caption).arg(size)
                     : QStringLiteral("Not enough memory to compute the matrix of \"%1\" (%2 × %2).").arg(caption).arg(size);
}

void DocumentSession::updateSubtree(RequirementNode *node)
{
    walkPreOrder(node, [this](RequirementNode *current, int) { updateWeights(current); });
}

void DocumentSession::forgetSubtree(const RequirementNode *node)
{
    if (failedNodes_.isEmpty())
        return;
    walkPreOrder(node, [this](RequirementNode *current, int) { failedNodes_.remove(current); });
}

void DocumentSession::evaluate(bool force)
{
    resultsStale_ = false;
    const SessionOptions flags = options();
    evaluationError_.clear();
    results_.clear();
    const bool runs = (force || flags.calculateAutomatically) && !loading_;
    if (runs && !failedNodes_.isEmpty()) {
        // The first matrix in the tree that cannot be computed stops the evaluation.
        document_.tree.forEachPreOrder([this](RequirementNode *node, int) {
            if (evaluationError_.isEmpty() && failedNodes_.contains(node))
                evaluationError_ = failedNodes_.value(node);
        });
    }
    if (evaluationError_.isEmpty()) {
        try {
            Recalculate(document_, results_,
                        {.force = force, .automatic = flags.calculateAutomatically, .loading = loading_,
                         .cache = &leafWeights_});
        } catch (const ComputationError &error) {
            evaluationError_ = error.message();
            report(error.message());
        } catch (const std::bad_alloc &) {
            results_.clear();
            const qsizetype n = document_.alternatives().size();
            evaluationError_ = japanese_ ? QStringLiteral("%1 個の代替案（%1 × %1）を比較するメモリが足りません。").arg(n)
                                         : QStringLiteral("Not enough memory to compare the %1 alternatives (%1 × %1).").arg(n);
            report(evaluationError_);
        }
    }
    if (!evaluationError_.isEmpty())
        results_.clear(); // no numbers that look like results
    emit resultsChanged();
}

std::vector<double> DocumentSession::leafWeights(const QString &leafName)
{
    const QStringList alternatives = document_.alternatives();
    if (const std::vector<double> *kept = leafWeights_.find(leafName, alternatives))
        return *kept;
    std::vector<double> weights =
        ComputePriorities(ComparisonMatrix(document_.AlternativeComparisons, leafName, alternatives)).weights;
    leafWeights_.store(leafName, alternatives, weights);
    return weights;
}

void DocumentSession::selectQuietly(RequirementNode *node)
{
    if (current_ == node)
        return;
    current_ = node;
    emit currentNodeChanged(node);
}

void DocumentSession::setCurrentNode(RequirementNode *node)
{
    if (busy_)
        return; // the view follows the session's own selection during a step
    ErrorScope errors(*this);
    endTyping();
    if (node != current_) {
        current_ = node;
        emit currentNodeChanged(node);
    }
    computeShown();
    emit shownMatrixChanged();
}

void DocumentSession::refreshShown()
{
    ErrorScope errors(*this);
    computeShown();
    emit shownMatrixChanged();
}

void DocumentSession::recomputeCurrent()
{
    ErrorScope errors(*this);
    if (!current_)
        return;
    const MatrixItems items = ItemsUnder(document_, current_);
    if (items.leafShown)
        leafWeights_.invalidateLeaf(items.leafName);
    else
        updateWeights(current_);
    afterEdit(current_);
}

void DocumentSession::computeShown()
{
    shown_ = ShownMatrix();
    shown_.node = current_;
    if (!current_)
        return;
    shown_.items = ItemsUnder(document_, current_);
    const int n = shown_.size();
    if (n == 0)
        return;
    if (n > GridLimit)
        return; // the panel names the node and its size instead
    const ComparisonMatrix matrix = ComparisonMatrix::of(document_, shown_.items);
    shown_.missing = matrix.missingCount();
    QString failedValue;
    bool hasFailedValue = false;
    try {
        if (current_->hasChildren()) {
            const auto failed = failedNodes_.constFind(current_);
            if (failed != failedNodes_.constEnd()) {
                shown_.error = failed.value();
                // The cell: recompute to learn the value text.
                try {
                    (void)ComputePriorities(matrix);
                } catch (const ComputationError &error) {
                    failedValue = error.valueText();
                    hasFailedValue = true;
                }
            } else {
                for (int i = 0; i < n; ++i)
                    shown_.weights.push_back(current_->child(i)->data().LocalWeight);
                shown_.consistencyIndex = current_->data().ConsistencyIndex;
                shown_.computed = true;
            }
        } else if (n <= 1) {
            shown_.weights = {1.0};
            shown_.computed = true;
        } else {
            const Priorities priorities = ComputePriorities(matrix);
            shown_.weights = priorities.weights;
            shown_.consistencyIndex = priorities.consistencyIndex;
            shown_.computed = true;
            // The evaluation that follows an entry needs this leaf's weights too.
            leafWeights_.store(shown_.items.leafName, shown_.items.names, priorities.weights);
        }
    } catch (ComputationError &error) {
        error.setOwner(current_->caption());
        shown_.error = error.message();
        failedValue = error.valueText();
        hasFailedValue = true;
    }
    if (!shown_.computed) {
        report(shown_.error);
        if (hasFailedValue && !failedValue.isEmpty()) {
            std::vector<const QString *> entries;
            for (int i = 0; i < n && shown_.errorRow < 0; ++i) {
                matrix.rowEntries(i, entries);
                for (int j = 0; j < n; ++j) {
                    if (i != j && entries[size_t(j)] && *entries[size_t(j)] == failedValue) {
                        shown_.errorRow = i;
                        shown_.errorColumn = j;
                        break;
                    }
                }
            }
        }
        return;
    }

    // Colour classes: the entered ratio against the ratio the weights imply.
    if (n < 2)
        return;
    shown_.colours.assign(size_t(n) * size_t(n), ColourClass::None);
    std::vector<const QString *> entries;
    for (int i = 0; i < n; ++i) {
        matrix.rowEntries(i, entries);
        const double wi = shown_.weights[size_t(i)];
        for (int j = 0; j < n; ++j) {
            const QString *text = entries[size_t(j)];
            const double wj = shown_.weights[size_t(j)];
            if (i == j || !text || text->isEmpty() || !(wi > 1e-100 && wi < 1e100) || !(wj > 1e-100 && wj < 1e100)
                || wi / wj == 0.0)
                continue;
            double r = 0.0;
            try {
                r = ReadComparisonValue(*text) / (wi / wj);
            } catch (const ComputationError &) {
                continue;
            }
            ColourClass colour = ColourClass::None;
            if (r >= 2)
                colour = ColourClass::MuchHigher;
            else if (r >= 1.41421356)
                colour = ColourClass::Higher;
            else if (r <= 0.5)
                colour = ColourClass::MuchLower;
            else if (r <= 0.70710678)
                colour = ColourClass::Lower;
            shown_.colours[size_t(i) * size_t(n) + size_t(j)] = colour;
        }
    }
}

QString DocumentSession::cellText(int row, int column) const
{
    if (row == column)
        return QStringLiteral("1");
    const QString *entry = ComparisonMatrix::of(document_, shown_.items).entry(row, column);
    return entry ? *entry : QStringLiteral("-");
}

bool DocumentSession::hasDashes() const
{
    return shown_.size() >= 2 && shown_.missing > 0;
}

void DocumentSession::afterEdit(RequirementNode *node)
{
    selectQuietly(node);
    computeShown();
    emit shownMatrixChanged();
    evaluate(false);
}

void DocumentSession::afterTreeEdit(RequirementNode *select)
{
    evaluate(false);
    selectQuietly(select);
    computeShown();
    emit shownMatrixChanged();
}

void DocumentSession::enterValue(const CellEntry &entry)
{
    const int n = shown_.size();
    if (!current_ || entry.row < 1 || entry.column < 1 || entry.row > n || entry.column > n
        || entry.row == entry.column)
        return;
    const QString text = stepText(japanese_, "入力 %1", "entry %1",
                                  shown_.items.names.at(entry.row - 1) + QStringLiteral(" / ")
                                      + shown_.items.names.at(entry.column - 1));
    stack_->push(new EntryStep(*this, text, current_, shown_.items.leafShown, shown_.items.leafName, {entry}));
}

void DocumentSession::changeDashesToOne()
{
    const int n = shown_.size();
    if (!current_ || n < 2 || n > GridLimit)
        return;
    QList<CellEntry> cells;
    const ComparisonMatrix matrix = ComparisonMatrix::of(document_, shown_.items);
    std::vector<const QString *> entries;
    // Column by column, as the grid is walked; with Inverse each stored entry fills its mirror,
    // which is then no longer a dash.
    QSet<qint64> filled;
    const bool inverse = options().inverse;
    for (int column = 0; column < n; ++column) {
        for (int row = 0; row < n; ++row) {
            if (row == column || matrix.entry(row, column) || filled.contains(qint64(row) * n + column))
                continue;
            cells.append({column + 1, row + 1, QStringLiteral("1"), QStringLiteral("1")});
            if (inverse)
                filled.insert(qint64(column) * n + row);
        }
    }
    if (cells.isEmpty())
        return;
    stack_->push(new EntryStep(*this, stepText(japanese_, "未入力部分を１に", "Change \"-\" to 1"), current_,
                               shown_.items.leafShown, shown_.items.leafName, std::move(cells)));
}

Completion DocumentSession::completeFromEntered()
{
    const int n = shown_.size();
    if (!current_ || n < 2 || n > GridLimit)
        return {};
    Completion completion = CompleteFromEntered(ComparisonMatrix::of(document_, shown_.items),
                                                current_->caption(), options().inverse);
    if (!completion.computed || completion.groups.size() > 1 || completion.cells.empty())
        return completion;
    QList<CellEntry> cells;
    cells.reserve(qsizetype(completion.cells.size()));
    for (const CompletionCell &cell : completion.cells)
        cells.append({cell.column + 1, cell.row + 1, cell.value, cell.reciprocal});
    stack_->push(new EntryStep(*this, stepText(japanese_, "入力済みの値から補完", "Complete from entered"), current_,
                               shown_.items.leafShown, shown_.items.leafName, std::move(cells)));
    return completion;
}

void DocumentSession::pushTreeInsert(RequirementNode *parent, int row, const QString &text)
{
    auto node = std::make_unique<RequirementNode>(UniqueNewItemName(document_.tree));
    stack_->push(new TreeStep(*this, text, true, parent, row, std::move(node), current_));
}

void DocumentSession::addChild()
{
    if (!current_)
        return;
    pushTreeInsert(current_, current_->childCount(), stepText(japanese_, "子追加 %1", "add child to %1", current_->caption()));
}

void DocumentSession::insertSibling()
{
    if (!current_ || !current_->parent())
        return;
    pushTreeInsert(current_->parent(), current_->parent()->indexOf(current_),
                   stepText(japanese_, "挿入 %1", "insert before %1", current_->caption()));
}

void DocumentSession::moveUp()
{
    if (!current_)
        return;
    RequirementNode *parent = current_->parent();
    const int row = parent ? parent->indexOf(current_) : document_.tree.indexOfTopLevel(current_);
    if (row <= 0)
        return;
    stack_->push(new MoveStep(*this, stepText(japanese_, "上へ %1", "move up %1", current_->caption()), current_,
                              parent, row - 1, current_));
}

void DocumentSession::moveDown()
{
    if (!current_)
        return;
    RequirementNode *parent = current_->parent();
    const int row = parent ? parent->indexOf(current_) : document_.tree.indexOfTopLevel(current_);
    const int count = parent ? parent->childCount() : document_.tree.topLevelCount();
    if (row + 1 >= count)
        return;
    // The next sibling moves before this node, so the selection stays on this one.
    RequirementNode *next = parent ? parent->child(row + 1) : document_.tree.topLevel(row + 1);
    stack_->push(new MoveStep(*this, stepText(japanese_, "下へ %1", "move down %1", current_->caption()), next,
                              parent, row, current_));
}

void DocumentSession::deleteNode()
{
    if (!current_ || !current_->parent())
        return;
    stack_->push(new TreeStep(*this, stepText(japanese_, "削除 %1", "delete %1", current_->caption()), current_));
}

bool DocumentSession::dropNode(RequirementNode *node, RequirementNode *newParent)
{
    if (!RequirementTreeModel::canDropOnto(node, newParent))
        return false;
    stack_->push(new MoveStep(*this, stepText(japanese_, "移動 %1", "move %1", node->caption()), node, newParent,
                              newParent->childCount(), node));
    return true;
}

bool DocumentSession::canIndent() const
{
    return current_ && current_->parent() && current_->parent()->indexOf(current_) > 0;
}

bool DocumentSession::canOutdent() const
{
    return current_ && current_->parent() && current_->parent()->parent();
}

bool DocumentSession::indent()
{
    if (!canIndent())
        return false;
    RequirementNode *parent = current_->parent();
    RequirementNode *target = parent->child(parent->indexOf(current_) - 1);
    stack_->push(new MoveStep(*this, stepText(japanese_, "下の階層へ %1", "indent %1", current_->caption()), current_,
                              target, target->childCount(), current_));
    return true;
}

bool DocumentSession::outdent()
{
    if (!canOutdent())
        return false;
    RequirementNode *parent = current_->parent();
    RequirementNode *target = parent->parent();
    stack_->push(new MoveStep(*this, stepText(japanese_, "上の階層へ %1", "outdent %1", current_->caption()),
                              current_, target, target->indexOf(parent) + 1, current_));
    return true;
}

void DocumentSession::renameCurrent(const QString &caption)
{
    if (!current_ || caption == current_->caption())
        return;
    stack_->push(new RenameStep(*this, stepText(japanese_, "キャプション %1", "caption %1", caption), current_, caption));
}

void DocumentSession::setAlternativesText(const QString &text)
{
    QStringList lines = splitTextLines(text);
    if (lines == document_.alternativesLines)
        return;
    stack_->push(new AlternativesStep(*this, stepText(japanese_, "代替案の編集", "alternatives text"),
                                      document_.alternativesLines, std::move(lines)));
}

} // namespace priomat
