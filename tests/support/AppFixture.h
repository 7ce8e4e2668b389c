// What a window test needs around the program: a temporary home, fake platform services, an
// empty program file in a portable temporary folder, and no desktop database updaters.
#pragma once

#include "FakePlatform.h"
#include "app/Frame.h"
#include "NoDesktopHelpers.h"
#include "TestEnvironment.h"
#include "TestFiles.h"

namespace priomat::test {

struct AppFixture
{
    AppFixture()
    {
        platform.system.program = environment.path("priomat");
        platform.system.arguments = {platform.system.program};
        writeBytes(platform.system.program, QByteArray());
        // A portable folder, so that the settings file lies beside the program.
        writeBytes(environment.path(".portable"), QByteArray());
    }
    // FrameStartup may have run in the test; shutting down twice is harmless.
    ~AppFixture() { FrameShutdown(); }

    TestEnvironment environment;
    FakePlatform platform;
    NoDesktopHelpers helpers;
};

} // namespace priomat::test
