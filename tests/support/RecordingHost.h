// A session host for tests: answers yes to recovery and records every message it is shown.
#pragma once

#include "document/DocumentSession.h"

#include <QStringList>

namespace priomat::test {

struct RecordingHost : SessionHost
{
    QStringList errors;
    bool askRecovery() override { return true; }
    void showError(const QString &message) override { errors.append(message); }
    void showNotADataFile(const QString &message) override { errors.append(message); }
};

} // namespace priomat::test
