// Test entry: offscreen Qt, scripted message boxes, then every test.
#include <gtest/gtest.h>
#include "tests/common/faultvfs.h"
#include <QApplication>
#include "platform/core/msgbox.h"
#include "tests/common/testutil.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    faultvfs::install();
    QApplication app(argc, argv);
    ui::script::enable();
    testutil::ProgramFolder::s_newFolder = [] { ui::script::clear(); };
    return RUN_ALL_TESTS();
}
