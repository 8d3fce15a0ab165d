// Glows and particle bursts of bangers, with real textures on a windowed pipeline.

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/asset.h"
#include "gfx/image.h"
#include "gfx/imagefile.h"
#include "gfx/texreg.h"
#include "gfx/texture.h"
#include "rgl/rgl.h"
#include "tests/game/banger/bangerfixture.h"
#include "vector/random.h"

namespace {

gfxImage* FakeLoad(const char* name, bool) {
    if (strcmp(name, "glow") != 0 && strcmp(name, "fxpt1") != 0 && strcmp(name, "fxpt10") != 0) {
        return nullptr;
    }
    gfxImage* image = gfxImage::Create(4, 4, gfxImage::rif888, 0, 0);
    memset(image->m_Pixels, 0x80, 4 * image->m_Stride);
    return image;
}

// The vertices that drawing hands to rgl.
std::vector<Vector3> sVertices;
void RecordVertex(float x, float y, float z) {
    sVertices.push_back(Vector3(x, y, z));
}

class BangerEffects : public WindowPipeline {
protected:
    void SetUp() override {
        WindowPipeline::SetUp();
        ASSERT_TRUE(Open(""));
        rglSetVertexFormat(FVF_VCT1);
        gfxLoadImageHook = FakeLoad;
        datAssetManager::SetPath(m_Scratch.Root().c_str());
        for (const char* folder : {"geometry", "tune", "tune\\banger"}) {
            CreateDirectoryA(m_Scratch.Path(folder).c_str(), nullptr);
        }
        qvInstallBangerSeams();
        m_Level.reset(new GridLevel);
        m_Types.reset(new qvBangerDataManager);
        m_Active.reset(new qvBangerActiveManager);
        m_Pool.reset(new qvBangerInstancePool);
        m_Pool->Init(4);
        datTimeManager::Seconds = 1.0f / 60.0f;
    }
    void TearDown() override {
        m_Pool.reset();
        m_Active.reset();
        m_Types.reset();
        m_Level.reset();
        qvRemoveBangerSeams();
        gfxLoadImageHook = gfxLoadImage;
        gfxReleaseAllTextures();
        datAssetManager::SetPath("");
        WindowPipeline::TearDown();
    }

    // A particle type: texture number, burst of 2 + 10, the rule's flags and tuned position.
    qvBangerInstance* Burster(const char* name, int texNumber, uint32_t flags,
                              const Vector3& at) {
        WriteBangerType(name, [=](qvBangerData& d) {
            d.TexNumber = texNumber;
            d.BirthRule.InitialBlast = 2;
            d.BirthRule.BirthFlags = int32_t(flags);
            d.BirthRule.Position = Vector3(0, 1, 0);
            d.BirthRule.Gravity = 0.0f;
        });
        return PlaceBanger(*m_Level, name, at);
    }

    std::unique_ptr<GridLevel> m_Level;
    std::unique_ptr<qvBangerDataManager> m_Types;
    std::unique_ptr<qvBangerActiveManager> m_Active;
    std::unique_ptr<qvBangerInstancePool> m_Pool;
};

// A placed banger draws one flickering billboard per glow, from the side stream of random
// numbers; one that broke loose draws none.
TEST_F(BangerEffects, GlowsOfAPlacedBanger) {
    WriteBangerType("lamp", [](qvBangerData& d) {
        d.NumGlows = 2;
        d.GlowOffset.reset(new Vector3[2]{Vector3(0, 2, 0), Vector3(1, 2, 0)});
    });
    qvBangerInstance* lamp = PlaceBanger(*m_Level, "lamp", Vector3(5, 0, 5));
    lamp->DrawGlows();
    m_Pool->SetGlowTexture("glow");
    ASSERT_TRUE(qvBangerInstancePool::GetGlowTexture());

    rglVertexFunc vertex = rglVertex;
    rglVertex = RecordVertex;
    sVertices.clear();
    RandomReset();
    int32_t expected = RandomNext();
    RandomReset();
    lamp->DrawGlows();
    int32_t after = RandomNext();
    size_t placed = sVertices.size();
    std::vector<Vector3> corners = sVertices;
    lamp->ClearFlags(qvBangerInstance::PLACED);
    sVertices.clear();
    lamp->DrawGlows();
    rglVertex = vertex;

    EXPECT_EQ(after, expected) << "drawing leaves the main sequence alone";
    ASSERT_EQ(placed, 8u);
    const Vector3 centres[2] = {Vector3(5, 2, 5), Vector3(6, 2, 5)};
    for (int g = 0; g < 2; ++g) {
        Vector3 sum(0, 0, 0);
        for (int i = 0; i < 4; ++i) {
            sum += corners[size_t(4 * g + i)];
        }
        Vector3 centre = sum * 0.25f;
        EXPECT_NEAR((centre - centres[g]).Mag(), 0.0f, 1e-4f) << g;
        float half = (corners[size_t(4 * g)] - centre).Mag() / std::sqrt(2.0f);
        EXPECT_GE(half, 1.485f - 1e-4f) << g;
        EXPECT_LE(half, 1.5f + 1e-4f) << g;
    }
    EXPECT_TRUE(sVertices.empty());
}

// The burst takes the texture of the type's number (beyond 10: the last), follows the body,
// or for a stationary rule spawns where the body was hit without moving the rule itself.
TEST_F(BangerEffects, ParticleBurstsByTexNumberAndRule) {
    qvBangerInstance* follows = Burster("dust", 12, 0, Vector3(5, 0, 5));
    qvBangerActive* active = m_Active->Attach(follows);
    ovParticles& particles = active->GetParticles();
    EXPECT_EQ(particles.GetTexture(), m_Types->GetTexture(9));
    ASSERT_TRUE(particles.GetTexture());
    EXPECT_EQ(particles.GetLiveCount(), std::min(12, particles.GetCapacity()));
    EXPECT_NEAR(particles.Sprite(0).m_Position.y, 1.0f, 1e-5f);
    EXPECT_NEAR(particles.Sprite(0).m_Position.x, 5.0f, 1e-5f);

    qvBangerInstance* none = Burster("clean", 0, 0, Vector3(5, 0, 6));
    EXPECT_EQ(m_Active->Attach(none)->GetParticles().GetLiveCount(), 0);

    qvBangerInstance* still = Burster("smoke", 1, ovBirthRule::Stationary, Vector3(15, 0, 5));
    qvBangerActive* burst = m_Active->Attach(still);
    EXPECT_EQ(burst->GetParticles().GetTexture(), m_Types->GetTexture(0));
    ASSERT_GT(burst->GetParticles().GetLiveCount(), 0);
    EXPECT_NEAR(burst->GetParticles().Sprite(0).m_Position.x, 15.0f, 1e-5f);
    EXPECT_NEAR(burst->GetParticles().Sprite(0).m_Position.y, 1.0f, 1e-5f);
    const qvBangerData* smoke = still->GetData();
    EXPECT_EQ(smoke->BirthRule.Position.x, 0.0f) << "the shared rule keeps its tuned position";
    EXPECT_EQ(smoke->BirthRule.Position.y, 1.0f);

    burst->Release();
    still->ClearFlags(qvBangerInstance::PLACED);
    EXPECT_EQ(m_Active->Attach(still)->GetParticles().GetLiveCount(), 0)
        << "a stationary burst only for a placed banger";
}

}  // namespace
