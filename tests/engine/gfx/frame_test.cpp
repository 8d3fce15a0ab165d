#include <vector>

#include <gtest/gtest.h>

#include "gfx/fade.h"
#include "gfx/zvisual.h"

TEST(ZRamp, BandsFallFromFullToZero) {
    std::vector<uint16_t> ramp(gfxZRampSize);
    gfxBuildZRamp(ramp.data(), 0.5f, 0.75f);  // n = 32767, m = 49151
    struct Case {
        int m_Z;
        uint16_t m_Colour;
    };
    const Case cases[] = {
        {0, 0x07E0},     {32766, 0x0020}, {32767, 0x001F}, {49150, 0x0001},
        {49151, 0xF800}, {65534, 0x0800}, {65535, 0x0000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.m_Colour, ramp[c.m_Z]) << c.m_Z;
    }
}

TEST(ZRamp, DefaultThresholdsAndEdgesNeverDivideByZero) {
    std::vector<uint16_t> ramp(gfxZRampSize);
    // The defaults put near above mid: green up to near, then red; no blue band at all.
    gfxBuildZRamp(ramp.data(), 0.95f, 0.8f);
    EXPECT_EQ(0x07E0, ramp[0]);
    EXPECT_EQ(0, ramp[62257] & 0xF81F);
    EXPECT_EQ(8 << 11, ramp[62258]);
    for (int z = 0; z < gfxZRampSize; ++z) {
        ASSERT_EQ(0, ramp[z] & 0x001F) << z;
    }
    // Everything red, and a far band of one value.
    gfxBuildZRamp(ramp.data(), 0.0f, 1.0f);
    EXPECT_EQ(31, ramp[0]);
    EXPECT_EQ(31 << 11, ramp[65535]);
}

TEST(Fade, BlendsTowardTheTargetAndStops) {
    EXPECT_EQ(0x7F402010u, gfxBlendColor(0x00000000, 0xFF804020, 0.5f));
    EXPECT_EQ(0xFF804020u, gfxBlendColor(0x00000000, 0xFF804020, 1.0f));
    EXPECT_EQ(0x11223344u, gfxBlendColor(0x11223344, 0xFFFFFFFF, 0.0f));

    gfxFadeState fade = {};
    fade.m_From = 0xFF000000;
    fade.m_Current = 0xFF000000;
    fade.m_Target = 0x00000000;
    fade.m_Rate = 2.0f;
    std::vector<uint32_t> alphas;
    for (int frame = 0; frame < 6; ++frame) {
        gfxStepFade(fade, 0.25f);
        alphas.push_back(fade.m_Current >> 24);
    }
    // Progress 0, 0.5, 1: the colour reaches the target and stays there.
    EXPECT_EQ((std::vector<uint32_t>{255, 127, 0, 0, 0, 0}), alphas);
    EXPECT_FLOAT_EQ(1.0f, fade.m_Progress);
}
