// Driving the main window from a test: its dialogs answered (set functions run instead of the
// modal loop, unset ones run the real dialog) and its event handlers called by name.
#pragma once

#include "ui/main/DialogRunner.h"

#include <QMetaObject>
#include <QObject>
#include <QtGlobal>

#include <functional>

namespace priomat::test {

struct ScriptedDialogs : DialogRunner
{
    std::function<int(TCompareForm &)> compare;
    std::function<int(TAdvisorForm &)> advisor;
    std::function<int(TCompletionForm &)> completion;
    std::function<QString(const FileDialogSettings &settings, bool save, const QString &start)> file;

    int runCompare(TCompareForm &dialog) override { return compare ? compare(dialog) : DialogRunner::runCompare(dialog); }
    int runAdvisor(TAdvisorForm &dialog) override { return advisor ? advisor(dialog) : DialogRunner::runAdvisor(dialog); }
    int runCompletion(TCompletionForm &dialog) override
    {
        return completion ? completion(dialog) : DialogRunner::runCompletion(dialog);
    }
    QString chooseFile(QWidget *owner, const FileDialogSettings &settings, bool save, const QString &start) override
    {
        return file ? file(settings, save, start) : DialogRunner::chooseFile(owner, settings, save, start);
    }
};

// Calls a window's event handler by name, as its control would; private slots included.
inline void invoke(QObject &window, const char *handler)
{
    if (!QMetaObject::invokeMethod(&window, handler, Qt::DirectConnection))
        qFatal("no handler named %s", handler);
}

} // namespace priomat::test
