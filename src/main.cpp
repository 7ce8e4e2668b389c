// Priomat: the program entry. Creates the platform services, runs the start-up order, the
// windows and the message loop, and shuts down in reverse.
#include "ui/windows/AlternativesForm.h"
#include "ui/windows/AppIcon.h"
#include "app/Appli.h"
#include "ui/main/BaseForm.h"
#include "app/Frame.h"
#include "platform/LinuxServices.h"
#include "app/Placement.h"
#include "ui/windows/ResultForm.h"
#include "setup/UninstallSwitches.h"

#include <QApplication>
#include <QGuiApplication>
#include <QTimer>

#include <cstdio>

using namespace priomat;

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

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("priomat"));
    QApplication::setApplicationDisplayName(QStringLiteral("Priomat"));
    QApplication::setWindowIcon(ApplicationIcon());
    InstallFontSubstitutions();

    platform::LinuxServices services;
    services.install();

    FrameStartup();
    application.setFont(DefaultFontSettings(Appli->Japanese).toFont());

    int exitCode = 0;
    if (!HandleUninstallSwitches()) {
        auto *baseForm = new TBaseForm();
        baseForm->setAttribute(Qt::WA_DeleteOnClose);
        BaseForm = baseForm;
        AlternativesForm = new TAlternativesForm();
        ResultForm = new TResultForm();
        baseForm->setAuxiliaryWindows(AlternativesForm, ResultForm);
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
        exitCode = application.exec();
    }
    FrameShutdown();
    return exitCode;
}
