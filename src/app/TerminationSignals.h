// SIGTERM, SIGHUP and SIGINT delivered to the event loop: the handler only writes the signal's
// number into a socket pair, and a socket notifier reads it there, where Qt may be called.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace priomat {

class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    // Installs the handlers; one instance at a time. The previous handlers come back with it.
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

signals:
    void received(int signalNumber);

private:
    void readSignal();
    QSocketNotifier *notifier_ = nullptr;
};

} // namespace priomat
