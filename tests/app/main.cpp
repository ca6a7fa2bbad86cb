// The window tests run on Qt's offscreen platform with the program's own
// application object, so the general error box is the program's.

#include <gtest/gtest.h>

#include "app/window_kit/general_error.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
