#include <gtest/gtest.h>

#include "file/AbsoluteName.h"

TEST(AbsoluteName, WindowsFormsAndRootedNames) {
    EXPECT_TRUE(isAbsoluteName("C:\\rig\\a.jpg"));
    EXPECT_TRUE(isAbsoluteName("C:/rig/a.jpg"));
    EXPECT_TRUE(isAbsoluteName("\\\\server\\a.jpg"));
    EXPECT_TRUE(isAbsoluteName("/home/rig/a.jpg"));
    EXPECT_FALSE(isAbsoluteName("C:a.jpg"));
    EXPECT_FALSE(isAbsoluteName("a.jpg"));
    EXPECT_FALSE(isAbsoluteName(""));
    EXPECT_FALSE(isAbsoluteName("\\a.jpg"));
}
