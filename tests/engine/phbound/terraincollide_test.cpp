#include <gtest/gtest.h>

#include "phbound/boundsphere.h"
#include "phbound/boundterrain.h"
#include "phbound/impact.h"
#include "phcore/poly.h"
#include "tests/engine/phbound/boundfiles.h"
#include "tests/engine/phbound/terrains.h"

namespace {

class TerrainCollideTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_Files.Write("flat", "bnd", FlatSquareText());
        ASSERT_TRUE(m_Flat.phBoundGeometry::Load("flat"));
        BuildTerrainGrid(m_Flat, 2, 2);
        m_Identity.Identity();
    }

    BoundFiles m_Files;
    phBoundTerrain m_Flat;
    phBoundSphere m_Sphere;
    Matrix34 m_Identity;
    phImpact m_Impacts[8];
};

TEST_F(TerrainCollideTest, SphereRestingOnTheTerrain) {
    struct Case {
        Vector3 centre;
        float depth;
        int material;
    };
    const Case cases[] = {
        {Vector3(0.3f, 0.45f, 0.3f), 0.05f, 0},
        {Vector3(1.8f, 0.3f, 1.8f), 0.2f, 1},
    };
    for (const Case& c : cases) {
        int count = m_Flat.CollideSphere(&m_Sphere, c.centre, 0.5f, m_Identity, Vector3(0, 0, 0),
                                         nullptr, nullptr, m_Impacts, 8);
        ASSERT_EQ(count, 1);
        const phImpact& impact = m_Impacts[0];
        EXPECT_NEAR(impact.Depth, c.depth, 1e-6f);
        EXPECT_NEAR(impact.Normal.y, 1.0f, 1e-6f);
        Vector3 expected = c.centre - Vector3(0, 0.5f - c.depth / 2, 0);
        EXPECT_NEAR((impact.Position - expected).Mag(), 0.0f, 1e-6f);
        EXPECT_EQ(impact.ComponentB, c.material);
        EXPECT_EQ(impact.FeatureA, 0);
        EXPECT_EQ(impact.Type, phImpact::A_ON_FACE);
    }
}

TEST_F(TerrainCollideTest, SphereOutOfReachTouchesNoBucket) {
    m_Flat.NumListed = 7;
    EXPECT_EQ(m_Flat.CollideSphere(&m_Sphere, Vector3(5, 0, 5), 0.5f, m_Identity,
                                   Vector3(0, 0, 0), nullptr, nullptr, m_Impacts, 8),
              0);
    EXPECT_EQ(m_Flat.NumListed, 7);
}

TEST_F(TerrainCollideTest, FastSphereDoesNotTunnel) {
    // One metre down in a frame, ending out of the terrain's box: from y 0.6 to y -0.4, far past the plane for its radius.
    int count = m_Flat.CollideSphere(&m_Sphere, Vector3(0.7f, -0.4f, 0.6f), 0.1f, m_Identity,
                                     Vector3(0, 1, 0), nullptr, nullptr, m_Impacts, 8);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(m_Impacts[0].Type, phImpact::A_ON_FACE);
    EXPECT_NEAR(m_Impacts[0].Normal.y, 1.0f, 1e-6f);
    EXPECT_NEAR(m_Impacts[0].Depth, 0.5f, 1e-6f);
    EXPECT_EQ(m_Impacts[0].ComponentB, 1);
    // Moving up through it instead is no contact.
    EXPECT_EQ(m_Flat.CollideSphere(&m_Sphere, Vector3(0.7f, -0.4f, 0.6f), 0.1f, m_Identity,
                                   Vector3(0, -1, 0), nullptr, nullptr, m_Impacts, 8),
              0);
}

TEST_F(TerrainCollideTest, SphereMeetsATerrainFarFromItsOrigin) {
    phBoundTerrain distant;
    ASSERT_TRUE(distant.phBoundGeometry::Load("flat"));
    distant.OffsetVertices(Vector3(50, 0, 0));
    BuildTerrainGrid(distant, 2, 2);
    EXPECT_EQ(distant.CollideSphere(&m_Sphere, Vector3(50.3f, 0.45f, 0.3f), 0.5f, m_Identity,
                                Vector3(0, 0, 0), nullptr, nullptr, m_Impacts, 8),
              1);
    // And placed by its matrix.
    Matrix34 moved = m_Identity;
    moved.d.Set(-50, 0, 10);
    ASSERT_EQ(distant.CollideSphere(&m_Sphere, Vector3(0.3f, 0.45f, 10.3f), 0.5f, moved,
                                Vector3(0, 0, 0), nullptr, nullptr, m_Impacts, 8),
              1);
    EXPECT_NEAR(m_Impacts[0].Position.y, 0.45f - 0.475f, 1e-6f);
    EXPECT_NEAR(m_Impacts[0].Position.z, 10.3f, 1e-5f);
}

TEST_F(TerrainCollideTest, ImpactsStopAtTheCapacity) {
    // Deep over the centre vertex the sphere reaches every triangle.
    int count = m_Flat.CollideSphere(&m_Sphere, Vector3(1, 0.2f, 1), 0.5f, m_Identity,
                                     Vector3(0, 0, 0), nullptr, nullptr, m_Impacts, 1);
    EXPECT_EQ(count, 1);
}

}  // namespace
