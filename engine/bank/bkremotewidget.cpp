#include "bank/bkremotewidget.h"

#include <cmath>
#include <cstring>
#include <map>

#include "bank/bkremotebank.h"
#include "bank/remotepacket.h"
#include "bank/remoteserver.h"
#include "data/printer.h"

namespace {

// Ids are handed out once and never reused: a client naming a widget that has gone finds
// nothing instead of its successor.
std::map<uint32_t, bkRemoteWidget*> sWidgets;
uint32_t sNextId = 1;

const uint16_t ValueSize[] = {0, 1, 4, 4, 2, 1, 4, 1, 1, 2, 2, 4, 4, 0, 1, 4};

template <typename Type>
Type FromBits(uint32_t bits) {
    Type value;
    memcpy(&value, &bits, sizeof(value));
    return value;
}

template <typename Type>
uint32_t ToBits(Type value) {
    uint32_t bits = 0;
    memcpy(&bits, &value, sizeof(value));
    return bits;
}

// A read-out slider (minimum equal to maximum) takes any value, as its value object does.
template <typename Type>
uint32_t ClampBits(uint32_t bits, uint32_t minBits, uint32_t maxBits) {
    Type value = FromBits<Type>(bits);
    Type min = FromBits<Type>(minBits);
    Type max = FromBits<Type>(maxBits);
    if (min == max) {
        return bits;
    }
    if (!(value >= min)) {
        value = min;
    } else if (value > max) {
        value = max;
    }
    return ToBits(value);
}

}  // namespace

bkRemoteWidget* bkRemoteWidget::Find(uint32_t id) {
    auto found = sWidgets.find(id);
    return found == sWidgets.end() ? nullptr : found->second;
}

bkRemoteWidget::bkRemoteWidget(bkRemoteBank* bank, const char* title, void* value, Type type,
                               const Params& params, datCallback cb)
    : m_Bank(bank), m_Title(title ? title : ""), m_Value(value), m_Size(ValueSize[type]),
      m_Type(type), m_LastSent{}, m_Params(params), m_Callback(cb), m_Id(sNextId++) {
    if (m_Value) {
        memcpy(m_LastSent, m_Value, m_Size);
    }
    sWidgets[m_Id] = this;
}

bkRemoteWidget::~bkRemoteWidget() {
    sWidgets.erase(m_Id);
}

uint32_t bkRemoteWidget::ReadValue() const {
    uint32_t value = 0;
    if (m_Value) {
        memcpy(&value, m_Value, m_Size);
    }
    return value;
}

void bkRemoteWidget::WriteValue(uint32_t value) {
    if (m_Value) {
        memcpy(m_Value, &value, m_Size);
    }
}

void bkRemoteWidget::Update() {
    if (m_Size == 0 || memcmp(m_Value, m_LastSent, m_Size) == 0) {
        return;
    }
    memcpy(m_LastSent, m_Value, m_Size);
    bkPacket packet(bkPacket::VALUE, bkPacket::VALUE_SIZE);
    packet.PutU32(12, m_Id);
    packet.PutBytes(16, m_LastSent, m_Size);
    bkRemoteServer::Send(packet);
}

void bkRemoteWidget::SendCreate() {
    bkPacket packet(bkPacket::CREATE_WIDGET + m_Type, bkPacket::CREATE_WIDGET_SIZE);
    packet.PutU32(12, m_Bank->GetId());
    packet.PutName(16, m_Title.c_str());
    packet.PutU32(48, m_Id);
    // Informational only: the low half of a 64-bit address.
    packet.PutU32(52, uint32_t(reinterpret_cast<uintptr_t>(m_Value)));
    packet.PutU32(56, m_Size);
    if (m_Value) {
        packet.PutBytes(60, m_Value, m_Size);
    }
    packet.PutU32(64, m_Params.m_Mask);
    packet.PutU32(68, m_Params.m_Min);
    packet.PutU32(72, m_Params.m_Names ? uint32_t(reinterpret_cast<uintptr_t>(m_Params.m_Names))
                                       : m_Params.m_Max);
    packet.PutU32(76, m_Params.m_Delta);
    if (m_Type == COMBO8 || m_Type == COMBO32) {
        // The count sent is the number of names the packet carries, so the client never reads
        // past its end.
        int count = int(m_Params.m_Min);
        int sent = 0;
        while (sent < count && packet.AppendString(m_Params.m_Names[sent])) {
            ++sent;
        }
        if (sent < count) {
            PrintError("bkRemoteWidget: only %d of the %d items of '%s' fit in a packet.", sent,
                       count, m_Title.c_str());
            packet.PutU32(68, uint32_t(sent));
        }
    }
    bkRemoteServer::Send(packet);
}

uint32_t bkRemoteWidget::KeepInRange(uint32_t value) const {
    const Params& p = m_Params;
    switch (m_Type) {
    case SLIDER_F32:
        return ClampBits<float>(value, p.m_Min, p.m_Max);
    case SLIDER_U8:
        return ClampBits<uint8_t>(value, p.m_Min, p.m_Max);
    case SLIDER_I8:
        return ClampBits<int8_t>(value, p.m_Min, p.m_Max);
    case SLIDER_U16:
        return ClampBits<uint16_t>(value, p.m_Min, p.m_Max);
    case SLIDER_I16:
        return ClampBits<int16_t>(value, p.m_Min, p.m_Max);
    case SLIDER_U32:
        return ClampBits<uint32_t>(value, p.m_Min, p.m_Max);
    case SLIDER_I32:
        return ClampBits<int32_t>(value, p.m_Min, p.m_Max);
    case COMBO8:
    case COMBO32: {
        // Item i stands for offset + i; a value naming no item takes the nearest one.
        int64_t item = (m_Type == COMBO8 ? int64_t(uint8_t(value)) : int64_t(int32_t(value))) -
                       int32_t(p.m_Delta);
        int64_t last = int64_t(int32_t(p.m_Min)) - 1;
        item = item > last ? last : item;
        item = item < 0 ? 0 : item;
        return uint32_t(int32_t(item + int32_t(p.m_Delta)));
    }
    default:
        return value;
    }
}

void bkRemoteWidget::SetFromRemote(const bkPacket& packet) {
    uint32_t received = 0;
    if (!packet.GetU32(16, &received)) {
        return;
    }
    uint32_t mask = m_Params.m_Mask;
    uint32_t value = received & mask;
    if (m_Type == MASK32 || m_Type == MASK16 || m_Type == MASK8) {
        value |= ReadValue() & ~mask;
    }
    // A float from the wire that is not finite is dropped by its bits: comparing it with the
    // range would trap while the invalid-operation exception is unmasked.
    if (m_Type == SLIDER_F32 && (value & 0x7F800000u) == 0x7F800000u) {
        PrintError("ProcessMessage: Value packet for widget %u is not a finite number; it is "
                   "dropped.",
                   m_Id);
        return;
    }
    WriteValue(KeepInRange(value));
    m_Callback.Call(0);
}
