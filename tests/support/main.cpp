#include "testenv.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    setUpTestEnvironment();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
