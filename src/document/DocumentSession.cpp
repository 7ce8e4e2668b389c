#include "document/DocumentSession.h"

#include "document/CsvExport.h"
#include "document/GroupDecision.h"
#include "document/RequirementTreeModel.h"
#include "model/ComparisonMatrix.h"
#include "model/ComparisonValue.h"
#include "model/ComputationError.h"
#include "model/Priorities.h"
#include "model/TextRules.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSet>
#include <QUndoCommand>
#include <QUndoStack>

#include <algorithm>
#include <new>
#include <optional>
#include <utility>

namespace priomat {

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

    // A typing step stays open until its typing ends; then it takes its final effects.
    bool isOpen() const { return open_; }
    void finish()
    {
        if (!open_)
            return;
        open_ = false;
        DocumentSession::ErrorScope errors(session_);
        const bool wasBusy = session_.busy_;
        session_.busy_ = true;
        try {
            finishTyping();
        } catch (const std::bad_alloc &) {
            session_.report(session_.japanese_ ? QStringLiteral("メモリが足りません。") : QStringLiteral("Out of memory."));
        }
        session_.busy_ = wasBusy;
    }

protected:
    virtual void finishTyping() {}
    bool open_ = false;
    virtual void apply(bool forward) = 0;
    DocumentSession &session_;
    bool first_ = true;

    // The derived numbers of the groups a step recomputes, before and after it: undo and redo
    // put them back instead of recomputing, so they come back exactly as they were.
    struct Weights
    {
        RequirementNode *node = nullptr;
        double consistencyIndex = 0.0;
        std::vector<double> childWeights;
        QString failure; // empty: computable
    };
    std::vector<Weights> before_;
    std::vector<Weights> after_;

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
        if (!first_) {
            // Typing after an undo or redo starts a step of its own; a typing step undone
            // before its typing ended keeps what it has.
            ++session_.typingGeneration_;
            open_ = false;
        }
        session_.notice_.clear();
        try {
            apply(forward);
            first_ = false;
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
              QString leafName, QList<CellEntry> cells, bool completes = false)
        : SessionStep(session, text), node_(node), leaf_(leaf), leafName_(std::move(leafName)),
          cells_(std::move(cells)), completes_(completes)
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
        updateMarks(forward);
        if (requirementGroup)
            settleWeights(forward, {node_});
        else
            session_.leafWeights_.invalidateLeaf(leafName_);
        first_ = false;
        session_.afterEdit(node_);
    }

    // A completion marks the cells it fills; any other entry takes the marks off the cells it
    // writes, and its undo puts them back.
    void updateMarks(bool forward)
    {
        QSet<QString> &marks = session_.completedKeys_;
        if (completes_) {
            for (const QString &key : std::as_const(touched_)) {
                if (forward)
                    marks.insert(key);
                else
                    marks.remove(key);
            }
            return;
        }
        if (!forward) {
            for (const QString &key : std::as_const(unmarked_))
                marks.insert(key);
            return;
        }
        unmarked_.clear();
        for (const QString &key : std::as_const(touched_)) {
            if (marks.remove(key))
                unmarked_.append(key);
        }
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
        const QString mark = leaf_ ? QStringLiteral("A\t") : QStringLiteral("R\t");
        const EntryWriteObserver keep = [&](const QString &key, const QString &value,
                                            std::optional<qsizetype> replaced) {
            touched_.append(mark + key.toCaseFolded());
            Change change;
            change.newValue = value;
            if (replaced) {
                change.index = *replaced;
                change.oldValue = table.valueAt(*replaced);
            } else {
                change.appended = true;
                change.key = key;
            }
            changes_.push_back(std::move(change));
        };
        const bool inverse = session_.options().inverse();
        for (const CellEntry &cell : std::as_const(cells_))
            StoreEntry(session_.document_, items, cell.column, cell.row, cell.value, cell.reciprocal, inverse, keep);
        cells_.clear();
        changes_.shrink_to_fit();
    }

    RequirementNode *node_;
    bool leaf_;
    QString leafName_;
    QList<CellEntry> cells_; // until the first run
    std::vector<Change> changes_;
    bool completes_ = false;
    QStringList touched_;  // the keys written, as completedKeys_ holds them
    QStringList unmarked_; // marks this entry took off
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

namespace {

// Entries appended to a table by a step, taken back from its end when it is undone.
struct AppendedEntries
{
    std::vector<ComparisonTable::Entry> entries;
    void append(ComparisonTable &table) const
    {
        for (const ComparisonTable::Entry &entry : entries)
            table.append(entry.key, entry.value);
    }
    void remove(ComparisonTable &table) const
    {
        for (size_t i = 0; i < entries.size(); ++i)
            table.removeLast();
    }
};

// Whether two names reach the same entries: the tables ignore letter case.
bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The judgements of `oldName` against each of `others` (both ways), stored again under
// `newName` at the end of the table; `keyOf(a, b)` builds a key. Nothing is copied when
// `newName` has an entry against any of them already: then the result says so.
template <typename KeyOf>
bool copyJudgements(ComparisonTable &table, const QString &oldName, const QString &newName,
                    const QStringList &others, KeyOf keyOf, AppendedEntries &appended)
{
    std::vector<ComparisonTable::Entry> copies;
    for (const QString &other : others) {
        if (sameName(other, oldName) || sameName(other, newName))
            continue;
        if (table.value(keyOf(newName, other)) || table.value(keyOf(other, newName)))
            return false;
        if (const QString *value = table.value(keyOf(oldName, other)))
            copies.push_back({keyOf(newName, other), *value});
        if (const QString *value = table.value(keyOf(other, oldName)))
            copies.push_back({keyOf(other, newName), *value});
    }
    for (ComparisonTable::Entry &copy : copies) {
        table.append(copy.key, copy.value);
        appended.entries.push_back(std::move(copy));
    }
    return true;
}

} // namespace

// Typing in the caption field: one step per node until the typing ends. Every text typed
// recomputes the node's sibling group and the evaluation; the text the typing ends with takes
// the node's judgements along (its pairs with its siblings, for a leaf its alternatives matrix),
// which leaves no entries under the texts typed on the way.
class RenameStep : public SessionStep
{
public:
    RenameStep(DocumentSession &session, const QString &text, RequirementNode *node, QString caption)
        : SessionStep(session, text), node_(node), old_(node->caption()), new_(std::move(caption)),
          generation_(session.typingGeneration())
    {
        open_ = true;
    }
    int id() const override { return RenameId; }
    bool mergeWith(const QUndoCommand *other) override
    {
        const auto *next = static_cast<const RenameStep *>(other);
        if (!open_ || next->node_ != node_ || next->generation_ != generation_)
            return false;
        new_ = next->new_;
        after_ = next->after_;
        setText(next->text());
        return true;
    }
    const RequirementNode *node() const { return node_; }

protected:
    void apply(bool forward) override
    {
        session_.selectQuietly(node_);
        if (first_)
            capture(before_, {node_->parent()});
        else if (!forward) {
            sibling_.remove(session_.document_.RequirementComparisons);
            leaf_.remove(session_.document_.AlternativeComparisons);
        }
        session_.treeModel_->setData(session_.treeModel_->indexOf(node_), forward ? new_ : old_);
        if (!first_ && forward) {
            sibling_.append(session_.document_.RequirementComparisons);
            leaf_.append(session_.document_.AlternativeComparisons);
        }
        recompute(forward);
        session_.afterEdit(node_);
    }

    void finishTyping() override
    {
        Document &document = session_.document_;
        QStringList shares;
        if (const RequirementNode *parent = node_->parent()) {
            QStringList siblings;
            for (int i = 0; i < parent->childCount(); ++i) {
                if (parent->child(i) != node_)
                    siblings.append(parent->child(i)->caption());
            }
            if (!sameName(old_, new_)
                && !copyJudgements(document.RequirementComparisons, old_, new_, siblings, requirementKey, sibling_))
                shares.append(QStringLiteral("siblings"));
        }
        const QString oldLeaf = trimBlanks(old_), newLeaf = trimBlanks(new_);
        if (!node_->hasChildren() && !newLeaf.isEmpty() && !sameName(oldLeaf, newLeaf)) {
            const QStringList alternatives = document.alternatives();
            bool shared = false;
            AppendedEntries copies;
            std::vector<ComparisonTable::Entry> found;
            for (const QString &row : alternatives) {
                for (const QString &column : alternatives) {
                    if (sameName(row, column))
                        continue;
                    if (document.AlternativeComparisons.value(KeyFields(newLeaf, row, column)))
                        shared = true;
                    else if (const QString *value = document.AlternativeComparisons.value(KeyFields(oldLeaf, row, column)))
                        found.push_back({alternativeKey(newLeaf, row, column), *value});
                }
            }
            if (shared) {
                shares.append(QStringLiteral("alternatives"));
            } else {
                for (ComparisonTable::Entry &entry : found) {
                    document.AlternativeComparisons.append(entry.key, entry.value);
                    leaf_.entries.push_back(std::move(entry));
                }
            }
        }
        if (!shares.isEmpty()) {
            session_.notice_ = session_.japanese_
                ? QStringLiteral("「%1」には既に一対比較が入力されていたため、この要求はその名前の一対比較を共有しています。").arg(new_)
                : QStringLiteral("Judgements were already stored under \"%1\": this requirement now shares them.").arg(new_);
            session_.noticeNode_ = node_;
            session_.noticeForLeaves_ = false;
        }
        if (sibling_.entries.empty() && leaf_.entries.empty()) {
            if (!shares.isEmpty())
                emit session_.shownMatrixChanged();
            return;
        }
        first_ = true; // recompute, and keep the numbers with the copies for a redo
        recompute(true);
        first_ = false;
        session_.computeShown();
        emit session_.shownMatrixChanged();
        session_.evaluate(false);
    }

private:
    void recompute(bool forward)
    {
        settleWeights(forward, {node_->parent()});
        session_.leafWeights_.invalidateLeaf(trimBlanks(old_));
        session_.leafWeights_.invalidateLeaf(trimBlanks(new_));
    }

    RequirementNode *node_;
    QString old_;
    QString new_;
    int generation_;
    AppendedEntries sibling_;
    AppendedEntries leaf_;
};

// Typing in the alternatives window: one step until the typing ends. When the typing ends
// with exactly one line changed in place, that alternative was renamed: its judgements under
// every leaf are stored again under the new name.
class AlternativesStep : public SessionStep
{
public:
    AlternativesStep(DocumentSession &session, const QString &text, QStringList oldLines, QStringList newLines)
        : SessionStep(session, text), old_(std::move(oldLines)), new_(std::move(newLines)),
          generation_(session.typingGeneration()), selected_(session.currentNode())
    {
        open_ = true;
    }
    int id() const override { return AlternativesId; }
    bool mergeWith(const QUndoCommand *other) override
    {
        const auto *next = static_cast<const AlternativesStep *>(other);
        if (!open_ || next->generation_ != generation_)
            return false;
        new_ = next->new_;
        return true;
    }

protected:
    void apply(bool forward) override
    {
        session_.selectQuietly(selected_);
        ComparisonTable &table = session_.document_.AlternativeComparisons;
        if (!first_ && !forward)
            copies_.remove(table);
        session_.document_.alternativesLines = forward ? new_ : old_;
        if (!first_ && forward)
            copies_.append(table);
        if (!copies_.entries.empty())
            session_.leafWeights_.clear();
        emit session_.alternativesTextChanged();
        session_.computeShown();
        emit session_.shownMatrixChanged();
        session_.evaluate(false);
    }

    void finishTyping() override
    {
        if (old_.size() != new_.size())
            return;
        qsizetype changed = -1;
        for (qsizetype i = 0; i < old_.size(); ++i) {
            if (old_.at(i) == new_.at(i))
                continue;
            if (changed >= 0)
                return; // more than one line: no rename
            changed = i;
        }
        if (changed < 0)
            return;
        const QString oldName = trimBlanks(old_.at(changed)), newName = trimBlanks(new_.at(changed));
        if (oldName.isEmpty() || newName.isEmpty() || sameName(oldName, newName))
            return;
        Document &document = session_.document_;
        const QStringList alternatives = document.alternatives();
        QStringList leaves;
        document.tree.forEachPreOrder([&leaves](RequirementNode *node, int) {
            if (node->hasChildren())
                return;
            const QString leaf = trimBlanks(node->caption());
            for (const QString &seen : std::as_const(leaves)) {
                if (sameName(seen, leaf))
                    return;
            }
            leaves.append(leaf);
        });
        bool shares = false;
        for (const QString &leaf : std::as_const(leaves)) {
            auto keyOf = [&leaf](const QString &row, const QString &column) { return alternativeKey(leaf, row, column); };
            shares = !copyJudgements(document.AlternativeComparisons, oldName, newName, alternatives, keyOf, copies_) || shares;
        }
        if (shares) {
            session_.notice_ = session_.japanese_
                ? QStringLiteral("「%1」には既に一対比較が入力されていたため、この代替案はその名前の一対比較を共有しています。").arg(newName)
                : QStringLiteral("Judgements were already stored under \"%1\": this alternative now shares them.").arg(newName);
            session_.noticeNode_ = nullptr;
            session_.noticeForLeaves_ = true;
        }
        if (copies_.entries.empty()) {
            if (shares)
                emit session_.shownMatrixChanged();
            return;
        }
        session_.leafWeights_.clear();
        session_.computeShown();
        emit session_.shownMatrixChanged();
        session_.evaluate(false);
    }

private:
    QStringList old_;
    QStringList new_;
    int generation_;
    RequirementNode *selected_;
    AppendedEntries copies_;
};

// A pair returned to not entered: every entry of its keys leaves the table (a file can hold a
// key twice), and an undo puts each back where it was, so the saved file is the same again.
class ClearStep : public SessionStep
{
public:
    ClearStep(DocumentSession &session, const QString &text, RequirementNode *node, bool leaf, QString leafName,
              QStringList keys)
        : SessionStep(session, text), node_(node), leaf_(leaf), leafName_(std::move(leafName)), keys_(std::move(keys))
    {}

protected:
    void apply(bool forward) override
    {
        session_.selectQuietly(node_);
        ComparisonTable &table = leaf_ ? session_.document_.AlternativeComparisons
                                       : session_.document_.RequirementComparisons;
        if (first_) {
            if (!leaf_)
                capture(before_, {node_});
            for (const QString &key : std::as_const(keys_)) {
                while (const auto index = table.find(key))
                    removed_.push_back({*index, table.takeAt(*index)});
            }
            keys_.clear();
        } else if (forward) {
            for (const Removed &removed : removed_)
                table.takeAt(removed.index);
        } else {
            for (auto it = removed_.crbegin(); it != removed_.crend(); ++it)
                table.insertAt(it->index, it->entry.key, it->entry.value);
        }
        if (leaf_)
            session_.leafWeights_.invalidateLeaf(leafName_);
        else
            settleWeights(forward, {node_});
        first_ = false;
        session_.afterEdit(node_);
    }

private:
    struct Removed
    {
        qsizetype index;
        ComparisonTable::Entry entry;
    };
    RequirementNode *node_;
    bool leaf_;
    QString leafName_;
    QStringList keys_; // until the first run
    std::vector<Removed> removed_;
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
    connect(this, &DocumentSession::modifiedChanged, this, &DocumentSession::followLock);
    connect(this, &DocumentSession::fileNameChanged, this, &DocumentSession::followLock);
}

DocumentSession::~DocumentSession()
{
    // The steps hold nodes and point into the tree: they go first, telling no one, since the
    // views watching the stack may be half destroyed already.
    stack_->blockSignals(true);
    stack_->clear();
}

bool DocumentSession::isModified() const
{
    return !stack_->isClean();
}

void DocumentSession::clearHistory()
{
    notice_.clear();
    noticeNode_ = nullptr;
    noticeForLeaves_ = false;
    stack_->clear();
    stack_->setClean();
    typingGeneration_ = 0;
}

void DocumentSession::newDocument()
{
    ErrorScope errors(*this);
    clearHistory();
    completedKeys_.clear();
    failedNodes_.clear();
    current_ = nullptr;
    treeModel_->resetTree([this] { document_.reset(); });
    leafWeights_.clear();
    encoding_ = TextEncoding::Utf8;
    incompleteFile_.clear();
    emit alternativesTextChanged();
    updateSubtree(document_.tree.root());
    evaluate(false);
    fileName_.clear();
    stamp_ = DiskStamp();
    announcedDigest_.clear();
    watchFile();
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
    } catch (const std::bad_alloc &) {
        report(japanese_ ? QStringLiteral("%1\r\nを開くためのメモリが足りません。").arg(path)
                         : QStringLiteral("Not enough memory to open\r\n%1").arg(path));
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
    completedKeys_.clear();
    failedNodes_.clear();
    current_ = nullptr;
    loading_ = true;
    treeModel_->resetTree([&] { document_ = std::move(replacement); });
    leafWeights_.clear();
    encoding_ = opened.encoding;
    incompleteFile_ = opened.nulOffset >= 0 ? QFileInfo(path).canonicalFilePath() : QString();
    if (opened.nulOffset >= 0)
        report(NulByteMessage(path, opened.nulOffset, japanese_));
    emit alternativesTextChanged();
    loading_ = false;
    // Once the new document is in place the open completes, so that a later Save can never
    // write it over the previous document's file; a value that cannot be computed is reported.
    fileName_ = path;
    stamp_ = opened.stamp;
    announcedDigest_.clear();
    watchFile();
    emit fileNameChanged();
    updateSubtree(document_.tree.root());
    evaluate(false);
    emit documentReplaced();
    setCurrentNode(document_.tree.root());
    tellOtherHolder(path);
    return true;
}

bool DocumentSession::openRecovered(const QString &copyPath, const QString &originalPath)
{
    if (!open(copyPath))
        return false;
    fileName_ = originalPath;
    stamp_ = DiskStamp();
    if (!originalPath.isEmpty())
        CompareWithDisk(originalPath, stamp_, &stamp_); // the original as it is now
    announcedDigest_.clear();
    watchFile();
    emit fileNameChanged();
    stack_->resetClean(); // unsaved until saved
    return true;
}

void DocumentSession::reinstall()
{
    ErrorScope errors(*this);
    clearHistory();
    completedKeys_.clear();
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
    endTyping(); // a rename being typed is finished before it is written
    using Choice = OverwriteChoice;
    lastOverwriteChoice_ = Choice::Overwrite;
    // A file read only up to a NUL byte is never overwritten without asking.
    if (!incompleteFile_.isEmpty() && QFileInfo(path).canonicalFilePath() == incompleteFile_) {
        lastOverwriteChoice_ = host_ ? host_->confirmOverwrite(OverwriteReason::IncompleteRead, path) : Choice::Cancel;
        if (lastOverwriteChoice_ != Choice::Overwrite)
            return false;
    }
    // The document's own file, changed by someone else since it was read or written, is never
    // overwritten without asking.
    if (stamp_.known && (path == fileName_ || SameFile(path, fileName_))
        && CompareWithDisk(fileName_, stamp_) == DiskComparison::Changed) {
        lastOverwriteChoice_ = host_ ? host_->confirmOverwrite(OverwriteReason::ChangedOnDisk, path)
                                     : Choice::Cancel;
        switch (lastOverwriteChoice_) {
        case Choice::Overwrite:
            break;
        case Choice::Reload: {
            const QString name = fileName_;
            open(name);
            return false;
        }
        case Choice::SaveAs:
        case Choice::Cancel:
            return false;
        }
    }
    DiskStamp written;
    try {
        encoding_ = SaveDataFile(path, document_, encoding_, &written);
    } catch (const FileError &error) {
        report(error.message());
        return false;
    }
    if (!incompleteFile_.isEmpty() && QFileInfo(path).canonicalFilePath() == incompleteFile_)
        incompleteFile_.clear(); // what it held beyond the NUL byte was given up
    fileName_ = path;
    stamp_ = written;
    announcedDigest_.clear();
    watchFile();
    emit fileNameChanged();
    stack_->setClean();
    return true;
}

void DocumentSession::checkDisk()
{
    if (!stamp_.known || fileName_.isEmpty())
        return;
    DiskStamp now;
    if (CompareWithDisk(fileName_, stamp_, &now) != DiskComparison::Changed || now.digest == announcedDigest_)
        return;
    announcedDigest_ = now.digest;
    emit changedOnDisk();
}

void DocumentSession::setWatchingDisk(bool watching)
{
    delete watcher_;
    watcher_ = nullptr;
    if (!watching)
        return;
    watcher_ = new QFileSystemWatcher(this);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, [this] {
        // A file replaced by a rename drops out of the watcher: watch the new one.
        watchFile();
        checkDisk();
    });
    watchFile();
}

void DocumentSession::watchFile()
{
    if (!watcher_)
        return;
    const QStringList watched = watcher_->files();
    if (!watched.isEmpty() && (watched.size() > 1 || watched.first() != fileName_))
        watcher_->removePaths(watched);
    if (!fileName_.isEmpty() && !watcher_->files().contains(fileName_) && QFileInfo(fileName_).isFile())
        watcher_->addPath(fileName_);
}

void DocumentSession::followLock()
{
    if (isModified() && !fileName_.isEmpty())
        lock_.hold(fileName_);
    else
        lock_.release();
}

void DocumentSession::tellOtherHolder(const QString &path)
{
    EditLock::Holder holder;
    if (host_ && EditLock::otherHolder(path, holder))
        host_->showError(HeldElsewhereMessage(path, holder, japanese_));
}

void DocumentSession::setFileName(const QString &path)
{
    fileName_ = path;
    emit fileNameChanged();
}

bool DocumentSession::exportCsv(const QString &path)
{
    endTyping();
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

bool DocumentSession::saveBlankCopy(const QString &path)
{
    try {
        WriteTextLines(path, BlankCopyLines(document_), encoding_);
    } catch (const FileError &error) {
        report(error.message());
        return false;
    }
    return true;
}

void DocumentSession::adoptDocument(Document &&replacement)
{
    ErrorScope errors(*this);
    clearHistory();
    failedNodes_.clear();
    current_ = nullptr;
    treeModel_->resetTree([&] { document_ = std::move(replacement); });
    leafWeights_.clear();
    encoding_ = TextEncoding::Utf8;
    emit alternativesTextChanged();
    fileName_.clear();
    emit fileNameChanged();
    updateSubtree(document_.tree.root());
    evaluate(false);
    emit documentReplaced();
    setCurrentNode(document_.tree.root());
    stack_->resetClean(); // never saved
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
    const bool automatic = options_.calculateAutomatically();
    evaluationError_.clear();
    results_.clear();
    const bool runs = (force || automatic) && !loading_;
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
                        {.force = force, .automatic = automatic, .loading = loading_,
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
    QHash<QString, QString> firstSpelling;
    QSet<QString> repeated;
    for (const QString &name : std::as_const(shown_.items.names)) {
        const QString folded = name.toCaseFolded();
        const auto first = firstSpelling.constFind(folded);
        if (first == firstSpelling.constEnd()) {
            firstSpelling.insert(folded, name);
        } else if (!repeated.contains(folded)) {
            repeated.insert(folded);
            shown_.repeatedNames.append(first.value());
        }
    }
    if (!completedKeys_.isEmpty()) {
        shown_.completed.assign(size_t(n) * size_t(n), 0);
        bool any = false;
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) {
                if (i != j && completedKeys_.contains(completedKey(shown_.items, shown_.items.names.at(i),
                                                                   shown_.items.names.at(j)))) {
                    shown_.completed[size_t(i) * size_t(n) + size_t(j)] = 1;
                    any = true;
                }
            }
        }
        if (!any)
            shown_.completed.clear();
    }
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
    shown_.colours = ClassifyColours(matrix, shown_.weights);
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

QString DocumentSession::entryText(const char *ja, const char *en, int row, int column) const
{
    return stepText(japanese_, ja, en, current_->caption()) + QStringLiteral(": ") + shown_.items.names.at(row - 1)
           + QStringLiteral(" / ") + shown_.items.names.at(column - 1);
}

void DocumentSession::clearEntry(int column, int row)
{
    endTyping();
    const int n = shown_.size();
    if (!current_ || row < 1 || column < 1 || row > n || column > n || row == column || n > GridLimit)
        return;
    const ComparisonMatrix matrix = ComparisonMatrix::of(document_, shown_.items);
    const bool inverse = options().inverse();
    if (!matrix.entry(row - 1, column - 1) && !(inverse && matrix.entry(column - 1, row - 1)))
        return;
    const QString &rowName = shown_.items.names.at(row - 1);
    const QString &columnName = shown_.items.names.at(column - 1);
    auto keyOf = [this](const QString &a, const QString &b) {
        return shown_.items.leafShown ? alternativeKey(shown_.items.leafName, a, b) : requirementKey(a, b);
    };
    QStringList keys{keyOf(rowName, columnName)};
    if (inverse)
        keys.append(keyOf(columnName, rowName));
    stack_->push(new ClearStep(*this, entryText("消去 %1", "Clear in %1", row, column), current_,
                               shown_.items.leafShown, shown_.items.leafName, std::move(keys)));
}

void DocumentSession::endTyping()
{
    ++typingGeneration_;
    if (busy_ || stack_->count() == 0 || stack_->index() != stack_->count())
        return;
    auto *step = dynamic_cast<SessionStep *>(const_cast<QUndoCommand *>(stack_->command(stack_->count() - 1)));
    if (step && step->isOpen())
        step->finish();
}

QString DocumentSession::renameNotice() const
{
    if (notice_.isEmpty() || !current_)
        return QString();
    if (noticeForLeaves_)
        return current_->hasChildren() ? QString() : notice_;
    return current_ == noticeNode_ ? notice_ : QString();
}

void DocumentSession::enterValue(const CellEntry &entry)
{
    endTyping();
    const int n = shown_.size();
    if (!current_ || entry.row < 1 || entry.column < 1 || entry.row > n || entry.column > n
        || entry.row == entry.column)
        return;
    stack_->push(new EntryStep(*this, entryText("入力 %1", "Entry in %1", entry.row, entry.column), current_,
                               shown_.items.leafShown, shown_.items.leafName, {entry}));
}

void DocumentSession::changeDashesToOne()
{
    endTyping();
    const int n = shown_.size();
    if (!current_ || n < 2 || n > GridLimit)
        return;
    QList<CellEntry> cells;
    const ComparisonMatrix matrix = ComparisonMatrix::of(document_, shown_.items);
    std::vector<const QString *> entries;
    // Column by column, as the grid is walked; with Inverse each stored entry fills its mirror,
    // which is then no longer a dash.
    QSet<qint64> filled;
    const bool inverse = options().inverse();
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

std::optional<double> ShownMatrix::consistencyRatio() const
{
    const RandomIndex ri = RandomIndexFor(size());
    if (!computed || ri.table == RandomIndexTable::None || !(ri.value > 0.0))
        return std::nullopt;
    return consistencyIndex / ri.value;
}

QString DocumentSession::completedKey(const MatrixItems &items, const QString &row, const QString &column) const
{
    return items.leafShown ? QStringLiteral("A\t") + alternativeKey(items.leafName, row, column).toCaseFolded()
                           : QStringLiteral("R\t") + requirementKey(row, column).toCaseFolded();
}

Completion DocumentSession::completeFromEntered()
{
    const Completion completion = previewCompletion().completion;
    applyCompletion(completion);
    return completion;
}

DocumentSession::CompletionPreview DocumentSession::previewCompletion()
{
    endTyping();
    CompletionPreview preview;
    const int n = shown_.size();
    if (!current_ || n < 2 || n > GridLimit)
        return preview;
    const bool inverse = options().inverse();
    preview.completion = CompleteFromEntered(ComparisonMatrix::of(document_, shown_.items), current_->caption(), inverse);
    const Completion &completion = preview.completion;
    if (!completion.computed || completion.groups.size() > 1 || completion.cells.empty())
        return preview;
    RankingPreviewer previewer(document_, current_);
    preview.ranking = previewer.preview(completion.cells, inverse);
    return preview;
}

void DocumentSession::applyCompletion(const Completion &completion)
{
    endTyping();
    const int n = shown_.size();
    if (!current_ || n < 2 || n > GridLimit || !completion.computed || completion.groups.size() > 1
        || completion.cells.empty())
        return;
    QList<CellEntry> cells;
    cells.reserve(qsizetype(completion.cells.size()));
    for (const CompletionCell &cell : completion.cells) {
        if (cell.row >= n || cell.column >= n)
            return; // made for another matrix
        cells.append({cell.column + 1, cell.row + 1, cell.value, cell.reciprocal});
    }
    stack_->push(new EntryStep(*this, stepText(japanese_, "入力済みの値から補完", "Complete from entered"), current_,
                               shown_.items.leafShown, shown_.items.leafName, std::move(cells), true));
}

void DocumentSession::pushTreeInsert(RequirementNode *parent, int row, const QString &text)
{
    auto node = std::make_unique<RequirementNode>(UniqueNewItemName(document_.tree));
    stack_->push(new TreeStep(*this, text, true, parent, row, std::move(node), current_));
}

void DocumentSession::addChild()
{
    endTyping();
    if (!current_)
        return;
    pushTreeInsert(current_, current_->childCount(), stepText(japanese_, "子追加 %1", "add child to %1", current_->caption()));
}

void DocumentSession::insertSibling()
{
    endTyping();
    if (!current_ || !current_->parent())
        return;
    pushTreeInsert(current_->parent(), current_->parent()->indexOf(current_),
                   stepText(japanese_, "挿入 %1", "insert before %1", current_->caption()));
}

void DocumentSession::moveUp()
{
    endTyping();
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
    endTyping();
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
    endTyping();
    if (!current_ || !current_->parent())
        return;
    stack_->push(new TreeStep(*this, stepText(japanese_, "削除 %1", "delete %1", current_->caption()), current_));
}

bool DocumentSession::dropNode(RequirementNode *node, RequirementNode *newParent)
{
    endTyping();
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
    // Typing elsewhere ends here; typing in the same node's caption goes on.
    if (stack_->count() > 0 && stack_->index() == stack_->count()) {
        const auto *rename = dynamic_cast<const RenameStep *>(stack_->command(stack_->count() - 1));
        if (!rename || rename->node() != current_)
            endTyping();
    }
    stack_->push(new RenameStep(*this, stepText(japanese_, "キャプション %1", "caption %1", caption), current_, caption));
}

void DocumentSession::setAlternativesText(const QString &text)
{
    QStringList lines = splitTextLines(text);
    if (lines == document_.alternativesLines)
        return;
    if (stack_->count() > 0 && stack_->index() == stack_->count()
        && !dynamic_cast<const AlternativesStep *>(stack_->command(stack_->count() - 1)))
        endTyping();
    stack_->push(new AlternativesStep(*this, stepText(japanese_, "代替案の編集", "alternatives text"),
                                      document_.alternativesLines, std::move(lines)));
}

} // namespace priomat
