#include "bank/bank.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/engine/bank/recorder.h"
#include "vector/vector2.h"
#include "vector/vector3.h"
#include "vector/vector4.h"
#include "tests/support/child.h"

std::vector<std::string> g_Calls;
std::map<bkWidget*, RecWidget*> g_Widgets;

namespace {

std::vector<std::string> Titles(RecBank& bank) {
    std::vector<std::string> titles;
    for (int i = 0; i < bank.NumWidgets; ++i) {
        titles.push_back(bank.At(i)->m_Title);
    }
    return titles;
}

std::vector<std::string> Hidden(RecBank& bank) {
    std::vector<std::string> hidden;
    for (int i = 0; i < bank.NumWidgets; ++i) {
        if (!bank.At(i)->m_Visible) {
            hidden.push_back(bank.At(i)->m_Title);
        }
    }
    return hidden;
}

// The vector is followed by one more float, which no slider may reach.
template <typename Vector>
void CheckVectorSliders(std::vector<std::string> titles) {
    struct {
        Vector v;
        float after;
    } guarded;
    float* floats = &guarded.v.x;
    int count = int(titles.size());
    for (int i = 0; i <= count; ++i) {
        floats[i] = 0.5f;
    }
    RecBank bank("B", 0, 0);
    bkSlider* first = bank.AddVectorSlider("P", &guarded.v, 0, 1, 0.25f);
    EXPECT_EQ(Titles(bank), titles);
    EXPECT_EQ(static_cast<bkWidget*>(first), bank.Widget[0]);
    for (int i = 0; i < count; ++i) {
        static_cast<RecSlider*>(bank.At(i))->GetValue()->Increment();
        EXPECT_EQ(floats[i], 0.75f) << i;
    }
    EXPECT_EQ(guarded.after, 0.5f);
}

TEST(Bank, VectorSlidersOverConsecutiveFloats) {
    CheckVectorSliders<Vector4>({"P X", "P Y", "P Z", "P W"});
    CheckVectorSliders<Vector3>({"P X", "P Y", "P Z"});
    CheckVectorSliders<Vector2>({"P X", "P Y"});
}

template <typename Vector>
void CheckColour(std::vector<std::string> titles, std::vector<float> afterIncrement) {
    RecBank bank("B", 0, 0);
    Vector colour;
    float* components = &colour.x;
    int count = int(afterIncrement.size());
    for (int i = 0; i < count; ++i) {
        components[i] = 0.5f;
    }
    EXPECT_NE(bank.AddColor("Tint", &colour), nullptr);
    EXPECT_EQ(Titles(bank), titles);
    for (int i = 0; i < count; ++i) {
        static_cast<RecSlider*>(bank.At(i + 1))->GetValue()->Increment();
        EXPECT_FLOAT_EQ(components[i], afterIncrement[i]) << i;
    }
}

TEST(Bank, ColoursAreALabelAndComponentSliders) {
    CheckColour<Vector4>({"Tint", "red", "green", "blue", "alpha"}, {0.6f, 0.52f, 0.52f, 0.52f});
    CheckColour<Vector3>({"Tint", "red", "green", "blue"}, {0.52f, 0.52f, 0.52f});
}

TEST(Bank, FoldingAGroupMovesTheRowsBelow) {
    RecBank bank("B", 0, 0);
    bank.AddButton("A");
    bkGroup* group = bank.PushGroup("G", true);
    bank.AddButton("g1");
    bank.AddButton("g2");
    bank.AddButton("g3");
    bank.PopGroup();
    bank.AddButton("B");
    ASSERT_EQ(group->m_First, 2);
    ASSERT_EQ(group->m_Last, 4);
    RecWidget* b = bank.At(5);
    ASSERT_EQ(b->m_Y, 100);
    ASSERT_EQ(bank.m_LayoutY, 120);

    g_Calls.clear();
    bank.ShowRange(group, false);
    EXPECT_EQ(b->m_Y, 40);
    EXPECT_EQ(bank.m_LayoutY, 60);
    EXPECT_EQ(Hidden(bank), (std::vector<std::string>{"g1", "g2", "g3"}));
    EXPECT_EQ(g_Calls, std::vector<std::string>{"Move B -60"});

    bank.ShowRange(group, true);
    EXPECT_EQ(b->m_Y, 100);
    EXPECT_EQ(bank.m_LayoutY, 120);
    EXPECT_TRUE(Hidden(bank).empty());
}

TEST(Bank, ClosedNestedGroupsStayFolded) {
    RecBank bank("B", 0, 0);
    bank.AddButton("A");
    bkGroup* outer = bank.PushGroup("G", true);
    bank.AddButton("g1");
    bank.PushGroup("N1", true);
    bank.AddButton("n1");
    bank.PushGroup("N2", false);
    bank.AddButton("m1");
    bank.PushGroup("N2a", true);
    bank.AddButton("q1");
    bank.PopGroup();
    bank.PopGroup();
    bank.AddButton("n2");
    bank.PopGroup();
    bank.PushGroup("N3", false);
    bank.AddButton("p1");
    bank.PopGroup();
    bank.AddButton("g2");
    bank.PopGroup();
    bank.AddButton("B");
    const std::vector<std::string> folded = {"m1", "N2a", "q1", "p1"};
    ASSERT_EQ(Hidden(bank), folded);
    ASSERT_EQ(bank.m_LayoutY, 200);
    RecWidget* b = bank.At(13);
    ASSERT_EQ(b->m_Y, 180);

    bank.ShowRange(outer, false);
    EXPECT_EQ(bank.m_LayoutY, 60);
    EXPECT_EQ(b->m_Y, 40);

    bank.ShowRange(outer, true);
    EXPECT_EQ(Hidden(bank), folded);
    EXPECT_EQ(bank.m_LayoutY, 200);
    EXPECT_EQ(b->m_Y, 180);
}

TEST(Bank, RemovingAWidgetShiftsTheRest) {
    RecBank bank("B", 0, 0);
    bank.AddButton("A");
    bank.AddButton("B");
    bank.AddButton("C");
    RecBank other("O", 0, 0);
    bkButton* foreign = other.AddButton("F");

    g_Calls.clear();
    EXPECT_FALSE(bank.RemoveWidget(foreign));
    EXPECT_FALSE(bank.RemoveWidget(-1));
    EXPECT_FALSE(bank.RemoveWidget(3));
    EXPECT_TRUE(g_Calls.empty());
    EXPECT_EQ(bank.NumWidgets, 3);
    EXPECT_EQ(bank.m_LayoutY, 60);

    EXPECT_TRUE(bank.RemoveWidget(0));
    EXPECT_EQ(g_Calls, (std::vector<std::string>{"Destroy A", "Move B -20", "Move C -20"}));
    EXPECT_EQ(Titles(bank), (std::vector<std::string>{"B", "C"}));
    EXPECT_EQ(bank.At(0)->m_Y, 0);
    EXPECT_EQ(bank.At(1)->m_Y, 20);
    EXPECT_EQ(bank.m_LayoutY, 40);
    EXPECT_EQ(bank.m_WidgetY[0], 20);
    EXPECT_EQ(bank.m_WidgetY[1], 40);

    EXPECT_TRUE(bank.RemoveWidget(bank.Widget[1]));
    EXPECT_EQ(Titles(bank), std::vector<std::string>{"B"});
    EXPECT_EQ(bank.m_LayoutY, 20);
}

TEST(Bank, TruncationKeepsTheLayoutOfTheRest) {
    RecBank bank("B", 0, 0);
    for (const char* title : {"A", "B", "C", "D"}) {
        bank.AddButton(title);
    }
    g_Calls.clear();
    bank.TruncateWidgets(-1);
    bank.TruncateWidgets(4);
    EXPECT_TRUE(g_Calls.empty());
    bank.TruncateWidgets(2);
    EXPECT_EQ(g_Calls, (std::vector<std::string>{"Destroy C", "Destroy D"}));
    EXPECT_EQ(bank.m_LayoutY, 40);
    bank.AddButton("E");
    EXPECT_EQ(bank.At(2)->m_Y, 40);
    bank.TruncateWidgets(0);
    EXPECT_EQ(bank.NumWidgets, 0);
    EXPECT_EQ(bank.m_LayoutY, 0);
}

TEST(Bank, WidthOutsideTenToEightHundredIsIgnored) {
    RecBank bank("B", 0, 0);
    bank.AddButton("A");
    bank.AddButton("B");
    g_Calls.clear();
    bank.SetWidth(9);
    bank.SetWidth(801);
    EXPECT_EQ(bank.m_Width, 170);
    EXPECT_TRUE(g_Calls.empty());
    bank.SetWidth(800);
    EXPECT_EQ(bank.m_Width, 800);
    EXPECT_EQ(g_Calls, (std::vector<std::string>{"Move A 0", "Move B 0"}));
}

// The base operations alone, as a front end that overrides none of them gets them.
class PlainBank : public bkBank {
public:
    ~PlainBank() override {
        for (int i = 0; i < NumWidgets; ++i) {
            delete Widget[i];
        }
    }
    void GetConfig(bool*, int*, int*, int*, int*) override {}
    void SetConfig(bool, int, int, int, int) override {}
};

TEST(Bank, BaseOperations) {
    PlainBank bank;
    uint8_t flag = 0;
    uint16_t bits = 0;
    char text[16] = "hello";
    int32_t choice = 1;
    Vector3 rgb(0, 0, 0);
    int32_t count = 3;
    EXPECT_NE(bank.AddButton("b"), nullptr);
    EXPECT_NE(bank.AddToggle("t", &flag), nullptr);
    EXPECT_NE(bank.AddToggle("m", &bits, uint16_t(4)), nullptr);
    bkText* field = bank.AddText("x", text, sizeof(text));
    EXPECT_STREQ(field->GetCopy(), "hello");
    EXPECT_EQ(bank.NumWidgets, 4);

    // Made but not appended: they stay the bank's and go with it.
    bkSlider* slider = bank.AddSlider("s", &count, 0, 10, 1.0f);
    ASSERT_NE(slider, nullptr);
    slider->GetValue()->Increment();
    EXPECT_EQ(count, 4);
    slider->SetRange(0, 2);
    slider->GetValue()->Increment();
    EXPECT_EQ(count, 2);
    EXPECT_NE(bank.AddCombo("c", &choice, 2, nullptr, 0), nullptr);
    EXPECT_NE(bank.PushGroup("g", true), nullptr);
    EXPECT_EQ(bank.PopGroup(), nullptr);
    EXPECT_NE(bank.AddColor("rgb", &rgb), nullptr);
    EXPECT_EQ(bank.NumWidgets, 5);
    EXPECT_TRUE(bank.IsOpen());
}

TEST_CHILD(BankTooManyWidgets) {
    PlainBank bank;
    for (int i = 0; i <= bkBank::MAX_NUM_WIDGETS; ++i) {
        bank.AddButton("b");
    }
    return 0;
}

TEST_CHILD(BankRangeBeyondWidgets) {
    RecBank bank("B", 0, 0);
    bkGroup* group = bank.PushGroup("G", true);
    bank.AddButton("g1");
    bank.PopGroup();
    group->m_Last = 2;
    bank.ShowRange(group, false);
    return 0;
}

TEST(Bank, Assertions) {
    ExpectFatalChildren({
        {"BankTooManyWidgets", "Assert(NumWidgets<MAX_NUM_WIDGETS) failed in [bank/bank"},
        {"BankRangeBeyondWidgets",
         "Assert(start<NumWidgets && end<NumWidgets) failed in [bank/bank"},
    });
}

}  // namespace
