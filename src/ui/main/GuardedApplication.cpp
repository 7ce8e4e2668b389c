#include "ui/main/GuardedApplication.h"

#include "app/Appli.h"
#include "document/TextFile.h"
#include "model/ComputationError.h"
#include "platform/MessageBox.h"

#include <cstdio>
#include <new>

namespace priomat {

QString GuardedApplication::messageOf(const std::exception &error)
{
    if (const auto *fileError = dynamic_cast<const FileError *>(&error))
        return fileError->message();
    if (const auto *computation = dynamic_cast<const ComputationError *>(&error))
        return computation->message();
    if (dynamic_cast<const std::bad_alloc *>(&error))
        return QStringLiteral("Out of memory.");
    return QString::fromLocal8Bit(error.what());
}

namespace {

void showEventError(const QString &message)
{
    std::fprintf(stderr, "priomat: %s\n", message.toLocal8Bit().constData());
    try {
        ShowMessageBox(message, QStringLiteral("Error"), platform::MB_OK | platform::MB_ICONHAND);
    } catch (...) {
        // The line on standard error has to do.
    }
}

} // namespace

bool GuardedApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        QString message;
        try {
            message = messageOf(error);
        } catch (...) {
        }
        showEventError(message.isEmpty() ? QStringLiteral("Out of memory.") : message);
    } catch (...) {
        showEventError(QStringLiteral("An unexpected error ended the action."));
    }
    return false;
}

} // namespace priomat
