// The uninstaller: removal list, ghost copy, removal of the listed items and of the ghost.
#include "setup/Uninstaller.h"

#include "app/Appli.h"
#include "setup/DesktopAssociation.h"
#include "setup/FileTypeRegistration.h"
#include "app/Mbcs.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "platform/RegistryStore.h"
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

QString canonicalFolder(const QString &folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return canonical.isEmpty() ? QString() : withTrailingSlash(canonical);
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

// Removes `folder` and then its parents while they are empty; returns how many went. A folder
// that cannot be listed counts as empty; removing a folder that is not empty simply fails. A
// link to a folder is not a folder here and stops the walk.
int removeEmptyFolders(const QString &folder)
{
    int removed = 0;
    QString current = QDir::cleanPath(folder);
    while (!isKeptFolder(current) && !QFileInfo(current).isSymLink()) {
        if (!QDir(current).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System |
                                   QDir::NoDotAndDotDot))
            return removed;
        if (QDir().rmdir(current))
            ++removed;
        const QString parent = QFileInfo(current).path();
        if (parent == current)
            return removed;
        current = parent;
    }
    return removed;
}

QString reasonText(const QString &path, const QString &reason)
{
    return path + QStringLiteral(" (") + reason + u')';
}

// A line of the removal list as the file it names: relative lines lie in the list's folder,
// ".." is resolved, and so is every link among the folders, so that the checks see where the
// file really is. The last component stays as it is: a link there is removed, not followed.
QString resolveListedFile(const QString &line, const QString &listFolder)
{
    const QString path = QDir::cleanPath(QFileInfo(line).isAbsolute() ? line : listFolder + line);
    const QFileInfo info(path);
    const QString folder = canonicalFolder(info.path());
    return folder.isEmpty() ? path : folder + info.fileName();
}

// The files of the removal list's "[FILE]" sections and the keys of its "[REGISTRY]" sections.
struct RemovalList
{
    QStringList files;
    QStringList keys;
};

RemovalList parseRemovalList(const QStringList &lines)
{
    RemovalList list;
    enum class Section { None, File, Registry, Other } section = Section::None;
    for (const QString &line : lines) {
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
            list.keys.append(line);
        else if (section == Section::File)
            list.files.append(line);
    }
    return list;
}

// Removes one listed file where it may; a refused or failed one goes into the report.
void removeListedFile(const QString &line, const QString &listFolder, const QString &programFolder,
                      UninstallReport &report)
{
    const QString target = resolveListedFile(line, listFolder);
    const QFileInfo info(target);
    if (!info.exists() && !info.isSymLink())
        return;
    // Folders are never deleted as files.
    if (info.isDir() && !info.isSymLink())
        return;
    if (!MayRemoveListedFile(target, programFolder)) {
        report.notRemoved.append(reasonText(target, QStringLiteral("outside the installation")));
        return;
    }
    QFile file(target);
    if (file.remove())
        ++report.files;
    else
        report.notRemoved.append(reasonText(target, file.errorString()));
    report.folders += removeEmptyFolders(info.path());
}

// Linux unlinks a running program's file at once, whatever its permissions; elsewhere it may
// take until the first process has ended.
void removeInstalledProgram(const QString &file, UninstallReport &report)
{
    const QDeadlineTimer deadline(ProgramFileWaitMs);
    while (QFileInfo::exists(file)) {
        QFile program(file);
        if (program.remove()) {
            ++report.files;
            return;
        }
        if (deadline.hasExpired()) {
            report.notRemoved.append(reasonText(file, program.errorString()));
            return;
        }
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

// The removal list as PrepareUninstall writes it: the installation's own lines, then the
// settings file, the installation list and the files it names.
QStringList preparedRemovalLines(const QStringList &installed)
{
    const QString folder = Appli->ProgramFolder;
    const QString name = Appli->ProgramName;
    QStringList lines = installed;
    lines.append(QStringLiteral("[FILE]"));
    // The file the settings store really uses, which may lie outside a read-only folder.
    lines.append(SettingsFilePath(folder, name));
    const QString sumPath = folder + name + QStringLiteral(".sum");
    if (QFileInfo(sumPath).isFile()) {
        lines.append(sumPath);
        for (const QString &line : readList(sumPath).lines) {
            const qsizetype semicolon = line.indexOf(u';');
            if (semicolon < 0)
                continue;
            const QString fileName = line.left(semicolon).trimmed();
            const QString path = folder + fileName;
            if (!fileName.isEmpty() && liesInside(path, folder) && QFileInfo(path).isFile())
                lines.append(path);
        }
    }
    return lines;
}

void showMessage(const UninstallMessage &message)
{
    ShowMessageBox(message.text, message.caption, message.flags);
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

bool MayRemoveListedFile(const QString &file, const QString &programFolder)
{
    const QFileInfo info(file);
    const QString folder = canonicalFolder(info.path());
    const QString program = canonicalFolder(programFolder);
    if (folder.isEmpty() || program.isEmpty())
        return false;
    const QString path = folder + info.fileName();

    // The program's own settings folder, where the settings file lives outside a portable folder.
    const QString settings = canonicalFolder(
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/priomat"));
    if (!settings.isEmpty() && path.startsWith(settings))
        return true;

    const QString product = Appli ? Appli->ProductName : QStringLiteral("Priomat");
    // A bin/ folder is shared with other programs: only the program's own files there, and in
    // the prefix's share/ folder only what names the program (share/priomat/, its icons, its
    // desktop entry, its MIME package).
    if (QDir(program).dirName() == u"bin") {
        if (folder == program)
            return info.fileName().startsWith(product, Qt::CaseInsensitive)
                   || info.fileName() == UninstallListName;
        const QString share = canonicalFolder(program + QStringLiteral("../share"));
        return !share.isEmpty() && path.startsWith(share)
               && path.mid(share.size()).contains(product, Qt::CaseInsensitive);
    }
    return path.startsWith(program);
}

QStringList UninstallBlockers()
{
    QStringList blocked;
    if (!Appli)
        return blocked;
    const QString folder = Appli->ProgramFolder;
    const auto check = [&blocked](const QString &path) {
        const QString clean = QDir::cleanPath(path);
        if (!blocked.contains(clean) && !QFileInfo(clean).isWritable())
            blocked.append(clean);
    };
    // The program file goes and UNINST.DAT is written in the program folder.
    check(folder);
    const ListFile list = readList(folder + UninstallListName);
    for (const QString &line : parseRemovalList(preparedRemovalLines(list.lines)).files) {
        const QString target = resolveListedFile(line, folder);
        const QFileInfo info(target);
        if (info.exists() && !info.isDir() && MayRemoveListedFile(target, folder))
            check(info.path());
    }
    return blocked;
}

void PrepareUninstall()
{
    if (!Appli)
        return;
    const QString folder = Appli->ProgramFolder;
    const QString exe = ProgramFile();
    const QString listPath = folder + UninstallListName;

    // The installation's own entries are kept; an unreadable list is not replaced.
    ListFile list = readList(listPath);
    if (list.readable) {
        list.lines = preparedRemovalLines(list.lines);
        if (!writeList(listPath, list)) {
            UninstallReport report{true, 0, 0, {reasonText(listPath, QStringLiteral("cannot be written"))}};
            showMessage(UninstallReportMessage(Appli->ProductName, report, Appli->Japanese));
            return;
        }
    }

    DeleteRegistryKey(UninstallKey + Appli->ProductName);

    const QString ghost = GhostProgramFile(WindowsFolder(), Appli->ProgramName);
    bool started = false;
    if (QFile::copy(exe, ghost)) {
        QFile::setPermissions(ghost, QFile::permissions(exe) | QFileDevice::ReadOwner |
                                         QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        started = processStarter().startDetached(ghost, {QStringLiteral("/delete"), exe});
        // A copy that never ran would stay in the temporary folder for good.
        if (!started)
            QFile::remove(ghost);
    }
    if (started)
        return; // the ghost removes the rest and reports
    // No ghost (a temporary folder mounted noexec, or full): Linux lets this process remove its
    // own program file, so the removal happens here.
    const UninstallReport report = RemoveInstallation(exe);
    showMessage(UninstallReportMessage(Appli->ProductName, report, Appli->Japanese));
}

UninstallReport RemoveInstallation(const QString &installed)
{
    UninstallReport report;
    report.ran = true;
    const QString listFolder = withTrailingSlash(QFileInfo(installed).absolutePath());
    const QString listPath = listFolder + UninstallListName;

    removeInstalledProgram(installed, report);

    if (QFileInfo::exists(listPath)) {
        const RemovalList list = parseRemovalList(readList(listPath).lines);
        for (const QString &key : list.keys)
            DeleteRegistryKey(key);
        // The list goes last, so an interrupted run can be repeated.
        for (const QString &file : list.files + QStringList{listPath})
            removeListedFile(file, listFolder, listFolder, report);
    }
    report.folders += removeEmptyFolders(listFolder);

    DeleteRegistryKey(QString());
    // On Linux the desktop's files stand in for the uninstall entry and the association: no
    // menu entry may go on pointing at the removed program.
    desktop::UnregisterDesktopAssociation(installed);
    // The store was the program's own: when nothing of the user's is left in it, it goes too.
    if (platform::RegistryStore *registry = platform::services().registry)
        registry->removeWhenEmpty();
    return report;
}

UninstallReport RemoveInstalledItems()
{
    const QString installed = installedProgramFile();
    if (installed.isEmpty())
        return {};
    return RemoveInstallation(installed);
}

UninstallMessage UninstallReportMessage(const QString &product, const UninstallReport &report,
                                        bool japanese)
{
    // A long list is cut: the message box must fit on the screen.
    constexpr int ShownItems = 10;
    const bool complete = report.notRemoved.isEmpty();
    QString text;
    if (japanese) {
        text = complete ? product + QStringLiteral(" をアンインストールしました。")
                        : product + QStringLiteral(" のアンインストールは完了していません。");
        text += QStringLiteral("\r\n削除したもの: ファイル %1 個、フォルダ %2 個")
                    .arg(report.files)
                    .arg(report.folders);
    } else {
        text = complete ? u'"' + product + QStringLiteral("\" has been uninstalled.")
                        : u'"' + product + QStringLiteral("\" has not been uninstalled completely.");
        text += QStringLiteral("\r\nRemoved: %1 file(s), %2 folder(s).").arg(report.files).arg(report.folders);
    }
    if (!complete) {
        text += japanese ? QStringLiteral("\r\n削除できなかったもの:") : QStringLiteral("\r\nNot removed:");
        for (const QString &item : report.notRemoved.mid(0, ShownItems))
            text += QStringLiteral("\r\n") + item;
        const qsizetype more = report.notRemoved.size() - ShownItems;
        if (more > 0)
            text += japanese ? QStringLiteral("\r\nほか %1 件").arg(more)
                             : QStringLiteral("\r\nand %1 more").arg(more);
    }
    return {text, japanese ? QStringLiteral("アンインストール") : QStringLiteral("Uninstall"),
            platform::MB_OK | (complete ? platform::MB_ICONINFORMATION : platform::MB_ICONWARNING)};
}

UninstallMessage UninstallRefusedMessage(const QString &product, const QStringList &folders,
                                         bool japanese)
{
    const QString list = folders.join(QStringLiteral("\r\n"));
    const unsigned flags = platform::MB_OK | platform::MB_ICONHAND;
    if (japanese)
        return {product + QStringLiteral(" をアンインストールできません。次のフォルダを変更する権限がありません:\r\n")
                    + list
                    + QStringLiteral("\r\n何も変更していません。インストールしたユーザーでアンインストールしてください。"),
                QStringLiteral("アンインストール"), flags};
    return {QStringLiteral("\"") + product
                + QStringLiteral("\" cannot be uninstalled: you may not change these folders:\r\n") + list
                + QStringLiteral("\r\nNothing has been changed. Uninstall it as the user who installed it."),
            QStringLiteral("Uninstall"), flags};
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
