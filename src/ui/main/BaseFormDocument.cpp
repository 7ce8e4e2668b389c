// The main window's part of the document commands: the start-up document, New, Open, Save,
// Save As and the CSV export, the question about unsaved changes, a change of the file on disk
// and the recovery copies an ended run left.
#include "ui/main/BaseForm.h"
#include "ui/UiLanguage.h"

#include "app/Appli.h"
#include "app/DialogFolder.h"
#include "document/DocumentFile.h"
#include "document/Recovery.h"
#include "document/TextFile.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "platform/SystemInfo.h"

#include <QFileInfo>
#include <QTreeView>

namespace priomat {

void TBaseForm::FormShow()
{
    const QStringList arguments = platform::services().system->commandLine();
    const QString upper = arguments.size() > 1 ? arguments.at(1).toUpper() : QString();
    if (arguments.size() > 1 && upper != u"/JAPANESE" && upper != u"/ENGLISH") {
        const QString problem = RegularFileProblem(arguments.at(1));
        if (problem.isEmpty()) {
            LoadDocument(arguments.at(1));
            return;
        }
        // Named but not openable (a folder, a missing file, a name too long): said, then the
        // start goes on as without a name.
        showError(UiText(QStringLiteral("%1\r\nを開けません。%2"), QStringLiteral("Cannot open file \"%1\". %2"))
                      .arg(arguments.at(1), problem));
    }
    const QString fallback = (Appli ? Appli->ProgramFolder : QString()) + QStringLiteral("Default.ahp");
    if (QFileInfo(fallback).isFile())
        LoadDocument(fallback);
    else
        NewDocument();
}

void TBaseForm::NewDocument()
{
    TreePanel->rememberSelection();
    session_->newDocument();
}

void TBaseForm::LoadDocument(const QString &path)
{
    TreePanel->rememberSelection();
    if (!session_->open(path)) {
        RefreshComparisonPanel();
        return;
    }
    TreePanel->restoreSelection();
}

bool TBaseForm::SaveDocument(const QString &path)
{
    if (session_->save(path))
        return true;
    // The file changed on disk and the answer was to save under another name.
    if (session_->lastOverwriteChoice() != OverwriteChoice::SaveAs)
        return false;
    const QString other = runFileDialog(SaveDialog1, true, path);
    return !other.isEmpty() && SaveDocument(other);
}

bool TBaseForm::ExportCsv(const QString &path)
{
    return session_->exportCsv(path);
}

QString TBaseForm::runFileDialog(FileDialogSettings &settings, bool save, const QString &start)
{
    const QString path = dialogs_->chooseFile(this, settings, save, start);
    if (!path.isEmpty()) {
        settings.fileName = path;
        RememberDialogFolder(path);
    }
    return path;
}

bool TBaseForm::QuerySaveModified()
{
    if (!session_->isModified())
        return true;
    const QString &name = session_->fileName();
    switch (prompts_.askSaveModified(name)) {
    case platform::IDYES: {
        if (!name.isEmpty())
            return SaveDocument(name);
        const QString path = runFileDialog(SaveDialog1, true, DialogStartFolder(QString()));
        return !path.isEmpty() && SaveDocument(path);
    }
    case platform::IDNO:
        return true;
    default:
        return false;
    }
}

void TBaseForm::MenuNewClick()
{
    if (QuerySaveModified())
        NewDocument();
}

void TBaseForm::MenuOpenClick()
{
    if (!QuerySaveModified())
        return;
    const QString &name = session_->fileName();
    const QString start = name.isEmpty() ? DialogStartFolder(QString()) : name;
    const QString path = runFileDialog(OpenDialog1, false, start);
    if (!path.isEmpty())
        LoadDocument(path);
}

void TBaseForm::MenuSaveClick()
{
    if (!session_->fileName().isEmpty())
        SaveDocument(session_->fileName());
}

void TBaseForm::MenuSaveAsClick()
{
    const QString &name = session_->fileName();
    const QString start = name.isEmpty() ? DialogStartFolder(QString()) : name;
    const QString path = runFileDialog(SaveDialog1, true, start);
    if (!path.isEmpty())
        SaveDocument(path);
}

void TBaseForm::MenuSaveCSVClick()
{
    QString start = DialogStartFolder(QString());
    const QString &name = session_->fileName();
    if (!name.isEmpty()) {
        // The document's name with its extension, from the last dot of the file name, as .csv.
        const qsizetype slash = name.lastIndexOf(u'/');
        const qsizetype dot = name.lastIndexOf(u'.');
        start = (dot > slash ? name.left(dot) : name) + QStringLiteral(".csv");
    }
    const QString path = runFileDialog(SaveDialog2, true, start);
    if (!path.isEmpty())
        ExportCsv(path);
}

void TBaseForm::announceChangeOnDisk()
{
    changeToAnnounce_ = false;
    const QString &name = session_->fileName();
    if (prompts_.askReload(name, session_->isModified()))
        LoadDocument(name);
}

void TBaseForm::KeepRecoveryCopy()
{
    recovery_->keepForNextStart();
}

void TBaseForm::OfferRecoveryCopies()
{
    const QList<RecoveryCopy> copies = recovery_->leftCopies();
    bool opened = false;
    for (const RecoveryCopy &copy : copies) {
        if (opened) {
            recovery_->keepCopy(copy); // offered again at the next start
            continue;
        }
        switch (prompts_.askOpenRecoveryCopy(copy)) {
        case DocumentPrompts::RecoveryAnswer::Open:
            if (QuerySaveModified() && recovery_->openCopy(copy)) {
                opened = true;
                TreeTree->expandAll();
            } else {
                recovery_->keepCopy(copy);
            }
            break;
        case DocumentPrompts::RecoveryAnswer::Discard:
            recovery_->discardCopy(copy);
            break;
        default:
            recovery_->keepCopy(copy);
            break;
        }
    }
}

} // namespace priomat
