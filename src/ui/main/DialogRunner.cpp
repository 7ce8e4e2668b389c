#include "ui/main/DialogRunner.h"

#include "ui/main/CompareForm.h"
#include "ui/windows/AdvisorForm.h"
#include "ui/windows/CompletionForm.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QPrintPreviewDialog>

namespace priomat {

int DialogRunner::runCompare(TCompareForm &dialog)
{
    return dialog.exec();
}

int DialogRunner::runAdvisor(TAdvisorForm &dialog)
{
    return dialog.exec();
}

int DialogRunner::runCompletion(TCompletionForm &dialog)
{
    return dialog.exec();
}

int DialogRunner::runOptions(QDialog &dialog)
{
    return dialog.exec();
}

void DialogRunner::runPrintPreview(QPrintPreviewDialog &dialog)
{
    dialog.exec();
}

QString DialogRunner::chooseFile(QWidget *owner, const FileDialogSettings &settings, bool save, const QString &start)
{
    QFileDialog dialog(owner, QString(), QString(), settings.filter);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !settings.confirmOverwrite);
    if (!settings.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(settings.defaultSuffix);
    const QFileInfo info(start);
    if (info.isDir() || start.endsWith(u'/')) {
        dialog.setDirectory(start);
    } else if (!start.isEmpty()) {
        dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        return dialog.selectedFiles().first();
    return QString();
}

} // namespace priomat
