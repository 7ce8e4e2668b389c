// The modal dialogs the main window runs, behind one small interface: the default runs them,
// tests and tools put their own answers in its place.
#pragma once

#include <QString>

class QDialog;
class QPrintPreviewDialog;
class QWidget;

namespace priomat {

class TAdvisorForm;
class TCompareForm;
class TCompletionForm;

// A file dialog's settings: its filter in Qt's form, default extension and checks.
struct FileDialogSettings
{
    QString filter;
    QString defaultSuffix;
    bool confirmOverwrite = false;
    bool fileMustExist = false;
    QString fileName; // the last file chosen, or the one to propose
};

class DialogRunner
{
public:
    virtual ~DialogRunner() = default;

    // Each runs its dialog modally and gives the dialog's result.
    virtual int runCompare(TCompareForm &dialog);
    virtual int runAdvisor(TAdvisorForm &dialog);
    virtual int runCompletion(TCompletionForm &dialog);
    virtual int runOptions(QDialog &dialog);
    virtual void runPrintPreview(QPrintPreviewDialog &dialog);
    // The chosen path, empty when cancelled. `start` is the file name to propose or the folder
    // to start in.
    virtual QString chooseFile(QWidget *owner, const FileDialogSettings &settings, bool save, const QString &start);
};

} // namespace priomat
