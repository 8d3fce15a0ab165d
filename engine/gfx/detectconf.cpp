// The display detection cache file "gfxconf.dat" and the choice it carries to the pipeline.
#include "gfx/autodetect.h"

#include <cstring>

#include "data/bytes.h"
#include "data/stream.h"
#include "data/streamfields.h"
#include "gfx/pipeline.h"

gfxDetectedDevice gfxDetectedDevices[gfxMaxDetectedDevices];
uint32_t gfxDetectedCount;
uint32_t gfxChosenDevice;

namespace {

const char Magic[4] = {'G', 'F', 'X', '2'};

bool ReadGuid(Stream* stream, GUID& guid) {
    uint32_t data1;
    uint16_t data2, data3;
    if (!StreamReadU32(stream, data1) || !StreamReadU16(stream, data2) || !StreamReadU16(stream, data3) ||
        !StreamReadBytes(stream, guid.Data4, 8)) {
        return false;
    }
    guid.Data1 = data1;
    guid.Data2 = data2;
    guid.Data3 = data3;
    return true;
}

bool WriteGuid(Stream* stream, const GUID& guid) {
    return StreamWriteU32(stream, (uint32_t)guid.Data1) && StreamWriteU16(stream, guid.Data2) &&
           StreamWriteU16(stream, guid.Data3) && StreamWrite(stream, guid.Data4, 8) == 8;
}

// One record; false when it is cut short or holds values no detection writes.
bool ReadDevice(Stream* stream, gfxDetectedDevice& d) {
    if (!ReadGuid(stream, d.m_Guid) || !StreamReadBytes(stream, d.m_Description, 64) ||
        !StreamReadU32(stream, d.m_Kind) || !StreamReadU32(stream, d.m_Type) ||
        !StreamReadU32(stream, d.m_ModeCount) || !StreamReadU32(stream, d.m_ChosenMode) ||
        !StreamReadU32(stream, d.m_RenderDepths)) {
        return false;
    }
    for (gfxDisplayMode& m : d.m_Modes) {
        if (!StreamReadU16(stream, m.m_Width) || !StreamReadU16(stream, m.m_Height) ||
            !StreamReadU16(stream, m.m_Bits) || !StreamReadU16(stream, m.m_Flag)) {
            return false;
        }
    }
    d.m_Description[63] = 0;
    bool kindSound = d.m_Kind >= gfxKindNoHardware && d.m_Kind <= gfxKindHardwareTnL &&
                     d.m_Type == d.m_Kind - 1;
    bool modesSound = d.m_ModeCount <= gfxMaxDetectedModes &&
                      (d.m_ChosenMode < d.m_ModeCount || d.m_ChosenMode == 0);
    return kindSound && modesSound;
}

bool WriteDevice(Stream* stream, const gfxDetectedDevice& d) {
    bool ok = WriteGuid(stream, d.m_Guid) && StreamWrite(stream, d.m_Description, 64) == 64 &&
              StreamWriteU32(stream, d.m_Kind) && StreamWriteU32(stream, d.m_Type) &&
              StreamWriteU32(stream, d.m_ModeCount) && StreamWriteU32(stream, d.m_ChosenMode) &&
              StreamWriteU32(stream, d.m_RenderDepths);
    for (const gfxDisplayMode& m : d.m_Modes) {
        ok = ok && StreamWriteU16(stream, m.m_Width) && StreamWriteU16(stream, m.m_Height) &&
             StreamWriteU16(stream, m.m_Bits) && StreamWriteU16(stream, m.m_Flag);
    }
    return ok;
}

}  // namespace

bool gfxLoadConfig() {
    Stream* stream = StreamOpen(gfxConfigName);
    if (!stream) {
        return false;
    }
    char magic[4];
    uint32_t chosen = 0, count = 0;
    bool ok = StreamReadBytes(stream, magic, 4) && !memcmp(magic, Magic, 4) && StreamReadU32(stream, chosen) &&
              StreamReadU32(stream, count) && count >= 1 && count <= gfxMaxDetectedDevices &&
              chosen < count;
    for (uint32_t i = 0; ok && i < count; ++i) {
        ok = ReadDevice(stream, gfxDetectedDevices[i]);
    }
    StreamClose(stream);
    // A table that does not load whole is not used at all.
    gfxDetectedCount = ok ? count : 0;
    gfxChosenDevice = ok ? chosen : 0;
    return ok;
}

bool gfxSaveConfig() {
    Stream* stream = StreamCreateReplacing(gfxConfigName);
    if (!stream) {
        return false;
    }
    bool ok = StreamWrite(stream, Magic, 4) == 4 && StreamWriteU32(stream, gfxChosenDevice) &&
              StreamWriteU32(stream, gfxDetectedCount);
    for (uint32_t i = 0; ok && i < gfxDetectedCount; ++i) {
        ok = WriteDevice(stream, gfxDetectedDevices[i]);
    }
    return StreamClose(stream) == 0 && ok;
}

void gfxApplyDetectedDevice() {
    const gfxDetectedDevice& d = gfxDetectedDevices[gfxChosenDevice];
    gfxAllowHwTnL = d.m_Type == gfxKindHardwareTnL - 1;
    if (d.m_Type == 0) {
        gfxUseWedge = true;
        gfxUseSoftware = true;
    }
    gfxDisplayIndex = (int)gfxChosenDevice;
}

void gfxResetDetectedChoice() {
    gfxChosenDevice = 0;
    gfxDetectedDevice& d = gfxDetectedDevices[0];
    d.m_ChosenMode = 0;
    for (uint32_t i = 0; i < d.m_ModeCount && i < gfxMaxDetectedModes; ++i) {
        const gfxDisplayMode& m = d.m_Modes[i];
        if (m.m_Width == 640 && m.m_Height == 480 && m.m_Bits == 16) {
            d.m_ChosenMode = i;
        }
    }
    gfxApplyDetectedDevice();
}
