// The window tests need an application object for their whole run.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // No display is needed: Qt's off-screen platform serves every window test.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
