#include "vector/vector3.h"

#include <gtest/gtest.h>

TEST(Vector3, Basics) {
    Vector3 v(1.0f, 2.0f, 2.0f);
    EXPECT_FLOAT_EQ(v.Mag(), 3.0f);
}
