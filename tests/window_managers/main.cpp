// The window manager tests start their own X server on a free display before the
// application connects to it, and stop it (and the window manager) when they
// end. Without Xvfb every test reports why.

#include <gtest/gtest.h>

#include "app/window_kit/general_error.h"
#include "tests/window_managers/window_fixture.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests needs no desktop.
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    XServerSession server;
    WindowManagerSession manager;
    Desktop().Server = &server;
    Desktop().Manager = &manager;
    Desktop().Problem = server.Start();
    if (Desktop().Problem.empty() && !xtest::Open())
        Desktop().Problem = "cannot connect to " + server.Display();
    qputenv("QT_QPA_PLATFORM", Desktop().Problem.empty() ? "xcb" : "offscreen");
    int status = 0;
    {
        TApplication application(argc, argv);
        status = RUN_ALL_TESTS();
    }
    return status;
}
