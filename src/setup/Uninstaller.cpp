// The uninstaller: removal list, ghost copy, removal of the listed items and of the ghost.
#include "setup/Uninstaller.h"

#include "app/Appli.h"
#include "setup/DesktopAssociation.h"
#include "setup/FileTypeRegistration.h"
#include "app/Mbcs.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "app/SettingsStore.h"
#include "platform/SystemInfo.h"
#include "document/TextFile.h"
#include "setup/UninstallSwitches.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

namespace priomat {

namespace {

const QString UninstallKey = QStringLiteral(
    "\\HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\");

// The first process usually ends within a moment; a program file that is still held after
// this is left, and the rest of the removal goes on.
constexpr int ProgramFileWaitMs = 10000;
constexpr int ProgramFileRetryMs = 100;

ProcessStarter *installedStarter = nullptr;

struct ListFile
{
    QStringList lines;
    TextEncoding encoding = TextEncoding::Utf8;
    bool readable = true;
};

// A missing file reads as empty; an unreadable one is marked so that it is not replaced.
ListFile readList(const QString &path)
{
    ListFile list;
    if (!QFileInfo::exists(path))
        return list;
    try {
        const DecodedText decoded = ReadTextFile(path);
        list.lines = decoded.lines;
        list.encoding = decoded.encoding;
    } catch (const FileError &) {
        list.readable = false;
    }
    return list;
}

bool writeList(const QString &path, const ListFile &list)
{
    try {
        WriteTextLines(path, list.lines, list.encoding);
        return true;
    } catch (const FileError &) {
        return false;
    }
}

QString withTrailingSlash(const QString &folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

// The path in its short form where the whole path exists; the path itself otherwise, since the
// short form of a missing file would name its folder instead.
QString shortFormOrSelf(const QString &path)
{
    const QString shortPath = ShortPathName(path);
    return shortPath.isEmpty() || shortPath.endsWith(u'/') ? path : shortPath;
}

// A name from the installation list must not lead out of the program folder ("../").
bool liesInside(const QString &path, const QString &folder)
{
    return QDir::cleanPath(path).startsWith(withTrailingSlash(QDir::cleanPath(folder)));
}

// Folders that stay even when empty: the root, and the user's own folders that other programs
// expect to exist.
bool isKeptFolder(const QString &folder)
{
    const QString clean = QDir::cleanPath(folder);
    if (clean == u"/" || QFileInfo(clean).isRoot())
        return true;
    const QString canonical = QFileInfo(clean).canonicalFilePath();
    const QStringList kept{QDir::homePath(), QDir::tempPath(),
                           QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
                           QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)};
    for (const QString &keptFolder : kept) {
        if (keptFolder.isEmpty())
            continue;
        const QString keptClean = QDir::cleanPath(keptFolder);
        if (clean == keptClean)
            return true;
        if (!canonical.isEmpty() && canonical == QFileInfo(keptClean).canonicalFilePath())
            return true;
    }
    return false;
}

// Removes `folder` and then its parents while they are empty. A folder that cannot be listed
// counts as empty; removing a folder that is not empty simply fails.
void removeEmptyFolders(const QString &folder)
{
    QString current = QDir::cleanPath(folder);
    while (!isKeptFolder(current)) {
        if (!QDir(current).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System |
                                   QDir::NoDotAndDotDot))
            return;
        QDir().rmdir(current);
        const QString parent = QFileInfo(current).path();
        if (parent == current)
            return;
        current = parent;
    }
}

void removeListedFile(const QString &line, const QString &listFolder)
{
    // A relative line would otherwise depend on the ghost's working folder.
    const QString path = QFileInfo(line).isAbsolute() ? line : listFolder + line;
    const QString target = shortFormOrSelf(path);
    const QFileInfo info(target);
    // Folders are never deleted as files; a link goes, not what it points at.
    if (info.isSymLink() || (info.exists() && !info.isDir()))
        QFile::remove(target);
    removeEmptyFolders(QFileInfo(path).absolutePath());
}

// Linux unlinks a running program's file at once, whatever its permissions; elsewhere it may
// take until the first process has ended.
void removeInstalledProgram(const QString &file)
{
    const QDeadlineTimer deadline(ProgramFileWaitMs);
    while (QFileInfo::exists(file)) {
        if (QFile::remove(file) || deadline.hasExpired())
            return;
        QThread::msleep(ProgramFileRetryMs);
    }
}

QString installedProgramFile()
{
    // The program path itself comes first and is the ghost: it is never the installed file.
    const QStringList arguments = platform::services().system->commandLine().mid(1);
    for (const QString &argument : arguments) {
        // "/delete" is the switch, even if a file of that name should exist at the root.
        if (FindUninstallSwitch({argument}) != UninstallSwitch::None)
            continue;
        const QFileInfo info(argument);
        if (info.isFile())
            return info.absoluteFilePath();
    }
    return {};
}

} // namespace

bool ProcessStarter::startDetached(const QString &program, const QStringList &arguments)
{
    // Working in the ghost's own folder keeps it out of the folder it is about to remove.
    return QProcess::startDetached(program, arguments, QFileInfo(program).absolutePath());
}

ProcessStarter &processStarter()
{
    static ProcessStarter real;
    return installedStarter ? *installedStarter : real;
}

void setProcessStarter(ProcessStarter *starter)
{
    installedStarter = starter;
}

UninstallMessage ConfirmUninstallMessage(const QString &product, bool japanese)
{
    const unsigned flags = platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2;
    if (japanese)
        return {product + QStringLiteral(" を\r\n") +
                    QStringLiteral(
                        "アンインストール（アプリケーションの削除）しようとしています。\r\n") +
                    QStringLiteral("このままアンインストールしますか？"),
                QStringLiteral("アプリケーションの削除"), flags};
    return {QStringLiteral("Do you really want to uninstall \"") + product + QStringLiteral("\" ?"),
            QStringLiteral("Uninstall"), flags};
}

UninstallMessage RestartOfferMessage(bool japanese)
{
    const unsigned flags = platform::MB_YESNO | platform::MB_ICONQUESTION;
    if (japanese)
        return {QStringLiteral("アンインストール（アプリケーションの削除）は\r\n"
                               "次にＷｉｎｄｏｗｓを起動した時に完遂します。\r\n"
                               "今すぐ再起動しますか？"),
                QStringLiteral("アンインストール"), flags};
    return {QStringLiteral("Uninstall is accomplished at the next bootup of the Windows.\r\n"
                           "Reboot right now?"),
            QStringLiteral("Uninstall"), flags};
}

QString GhostProgramFile(const QString &windir, const QString &programName)
{
    const QString base = windir + QStringLiteral("Ghost") + programName;
    QString candidate = base;
    // A name taken by anything, even a dangling link, is not free.
    for (int number = 2; QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink(); ++number)
        candidate = base + QString::number(number);
    return candidate;
}

void PrepareUninstall()
{
    if (!Appli)
        return;
    const QString folder = Appli->ProgramFolder;
    const QString name = Appli->ProgramName;
    const QString exe = ProgramFile();
    const QString listPath = folder + UninstallListName;

    // The installation's own entries are kept; an unreadable list is not replaced.
    ListFile list = readList(listPath);
    if (list.readable) {
        list.lines.append(QStringLiteral("[FILE]"));
        // The file the settings store really uses, which may lie outside a read-only folder.
        list.lines.append(SettingsFilePath(folder, name));
        const QString sumPath = folder + name + QStringLiteral(".sum");
        if (QFileInfo(sumPath).isFile()) {
            list.lines.append(sumPath);
            for (const QString &line : readList(sumPath).lines) {
                const qsizetype semicolon = line.indexOf(u';');
                if (semicolon < 0)
                    continue;
                const QString fileName = line.left(semicolon).trimmed();
                const QString path = folder + fileName;
                if (!fileName.isEmpty() && liesInside(path, folder) && QFileInfo(path).isFile())
                    list.lines.append(path);
            }
        }
        writeList(listPath, list);
    }

    DeleteRegistryKey(UninstallKey + Appli->ProductName);

    // Failures from here on are not reported: the program files simply stay.
    const QString ghost = GhostProgramFile(WindowsFolder(), name);
    if (!QFile::copy(exe, ghost))
        return;
    QFile::setPermissions(ghost, QFile::permissions(exe) | QFileDevice::ReadOwner |
                                     QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // A copy that never ran would stay in the temporary folder for good.
    if (!processStarter().startDetached(ghost, {QStringLiteral("/delete"), exe}))
        QFile::remove(ghost);
}

void RemoveInstalledItems()
{
    const QString installed = installedProgramFile();
    if (installed.isEmpty())
        return;
    const QString listFolder = withTrailingSlash(QFileInfo(installed).absolutePath());
    const QString listPath = listFolder + UninstallListName;

    removeInstalledProgram(installed);

    if (QFileInfo::exists(listPath)) {
        enum class Section { None, File, Registry, Other } section = Section::None;
        QStringList files;
        for (const QString &line : readList(listPath).lines) {
            if (line.startsWith(u'[')) {
                const QString upper = line.toUpper();
                section = upper == u"[FILE]"       ? Section::File
                          : upper == u"[REGISTRY]" ? Section::Registry
                                                   : Section::Other;
                continue;
            }
            if (line.isEmpty())
                continue;
            if (section == Section::Registry)
                DeleteRegistryKey(line);
            else if (section == Section::File)
                files.append(line);
        }
        // The list goes last, so an interrupted run can be repeated.
        files.append(listPath);
        for (const QString &file : files)
            removeListedFile(file, listFolder);
    }

    DeleteRegistryKey(QString());
    // On Linux the desktop's files stand in for the uninstall entry and the association: no
    // menu entry may go on pointing at the removed program.
    desktop::UnregisterDesktopAssociation(installed);
}

void ScheduleSelfRemoval()
{
    // Only a ghost may remove its own program file.
    if (!Appli || !IsGhostProgramName(Appli->ProgramName))
        return;
    const QString ghost = ProgramFile();
    if (!platform::ProcessesWininit()) {
        // Linux lets the running ghost delete its own file, so nothing waits for a restart.
        QFile::remove(ghost);
        return;
    }
    ScheduleWininitDeletion(WindowsFolder(), ghost);
    const UninstallMessage offer = RestartOfferMessage(Appli->Japanese);
    if (ShowMessageBox(offer.text, offer.caption, offer.flags) == platform::IDYES)
        platform::RebootWindows();
}

bool ScheduleWininitDeletion(const QString &windir, const QString &file)
{
    const QString path = windir + QStringLiteral("WININIT.INI");
    ListFile list = readList(path);
    if (!list.readable)
        return false;
    QStringList &lines = list.lines;

    bool inserted = false;
    qsizetype at = lines.size();
    qsizetype section = -1;
    for (qsizetype i = 0; i < lines.size() && section < 0; ++i) {
        if (lines.at(i).toLower() == u"[rename]")
            section = i;
    }
    if (section >= 0) {
        at = section + 1;
    } else {
        lines.insert(at++, QStringLiteral("[rename]"));
        inserted = true;
    }

    const QString entry = QStringLiteral("NUL=") + shortFormOrSelf(file);
    bool present = false;
    for (qsizetype i = at; i < lines.size() && !lines.at(i).startsWith(u'[') && !present; ++i)
        present = lines.at(i).compare(entry, Qt::CaseInsensitive) == 0;
    if (!present) {
        lines.insert(at, entry);
        inserted = true;
    }
    return inserted && writeList(path, list);
}

} // namespace priomat
