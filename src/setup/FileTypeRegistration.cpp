// The uninstall entry and the ".ahp" association in the registry store.
#include "setup/FileTypeRegistration.h"

#include "app/Appli.h"
#include "setup/DesktopAssociation.h"
#include "app/SettingsStore.h"

namespace priomat {

namespace {

const QString UninstallKey = QStringLiteral(
    "\\HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\");
const QString ClassesRoot = QStringLiteral("\\HKEY_CLASSES_ROOT\\");
// The verb keeps the product's fixed name even where ProductName is still the neutral default.
const QString Verb = QStringLiteral("Priomat");
const QString BackupName = QStringLiteral("Priomat Backup");

} // namespace

QString ProgramFile()
{
    return Appli ? Appli->ProgramPath : QString();
}

void RegisterUninstallEntry()
{
    if (!Appli)
        return;
    const QString key = UninstallKey + Appli->ProductName;
    // Unquoted, unlike the open command: the entry keeps the form it has always had.
    WriteRegistryValue(key, QStringLiteral("DisplayName"), Appli->ProductName);
    WriteRegistryValue(key, QStringLiteral("UninstallString"),
                       ProgramFile() + QStringLiteral(" /UNINSTALL"));
}

void RegisterFileType()
{
    if (!Appli)
        return;
    const QString exe = ProgramFile();

    QString progid =
        ReadRegistryValue(ClassesRoot + QStringLiteral(".ahp"), QString(), QString()).toString();
    if (progid.isEmpty()) {
        progid = QStringLiteral("AHP");
        WriteRegistryValue(ClassesRoot + QStringLiteral(".ahp"), QString(), progid);
        WriteRegistryValue(ClassesRoot + progid, QString(), QStringLiteral("AHP File"));
    }
    // An extension owned by another file type keeps it; the program only adds icon and verb.
    const QString typeKey = ClassesRoot + progid;
    WriteRegistryValue(typeKey + QStringLiteral("\\DefaultIcon"), QString(),
                       exe + QStringLiteral(",0"));

    const QString shellKey = typeKey + QStringLiteral("\\shell");
    const QString previous = ReadRegistryValue(shellKey, QString(), QString()).toString();
    if (!previous.isEmpty() && previous != Verb)
        WriteRegistryValue(shellKey, BackupName, previous);
    WriteRegistryValue(shellKey, QString(), Verb);
    WriteRegistryValue(shellKey + u'\\' + Verb + QStringLiteral("\\command"), QString(),
                       u'"' + exe + QStringLiteral("\" \"%1\""));

    desktop::RegisterDesktopAssociation(exe);
}

} // namespace priomat
