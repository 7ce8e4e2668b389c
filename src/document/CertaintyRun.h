// The certainty simulation and the methods comparison of a copy of the document, run in a
// worker thread so that the windows never wait for them.
#pragma once

#include "model/Certainty.h"
#include "model/Document.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

class QThread;
class QTimer;

namespace priomat {

// A copy of the tree (captions and their records), the alternatives and both tables.
Document CopyDocument(const Document &document);

// The node whose matrix holds a judgement of the simulation: the first in tree order with the
// judgement's owner as caption and both of its items in the matrix; nullptr when none.
RequirementNode *JudgementNode(const Document &document, const JudgementInfluence &judgement);

struct CertaintyReport
{
    CertaintyResult certainty;
    MethodComparison methods;
};

class CertaintyRun : public QObject
{
    Q_OBJECT

public:
    explicit CertaintyRun(QObject *parent = nullptr);
    // Stops a run still going and waits for its thread.
    ~CertaintyRun() override;

    // Starts a run on a copy of `document`; a run still going is stopped and its outcome is
    // never reported. Failures (the copy included) come as failed().
    void start(const Document &document, int spread, int draws, bool japanese);
    // Stops the running one; cancelled() follows at once, and nothing else from that run.
    void cancel();
    // Stops the running one without a word: its outcome is never reported.
    void discard();
    bool isRunning() const { return running_; }

signals:
    void progress(int done, int draws);
    void finished(const priomat::CertaintyReport &report);
    // Why the document cannot be simulated, in the language asked for.
    void failed(const QString &message);
    void cancelled();

private:
    struct Shared;
    void deliver(int generation, std::shared_ptr<CertaintyReport> report, QString error);

    int generation_ = 0;
    bool running_ = false;
    std::shared_ptr<Shared> shared_; // of the current run
    QThread *thread_ = nullptr;      // the current run's, until it ends
    QTimer *poll_ = nullptr;
};

} // namespace priomat
