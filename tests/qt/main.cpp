// SPDX-License-Identifier: MIT
// The main of the Qt tests (the rendering check here, the Qt companion's
// tests in qt/tests): they run inside a QGuiApplication.
#include <gtest/gtest.h>

#include <QGuiApplication>

// Qt's offscreen platform never frees the screen it creates; in sanitizer
// builds the leak checker is told to leave Qt's platform objects alone.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libQt5Gui.so\nleak:libQt6Gui.so\nleak:libqoffscreen.so\n";
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Headless unless told otherwise: no display is needed to lay out text.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
