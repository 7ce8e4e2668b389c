// A shown main window on a fake platform, for tests that drive it like a user.
#pragma once

#include "AppFixture.h"
#include "ScriptedDialogs.h"
#include "TestFiles.h"
#include "app/Appli.h"
#include "app/Frame.h"
#include "document/DocumentSession.h"
#include "ui/main/BaseForm.h"

#include <QTest>
#include <QUndoStack>

#include <memory>

namespace priomat::test {

struct MainWindowFixture
{
    std::unique_ptr<AppFixture> app;
    ScriptedDialogs dialogs;
    std::unique_ptr<TBaseForm> form;

    // An English main window of 700 x 500, shown and exposed.
    void start()
    {
        app = std::make_unique<AppFixture>();
        FrameStartup();
        Appli->Japanese = false;
        form = std::make_unique<TBaseForm>();
        dialogs = ScriptedDialogs();
        form->setDialogRunner(&dialogs);
        form->resize(700, 500);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }

    // Closes without the save question.
    void finish()
    {
        if (form)
            form->session().undoStack()->setClean();
        form.reset();
        app.reset();
    }

    // Writes the bytes as doc.ahp and opens it.
    void open(const QByteArray &content)
    {
        const QString path = app->environment.path("doc.ahp");
        writeBytes(path, content);
        form->LoadDocument(path);
    }
};

} // namespace priomat::test
