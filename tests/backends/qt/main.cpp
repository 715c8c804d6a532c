// Entry point of the Qt view's tests: one QApplication on the offscreen platform, so the tests
// need no display.
#include <gtest/gtest.h>

#include <QApplication>

#include "art/art.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    // As the game does: every window takes the application's icon.
    QApplication::setWindowIcon(qbx::art::AppIcon());
    return RUN_ALL_TESTS();
}
