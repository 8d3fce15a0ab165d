#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bank/bank.h"
#include "gfx/rstate.h"
#include "tests/engine/gfx/pipefixture.h"

namespace {

// A bank that keeps the titles of what is added to it, and where each byte slider points.
class TitleBank : public bkBank {
public:
    void GetConfig(bool*, int*, int*, int*, int*) override {}
    void SetConfig(bool, int, int, int, int) override {}

    bkButton* AddButton(const char* title, datCallback cb) override {
        m_Titles.push_back(title);
        return bkBank::AddButton(title, cb);
    }
    bkToggle* AddToggle(const char* title, uint8_t* value, datCallback cb) override {
        m_Titles.push_back(title);
        return bkBank::AddToggle(title, value, cb);
    }
    bkToggle* AddToggle(const char* title, uint32_t* value, uint32_t mask,
                        datCallback cb) override {
        m_Titles.push_back(title);
        return bkBank::AddToggle(title, value, mask, cb);
    }
    bkSlider* AddSlider(const char* title, int32_t* value, int32_t min, int32_t max, float delta,
                        datCallback cb) override {
        m_Titles.push_back(title);
        return bkBank::AddSlider(title, value, min, max, delta, cb);
    }
    bkSlider* AddSlider(const char* title, uint32_t* value, uint32_t min, uint32_t max,
                        float delta, datCallback cb) override {
        m_Titles.push_back(title);
        return bkBank::AddSlider(title, value, min, max, delta, cb);
    }
    bkSlider* AddSlider(const char* title, uint8_t* value, uint8_t min, uint8_t max, float delta,
                        datCallback cb) override {
        m_Titles.push_back(title);
        m_Bytes.push_back(value);
        return bkBank::AddSlider(title, value, min, max, delta, cb);
    }
    bkSlider* AddSlider(const char* title, float* value, float min, float max, float delta,
                        datCallback cb) override {
        m_Titles.push_back(title);
        return bkBank::AddSlider(title, value, min, max, delta, cb);
    }
    bkCombo* AddCombo(const char* title, int32_t* value, int count, const char** names, int offset,
                      datCallback cb) override {
        m_Titles.push_back(title);
        return bkBank::AddCombo(title, value, count, names, offset, cb);
    }
    bkCombo* AddCombo(const char* title, uint8_t* value, int count, const char** names, int offset,
                      datCallback cb) override {
        m_Titles.push_back(title);
        return bkBank::AddCombo(title, value, count, names, offset, cb);
    }
    bkGroup* PushGroup(const char* title, bool open) override {
        m_Titles.push_back(std::string("[") + title);
        return bkBank::PushGroup(title, open);
    }
    bkGroup* PopGroup() override {
        m_Titles.push_back("]");
        return bkBank::PopGroup();
    }

    std::vector<std::string> m_Titles;
    std::vector<uint8_t*> m_Bytes;
};

bool Has(const std::vector<std::string>& titles, const char* title) {
    for (const std::string& t : titles) {
        if (t == title) {
            return true;
        }
    }
    return false;
}

class Banks : public ::testing::Test {
protected:
    void TearDown() override { ResetPipelineSettings(); }
};

}  // namespace

TEST_F(Banks, PipelineBankOnAHardwareDevice) {
    ResetPipelineSettings();
    TitleBank bank;
    gfxRenderStateBank(&bank);
    const std::vector<std::string> expected = {
        "Save Screen Shot...", "Textures", "Depth Complexity", "D.C. Layers", "Cull Mode",
        "Fill Mode", "Lighting", "Ambient Red", "Ambient Green", "Ambient Blue", "Ambient Alpha",
        "Z Test Enable", "Z Write Enable", "AA Mode", "Enable Tex PreLoad", "Enable Specular",
        "Normalize Normals", "Validate Device (SLOW)", "Clipping - DANGER", "Texture Perspective",
        "Shade Mode", "Use Int. Renderer", "[Fog", "Enable Fog Blend", "Fog Mode",
        "Enable Range Fog", "Fog Start", "Fog End", "Fog Density", "Fog Red", "Fog Green",
        "Fog Blue", "Fog Alpha", "]", "Verts", "Points", "Lines", "Tris", "State Changes",
        "Texture Changes", "Frame Time (ms)"};
    EXPECT_EQ(expected, bank.m_Titles);
    // A colour's bytes in memory run blue, green, red, alpha.
    uint8_t* ambient = reinterpret_cast<uint8_t*>(&gfxCurrentState.m_Ambient);
    ASSERT_GE(bank.m_Bytes.size(), 4u);
    EXPECT_EQ(ambient + 2, bank.m_Bytes[0]);
    EXPECT_EQ(ambient + 1, bank.m_Bytes[1]);
    EXPECT_EQ(ambient + 0, bank.m_Bytes[2]);
    EXPECT_EQ(ambient + 3, bank.m_Bytes[3]);
}

TEST_F(Banks, DeviceWidgetsFollowTheDeviceAtCallTime) {
    ResetPipelineSettings();
    gfxUseSoftware = true;
    gfxUseOwnDevice = true;
    TitleBank bank;
    gfxRenderStateBank(&bank);
    for (const char* title : {"Subpixel Correction", "Subtexel Correction", "Plane Mask",
                              "Visualize Z", "Z Near Thresh", "Z Mid Thresh", "Int. Tris"}) {
        EXPECT_TRUE(Has(bank.m_Titles, title)) << title;
    }
}

TEST_F(Banks, LightBank) {
    D3DLIGHT7 light;
    gfxDefaultLight(light);
    TitleBank bank;
    gfxLightBank(&bank, &light);
    const std::vector<std::string> expected = {
        "Type", "Diffuse X", "Diffuse Y", "Diffuse Z", "Diffuse W", "Specular X", "Specular Y",
        "Specular Z", "Specular W", "Ambient X", "Ambient Y", "Ambient Z", "Ambient W",
        "Direction X", "Direction Y", "Direction Z", "Position X", "Position Y", "Position Z",
        "Range"};
    EXPECT_EQ(expected, bank.m_Titles);
    // A device that records no light leaves the bank empty.
    TitleBank empty;
    gfxLightBank(&empty, nullptr);
    EXPECT_TRUE(empty.m_Titles.empty());
}

TEST_F(Banks, ViewportWidgets) {
    FakeDevice device;
    lpD3DDev = &device;
    gfxParseOptions(800, 600, 32, 16, false);
    gfxViewport viewport;
    viewport.SetFullWindow();
    TitleBank bank;
    viewport.AddWidgets(&bank);
    const std::vector<std::string> expected = {"[Perspective", "Fov Y", "Near Clip", "Far Clip",
                                               "]", "[Window", "X", "Width", "Y", "Height", "]"};
    std::vector<std::string> titles = bank.m_Titles;
    titles.erase(std::remove(titles.begin(), titles.end(), "Aspect"), titles.end());
    EXPECT_EQ(expected, titles);
    EXPECT_TRUE(Has(bank.m_Titles, "Aspect"));
    lpD3DDev = nullptr;
}
