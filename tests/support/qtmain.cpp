#include "testenv.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <clocale>

// GUI tests need an application object; the platform is offscreen.
int main(int argc, char** argv)
{
    setUpTestEnvironment();
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    setlocale(LC_NUMERIC, "C");
    return RUN_ALL_TESTS();
}
