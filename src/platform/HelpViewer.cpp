#include "platform/HelpViewer.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>

namespace priomat::platform {

namespace {

// xdg-open ends at once when it finds no browser; a browser it runs itself may keep it open.
constexpr int LauncherVerdictMs = 2000;

} // namespace

QUrl helpUrl(const QString &htmlFile, int context)
{
    QUrl url = QUrl::fromLocalFile(htmlFile);
    url.setFragment(QStringLiteral("context-%1").arg(context));
    return url;
}

bool DesktopHelpViewer::open(const QString &htmlFile, int context)
{
    const QUrl url = helpUrl(htmlFile, context);
    // Qt starts xdg-open without waiting for it, so a desktop with no browser would open
    // nothing and still report success: run it here and read its exit status.
    const QString launcher = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (launcher.isEmpty())
        return QDesktopServices::openUrl(url);
    auto *process = new QProcess;
    process->setProgram(launcher);
    process->setArguments({url.toString(QUrl::FullyEncoded)});
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start();
    if (!process->waitForStarted(LauncherVerdictMs)) {
        delete process;
        return false;
    }
    if (process->waitForFinished(LauncherVerdictMs)) {
        const bool opened = process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
        delete process;
        return opened;
    }
    // Still running: a browser in the launcher's foreground. It goes on by itself; the process
    // object goes when it ends (and is left, not killed, if the program ends first).
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    return true;
}

} // namespace priomat::platform
