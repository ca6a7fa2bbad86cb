// The tests on a real X server (tests/scripts/with_xvfb.sh gives each run
// one of its own): the program's windows on Qt's X11 platform, keys typed
// through the server.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "app/general_error.h"
#include "tests/x11/x_keyboard.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::puts("no X server (DISPLAY is not set); skipped");
        return 77;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    {
        XKeyboard keyboard;
        if (!keyboard.Usable()) {
            std::puts("the X server has no XTEST extension; skipped");
            return 77;
        }
        // The window manager starts beside the tests; windows shown before
        // it manages the screen would not be placed and focused as usual.
        for (int i = 0; i < 100 && !keyboard.HasWindowManager(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    TApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
