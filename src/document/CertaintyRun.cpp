#include "document/CertaintyRun.h"

#include "model/ComputationError.h"

#include <QThread>
#include <QTimer>

#include <exception>
#include <new>

namespace priomat {

namespace {

void copyChildren(const RequirementNode *from, RequirementNode *to)
{
    // Iterative, as the tree's own walks: any depth is safe.
    std::vector<std::pair<const RequirementNode *, RequirementNode *>> stack{{from, to}};
    while (!stack.empty()) {
        const auto [source, target] = stack.back();
        stack.pop_back();
        for (int i = 0; i < source->childCount(); ++i) {
            const RequirementNode *child = source->child(i);
            auto copy = std::make_unique<RequirementNode>(child->caption());
            copy->data() = child->data();
            stack.emplace_back(child, target->appendChild(std::move(copy)));
        }
    }
}

} // namespace

Document CopyDocument(const Document &document)
{
    Document copy;
    for (int i = 0; i < document.tree.topLevelCount(); ++i) {
        const RequirementNode *top = document.tree.topLevel(i);
        auto node = std::make_unique<RequirementNode>(top->caption());
        node->data() = top->data();
        copyChildren(top, copy.tree.appendTopLevel(std::move(node)));
    }
    copy.alternativesLines = document.alternativesLines;
    copy.RequirementComparisons = document.RequirementComparisons;
    copy.AlternativeComparisons = document.AlternativeComparisons;
    return copy;
}

RequirementNode *JudgementNode(const Document &document, const JudgementInfluence &judgement)
{
    RequirementNode *found = nullptr;
    walkPreOrder(document.tree.root(), [&](RequirementNode *node, int) {
        if (found || node->caption() != judgement.owner)
            return;
        if (judgement.requirements ? node->childCount() < 2 : node->hasChildren())
            return;
        const QStringList names = ItemsUnder(document, node).names;
        if (names.contains(judgement.rowName, Qt::CaseInsensitive)
            && names.contains(judgement.columnName, Qt::CaseInsensitive))
            found = node;
    });
    return found;
}

struct CertaintyRun::Shared
{
    Document document;
    std::atomic<bool> stop{false};
    std::atomic<int> done{0};
    int draws = 0;
};

CertaintyRun::CertaintyRun(QObject *parent) : QObject(parent)
{
    poll_ = new QTimer(this);
    poll_->setInterval(100);
    connect(poll_, &QTimer::timeout, this, [this] {
        if (running_ && shared_)
            emit progress(shared_->done.load(), shared_->draws);
    });
}

CertaintyRun::~CertaintyRun()
{
    for (QThread *thread : findChildren<QThread *>(Qt::FindDirectChildrenOnly)) {
        thread->requestInterruption();
        thread->wait();
    }
}

void CertaintyRun::discard()
{
    ++generation_;
    if (shared_)
        shared_->stop = true;
    shared_.reset();
    running_ = false;
    poll_->stop();
}

void CertaintyRun::cancel()
{
    if (!running_)
        return;
    discard();
    emit cancelled();
}

void CertaintyRun::start(const Document &document, int spread, int draws, bool japanese)
{
    discard();
    const int generation = generation_;
    std::shared_ptr<Shared> shared;
    try {
        shared = std::make_shared<Shared>();
        shared->document = CopyDocument(document);
    } catch (const std::bad_alloc &) {
        emit failed(japanese ? QStringLiteral("確からしさを計算するメモリが足りません。")
                             : QStringLiteral("Not enough memory to simulate the judgements."));
        return;
    }
    shared->draws = draws;
    QThread *thread = nullptr;
    try {
        thread = QThread::create([this, shared, spread, draws, japanese, generation] {
            auto report = std::make_shared<CertaintyReport>();
            QString error;
            try {
                CertaintyOptions options;
                options.spread = spread;
                options.draws = draws;
                options.progress = [&shared](int done) {
                    shared->done = done;
                    return !shared->stop.load() && !QThread::currentThread()->isInterruptionRequested();
                };
                report->certainty = SimulateCertainty(shared->document, options);
                if (!report->certainty.cancelled && !shared->stop.load())
                    report->methods = CompareMethods(shared->document);
            } catch (const ComputationError &failure) {
                error = failure.message(japanese);
            } catch (const std::bad_alloc &) {
                error = japanese ? QStringLiteral("確からしさを計算するメモリが足りません。")
                                 : QStringLiteral("Not enough memory to simulate the judgements.");
            } catch (const std::exception &failure) {
                error = QString::fromLocal8Bit(failure.what());
            } catch (...) {
                error = japanese ? QStringLiteral("確からしさを計算できません。")
                                 : QStringLiteral("The judgements could not be simulated.");
            }
            QMetaObject::invokeMethod(
                this, [this, generation, report, error] { deliver(generation, report, error); },
                Qt::QueuedConnection);
        });
    } catch (const std::exception &) {
        emit failed(japanese ? QStringLiteral("計算用のスレッドを作れません。")
                             : QStringLiteral("No thread could be started for the simulation."));
        return;
    }
    thread->setParent(this);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    shared_ = shared;
    running_ = true;
    thread->start(QThread::LowPriority);
    poll_->start();
    emit progress(0, draws);
}

void CertaintyRun::deliver(int generation, std::shared_ptr<CertaintyReport> report, QString error)
{
    // A run stopped or replaced since says nothing more.
    if (generation != generation_ || !running_)
        return;
    running_ = false;
    poll_->stop();
    shared_.reset();
    if (!error.isEmpty()) {
        emit failed(error);
    } else if (report->certainty.cancelled) {
        emit cancelled();
    } else {
        emit progress(report->certainty.draws, report->certainty.draws);
        emit finished(*report);
    }
}

} // namespace priomat
