#include <gtest/gtest.h>
TEST(CrashSmoke, Builds) { SUCCEED(); }
