// Test entry: offscreen Qt, scripted message boxes, then every test.
#include <gtest/gtest.h>
#include <QApplication>
#include "platform/core/msgbox.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    ui::script::enable();
    return RUN_ALL_TESTS();
}
