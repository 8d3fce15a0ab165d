#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "gfx/autodetect.h"
#include "gfx/pipeline.h"
#include "tests/engine/gfx/pipefixture.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/mutation.h"
#include "tests/support/scratch.h"

namespace {

// Each test keeps its "gfxconf.dat" in a scratch folder, its working directory meanwhile.
class DetectCache : public ::testing::Test {
protected:
    void SetUp() override {
        GetCurrentDirectoryA(sizeof(m_Previous), m_Previous);
        SetCurrentDirectoryA(m_Scratch.Root().c_str());
        ResetPipelineSettings();
    }
    void TearDown() override {
        SetCurrentDirectoryA(m_Previous);
        ResetPipelineSettings();
    }

    std::string File() const { return ReadWholeFile(m_Scratch.Path(gfxConfigName)); }

    ScratchDir m_Scratch;
    char m_Previous[MAX_PATH];
    ConsoleCapture m_Console;
};

gfxDetectedDevice Device(uint32_t kind, const char* description, uint8_t guidByte) {
    gfxDetectedDevice d;
    memset(&d, 0, sizeof(d));
    d.m_Guid.Data1 = 0x01020304u * guidByte;
    d.m_Guid.Data4[7] = guidByte;
    strcpy(d.m_Description, description);
    d.m_Kind = kind;
    d.m_Type = kind - 1;
    d.m_RenderDepths = DDBD_16 | DDBD_32;
    d.m_ModeCount = 3;
    d.m_Modes[0] = {640, 480, 32, 6};
    d.m_Modes[1] = {640, 480, 16, 7};
    d.m_Modes[2] = {800, 600, 16, 7};
    d.m_ChosenMode = 1;
    return d;
}

}  // namespace

TEST_F(DetectCache, SavesAndLoadsTheTableFieldByField) {
    gfxDetectedDevices[0] = Device(gfxKindHardwareTnL, "Primary Display Driver", 1);
    gfxDetectedDevices[1] = Device(gfxKindNoHardware, "Secondary", 2);
    gfxDetectedCount = 2;
    gfxChosenDevice = 1;
    ASSERT_TRUE(gfxSaveConfig());
    std::string file = File();
    ASSERT_EQ(1236u, file.size());
    EXPECT_EQ(std::string("GFX2\x01\0\0\0\x02\0\0\0", 12), file.substr(0, 12));
    // The first record's kind, its kind - 1 and its first mode.
    EXPECT_EQ(std::string("\x03\0\0\0\x02\0\0\0\x03\0\0\0\x01\0\0\0", 16), file.substr(12 + 80, 16));
    EXPECT_EQ(std::string("\x80\x02\xE0\x01\x20\0\x06\0", 8), file.substr(12 + 100, 8));

    gfxDetectedDevice saved[2] = {gfxDetectedDevices[0], gfxDetectedDevices[1]};
    memset(gfxDetectedDevices, 0, sizeof(gfxDetectedDevices));
    gfxDetectedCount = 0;
    ASSERT_TRUE(gfxLoadConfig());
    EXPECT_EQ(2u, gfxDetectedCount);
    EXPECT_EQ(1u, gfxChosenDevice);
    EXPECT_EQ(0, memcmp(saved, gfxDetectedDevices, sizeof(saved)));

    // The chosen device sets the pipeline: software with the outside rasterizer for kind 1,
    // hardware transform and lighting allowed for kind 3.
    gfxApplyDetectedDevice();
    EXPECT_TRUE(gfxUseSoftware);
    EXPECT_TRUE(gfxUseWedge);
    EXPECT_FALSE(gfxAllowHwTnL);
    EXPECT_EQ(1, gfxDisplayIndex);
    ResetPipelineSettings();
    gfxDetectedDevices[0].m_ChosenMode = 2;
    gfxResetDetectedChoice();
    EXPECT_EQ(0u, gfxChosenDevice);
    EXPECT_EQ(1u, gfxDetectedDevices[0].m_ChosenMode);
    EXPECT_TRUE(gfxAllowHwTnL);
    EXPECT_FALSE(gfxUseSoftware);
    EXPECT_EQ(0, gfxDisplayIndex);
}

TEST_F(DetectCache, ForeignOrUnsoundFilesAreNotUsed) {
    gfxDetectedDevices[0] = Device(gfxKindHardware, "One", 1);
    gfxDetectedCount = 1;
    gfxChosenDevice = 0;
    ASSERT_TRUE(gfxSaveConfig());
    const std::string good = File();
    struct Case {
        const char* m_Name;
        size_t m_At;
        std::string m_Bytes;
    };
    const Case cases[] = {
        {"other magic", 0, "GFX1"},
        {"chosen past the count", 4, std::string("\x01\0\0\0", 4)},
        {"nine devices", 8, std::string("\x09\0\0\0", 4)},
        {"no devices", 8, std::string("\0\0\0\0", 4)},
        {"kind 4", 12 + 80, std::string("\x04\0\0\0\x03\0\0\0", 8)},
        {"kind - 1 disagrees", 12 + 84, std::string("\x00\0\0\0", 4)},
        {"65 modes", 12 + 88, std::string("\x41\0\0\0", 4)},
    };
    for (const Case& c : cases) {
        std::string bad = good;
        bad.replace(c.m_At, c.m_Bytes.size(), c.m_Bytes);
        WriteWholeFile(m_Scratch.Path(gfxConfigName), bad);
        EXPECT_FALSE(gfxLoadConfig()) << c.m_Name;
        EXPECT_EQ(0u, gfxDetectedCount) << c.m_Name;
    }
    WriteWholeFile(m_Scratch.Path(gfxConfigName), good.substr(0, good.size() - 1));
    EXPECT_FALSE(gfxLoadConfig()) << "cut short";
    DeleteFileA(m_Scratch.Path(gfxConfigName).c_str());
    EXPECT_FALSE(gfxLoadConfig()) << "missing";
}

// The devices of this machine: the first run detects and writes the cache, the second reuses
// it untouched; a changed identifier or count forces a new detection that rewrites it.
TEST_F(DetectCache, DetectsOnceThenReusesUntilTheDevicesChange) {
    DeleteFileA(m_Scratch.Path(gfxConfigName).c_str());
    ASSERT_TRUE(gfxAutoDetect());
    std::string log = m_Console.Take();
    EXPECT_NE(std::string::npos, log.find("Detect: GUID=")) << log;
    std::string first = File();
    ASSERT_EQ(12 + 612 * gfxDetectedCount, first.size());
    int chosen = gfxDisplayIndex;

    // Reused: same bytes, no new write (a marker appended after the table would be lost).
    WriteWholeFile(m_Scratch.Path(gfxConfigName), first + "tail");
    ResetPipelineSettings();
    ASSERT_TRUE(gfxAutoDetect());
    EXPECT_EQ(first + "tail", File());
    EXPECT_EQ(chosen, gfxDisplayIndex);
    log = m_Console.Take();
    EXPECT_EQ(std::string::npos, log.find("Detect: GUID=")) << "quiet comparison\n" << log;

    // The first device's identifier changed.
    std::string changed = first;
    changed[12] ^= 0x55;
    WriteWholeFile(m_Scratch.Path(gfxConfigName), changed);
    ASSERT_TRUE(gfxAutoDetect());
    EXPECT_NE(std::string::npos,
              m_Console.Take().find("gfxAutoDetect: Device #0 changed GUID, forcing redetect."));
    EXPECT_EQ(first, File());

    // One device fewer in the cache than on the machine.
    std::string fewer = first.substr(0, first.size() - 612);
    fewer[8] = (char)(gfxDetectedCount - 1);
    if (gfxDetectedCount > 1) {
        WriteWholeFile(m_Scratch.Path(gfxConfigName), fewer);
        ASSERT_TRUE(gfxAutoDetect());
        EXPECT_NE(std::string::npos,
                  m_Console.Take().find("gfxAutoDetect: Devices added or removed, forcing redetect."));
        EXPECT_EQ(first, File());
    }
}

TEST(DetectCallbacks, HardwareIsJudgedByItsTriangleCaps) {
    ConsoleCapture console;
    D3DDEVICEDESC7 desc = {};
    desc.dwDevCaps = 0x80000;
    desc.dwDeviceRenderBitDepth = DDBD_32;
    desc.dpcTriCaps.dwTextureCaps = 0x01;
    desc.dpcTriCaps.dwSrcBlendCaps = 0x10;
    gfxDetectedDevice record = {};
    record.m_Kind = gfxKindNoHardware;
    record.m_RenderDepths = DDBD_16;
    char name[] = "HAL";
    DeviceCallback(name, name, &desc, &record);
    std::string log = console.Take();
    EXPECT_NE(std::string::npos, log.find("HW rejected because caps test "
                                          "'lpD3DDeviceDesc->dpcTriCaps.dwTextureFilterCaps & "
                                          "D3DPTFILTERCAPS_LINEAR' failed."))
        << log;
    EXPECT_NE(std::string::npos, log.find("D3DPRASTERCAPS_FOGVERTEX' failed.")) << log;
    EXPECT_EQ(std::string::npos, log.find("D3DPTEXTURECAPS_PERSPECTIVE")) << log;
    EXPECT_EQ(gfxKindNoHardware, record.m_Kind);

    desc.dpcTriCaps.dwTextureFilterCaps = 0x02;
    desc.dpcTriCaps.dwRasterCaps = 0x80;
    DeviceCallback(name, name, &desc, &record);
    EXPECT_EQ(gfxKindHardware, record.m_Kind);
    EXPECT_EQ((uint32_t)DDBD_32, record.m_RenderDepths);
    desc.dwDevCaps = 0x10000;
    DeviceCallback(name, name, &desc, &record);
    EXPECT_EQ(gfxKindHardwareTnL, record.m_Kind);
    desc.dwDevCaps = 0x80000;
    desc.dpcTriCaps.dwRasterCaps = 0;
    DeviceCallback(name, name, &desc, &record);
    EXPECT_EQ(gfxKindHardwareTnL, record.m_Kind) << "a T&L device found first stays";
    desc.deviceGUID = IID_IDirect3DRefDevice;
    gfxDetectedDevice reference = {};
    reference.m_Kind = gfxKindNoHardware;
    desc.dwDevCaps = 0x10000;
    DeviceCallback(name, name, &desc, &reference);
    EXPECT_EQ(gfxKindNoHardware, reference.m_Kind);

    // Modes of depths the device renders, at most 64 of them.
    gfxDetectedDevice modes = {};
    modes.m_RenderDepths = DDBD_16;
    DDSURFACEDESC2 mode = {};
    mode.dwWidth = 640;
    mode.dwHeight = 480;
    for (int i = 0; i < 70; ++i) {
        mode.ddpfPixelFormat.dwRGBBitCount = i == 0 ? 32 : 16;
        ResCallback(&mode, &modes);
    }
    EXPECT_EQ(64u, modes.m_ModeCount);
    EXPECT_EQ(16, modes.m_Modes[0].m_Bits);
    EXPECT_EQ(7, modes.m_Modes[63].m_Flag);
}

namespace {

bool CheckConfig(int index, std::string& why) {
    static ScratchDir scratch;
    static const std::vector<std::string> seeds = [] {
        SetCurrentDirectoryA(scratch.Root().c_str());
        std::vector<std::string> out;
        for (uint32_t n = 1; n <= 3; ++n) {
            for (uint32_t i = 0; i < n; ++i) {
                gfxDetectedDevices[i] = Device(1 + i % 3, "Display", (uint8_t)i);
            }
            gfxDetectedCount = n;
            gfxChosenDevice = n - 1;
            gfxSaveConfig();
            out.push_back(ReadWholeFile(scratch.Path(gfxConfigName)));
        }
        return out;
    }();
    SetCurrentDirectoryA(scratch.Root().c_str());
    WriteWholeFile(scratch.Path(gfxConfigName), Mutant(seeds, index));
    ConsoleCapture console;
    if (gfxLoadConfig()) {
        bool sound = gfxDetectedCount >= 1 && gfxDetectedCount <= gfxMaxDetectedDevices &&
                     gfxChosenDevice < gfxDetectedCount;
        for (uint32_t i = 0; sound && i < gfxDetectedCount; ++i) {
            const gfxDetectedDevice& d = gfxDetectedDevices[i];
            sound = d.m_ModeCount <= gfxMaxDetectedModes && d.m_Description[63] == 0 &&
                    d.m_Kind >= 1 && d.m_Kind <= 3;
        }
        if (!sound) {
            why = "an unsound table was loaded";
            return false;
        }
        gfxApplyDetectedDevice();
    } else if (gfxDetectedCount != 0) {
        why = "a refused table was kept";
        return false;
    }
    std::string text = console.Take();
    if (!text.empty()) {
        why = "unexpected output: " + text;
        return false;
    }
    return true;
}

}  // namespace

TEST_CHILD(MutateDetectConfig) { return RunMutantsInChild(1200, CheckConfig); }

TEST(DetectCacheMutation, DamagedCachesAreRefusedOrSound) {
    RunMutation("MutateDetectConfig", 1200, {});
}
