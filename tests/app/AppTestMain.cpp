// The window tests need an application object for their whole run.
#include "gl/GLContext.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // No display is needed: Qt's off-screen platform serves every window test.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    // One OpenGL library for the whole run: each window started here finds it loaded and
    // leaves it loaded, so no test unloads it (Mesa's driver leaks a little when it does).
    LoadGLEntryPoints(TRUE);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
