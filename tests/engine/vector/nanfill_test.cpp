#include "vector/matrix34.h"
#include "vector/matrix44.h"
#include "vector/vector2.h"
#include "vector/vector3.h"
#include "vector/vector4.h"

#include "tests/support/child.h"

#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <cstdint>
#include <vector>

namespace {

const unsigned InvalidMask = 0x80;  // MXCSR bit: invalid operation masked

template <typename T>
bool AllWordsFilled(const T& value) {
    std::vector<uint32_t> words(sizeof(T) / 4, NanFillBits);
    return memcmp(&value, words.data(), sizeof(T)) == 0;
}

// Read by a static initialiser of this file, which may run before those of the vector module:
// only constant initialisation makes the constants safe to use there.
const float sm_SeenBeforeMain =
    Vector3::sm_XAxis.x + Matrix34::sm_Identity.b.y + Matrix44::sm_Identity.d.w;

}  // namespace

TEST(NanFill, EveryWordOfEveryDefaultTypeHoldsThePattern) {
    unsigned before = _mm_getcsr();
    Vector2 v2;
    Vector3 v3;
    Vector4 v4;
    Matrix34 m34;
    Matrix44 m44;
    float lone = 0.0f;
    NanFloat(lone);
    EXPECT_TRUE(AllWordsFilled(v2));
    EXPECT_TRUE(AllWordsFilled(v3));
    EXPECT_TRUE(AllWordsFilled(v4));
    EXPECT_TRUE(AllWordsFilled(m34));
    EXPECT_TRUE(AllWordsFilled(m44));
    EXPECT_TRUE(AllWordsFilled(lone));
    EXPECT_EQ(_mm_getcsr(), before);
}

TEST(NanFill, IsZeroIsFalseWhileInvalidIsMasked) {
    unsigned before = _mm_getcsr();
    _mm_setcsr(before | InvalidMask);
    Vector3 v;
    __asm__ __volatile__("" : : "r"(&v) : "memory");
    bool zero = v.IsZero();
    _mm_setcsr(before);
    EXPECT_FALSE(zero);
}

TEST_CHILD(IsZeroWithInvalidUnmasked) {
    volatile bool zero = false;
    Vector3 v;
    // The compiler must not fold the comparison of a value it knows.
    __asm__ __volatile__("" : : "r"(&v) : "memory");
    _mm_setcsr(_mm_getcsr() & ~InvalidMask);
    zero = v.IsZero();
    return zero ? 1 : 2;
}

TEST(NanFill, ArithmeticOnTheFillTrapsWhileInvalidIsUnmasked) {
    ChildResult result = RunChild("IsZeroWithInvalidUnmasked");
    EXPECT_FALSE(result.m_TimedOut);
    // The trap is reported like any stray fault, and the child ends with exit code 1.
    EXPECT_EQ(result.m_ExitCode, 1) << result.m_Output;
    EXPECT_NE(result.m_Output.find("Exception c0000090"), std::string::npos) << result.m_Output;
}

TEST(NanFill, ConstantsAreSetBeforeMain) {
    EXPECT_EQ(sm_SeenBeforeMain, 3.0f);
    EXPECT_TRUE(Vector3::sm_Zero.IsZero());
    EXPECT_EQ(Vector3::sm_ZAxis.z, 1.0f);
}
