// Fakes of the platform services, installed for the life of a test object.
#pragma once

#include "platform/HelpViewer.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "platform/RegistryStore.h"
#include "platform/SystemInfo.h"

#include <QList>
#include <QRect>
#include <QSize>
#include <QStringList>

namespace priomat::test {

// Records every box and answers with the queued ids (IDOK when the queue is empty), so no
// test ever waits on a modal loop.
class FakeMessageBox : public platform::MessageBoxService
{
public:
    struct Shown
    {
        QString text;
        QString caption;
        unsigned flags;
    };

    int show(QWidget *, const QString &text, const QString &caption, unsigned flags) override
    {
        shown.append({text, caption, flags});
        return answers.isEmpty() ? platform::IDOK : answers.takeFirst();
    }

    // Choices are recorded in `shown` too (flags 0) and answered from `answers` as indices.
    int choose(QWidget *, const QString &text, const QString &caption, const QStringList &,
               int cancelIndex) override
    {
        shown.append({text, caption, 0});
        return answers.isEmpty() ? cancelIndex : answers.takeFirst();
    }

    QList<Shown> shown;
    QList<int> answers;
};

class FakeHelpViewer : public platform::HelpViewer
{
public:
    bool open(const QString &htmlFile, int context) override
    {
        opened.append({htmlFile, context});
        return result;
    }

    QList<QPair<QString, int>> opened;
    bool result = true;
};

class FakeSystemInfo : public platform::SystemInfo
{
public:
    bool defaultLanguageIsJapanese() const override { return japanese; }
    QString programPath() const override { return program; }
    QStringList commandLine() const override { return arguments; }
    QSize screenSize() const override { return screen; }
    QRect workArea() const override { return work; }

    bool japanese = false;
    QString program = QStringLiteral("/opt/priomat/priomat");
    QStringList arguments{QStringLiteral("/opt/priomat/priomat")};
    QSize screen{1024, 768};
    QRect work{0, 0, 1024, 740};
};

// Installs the fakes as the program's services while it lives.
struct FakePlatform
{
    FakePlatform()
    {
        previous = platform::services();
        platform::setServices({&registry, &messageBox, &helpViewer, &system});
    }
    ~FakePlatform() { platform::setServices(previous); }

    platform::MemoryRegistryStore registry;
    FakeMessageBox messageBox;
    FakeHelpViewer helpViewer;
    FakeSystemInfo system;
    platform::Services previous;
};

} // namespace priomat::test
