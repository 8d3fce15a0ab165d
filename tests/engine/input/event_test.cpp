#include "input/event.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Everything a peek pass sees, oldest first.
std::vector<inpEvent> PeekAll() {
    std::vector<inpEvent> events;
    inpEvent event;
    uint32_t cursor = 0;
    while (inpPeekEvent(event, cursor)) {
        events.push_back(event);
    }
    return events;
}

class EventRing : public ::testing::Test {
protected:
    void SetUp() override { inpFlushEvents(); }
    void TearDown() override { inpFlushEvents(); }
};

TEST_F(EventRing, HoldsThirtyOneEventsAndDropsTheRest) {
    for (uint32_t i = 0; i < 40; ++i) {
        inpPostEvent(inpKeyDown, 0, 0, i);
    }
    std::vector<inpEvent> events = PeekAll();
    ASSERT_EQ(events.size(), 31u);
    for (uint32_t i = 0; i < 31; ++i) {
        EXPECT_EQ(events[i].data, i);
    }
    // Taking one makes room for one more.
    inpEvent first;
    ASSERT_TRUE(inpGetEvent(first));
    EXPECT_EQ(first.data, 0u);
    inpPostEvent(inpKeyDown, 0, 0, 99);
    events = PeekAll();
    ASSERT_EQ(events.size(), 31u);
    EXPECT_EQ(events.front().data, 1u);
    EXPECT_EQ(events.back().data, 99u);
}

TEST_F(EventRing, MouseMovesAfterAMouseMoveOnlyMoveIt) {
    inpPostEvent(inpLeftDown, 1, 1, 1);
    for (int i = 0; i < 10; ++i) {
        inpPostEvent(inpMouseMove, 10 + i, 20 + i, 1 + i);
    }
    inpPostEvent(inpKeyDown, 0, 0, 0x1E);
    inpPostEvent(inpMouseMove, 50, 60, 0);

    std::vector<inpEvent> events = PeekAll();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].type, inpLeftDown);
    EXPECT_EQ(events[1].type, inpMouseMove);
    EXPECT_EQ(events[1].x, 19);
    EXPECT_EQ(events[1].y, 29);
    // Only the position is replaced: the buttons of the first move stay.
    EXPECT_EQ(events[1].data, 1u);
    EXPECT_EQ(events[2].type, inpKeyDown);
    EXPECT_EQ(events[3].type, inpMouseMove);
    EXPECT_EQ(events[3].x, 50);
}

TEST_F(EventRing, AMoveIntoAnEmptyRingIsAddedThoughTheLastSlotHeldAMove) {
    inpPostEvent(inpMouseMove, 1, 2, 0);
    inpFlushEvents();
    inpPostEvent(inpMouseMove, 3, 4, 0);
    std::vector<inpEvent> events = PeekAll();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].x, 3);
}

TEST_F(EventRing, PeekPassesLeaveTheRingAndFlushEmptiesIt) {
    inpPostEvent(inpKeyDown, 0, 0, 1);
    inpPostCommand(77);
    inpPostEvent(inpCharacter, 0, 0, 'a');
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<inpEvent> events = PeekAll();
        ASSERT_EQ(events.size(), 3u);
        EXPECT_EQ(events[0].type, inpKeyDown);
        EXPECT_EQ(events[1].type, inpCommand);
        EXPECT_EQ(events[1].data, 77u);
        EXPECT_EQ(events[2].type, inpCharacter);
    }
    inpFlushEvents();
    EXPECT_TRUE(PeekAll().empty());
    inpEvent event;
    EXPECT_FALSE(inpGetEvent(event));
    inpPostEvent(inpKeyUp, 0, 0, 5);
    ASSERT_EQ(PeekAll().size(), 1u);
    ASSERT_TRUE(inpGetEvent(event));
    EXPECT_EQ(event.data, 5u);
    EXPECT_FALSE(inpGetEvent(event));
}

// The indices wrap round the ring: posting and taking past slot 31 keeps the order.
TEST_F(EventRing, OrderSurvivesTheWrap) {
    for (uint32_t i = 0; i < 100; ++i) {
        inpPostEvent(inpKeyDown, 0, 0, i);
        inpPostEvent(inpKeyUp, 0, 0, i);
        inpEvent event;
        ASSERT_TRUE(inpGetEvent(event));
        EXPECT_EQ(event.type, inpKeyDown);
        ASSERT_TRUE(inpGetEvent(event));
        EXPECT_EQ(event.type, inpKeyUp);
        EXPECT_EQ(event.data, i);
    }
}

}  // namespace
