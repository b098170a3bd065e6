// Test main for tests that need widgets: a QApplication on the offscreen platform.
#include <QApplication>
#include <gtest/gtest.h>

#ifdef VINTREL_TEST_WINDOW_FONT
#include "forms/window_font.h"
#endif

#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
#ifdef VINTREL_TEST_WINDOW_FONT
    // The window font as the program loads it, where the machine has it.
    vintrel::forms::installWindowFont(QStringLiteral(VINTREL_TEST_WINDOW_FONT));
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
