// A session host for tests: answers yes to recovery, records every message it is shown, and
// answers overwrite questions from the scripted list, then with `overwriteAnswer`.
#pragma once

#include "document/DocumentSession.h"

#include <QStringList>

namespace priomat::test {

struct RecordingHost : SessionHost
{
    QStringList errors;
    QList<OverwriteChoice> overwriteAnswers;                   // answered first, in turn
    OverwriteChoice overwriteAnswer = OverwriteChoice::Cancel; // then this
    QList<OverwriteReason> overwriteQuestions;
    OverwriteChoice confirmOverwrite(OverwriteReason reason, const QString &) override
    {
        overwriteQuestions.append(reason);
        return overwriteAnswers.isEmpty() ? overwriteAnswer : overwriteAnswers.takeFirst();
    }
    bool askRecovery() override { return true; }
    void showError(const QString &message) override { errors.append(message); }
    void showNotADataFile(const QString &message) override { errors.append(message); }
};

} // namespace priomat::test
