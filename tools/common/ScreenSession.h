// For the screenshot tools: the program's real services, fonts and identity, and a grab of the
// whole screen as a user would see it.
#pragma once

#include "app/Appli.h"
#include "app/Frame.h"
#include "platform/LinuxServices.h"
#include "app/Placement.h"

#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QTest>

#include <cstdio>

namespace priomat::tools {

struct ScreenSession
{
    explicit ScreenSession(QApplication &application)
    {
        InstallFontSubstitutions();
        services.install();
        FrameStartup();
        application.setFont(DefaultFontSettings(Appli->Japanese).toFont());
    }
    ~ScreenSession() { FrameShutdown(); }

    platform::LinuxServices services;
};

// Lets the windows settle, then saves the screen.
inline void shoot(const QString &path)
{
    QTest::qWait(300);
    QApplication::primaryScreen()->grabWindow(0).save(path);
    std::printf("saved %s\n", qPrintable(path));
}

} // namespace priomat::tools
