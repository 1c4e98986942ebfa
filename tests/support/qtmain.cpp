#include <gtest/gtest.h>
#include <QApplication>
#include <clocale>

// GUI tests need an application object; the platform is offscreen (set by CTest).
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    setlocale(LC_NUMERIC, "C");
    return RUN_ALL_TESTS();
}
