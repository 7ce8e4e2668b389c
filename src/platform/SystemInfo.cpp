#include "platform/SystemInfo.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace priomat::platform {

bool localeIsJapanese(const QString &lcAll, const QString &lcMessages, const QString &lang)
{
    for (const QString &value : {lcAll, lcMessages, lang}) {
        if (!value.isEmpty())
            return value.startsWith(u"ja", Qt::CaseInsensitive);
    }
    return false;
}

bool ProcessesWininit()
{
#ifdef Q_OS_WIN
    return true;
#else
    return false;
#endif
}

void RebootWindows()
{
#ifdef Q_OS_WIN
    // Without the shutdown privilege the restart is refused; the user restarts later.
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    const bool enabled =
        LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid) &&
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    CloseHandle(token);
    if (enabled)
        ExitWindowsEx(EWX_REBOOT, 0);
#endif
}

bool LinuxSystemInfo::defaultLanguageIsJapanese() const
{
    return localeIsJapanese(qEnvironmentVariable("LC_ALL"), qEnvironmentVariable("LC_MESSAGES"),
                            qEnvironmentVariable("LANG"));
}

QString LinuxSystemInfo::programPath() const
{
    const QString path = QCoreApplication::applicationFilePath();
    const QString resolved = QFileInfo(path).canonicalFilePath();
    const QString running = resolved.isEmpty() ? path : resolved;
    // Run from an AppImage, the program lies in the image's mount; the program file the user
    // has (and registers, and uninstalls) is the image itself.
    const QString appDir = QFileInfo(qEnvironmentVariable("APPDIR")).canonicalFilePath();
    const QString appImage = qEnvironmentVariable("APPIMAGE");
    if (!appDir.isEmpty() && running.startsWith(appDir + u'/') && QFileInfo(appImage).isFile())
        return QFileInfo(appImage).canonicalFilePath();
    return running;
}

QStringList LinuxSystemInfo::commandLine() const
{
    return QCoreApplication::arguments();
}

QSize LinuxSystemInfo::screenSize() const
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize(1024, 768);
}

QRect LinuxSystemInfo::workArea() const
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

} // namespace priomat::platform
