// In-window banks: their widgets' creation, groups, and which bank is shown.
#include "bank/bklocbank.h"

#include "data/assert.h"

bkLocBank* bkLocBank::sm_Current;
uint8_t bkLocBank::sm_WidgetsAtTop = 1;
uint16_t bkLocBank::sm_XOffset = 15;
uint16_t bkLocBank::sm_YOffset = 0;
int32_t bkLocBank::sm_NumShown = 10;

namespace {

// The groups being built, innermost last, and how many of them are closed.
int groupStackPointer;
bkLocBank* groupBank[bkLocBank::maxGroupStack];
int groupCount[bkLocBank::maxGroupStack];
bkLocWidget* groupHeader[bkLocBank::maxGroupStack];
int invisible;

}  // namespace

// A closed group left open by another bank would hide every widget of this one.
bkLocBank::bkLocBank(int x, int y)
    : ActiveWidget(0), m_FirstShown(0), m_LineCounter(0), m_Open(false), m_Config(x, y),
      m_ConfigGiven(false), m_ConfigOpen(false) {
    Assert(!invisible && "unclosed group?");
}

// The widgets go with the bank, group headers with their open flags.
bkLocBank::~bkLocBank() {
    if (sm_Current == this) {
        sm_Current = nullptr;
    }
    for (int i = 0; i < NumWidgets; ++i) {
        delete Widget[i];
    }
}

void bkLocBank::Close() {
    m_Open = false;
    sm_Current = nullptr;
}

void bkLocBank::Open() {
    if (sm_Current) {
        sm_Current->Close();
    }
    m_Open = true;
    sm_Current = this;
}

void bkLocBank::GetConfig(bool* open, int* x, int* y, int* width, int* height) {
    *open = m_ConfigGiven ? m_ConfigOpen : m_Open;
    m_Config.Get(x, y, width, height);
}

void bkLocBank::SetConfig(bool open, int x, int y, int width, int height) {
    m_ConfigGiven = true;
    m_ConfigOpen = open;
    m_Config.Set(x, y, width, height);
}

bkLocWidget* bkLocBank::Append(bkLocWidget* widget) {
    widget->Invisible = invisible;
    widget->m_Depth = groupStackPointer;
    AddWidget(widget);
    return widget;
}

bkButton* bkLocBank::AddButton(const char* title) {
    Append(new bkLocWidget(this, title, nullptr, 0, bkLocWidget::Label, NullCallback));
    return nullptr;
}

bkButton* bkLocBank::AddButton(const char* title, datCallback cb) {
    Append(new bkLocWidget(this, title, nullptr, 0, bkLocWidget::Button, cb));
    return nullptr;
}

// Text fields cannot be edited from the keypad: none is added.
bkText* bkLocBank::AddText(const char*, char*, int, bool, datCallback) {
    return nullptr;
}

bkText* bkLocBank::AddText(const char*, char*, int, datCallback) {
    return nullptr;
}

bkToggle* bkLocBank::AddToggle(const char* title, uint8_t* value, uint8_t mask, datCallback cb) {
    Append(new bkLocWidget(this, title, value, 1, bkLocWidget::ByteMask, cb))->m_Mask = mask;
    return nullptr;
}

bkToggle* bkLocBank::AddToggle(const char* title, uint16_t* value, uint16_t mask,
                               datCallback cb) {
    Append(new bkLocWidget(this, title, value, 2, bkLocWidget::U16Mask, cb))->m_Mask = mask;
    return nullptr;
}

bkToggle* bkLocBank::AddToggle(const char* title, uint32_t* value, uint32_t mask,
                               datCallback cb) {
    Append(new bkLocWidget(this, title, value, 4, bkLocWidget::U32Mask, cb))->m_Mask = mask;
    return nullptr;
}

bkToggle* bkLocBank::AddToggle(const char* title, uint32_t* value, datCallback cb) {
    Append(new bkLocWidget(this, title, value, 4, bkLocWidget::U32Bool, cb));
    return nullptr;
}

bkToggle* bkLocBank::AddToggle(const char* title, uint8_t* value, datCallback cb) {
    Append(new bkLocWidget(this, title, value, 1, bkLocWidget::ByteBool, cb));
    return nullptr;
}

template <typename Type>
void bkLocBank::AddTypedSlider(const char* title, Type* value, Type min, Type max, float delta,
                               bkLocWidget::Type type, datCallback cb) {
    Assert(!delta || (*value >= min && *value <= max));
    bkLocWidget* widget = new bkLocWidget(this, title, value, sizeof(Type), type, cb);
    widget->m_Min = (double)min;
    widget->m_Max = (double)max;
    widget->m_Delta = delta;
    Append(widget);
}

bkSlider* bkLocBank::AddSlider(const char* title, int32_t* value, int32_t min, int32_t max,
                               float delta, datCallback cb) {
    AddTypedSlider(title, value, min, max, delta, bkLocWidget::I32Slider, cb);
    return nullptr;
}

bkSlider* bkLocBank::AddSlider(const char* title, uint32_t* value, uint32_t min, uint32_t max,
                               float delta, datCallback cb) {
    AddTypedSlider(title, value, min, max, delta, bkLocWidget::U32Slider, cb);
    return nullptr;
}

bkSlider* bkLocBank::AddSlider(const char* title, int16_t* value, int16_t min, int16_t max,
                               float delta, datCallback cb) {
    AddTypedSlider(title, value, min, max, delta, bkLocWidget::I16Slider, cb);
    return nullptr;
}

bkSlider* bkLocBank::AddSlider(const char* title, uint16_t* value, uint16_t min, uint16_t max,
                               float delta, datCallback cb) {
    AddTypedSlider(title, value, min, max, delta, bkLocWidget::U16Slider, cb);
    return nullptr;
}

bkSlider* bkLocBank::AddSlider(const char* title, int8_t* value, int8_t min, int8_t max,
                               float delta, datCallback cb) {
    AddTypedSlider(title, value, min, max, delta, bkLocWidget::I8Slider, cb);
    return nullptr;
}

bkSlider* bkLocBank::AddSlider(const char* title, uint8_t* value, uint8_t min, uint8_t max,
                               float delta, datCallback cb) {
    AddTypedSlider(title, value, min, max, delta, bkLocWidget::U8Slider, cb);
    return nullptr;
}

bkSlider* bkLocBank::AddSlider(const char* title, float* value, float min, float max,
                               float delta, datCallback cb) {
    AddTypedSlider(title, value, min, max, delta, bkLocWidget::F32Slider, cb);
    return nullptr;
}

void bkLocBank::AddComboWidget(const char* title, void* value, uint16_t size,
                               bkLocWidget::Type type, int count, const char** names,
                               int offset, datCallback cb) {
    bkLocWidget* widget = new bkLocWidget(this, title, value, size, type, cb);
    widget->m_Count = count;
    widget->m_Names = names;
    widget->m_Offset = offset;
    Append(widget);
}

bkCombo* bkLocBank::AddCombo(const char* title, int32_t* value, int count, const char** names,
                             int offset, datCallback cb) {
    AddComboWidget(title, value, 4, bkLocWidget::I32Combo, count, names, offset, cb);
    return nullptr;
}

bkCombo* bkLocBank::AddCombo(const char* title, uint8_t* value, int count, const char** names,
                             int offset, datCallback cb) {
    AddComboWidget(title, value, 1, bkLocWidget::ByteCombo, count, names, offset, cb);
    return nullptr;
}

bkGroup* bkLocBank::PushGroup(const char* title, bool open) {
    std::unique_ptr<uint8_t> flag(new uint8_t(open ? 1 : 0));
    std::unique_ptr<bkLocWidget::GroupPayload> payload(new bkLocWidget::GroupPayload{this, nullptr, 0});
    bkLocWidget* header = new bkLocWidget(this, title, flag.get(), 1, bkLocWidget::GroupHeader,
                                          datCallback(GroupToggled, uintptr_t(payload.get())));
    payload->Header = header;
    payload->Index = NumWidgets;
    header->m_OpenFlag = std::move(flag);
    header->m_Payload = std::move(payload);
    Append(header);
    Assert(groupStackPointer < maxGroupStack);
    groupBank[groupStackPointer] = this;
    groupCount[groupStackPointer] = NumWidgets;
    groupHeader[groupStackPointer] = header;
    ++groupStackPointer;
    header->m_GroupSize = 0;
    if (!open) {
        ++invisible;
    }
    return nullptr;
}

bkGroup* bkLocBank::PopGroup() {
    Assert(groupStackPointer);
    --groupStackPointer;
    Assert(groupBank[groupStackPointer] == this);
    bkLocWidget* header = groupHeader[groupStackPointer];
    if (!*header->m_OpenFlag) {
        --invisible;
    }
    header->m_GroupSize = NumWidgets - groupCount[groupStackPointer];
    return nullptr;
}

// Runs after a press flipped the header's flag: the group's widgets are hidden by one closed
// group more or less, so nested closed groups keep their contents hidden.
void bkLocBank::GroupToggled(uintptr_t data) {
    bkLocWidget::GroupPayload* payload = reinterpret_cast<bkLocWidget::GroupPayload*>(data);
    Assert(payload->Bank);
    bkLocBank* bank = payload->Bank;
    bkLocWidget* header = payload->Header;
    int step = *header->m_OpenFlag ? -1 : 1;
    for (int i = 1; i <= header->m_GroupSize && payload->Index + i < bank->NumWidgets; ++i) {
        bank->GetLocWidget(payload->Index + i)->Invisible += step;
    }
}
