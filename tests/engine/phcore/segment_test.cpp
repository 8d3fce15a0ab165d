#include "phcore/segment.h"

#include <gtest/gtest.h>

TEST(SegmentTest, SetComputesVerticalAndInverseLength) {
    struct Case {
        Vector3 start;
        Vector3 end;
        bool vertical;
        float invLength;
    };
    const Case cases[] = {
        {{1, 5, 2}, {1, -3, 2}, true, 0.125f},
        {{0, 0, 0}, {3, 4, 0}, false, 0.2f},
        {{0, 7, 0}, {0, 7, 2}, false, 0.5f},
        {{1, 1, 1}, {1, 1, 1}, true, 0.0f},  // coinciding ends: no length, not 1/0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.end.y);
        phSegment segment;
        segment.Set(c.start, c.end, phSegment::EDGE, 0xABCD1234u);
        EXPECT_EQ(segment.Kind, phSegment::EDGE);
        EXPECT_EQ(segment.User, 0xABCD1234u);
        EXPECT_EQ(segment.IsVertical, c.vertical);
        EXPECT_FLOAT_EQ(segment.InvLength, c.invLength);
        EXPECT_EQ(segment.m_Info, nullptr);
    }
}

TEST(SegmentTest, UpdateFollowsEndsMovedInPlace) {
    phSegment segment;
    segment.Set(Vector3(0, 0, 0), Vector3(0, 2, 0), phSegment::PROBE, 0);
    EXPECT_TRUE(segment.IsVertical);
    segment.End.Set(6, 0, 8);
    segment.Update();
    EXPECT_FALSE(segment.IsVertical);
    EXPECT_FLOAT_EQ(segment.InvLength, 0.1f);
}
