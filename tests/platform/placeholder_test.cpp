#include <gtest/gtest.h>
TEST(Build, Works) { EXPECT_EQ(1 + 1, 2); }
