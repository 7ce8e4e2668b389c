// The application's identity: language, program file, product texts and versions, and the
// help, copyright and version commands.
#pragma once

#include <QString>

class QAction;
class QMenu;
class QMenuBar;

namespace priomat {

namespace platform {
class SystemInfo;
}

class TAppli
{
public:
    // Takes the program folder and name from the program file and decides the language: a
    // "/JAPANESE" or "/ENGLISH" anywhere in the command line, else the system's language.
    explicit TAppli(const platform::SystemInfo &system);
    virtual ~TAppli();

    // Writes the product's own values (names, versions, years) over the neutral defaults.
    void SetProductIdentity();

    // "Ver." major "." two-digit minor "  Rev." revision, e.g. "Ver.2.03  Rev.4".
    QString VersionText() const;

    void ShowHelp() const;
    // Opens the manual at the section of a help context; reports a missing manual.
    void ShowHelpContext(int context) const;
    // The message when the manual exists but no browser opened it.
    QString NoBrowserText() const;
    void ShowCopyright() const;
    void ShowVersion() const;

    // The texts of the boxes, as shown.
    QString CopyrightText() const;
    QString VersionBoxText() const;

    QString Description;
    QString ProductName;
    QString ProgramFolder; // ends with "/"
    QString ProgramName;   // file name without extension
    QString ProgramPath;   // the program file itself, whatever its name ("priomat-2.3.4")
    qint32 MajorVersion = 0;
    qint32 MinorVersion = 0;
    qint32 Revision = 0;
    QString MakerName;
    QString AuthorName;
    QString MakerKey;
    QString CopyrightYears;
    QString HelpFile;
    QString ReadmeFile;
    bool Japanese = false;
};

// The one instance, created at start-up before any window.
extern TAppli *Appli;

// Whether the command line (program path and arguments, joined by blanks) asks for Japanese.
// No switch: `systemIsJapanese`.
bool DecideJapanese(const QString &commandLine, bool systemIsJapanese);

// The file that marks an unpacked portable archive: settings and Default.ahp beside the program.
inline constexpr QLatin1String PortableMarkerName(".portable");

// Whether the program runs from a portable folder: one that already holds its settings file
// (`programName` + ".ini") or the portable marker. A bin/ folder never is: it belongs to a
// prefix, where settings go to the user's config folder.
bool IsPortableFolder(const QString &programFolder, const QString &programName);

// Shows a modal message box over the active window. An empty caption becomes ProductName.
// Returns the id of the button pressed (IDOK 1, IDCANCEL 2, IDYES 6, IDNO 7).
int ShowMessageBox(const QString &text, const QString &caption, unsigned flags);

// The English caption of a bilingual menu caption: "開く (&Open)" gives "&Open",
// "ファイル(&F)" gives "&File", a trailing "..." is kept as " ...".
QString LocalizedCaption(const QString &caption);
// Rewrites a menu item's caption and then those of its sub-items.
void LocalizeMenuItem(QAction *item);
void LocalizeMenu(QMenuBar *menu);
void LocalizeMenu(QMenu *menu);

} // namespace priomat
