// Priomat: the program entry. Creates the platform services, runs the start-up order, the
// windows and the message loop, and shuts down in reverse.
#include "ui/main/GuardedApplication.h"
#include "ui/windows/AccessibleRoles.h"
#include "ui/windows/AlternativesForm.h"
#include "ui/windows/AppIcon.h"
#include "app/Appli.h"
#include "ui/main/BaseForm.h"
#include "app/Frame.h"
#include "platform/LinuxServices.h"
#include "app/Placement.h"
#include "app/QtTranslations.h"
#include "app/TerminationSignals.h"
#include "document/Recovery.h"
#include "ui/windows/ResultForm.h"
#include "ui/main/BaseFormCertainty.h"
#include "setup/UninstallSwitches.h"
#include "document/FileEnvironment.h"
#include "document/TextFile.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QGuiApplication>
#include <QTimer>

#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>

using namespace priomat;

namespace {

// The main window with its two hidden companions, and the message loop.
int runWindows(QApplication &application)
{
    auto *baseForm = new TBaseForm();
    baseForm->setAttribute(Qt::WA_DeleteOnClose);
    BaseForm = baseForm;
    AlternativesForm = new TAlternativesForm();
    ResultForm = new TResultForm();
    baseForm->setAuxiliaryWindows(AlternativesForm, ResultForm);
    FollowCertaintyChoices(baseForm, ResultForm->Certainty);
    // The windows stay hidden until the Window menu opens them, and go with the program.
    QObject::connect(baseForm, &QObject::destroyed, [] {
        delete AlternativesForm;
        AlternativesForm = nullptr;
        delete ResultForm;
        ResultForm = nullptr;
        BaseForm = nullptr;
    });
    baseForm->show();
    // For the start-up benchmark: end once the first document is shown and painted.
    if (qEnvironmentVariableIsSet("PRIOMAT_EXIT_WHEN_SHOWN"))
        QTimer::singleShot(0, baseForm, [baseForm] {
            baseForm->repaint();
            QApplication::exit(0);
        });
    // Ended by a signal (a logout, a closed terminal, kill): unsaved work goes into its recovery
    // copy first. Qt ends the program with exit() when the display connection breaks: the exit
    // hook writes the copy then.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::received, [](int number) {
        if (BaseForm)
            BaseForm->KeepRecoveryCopy();
        std::fprintf(stderr, "priomat: ended by signal %d\n", number);
        // A modal loop would carry on where it stands once the main loop is told to end.
        if (QApplication::activeModalWidget())
            std::_Exit(128 + number);
        QApplication::exit(128 + number);
    });
    std::atexit(DocumentRecovery::writeCopiesAtExit);
    DocumentRecovery::setExitHookArmed(true);
    const int code = application.exec();
    DocumentRecovery::setExitHookArmed(false);
    return code;
}

int reportStartFailure(const std::exception &error)
{
    const QString message = GuardedApplication::messageOf(error);
    std::fprintf(stderr, "priomat: %s\n", message.toLocal8Bit().constData());
    try {
        ShowMessageBox(message, QStringLiteral("Error"), platform::MB_OK | platform::MB_ICONHAND);
    } catch (const std::exception &) {
        // The line on standard error has to do.
    }
    return 1;
}

// A platform asked for that cannot start here (no compositor, no plugin) falls back to X11
// instead of aborting: Qt tries the names of QT_QPA_PLATFORM in turn.
void addX11Fallback()
{
    const QByteArray platforms = qgetenv("QT_QPA_PLATFORM");
    if (platforms.isEmpty() || qEnvironmentVariableIsEmpty("DISPLAY"))
        return;
    for (const QByteArray &name : platforms.split(';'))
        if (name.trimmed().startsWith("xcb") || name.trimmed() == "offscreen" || name.trimmed() == "minimal")
            return;
    qputenv("QT_QPA_PLATFORM", platforms + ";xcb");
}

} // namespace

int main(int argc, char *argv[])
{
    // Without a display there is nothing to show: say so instead of failing obscurely.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fputs("priomat: no display found (DISPLAY and WAYLAND_DISPLAY are not set).\n"
                   "Start it on a desktop, under xvfb-run, or use priomat-cli.\n",
                   stderr);
        return 1;
    }

    // A write over the file-size limit fails with a message instead of killing the program; a
    // missing HOME is the account's home. A document name that is not UTF-8 would be opened
    // and saved under another name: it is left out and named in a message.
    PrepareFileEnvironment();
    const char *unrepresentable = nullptr;
    if (argc > 1 && !RepresentableFileName(argv[1])) {
        unrepresentable = argv[1];
        for (int i = 1; i < argc; ++i)
            argv[i] = argv[i + 1];
        --argc;
    }

    addX11Fallback();
    GuardedApplication application(argc, argv);
    // No display name: Qt would append it to every caption ("Error — Priomat").
    QApplication::setApplicationName(QStringLiteral("priomat"));
    QApplication::setWindowIcon(ApplicationIcon());
    InstallFontSubstitutions();
    InstallAccessibleRoles();

    platform::LinuxServices services;
    services.install();

    int exitCode = 0;
    try {
        FrameStartup();
        InstallQtTranslations(Appli->Japanese);
        application.setFont(DefaultFontSettings(Appli->Japanese).toFont());
        if (unrepresentable)
            ShowMessageBox(UnrepresentableNameMessage(unrepresentable, Appli->Japanese), QStringLiteral("Error"),
                           platform::MB_OK | platform::MB_ICONHAND);
        if (!HandleUninstallSwitches())
            exitCode = runWindows(application);
    } catch (const std::exception &error) {
        // Nothing may end the program with an abort: say what stopped it.
        exitCode = reportStartFailure(error);
    }
    FrameShutdown();
    return exitCode;
}
