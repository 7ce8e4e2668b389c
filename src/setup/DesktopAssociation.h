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
// One Exec argument, bare when it needs no quoting, else quoted and escaped as a desktop
// entry's Exec value needs it.
QString DesktopExecArgument(const QString &argument);
// Whether `mimeApps` names an application for `mimeType` in [Default Applications].
bool HasDefaultApplication(const QByteArray &mimeApps, const QString &mimeType);
// The mimeapps.list files the desktop consults for default applications, the user's own first.
QStringList MimeAppsLists();
// `mimeApps` with `mimeType=desktopId` in [Default Applications]; every other byte kept. A
// default that is already there, whichever application it names, stays as it is.
QByteArray WithDefaultApplication(const QByteArray &mimeApps, const QString &mimeType,
                                  const QString &desktopId);

// `mimeApps` without `desktopId` as the default for `mimeType` in [Default Applications]; a line
// left with no application goes. Unchanged bytes when there is nothing to take out.
QByteArray WithoutDefaultApplication(const QByteArray &mimeApps, const QString &mimeType,
                                     const QString &desktopId);
// Whether a desktop entry's text opens documents with `exe`.
bool DesktopEntryOpens(const QByteArray &entryText, const QString &exe);

struct DesktopChanges
{
    bool mimePackage = false;
    bool desktopEntry = false;
    bool defaultApplication = false;
};

// The system data folder (in $XDG_DATA_DIRS) of the installation that `exe` belongs to, when it
// holds the desktop entry and the MIME package: a package or a prefix such as /usr/local. Empty
// for a portable folder, a prefix the desktop does not search, or one inside the user's own
// data folder.
QString InstalledDataFolder(const QString &exe);

// Writes the MIME package and the desktop entry under the user's data folder where their
// content changed, unless the installation provides both system-wide (a per-user copy would
// hide the installed one; an earlier copy of this program's own is taken out). Makes the
// program the default for the type only when no mimeapps.list names one. Runs the matching
// updater for a changed package or entry. Silent on failure.
DesktopChanges RegisterDesktopAssociation(const QString &exe);

// Takes the three back out at uninstall, then runs the updaters for a removed package or entry.
// An association whose desktop entry opens another copy of the program is that copy's and
// stays. The flags tell what was removed. Silent on failure.
DesktopChanges UnregisterDesktopAssociation(const QString &exe);

} // namespace priomat::desktop
