#include "SystemInfo.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

namespace priomat::platform {

bool localeIsJapanese(const QString &lcAll, const QString &lcMessages, const QString &lang)
{
    for (const QString &value : {lcAll, lcMessages, lang}) {
        if (!value.isEmpty())
            return value.startsWith(u"ja", Qt::CaseInsensitive);
    }
    return false;
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
    return resolved.isEmpty() ? path : resolved;
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
