// The window tests run on Qt's offscreen platform unless a platform is set.
#include <toolbox/ui/window_layer.h>

#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    if (!TBStartWindowLayer()) return 1;
    const int result = RUN_ALL_TESTS();
    TBStopWindowLayer();
    return result;
}
