// The ".ahp" association on the Linux desktop, beside the registry store values.
#include "setup/DesktopAssociation.h"

#include "document/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <optional>

namespace priomat::desktop {

namespace {

// Long enough for a user's own caches, short enough not to hold up the start noticeably.
constexpr int UpdaterTimeoutMs = 2000;

HelperRunner *installedRunner = nullptr;

std::optional<QByteArray> readFile(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        return QByteArray();
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

// True only when the file was written: an unchanged file keeps its time stamp, so the desktop
// does not rescan it and the updaters do not run.
bool writeIfChanged(const QString &path, const QByteArray &content)
{
    const std::optional<QByteArray> current = readFile(path);
    if (current && *current == content)
        return false;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    try {
        WriteFileAtomically(path, content);
        return true;
    } catch (const FileError &) {
        return false;
    }
}

// The desktop entry's string escapes, applied over the Exec quoting.
QString escapeDesktopString(const QString &value)
{
    QString escaped;
    for (const QChar c : value) {
        switch (c.unicode()) {
        case u'\\':
            escaped += QStringLiteral("\\\\");
            break;
        case u'\n':
            escaped += QStringLiteral("\\n");
            break;
        case u'\t':
            escaped += QStringLiteral("\\t");
            break;
        case u'\r':
            escaped += QStringLiteral("\\r");
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

void runUpdater(const QString &program, const QString &folder)
{
    HelperRunner &runner = helperRunner();
    const QString path = runner.find(program);
    if (!path.isEmpty())
        runner.run(path, {folder});
}

} // namespace

QString HelperRunner::find(const QString &program) const
{
    return QStandardPaths::findExecutable(program);
}

void HelperRunner::run(const QString &path, const QStringList &arguments)
{
    QProcess process;
    process.setProgram(path);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(UpdaterTimeoutMs))
        return;
    if (!process.waitForFinished(UpdaterTimeoutMs)) {
        // The desktop rebuilds its caches itself sooner or later; the start must go on.
        process.kill();
        process.waitForFinished(UpdaterTimeoutMs);
    }
}

HelperRunner &helperRunner()
{
    static HelperRunner real;
    return installedRunner ? *installedRunner : real;
}

void setHelperRunner(HelperRunner *runner)
{
    installedRunner = runner;
}

QByteArray MimePackageText()
{
    // Globs match without regard to letter case unless marked case-sensitive. The magic lets a
    // document renamed to another extension still be recognised by its header line.
    return QByteArray(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"application/x-priomat-ahp\">\n"
        "    <comment>AHP File</comment>\n"
        "    <comment xml:lang=\"ja\">AHP ファイル</comment>\n"
        "    <icon name=\"application-x-priomat-ahp\"/>\n"
        "    <sub-class-of type=\"text/plain\"/>\n"
        "    <glob pattern=\"*.ahp\"/>\n"
        "    <magic priority=\"50\">\n"
        "      <match type=\"string\" offset=\"0\" value=\"Priomat - Data File\"/>\n"
        "    </magic>\n"
        "  </mime-type>\n"
        "</mime-info>\n");
}

namespace {

QString quotedExecArgument(const QString &argument)
{
    // Within quotes these four characters keep a meaning unless escaped; "%" would start a
    // field code.
    QString quoted(u'"');
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        else if (c == u'%')
            quoted += u'%';
        quoted += c;
    }
    return quoted + u'"';
}

} // namespace

QString DesktopExecArgument(const QString &argument)
{
    // Bare where nothing in it is reserved: launchers that split Exec on their own (xdg-open's
    // generic mode) take a quoted program name literally.
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`%=");
    const bool bare = !argument.isEmpty()
                      && std::none_of(argument.begin(), argument.end(),
                                      [](QChar c) { return reserved.contains(c) || c.unicode() < 0x20; });
    return bare ? argument : quotedExecArgument(argument);
}

QByteArray DesktopEntryText(const QString &exe)
{
    const QString exec = escapeDesktopString(DesktopExecArgument(exe) + QStringLiteral(" %f"));
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Priomat\n"
                                        "Name[ja]=Priomat\n"
                                        "Comment=AHP decision tool\n"
                                        "Comment[ja]=AHP（階層分析法）による意思決定支援ツール\n"
                                        "Keywords=AHP;Analytic Hierarchy Process;decision;"
                                        "pairwise comparison;priorities;criteria;\n"
                                        "Keywords[ja]=AHP;階層分析法;意思決定;一対比較;"
                                        "優先度;評価基準;\n"
                                        "Exec=") +
                         exec +
                         QStringLiteral("\n"
                                        "Icon=priomat\n"
                                        "MimeType=") +
                         MimeType +
                         QStringLiteral(";\n"
                                        "Categories=Office;\n"
                                        "Terminal=false\n");
    return text.toUtf8();
}

QByteArray WithoutDefaultApplication(const QByteArray &mimeApps, const QString &mimeType,
                                     const QString &desktopId)
{
    const QByteArray key = mimeType.toUtf8();
    const QByteArray id = desktopId.toUtf8();
    QList<QByteArray> lines = mimeApps.split('\n');
    bool inDefaults = false;
    bool changed = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray trimmed = lines.at(i).trimmed();
        if (trimmed.startsWith('[')) {
            inDefaults = trimmed == "[Default Applications]";
            continue;
        }
        const qsizetype equals = lines.at(i).indexOf('=');
        if (!inDefaults || equals < 0 || lines.at(i).left(equals).trimmed() != key)
            continue;
        // The value is a list: another application named beside this one keeps its place.
        const QByteArray value = lines.at(i).mid(equals + 1).trimmed();
        QList<QByteArray> kept;
        bool named = false;
        for (const QByteArray &entry : value.split(';')) {
            const QByteArray name = entry.trimmed();
            if (name == id)
                named = true;
            else if (!name.isEmpty())
                kept.append(name);
        }
        if (!named)
            continue;
        changed = true;
        if (kept.isEmpty())
            lines.removeAt(i--);
        else
            lines[i] = key + '=' + kept.join(';') + (value.endsWith(';') ? ";" : "");
    }
    return changed ? lines.join('\n') : mimeApps;
}

bool DesktopEntryOpens(const QByteArray &entryText, const QString &exe)
{
    QByteArray wanted;
    for (const QByteArray &line : DesktopEntryText(exe).split('\n')) {
        if (line.startsWith("Exec="))
            wanted = line;
    }
    // Earlier versions always quoted the program.
    const QByteArray quoted =
        "Exec=" + escapeDesktopString(quotedExecArgument(exe) + QStringLiteral(" %f")).toUtf8();
    const QList<QByteArray> lines = entryText.split('\n');
    return std::any_of(lines.begin(), lines.end(), [&](const QByteArray &line) {
        return line.trimmed() == wanted || line.trimmed() == quoted;
    });
}

bool HasDefaultApplication(const QByteArray &mimeApps, const QString &mimeType)
{
    const QByteArray key = mimeType.toUtf8();
    bool inDefaults = false;
    for (const QByteArray &line : mimeApps.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith('[')) {
            inDefaults = trimmed == "[Default Applications]";
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!inDefaults || equals < 0 || line.left(equals).trimmed() != key)
            continue;
        const QList<QByteArray> names = line.mid(equals + 1).split(';');
        if (std::any_of(names.begin(), names.end(),
                        [](const QByteArray &name) { return !name.trimmed().isEmpty(); }))
            return true;
    }
    return false;
}

QStringList MimeAppsLists()
{
    // Desktop-specific lists come before the general one in every folder.
    QStringList names;
    for (const QString &desktop : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts))
        names.append(desktop.toLower() + QStringLiteral("-mimeapps.list"));
    names.append(QStringLiteral("mimeapps.list"));

    QStringList lists;
    for (const QString &folder : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
        for (const QString &name : names)
            lists.append(folder + u'/' + name);
    for (const QString &folder : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        for (const QString &name : names)
            lists.append(folder + QStringLiteral("/applications/") + name);
    return lists;
}

QString InstalledDataFolder(const QString &exe)
{
    const QString share = QDir::cleanPath(QFileInfo(exe).absolutePath() + QStringLiteral("/../share"));
    const QString dataHome =
        QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    if (share == dataHome)
        return {};
    const QStringList folders = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    const bool searched = std::any_of(folders.begin(), folders.end(), [&](const QString &folder) {
        return QDir::cleanPath(folder) == share;
    });
    if (searched && QFileInfo::exists(share + QStringLiteral("/applications/") + DesktopId)
        && QFileInfo::exists(share + QStringLiteral("/mime/packages/priomat.xml")))
        return share;
    return {};
}

QByteArray WithDefaultApplication(const QByteArray &mimeApps, const QString &mimeType,
                                  const QString &desktopId)
{
    if (HasDefaultApplication(mimeApps, mimeType))
        return mimeApps;
    // Worked on as bytes, so that lines this program does not understand come back unchanged.
    const QByteArray key = mimeType.toUtf8();
    const QByteArray wanted = key + '=' + desktopId.toUtf8();
    QList<QByteArray> lines;
    if (!mimeApps.isEmpty()) {
        lines = mimeApps.split('\n');
        if (mimeApps.endsWith('\n'))
            lines.removeLast();
    }

    qsizetype header = -1;
    qsizetype end = lines.size();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray trimmed = lines.at(i).trimmed();
        if (!trimmed.startsWith('['))
            continue;
        if (header >= 0) {
            end = i;
            break;
        }
        if (trimmed == "[Default Applications]")
            header = i;
    }

    if (header < 0) {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines.append(QByteArray());
        lines.append("[Default Applications]");
        lines.append(wanted);
    } else {
        bool found = false;
        for (qsizetype i = header + 1; i < end; ++i) {
            const QByteArray &line = lines.at(i);
            const qsizetype equals = line.indexOf('=');
            // Comments never match: their key begins with "#".
            if (equals >= 0 && line.left(equals).trimmed() == key) {
                lines[i] = wanted;
                found = true;
            }
        }
        if (!found) {
            // At the end of the group's entries, before the blank lines that separate groups.
            qsizetype at = end;
            while (at > header + 1 && lines.at(at - 1).trimmed().isEmpty())
                --at;
            lines.insert(at, wanted);
        }
    }
    return lines.join('\n') + '\n';
}

namespace {

// Each database is refreshed only after its own file changed.
void runUpdatersFor(const DesktopChanges &changes, const QString &dataHome)
{
    if (changes.mimePackage)
        runUpdater(QStringLiteral("update-mime-database"), dataHome + QStringLiteral("/mime"));
    if (changes.desktopEntry)
        runUpdater(QStringLiteral("update-desktop-database"),
                   dataHome + QStringLiteral("/applications"));
}

} // namespace

DesktopChanges RegisterDesktopAssociation(const QString &exe)
{
    DesktopChanges changes;
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString configHome =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (dataHome.isEmpty() || configHome.isEmpty())
        return changes;

    const QString packagePath = dataHome + QStringLiteral("/mime/packages/priomat.xml");
    const QString entryPath = dataHome + QStringLiteral("/applications/") + DesktopId;
    if (InstalledDataFolder(exe).isEmpty()) {
        changes.mimePackage = writeIfChanged(packagePath, MimePackageText());
        changes.desktopEntry = writeIfChanged(entryPath, DesktopEntryText(exe));
    } else {
        // The installed entry and package serve; copies an earlier start of this same program
        // left in the user's folder would only hide them.
        const std::optional<QByteArray> entry = readFile(entryPath);
        if (entry && !entry->isEmpty() && DesktopEntryOpens(*entry, exe))
            changes.desktopEntry = QFile::remove(entryPath);
        if (readFile(packagePath) == MimePackageText())
            changes.mimePackage = QFile::remove(packagePath);
    }

    // The user's choice, or the system's, of another application stays.
    const QStringList lists = MimeAppsLists();
    const bool hasDefault = std::any_of(lists.begin(), lists.end(), [](const QString &path) {
        const std::optional<QByteArray> list = readFile(path);
        return list && HasDefaultApplication(*list, MimeType);
    });
    const QString mimeAppsPath = configHome + QStringLiteral("/mimeapps.list");
    // A list that exists but cannot be read is left alone rather than replaced.
    if (const std::optional<QByteArray> mimeApps = readFile(mimeAppsPath); mimeApps && !hasDefault)
        changes.defaultApplication =
            writeIfChanged(mimeAppsPath, WithDefaultApplication(*mimeApps, MimeType, DesktopId));

    runUpdatersFor(changes, dataHome);
    return changes;
}

DesktopChanges UnregisterDesktopAssociation(const QString &exe)
{
    DesktopChanges removed;
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString configHome =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (dataHome.isEmpty() || configHome.isEmpty())
        return removed;

    const QString entryPath = dataHome + QStringLiteral("/applications/") + DesktopId;
    const std::optional<QByteArray> entry = readFile(entryPath);
    // An unreadable entry may be another copy's: better left than wrongly taken away.
    if (!entry || (QFileInfo::exists(entryPath) && !DesktopEntryOpens(*entry, exe)))
        return removed;

    removed.desktopEntry = QFile::remove(entryPath);
    const QString packagePath = dataHome + QStringLiteral("/mime/packages/priomat.xml");
    removed.mimePackage = QFile::remove(packagePath);
    const QString mimeAppsPath = configHome + QStringLiteral("/mimeapps.list");
    if (const std::optional<QByteArray> mimeApps = readFile(mimeAppsPath);
        mimeApps && !mimeApps->isEmpty())
        removed.defaultApplication =
            writeIfChanged(mimeAppsPath, WithoutDefaultApplication(*mimeApps, MimeType, DesktopId));

    runUpdatersFor(removed, dataHome);
    return removed;
}

} // namespace priomat::desktop
