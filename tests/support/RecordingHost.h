// A session host for tests: answers yes to recovery and records every message it is shown; a
// save over a changed file gets the scripted choice (Cancel when none is left).
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
    QList<OverwriteReason> overwriteQuestions;
    QList<OverwriteChoice> overwriteAnswers;
    OverwriteChoice confirmOverwrite(OverwriteReason reason, const QString &) override
    {
        overwriteQuestions.append(reason);
        return overwriteAnswers.isEmpty() ? OverwriteChoice::Cancel : overwriteAnswers.takeFirst();
    }
};

} // namespace priomat::test
