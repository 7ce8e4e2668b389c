#include "app/DialogFolder.h"

#include "app/SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace priomat {

namespace {

const QString Section = QStringLiteral("FileDialog");
const QString Name = QStringLiteral("LastFolder");

QString withSlash(const QString &folder)
{
    const QString clean = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    return clean.endsWith(u'/') ? clean : clean + u'/';
}

} // namespace

QString FileDialogStartFolder(const QString &documentPath, const QString &lastFolder,
                              const QString &documentsFolder, const QString &homeFolder)
{
    const QString documentFolder = documentPath.isEmpty() ? QString() : QFileInfo(documentPath).absolutePath();
    for (const QString &folder : {documentFolder, lastFolder, documentsFolder, homeFolder}) {
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return withSlash(folder);
    }
    return QString();
}

QString DialogStartFolder(const QString &documentPath)
{
    return FileDialogStartFolder(documentPath, LastDialogFolder(),
                                 QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                                 QDir::homePath());
}

void RememberDialogFolder(const QString &chosenPath)
{
    if (!chosenPath.isEmpty())
        WriteSetting(Section, Name, QFileInfo(chosenPath).absolutePath());
}

QString LastDialogFolder()
{
    return ReadSetting(Section, Name, QString()).toString();
}

} // namespace priomat
