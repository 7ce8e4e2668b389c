// The ".ahp" association on the Linux desktop: shared-mime-info package, desktop entry and
// default application.
//
// Why this exists: the registry store values are what the program's own files (and its
// uninstaller) rely on, but no Linux desktop reads them. These files make the association real:
// a file manager shows "AHP File" and opens a document with the program.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace priomat::desktop {

inline constexpr QLatin1String MimeType("application/x-priomat-ahp");
inline constexpr QLatin1String DesktopId("priomat.desktop");

// Finds and runs the desktop's cache updaters; tests replace it to record the calls.
class HelperRunner
{
public:
    virtual ~HelperRunner() = default;
    // Full path of an installed program; empty when it is missing.
    virtual QString find(const QString &program) const;
    // Runs the program for at most a few seconds; failures are ignored.
    virtual void run(const QString &path, const QStringList &arguments);
};

HelperRunner &helperRunner();
// nullptr restores the real runner.
void setHelperRunner(HelperRunner *runner);

// The shared-mime-info package for *.ahp.
QByteArray MimePackageText();
// The desktop entry that opens a document with `exe`.
QByteArray DesktopEntryText(const QString &exe);
// One Exec argument, quoted and escaped as a desktop entry's Exec value needs it.
QString DesktopExecArgument(const QString &argument);
// `mimeApps` with `mimeType=desktopId` in [Default Applications]; every other byte kept.
QByteArray WithDefaultApplication(const QByteArray &mimeApps, const QString &mimeType,
                                  const QString &desktopId);

struct DesktopChanges
{
    bool mimePackage = false;
    bool desktopEntry = false;
    bool defaultApplication = false;
};

// Writes the three files under the XDG folders where their content changed, then runs the
// matching updater for a changed package or entry. Silent on failure.
DesktopChanges RegisterDesktopAssociation(const QString &exe);

} // namespace priomat::desktop
