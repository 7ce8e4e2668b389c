// A session host for tests: answers yes to recovery, gives the scripted answer to an overwrite
// question and records every message and question.
#pragma once

#include "document/DocumentSession.h"

#include <QStringList>

namespace priomat::test {

struct RecordingHost : SessionHost
{
    QStringList errors;
    OverwriteChoice overwriteAnswer = OverwriteChoice::Cancel; // the scripted answer
    QList<OverwriteReason> overwriteQuestions;
    OverwriteChoice confirmOverwrite(OverwriteReason reason, const QString &) override
    {
        overwriteQuestions.append(reason);
        return overwriteAnswer;
    }
    bool askRecovery() override { return true; }
    void showError(const QString &message) override { errors.append(message); }
    void showNotADataFile(const QString &message) override { errors.append(message); }
};

} // namespace priomat::test
