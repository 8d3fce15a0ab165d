#include "bank/bank.h"

#include <cstdio>

#include "data/assert.h"
#include "vector/vector2.h"
#include "vector/vector3.h"
#include "vector/vector4.h"

// The component sliders run over consecutive floats.
static_assert(sizeof(Vector2) == 8 && sizeof(Vector3) == 12 && sizeof(Vector4) == 16,
              "vectors are packed floats");

bkBank::bkBank()
    : m_LayoutX(0), m_LayoutY(0), m_RowHeight(20), m_Width(170), m_WidgetY{}, NumWidgets(0),
      Widget{}, m_BankButton(nullptr) {}

bkBank::~bkBank() {}

void bkBank::Update() {
    for (int i = 0; i < NumWidgets; ++i) {
        Widget[i]->Update();
    }
}

bkButton* bkBank::AddButton(const char* title) {
    return AddButton(title, NullCallback);
}

bkButton* bkBank::AddButton(const char*, datCallback cb) {
    bkButton* button = new bkButton(cb);
    AddWidget(button);
    return button;
}

bkText* bkBank::AddText(const char*, char* text, int size, bool, datCallback cb) {
    bkText* field = new bkText(text, size, cb);
    AddWidget(field);
    return field;
}

bkText* bkBank::AddText(const char* title, char* text, int size, datCallback cb) {
    return AddText(title, text, size, false, cb);
}

bkToggle* bkBank::AddToggle(const char*, uint8_t* value, uint8_t mask, datCallback cb) {
    bkToggle* toggle = new bkToggle(value, mask, cb);
    AddWidget(toggle);
    return toggle;
}

bkToggle* bkBank::AddToggle(const char*, uint16_t* value, uint16_t mask, datCallback cb) {
    bkToggle* toggle = new bkToggle(value, mask, cb);
    AddWidget(toggle);
    return toggle;
}

bkToggle* bkBank::AddToggle(const char*, uint32_t* value, uint32_t mask, datCallback cb) {
    bkToggle* toggle = new bkToggle(value, mask, cb);
    AddWidget(toggle);
    return toggle;
}

bkToggle* bkBank::AddToggle(const char*, uint32_t* value, datCallback cb) {
    bkToggle* toggle = new bkToggle(value, cb);
    AddWidget(toggle);
    return toggle;
}

bkToggle* bkBank::AddToggle(const char*, uint8_t* value, datCallback cb) {
    bkToggle* toggle = new bkToggle(value, cb);
    AddWidget(toggle);
    return toggle;
}

template <typename Type>
Type* bkBank::Keep(Type* widget) {
    m_Kept.emplace_back(widget);
    return widget;
}

bkSlider* bkBank::AddSlider(const char*, bkSliderValue* value, datCallback cb) {
    return Keep(new bkSlider(value, cb));
}

template <typename Type>
bkSlider* bkBank::AddTypedSlider(const char* title, Type* value, Type min, Type max, float delta,
                                 datCallback cb) {
    return AddSlider(title, new bkSliderValueT<Type>(delta, value, min, max), cb);
}

bkSlider* bkBank::AddSlider(const char* title, int32_t* value, int32_t min, int32_t max,
                            float delta, datCallback cb) {
    return AddTypedSlider(title, value, min, max, delta, cb);
}

bkSlider* bkBank::AddSlider(const char* title, uint32_t* value, uint32_t min, uint32_t max,
                            float delta, datCallback cb) {
    return AddTypedSlider(title, value, min, max, delta, cb);
}

bkSlider* bkBank::AddSlider(const char* title, int16_t* value, int16_t min, int16_t max,
                            float delta, datCallback cb) {
    return AddTypedSlider(title, value, min, max, delta, cb);
}

bkSlider* bkBank::AddSlider(const char* title, uint16_t* value, uint16_t min, uint16_t max,
                            float delta, datCallback cb) {
    return AddTypedSlider(title, value, min, max, delta, cb);
}

bkSlider* bkBank::AddSlider(const char* title, int8_t* value, int8_t min, int8_t max, float delta,
                            datCallback cb) {
    return AddTypedSlider(title, value, min, max, delta, cb);
}

bkSlider* bkBank::AddSlider(const char* title, uint8_t* value, uint8_t min, uint8_t max,
                            float delta, datCallback cb) {
    return AddTypedSlider(title, value, min, max, delta, cb);
}

bkSlider* bkBank::AddSlider(const char* title, float* value, float min, float max, float delta,
                            datCallback cb) {
    return AddTypedSlider(title, value, min, max, delta, cb);
}

bkCombo* bkBank::AddCombo(const char*, int32_t* value, int count, const char**, int offset,
                          datCallback cb) {
    return Keep(new bkCombo(value, count, offset, cb));
}

bkCombo* bkBank::AddCombo(const char*, uint8_t* value, int count, const char**, int offset,
                          datCallback cb) {
    return Keep(new bkCombo(value, count, offset, cb));
}

bkGroup* bkBank::PushGroup(const char*, bool open) {
    return Keep(new bkGroup(open));
}

bkGroup* bkBank::PopGroup() {
    return nullptr;
}

bkSlider* bkBank::AddComponentSliders(const char* title, float* value, int count, float min,
                                      float max, float delta, datCallback cb) {
    static const char axes[] = "XYZW";
    bkSlider* first = nullptr;
    for (int i = 0; i < count; ++i) {
        char name[64];
        std::snprintf(name, sizeof(name), "%s %c", title, axes[i]);
        bkSlider* slider = AddSlider(name, value + i, min, max, delta, cb);
        if (i == 0) {
            first = slider;
        }
    }
    return first;
}

bkSlider* bkBank::AddVectorSlider(const char* title, Vector4* value, float min, float max,
                                  float delta, datCallback cb) {
    return AddComponentSliders(title, &value->x, 4, min, max, delta, cb);
}

bkSlider* bkBank::AddVectorSlider(const char* title, Vector3* value, float min, float max,
                                  float delta, datCallback cb) {
    return AddComponentSliders(title, &value->x, 3, min, max, delta, cb);
}

bkSlider* bkBank::AddVectorSlider(const char* title, Vector2* value, float min, float max,
                                  float delta, datCallback cb) {
    return AddComponentSliders(title, &value->x, 2, min, max, delta, cb);
}

bkColor* bkBank::AddColorSliders(const char* title, float* components, int count,
                                 datCallback cb) {
    static const char* const names[4] = {"red", "green", "blue", "alpha"};
    bkColor* color = Keep(new bkColor(components, cb));
    AddButton(title);
    for (int i = 0; i < count; ++i) {
        float step = (count == 4 && i == 0) ? 0.1f : 0.02f;
        AddSlider(names[i], components + i, 0.0f, 1.0f, step, cb);
    }
    return color;
}

bkColor* bkBank::AddColor(const char* title, Vector4* rgba, datCallback cb) {
    return AddColorSliders(title, &rgba->x, 4, cb);
}

bkColor* bkBank::AddColor(const char* title, Vector3* rgb, datCallback cb) {
    return AddColorSliders(title, &rgb->x, 3, cb);
}

void bkBank::AddWidget(bkWidget* widget) {
    Assert(NumWidgets<MAX_NUM_WIDGETS);
    m_WidgetY[NumWidgets] = m_LayoutY;
    Widget[NumWidgets] = widget;
    ++NumWidgets;
    Invalidate();
}

void bkBank::SetWidth(int width) {
    if (width < 10 || width > 800) {
        return;
    }
    m_Width = width;
    MoveWidgets(0, 0);
    Invalidate();
}

void bkBank::MoveWidgets(int from, int dy) {
    for (int i = from; i < NumWidgets; ++i) {
        Widget[i]->Move(this, dy);
    }
}

void bkBank::ShowRange(bkGroup* group, bool show) {
    int start = group->m_First;
    int end = group->m_Last;
    if (end < start) {
        return;
    }
    Assert(start<NumWidgets && end<NumWidgets);
    int dy = 0;
    bkGroup* nested = group->m_Next;
    for (int i = start; i <= end; ++i) {
        bkWidget* widget = Widget[i];
        bool header = nested && widget == static_cast<bkWidget*>(nested);
        if (show) {
            if (!widget->IsVisible()) {
                widget->Show();
                dy += m_RowHeight;
            }
            if (header && !nested->m_Open) {
                // A closed nested group keeps its contents hidden: skip them and every group
                // whose header lies among them.
                int nestedEnd = nested->m_Last;
                i = nestedEnd > i ? nestedEnd : i;
                nested = nested->m_Next;
                while (nested && nested->m_First - 1 <= nestedEnd) {
                    nested = nested->m_Next;
                }
            } else if (header) {
                nested = nested->m_Next;
            }
        } else {
            if (widget->IsVisible()) {
                widget->Hide();
                dy += m_RowHeight;
            }
            if (header) {
                nested = nested->m_Next;
            }
        }
    }
    if (!show) {
        dy = -dy;
    }
    MoveWidgets(end + 1, dy);
    m_LayoutY += dy;
    Invalidate();
}

bool bkBank::RemoveWidget(int index) {
    if (index < 0 || index >= NumWidgets) {
        return false;
    }
    Widget[index]->Destroy();
    for (int i = index; i < NumWidgets - 1; ++i) {
        Widget[i] = Widget[i + 1];
        m_WidgetY[i] = m_WidgetY[i + 1] - m_RowHeight;
    }
    --NumWidgets;
    Widget[NumWidgets] = nullptr;
    MoveWidgets(index, -m_RowHeight);
    m_LayoutY -= m_RowHeight;
    Invalidate();
    return true;
}

bool bkBank::RemoveWidget(bkWidget* widget) {
    for (int i = 0; i < NumWidgets; ++i) {
        if (Widget[i] == widget) {
            return RemoveWidget(i);
        }
    }
    return false;
}

void bkBank::TruncateWidgets(int count) {
    if (count < 0 || count >= NumWidgets) {
        return;
    }
    for (int i = count; i < NumWidgets; ++i) {
        Widget[i]->Destroy();
        Widget[i] = nullptr;
    }
    NumWidgets = count;
    m_LayoutY = count > 0 ? m_WidgetY[count - 1] : 0;
    Invalidate();
}
