#include "input/winproc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/event.h"
#include "tests/support/child.h"

namespace {

std::vector<inpEvent> TakeAll() {
    std::vector<inpEvent> events;
    inpEvent event;
    while (inpGetEvent(event)) {
        events.push_back(event);
    }
    return events;
}

class WindowProc : public ::testing::Test {
protected:
    void SetUp() override {
        inpFlushEvents();
        inpWindowButtons = 0;
        inpCaptureCount = 0;
    }
    void TearDown() override {
        inpWindowProc(nullptr, WM_CAPTURECHANGED, 0, 0);
        inpFlushEvents();
    }
};

TEST_F(WindowProc, MouseMessagesBecomeEventsWithSignedPositions) {
    EXPECT_EQ(inpWindowProc(nullptr, WM_MOUSEMOVE, MK_LBUTTON | MK_MBUTTON, 0xFFFF0005), 0);
    EXPECT_EQ(inpMouseX, 5);
    EXPECT_EQ(inpMouseY, -1);
    inpWindowProc(nullptr, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(7, 8));
    inpWindowProc(nullptr, WM_RBUTTONUP, 0, MAKELPARAM(9, 10));
    inpWindowProc(nullptr, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(1, 2));
    inpWindowProc(nullptr, WM_MBUTTONUP, 0, MAKELPARAM(1, 2));
    inpWindowProc(nullptr, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 4));
    inpWindowProc(nullptr, WM_LBUTTONUP, 0, MAKELPARAM(3, 4));

    struct Expected {
        uint32_t type;
        int32_t x, y;
        uint32_t data;
    };
    const Expected expected[] = {
        {inpMouseMove, 5, -1, 5},  {inpRightDown, 7, 8, 2},  {inpRightUp, 9, 10, 0},
        {inpMiddleDown, 1, 2, 4},  {inpMiddleUp, 1, 2, 0},   {inpLeftDown, 3, 4, 1},
        {inpLeftUp, 3, 4, 0},
    };
    std::vector<inpEvent> events = TakeAll();
    ASSERT_EQ(events.size(), sizeof(expected) / sizeof(expected[0]));
    for (size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(events[i].type, expected[i].type) << i;
        EXPECT_EQ(events[i].x, expected[i].x) << i;
        EXPECT_EQ(events[i].y, expected[i].y) << i;
        EXPECT_EQ(events[i].data, expected[i].data) << i;
    }
}

TEST_F(WindowProc, KeysAndCharactersBecomeEvents) {
    // No Shift is held, so the letter is no hot key.
    EXPECT_EQ(inpWindowProc(nullptr, WM_KEYDOWN, 'A', 0), 0);
    inpWindowProc(nullptr, WM_CHAR, 'a', 0);
    inpWindowProc(nullptr, WM_KEYUP, VK_LEFT, 0);
    inpWindowProc(nullptr, WM_KEYDOWN, VK_PAUSE, 0);
    std::vector<inpEvent> events = TakeAll();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].type, inpKeyDown);
    EXPECT_EQ(events[0].data, 0x1Eu);
    EXPECT_EQ(events[1].type, inpCharacter);
    EXPECT_EQ(events[1].data, (uint32_t)'a');
    EXPECT_EQ(events[2].type, inpKeyUp);
    EXPECT_EQ(events[2].data, 0xCBu);
    EXPECT_EQ(events[3].data, 0u);
}

TEST_F(WindowProc, ButtonsAndCaptureCountFollowPressesAndReleases) {
    inpWindowProc(nullptr, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    inpWindowProc(nullptr, WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, 0);
    EXPECT_EQ(inpWindowButtons, 3u);
    EXPECT_EQ(inpCaptureCount, 2u);
    inpWindowProc(nullptr, WM_LBUTTONUP, MK_RBUTTON, 0);
    EXPECT_EQ(inpWindowButtons, 2u);
    EXPECT_EQ(inpCaptureCount, 1u);
    inpWindowProc(nullptr, WM_RBUTTONUP, 0, 0);
    EXPECT_EQ(inpWindowButtons, 0u);
    EXPECT_EQ(inpCaptureCount, 0u);

    // A release whose press happened outside the window leaves the count at 0.
    inpWindowProc(nullptr, WM_MBUTTONUP, 0, 0);
    EXPECT_EQ(inpCaptureCount, 0u);
    inpWindowProc(nullptr, WM_MBUTTONDOWN, MK_MBUTTON, 0);
    EXPECT_EQ(inpCaptureCount, 1u);

    // Losing the capture forgets the buttons.
    inpWindowProc(nullptr, WM_CAPTURECHANGED, 0, 0);
    EXPECT_EQ(inpWindowButtons, 0u);
    EXPECT_EQ(inpCaptureCount, 0u);
}

std::vector<std::string> g_Handled;

class Recorder : public winDispatchable {
public:
    Recorder(UINT message, const char* name) : winDispatchable(message), m_Name(name) {}
    void HandleMessage(HWND, UINT message, WPARAM wParam, LPARAM) override {
        g_Handled.push_back(m_Name + " " + std::to_string(message) + " " +
                            std::to_string(wParam));
    }
    std::string m_Name;
};

TEST_F(WindowProc, OtherMessagesReachTheirHandlersInRegistrationOrder) {
    g_Handled.clear();
    {
        Recorder first(WM_USER + 1, "first");
        Recorder other(WM_USER + 2, "other");
        Recorder second(WM_USER + 1, "second");
        inpWindowProc(nullptr, WM_USER + 1, 9, 0);
        // Taken messages never reach the handlers.
        Recorder keys(WM_KEYUP, "keys");
        inpWindowProc(nullptr, WM_KEYUP, 'A', 0);
    }
    EXPECT_EQ(g_Handled, (std::vector<std::string>{"first 1025 9", "second 1025 9"}));
    EXPECT_EQ(TakeAll().size(), 1u);
    // Every handler is gone: four may register again.
    Recorder a(1, "a"), b(1, "b"), c(1, "c"), d(1, "d");
}

struct Quiet : winDispatchable {
    Quiet() : winDispatchable(WM_USER) {}
    void HandleMessage(HWND, UINT, WPARAM, LPARAM) override {}
};

TEST_CHILD(FifthDispatchable) {
    Quiet handlers[5];
    return 0;
}

TEST_CHILD(DispatchableOutOfOrder) {
    Quiet* first = new Quiet;
    Quiet* second = new Quiet;
    delete first;
    delete second;
    return 0;
}

TEST(WinDispatchable, MisuseIsFatal) {
    ExpectFatalChildren({
        {"FifthDispatchable",
         "Assert(handlerCount != maxHandlers && \"Out of winDispatchables!\") failed in "
         "[input/winproc"},
        {"DispatchableOutOfOrder",
         "Assert(dispatch_array[--handlerCount] == this) failed in [input/winproc"},
    });
}

}  // namespace
