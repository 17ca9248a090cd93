// One test program for the whole project; the windows are tested on Qt's
// off-screen platform, so no display is needed.
#include "framework/Application.h"

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    fw::TApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Pomi-Pomira AVI"));
    return RUN_ALL_TESTS();
}
