#include <gtest/gtest.h>
#include <QApplication>
#include <cstdlib>

// Qt tests need one application object for the whole run. Without a display they run on the
// offscreen platform, which is also what listing the tests at build time needs.
int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") &&
        !std::getenv("WAYLAND_DISPLAY")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
