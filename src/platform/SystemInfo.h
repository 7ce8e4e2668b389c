// Facts about the running system: language, program file, screen.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

namespace priomat::platform {

class SystemInfo
{
public:
    virtual ~SystemInfo() = default;
    // Whether the session's language is Japanese.
    virtual bool defaultLanguageIsJapanese() const = 0;
    // Absolute path of the running program file, links resolved; for a program run from an
    // AppImage, the image file.
    virtual QString programPath() const = 0;
    // The command line as the program received it, program path first.
    virtual QStringList commandLine() const = 0;
    // The primary screen and the part of it not covered by panels, in screen coordinates.
    virtual QSize screenSize() const = 0;
    virtual QRect workArea() const = 0;
};

// Whether the system carries out the "[rename]" list of WININIT.INI at its next start, so that
// an uninstall is completed by a restart. Linux lets a running program delete its own file.
bool ProcessesWininit();
// Restarts the computer to complete an uninstall; where none is needed (Linux) it does nothing.
void RebootWindows();

// True when the first of LC_ALL, LC_MESSAGES and LANG that is set names Japanese ("ja…").
bool localeIsJapanese(const QString &lcAll, const QString &lcMessages, const QString &lang);

class LinuxSystemInfo : public SystemInfo
{
public:
    bool defaultLanguageIsJapanese() const override;
    QString programPath() const override;
    QStringList commandLine() const override;
    QSize screenSize() const override;
    QRect workArea() const override;
};

} // namespace priomat::platform
