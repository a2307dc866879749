// Test entry of the code that shows nothing: a QCoreApplication only, so a widget
// or a message box used by accident cannot link or run here.
#include <QCoreApplication>
#include <gtest/gtest.h>
#include "tests/common/faultvfs.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    faultvfs::install();
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
