#include "bank/bkremotebank.h"

#include <cstring>
#include <map>

#include "bank/remotepacket.h"
#include "bank/remoteserver.h"
#include "bank/slider.h"

namespace {

// As for widgets: ids are never reused.
std::map<uint32_t, bkRemoteBank*> sBanks;
uint32_t sNextId = 1;

template <typename Type>
uint32_t Bits(Type value) {
    uint32_t bits = 0;
    memcpy(&bits, &value, sizeof(value));
    return bits;
}

}  // namespace

bkRemoteBank* bkRemoteBank::Find(uint32_t id) {
    auto found = sBanks.find(id);
    return found == sBanks.end() ? nullptr : found->second;
}

bkRemoteBank::bkRemoteBank(const char* name, int x, int y, bool notFirst)
    : m_Open(false), m_Id(sNextId++), m_Config(x, y) {
    sBanks[m_Id] = this;
    bkPacket packet(bkPacket::CREATE_BANK, bkPacket::CREATE_BANK_SIZE);
    packet.PutU32(12, m_Id);
    packet.PutName(16, name);
    packet.PutU32(48, uint32_t(x));
    packet.PutU32(52, uint32_t(y));
    packet.PutU8(56, notFirst ? 1 : 0);
    bkRemoteServer::Send(packet);
}

bkRemoteBank::~bkRemoteBank() {
    for (int i = 0; i < NumWidgets; ++i) {
        delete Widget[i];
        Widget[i] = nullptr;
    }
    NumWidgets = 0;
    sBanks.erase(m_Id);
}

void bkRemoteBank::SendOpen(uint32_t command) {
    bkPacket packet(command, bkPacket::MIN_SIZE);
    packet.PutU32(12, m_Id);
    bkRemoteServer::Send(packet);
}

void bkRemoteBank::Open() {
    if (!m_Open) {
        m_Open = true;
        SendOpen(bkPacket::BANK_OPENED);
    }
}

void bkRemoteBank::Close() {
    if (m_Open) {
        m_Open = false;
        SendOpen(bkPacket::BANK_CLOSED);
    }
}

void bkRemoteBank::GetConfig(bool* open, int* x, int* y, int* width, int* height) {
    *open = m_Open;
    m_Config.Get(x, y, width, height);
}

void bkRemoteBank::SetConfig(bool open, int x, int y, int width, int height) {
    m_Open = open;
    m_Config.Set(x, y, width, height);
}

void bkRemoteBank::Append(const char* title, void* value, bkRemoteWidget::Type type,
                          const bkRemoteWidget::Params& params, datCallback cb) {
    bkRemoteWidget* widget = new bkRemoteWidget(this, title, value, type, params, cb);
    widget->SendCreate();
    AddWidget(widget);
}

bkButton* bkRemoteBank::AddButton(const char* title) {
    Append(title, nullptr, bkRemoteWidget::LABEL, {}, NullCallback);
    return nullptr;
}

bkButton* bkRemoteBank::AddButton(const char* title, datCallback cb) {
    Append(title, nullptr, bkRemoteWidget::BUTTON, {}, cb);
    return nullptr;
}

bkText* bkRemoteBank::AddText(const char*, char*, int, datCallback) {
    return nullptr;
}

void bkRemoteBank::AppendMasked(const char* title, void* value, bkRemoteWidget::Type type,
                                uint32_t mask, datCallback cb) {
    bkRemoteWidget::Params params;
    params.m_Mask = mask;
    Append(title, value, type, params, cb);
}

// Each toggle first goes through the toggle data class, which checks the variable as for every
// front end.
bkToggle* bkRemoteBank::AddToggle(const char* title, uint8_t* value, uint8_t mask,
                                  datCallback cb) {
    bkToggle check(value, mask, cb);
    AppendMasked(title, value, bkRemoteWidget::MASK8, mask, cb);
    return nullptr;
}

bkToggle* bkRemoteBank::AddToggle(const char* title, uint16_t* value, uint16_t mask,
                                  datCallback cb) {
    bkToggle check(value, mask, cb);
    AppendMasked(title, value, bkRemoteWidget::MASK16, mask, cb);
    return nullptr;
}

bkToggle* bkRemoteBank::AddToggle(const char* title, uint32_t* value, uint32_t mask,
                                  datCallback cb) {
    bkToggle check(value, mask, cb);
    AppendMasked(title, value, bkRemoteWidget::MASK32, mask, cb);
    return nullptr;
}

bkToggle* bkRemoteBank::AddToggle(const char* title, uint32_t* value, datCallback cb) {
    bkToggle check(value, cb);
    AppendMasked(title, value, bkRemoteWidget::BOOL32, 0xFFFFFFFF, cb);
    return nullptr;
}

bkToggle* bkRemoteBank::AddToggle(const char* title, uint8_t* value, datCallback cb) {
    bkToggle check(value, cb);
    AppendMasked(title, value, bkRemoteWidget::BOOL8, 0xFFFFFFFF, cb);
    return nullptr;
}

// The value object checks the range and the fill pattern and clamps the variable, as for every
// front end; the client gets the parameters as they were given.
template <typename Type>
bkSlider* bkRemoteBank::AddTypedSlider(const char* title, Type* value, Type min, Type max,
                                       float delta, bkRemoteWidget::Type type, datCallback cb) {
    bkSliderValueT<Type> check(delta, value, min, max);
    bkRemoteWidget::Params params;
    params.m_Min = Bits(min);
    params.m_Max = Bits(max);
    params.m_Delta = Bits(delta);
    Append(title, value, type, params, cb);
    return nullptr;
}

bkSlider* bkRemoteBank::AddSlider(const char* title, int32_t* value, int32_t min, int32_t max,
                                  float delta, datCallback cb) {
    return AddTypedSlider(title, value, min, max, delta, bkRemoteWidget::SLIDER_I32, cb);
}

bkSlider* bkRemoteBank::AddSlider(const char* title, uint32_t* value, uint32_t min, uint32_t max,
                                  float delta, datCallback cb) {
    return AddTypedSlider(title, value, min, max, delta, bkRemoteWidget::SLIDER_U32, cb);
}

bkSlider* bkRemoteBank::AddSlider(const char* title, int16_t* value, int16_t min, int16_t max,
                                  float delta, datCallback cb) {
    return AddTypedSlider(title, value, min, max, delta, bkRemoteWidget::SLIDER_I16, cb);
}

bkSlider* bkRemoteBank::AddSlider(const char* title, uint16_t* value, uint16_t min, uint16_t max,
                                  float delta, datCallback cb) {
    return AddTypedSlider(title, value, min, max, delta, bkRemoteWidget::SLIDER_U16, cb);
}

bkSlider* bkRemoteBank::AddSlider(const char* title, int8_t* value, int8_t min, int8_t max,
                                  float delta, datCallback cb) {
    return AddTypedSlider(title, value, min, max, delta, bkRemoteWidget::SLIDER_I8, cb);
}

bkSlider* bkRemoteBank::AddSlider(const char* title, uint8_t* value, uint8_t min, uint8_t max,
                                  float delta, datCallback cb) {
    return AddTypedSlider(title, value, min, max, delta, bkRemoteWidget::SLIDER_U8, cb);
}

bkSlider* bkRemoteBank::AddSlider(const char* title, float* value, float min, float max,
                                  float delta, datCallback cb) {
    return AddTypedSlider(title, value, min, max, delta, bkRemoteWidget::SLIDER_F32, cb);
}

void bkRemoteBank::AppendCombo(const char* title, void* value, bkRemoteWidget::Type type,
                               int count, const char** names, int offset, datCallback cb) {
    bkRemoteWidget::Params params;
    params.m_Min = uint32_t(count);
    params.m_Names = names;
    params.m_Delta = uint32_t(offset);
    Append(title, value, type, params, cb);
}

bkCombo* bkRemoteBank::AddCombo(const char* title, int32_t* value, int count, const char** names,
                                int offset, datCallback cb) {
    AppendCombo(title, value, bkRemoteWidget::COMBO32, count, names, offset, cb);
    return nullptr;
}

bkCombo* bkRemoteBank::AddCombo(const char* title, uint8_t* value, int count, const char** names,
                                int offset, datCallback cb) {
    AppendCombo(title, value, bkRemoteWidget::COMBO8, count, names, offset, cb);
    return nullptr;
}

bkGroup* bkRemoteBank::PushGroup(const char* title, bool open) {
    bkPacket packet(bkPacket::BEGIN_GROUP, bkPacket::GROUP_SIZE);
    packet.PutU32(12, m_Id);
    packet.PutName(16, title);
    packet.PutU8(56, open ? 1 : 0);
    bkRemoteServer::Send(packet);
    return nullptr;
}

bkGroup* bkRemoteBank::PopGroup() {
    bkPacket packet(bkPacket::END_GROUP, bkPacket::MIN_SIZE);
    packet.PutU32(12, m_Id);
    bkRemoteServer::Send(packet);
    return nullptr;
}
