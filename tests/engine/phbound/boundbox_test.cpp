#include "phbound/boundbox.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "phbound/boundsphere.h"
#include "phbound/impact.h"
#include "phcore/isect.h"
#include "phcore/material.h"
#include "phcore/segment.h"
#include "tests/engine/phbound/boundfiles.h"
#include "tests/engine/phbound/frames.h"
#include "tests/support/child.h"
#include "tests/support/console.h"

namespace {

phSegment Segment(const Vector3& start, const Vector3& end) {
    phSegment segment;
    segment.Set(start, end, phSegment::EDGE, 0);
    return segment;
}

TEST(BoundBoxTest, SizesAndExtents) {
    phBoundBox box;
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(std::fabs(box.Vertices[i].x), 0.5f);
        EXPECT_EQ(box.Vertices[i].y, phBoundBox::UnitVertices[i].y);
    }
    EXPECT_EQ(box.BoxMin.x, -0.5f);
    EXPECT_EQ(box.BoxMax.z, 0.5f);
    EXPECT_FLOAT_EQ(box.RadiusAroundCentroid, 0.8660254f);
    for (int f = 0; f < 6; ++f) {
        EXPECT_NEAR((box.Polygons[f].Normal - phBoundBox::FaceNormals[f]).Mag(), 0.0f, 1e-6f);
    }
    EXPECT_EQ(box.GetEdgeAngle(5), 0.7853982f);

    box.SetCentroidOffset(Vector3(1, 0, 0));
    box.SetSize(Vector3(2, 4, 6));
    EXPECT_EQ(box.BoxMin.x, 0.0f);
    EXPECT_EQ(box.BoxMin.y, -2.0f);
    EXPECT_EQ(box.BoxMin.z, -3.0f);
    EXPECT_EQ(box.BoxMax.x, 2.0f);
    EXPECT_EQ(box.BoxMax.z, 3.0f);
    EXPECT_EQ(box.Vertices[0].x, 2.0f);
    EXPECT_FLOAT_EQ(box.Margin, 0.07f);
    box.ScaleSize(Vector3(0.5f, 1, 1));
    EXPECT_EQ(box.Size.x, 1.0f);
    EXPECT_EQ(box.BoxMax.x, 1.5f);
    box.OffsetVertices(Vector3(0, 1, 0));
    EXPECT_EQ(box.Vertices[0].y, 3.0f);
    EXPECT_EQ(box.BoxMax.y, 2.0f);
}

// A box without room on every axis has faces without normals, which collide as NaN: such
// sizes are refused with an error, and the box keeps the size it had.
TEST(BoundBoxTest, SizesWithoutRoomAreRefused) {
    const float nan = std::nanf("");
    const Vector3 bad[] = {Vector3(0, 0, 0), Vector3(1, 0, 1), Vector3(1, 1, -2),
                           Vector3(nan, 1, 1), Vector3(1, INFINITY, 1)};
    for (const Vector3& size : bad) {
        SCOPED_TRACE(::testing::Message() << size.x << " " << size.y << " " << size.z);
        ConsoleCapture console;
        phBoundBox made(size);
        EXPECT_NE(console.Take().find("phBoundBox::phBoundBox()- box size"), std::string::npos);
        EXPECT_EQ(made.Size.x, 1.0f);
        phBoundBox box(Vector3(2, 3, 4));
        EXPECT_FALSE(box.SetSize(size));
        EXPECT_NE(console.Take().find("phBoundBox::SetSize()- box size"), std::string::npos);
        EXPECT_FALSE(box.ScaleSize(size));
        EXPECT_EQ(box.Size.y, 3.0f);
        EXPECT_EQ(box.BoxMax.z, 2.0f);
        for (int f = 0; f < 6; ++f) {
            EXPECT_NEAR((box.Polygons[f].Normal - phBoundBox::FaceNormals[f]).Mag(), 0.0f, 1e-6f);
        }
    }
}

TEST(BoundBoxTest, LoadTakesTheFilesExtentsAndAtMostSixMaterials) {
    BoundFiles files;
    std::string text = CubeText();
    std::string block = text.substr(text.find("mtl"), text.find("quad") - text.find("mtl"));
    std::string more;
    for (int i = 2; i <= 7; ++i) {
        std::string named = block;
        named.replace(named.find("cubestuff"), 9, "stuff" + std::to_string(i));
        more += named;
    }
    text.replace(text.find("materials: 1"), 12, "materials: 7");
    text.insert(text.find("quad"), more);
    text.replace(text.find("v 0.5 0.5 0.5"), 13, "v 3 0.5 0.5");
    files.Write("crate", "bnd", text);
    phBoundBox box;
    ASSERT_TRUE(box.Load("crate"));
    EXPECT_STREQ(box.GetMaterial(0)->Name, "stuff7");
    EXPECT_STREQ(box.GetMaterial(1)->Name, "stuff2");
    EXPECT_EQ(box.NumMaterials, 6);
    EXPECT_EQ(box.BoxMax.x, 3.0f);
    EXPECT_EQ(box.Size.x, 1.0f);

    files.Write("old", "bnd", CubeText("1.010"));
    ConsoleCapture console;
    EXPECT_FALSE(box.Load("old"));
    EXPECT_NE(console.Take().find("Error: phBoundBox::Load()- Bad file version number 1.010"),
              std::string::npos);
}

TEST(BoundBoxTest, SegmentTestsOfTheDefaultBox) {
    phBoundBox box;
    phSegment down = Segment(Vector3(0, 5, 0), Vector3(0, -5, 0));
    phIsect hit;
    ASSERT_TRUE(box.TestProbeSegment(down, &hit, 2.0f));
    EXPECT_EQ(hit.PolyIndex, 2);
    EXPECT_FLOAT_EQ(hit.T, 0.45f);
    EXPECT_EQ(hit.Normal.y, 1.0f);
    EXPECT_FLOAT_EQ(hit.Depth, 5.5f);
    EXPECT_EQ(hit.Polygon, &box.Polygons[2]);
    EXPECT_FALSE(box.TestProbePoint(down, &hit, 0.4f));

    phIsect two[2];
    ASSERT_EQ(box.TestEdgeSegment(down, two, 2), 2);
    EXPECT_EQ(two[1].PolyIndex, 3);
    EXPECT_FLOAT_EQ(two[1].T, 0.55f);
    EXPECT_FLOAT_EQ(two[1].Depth, 5.5f);
    EXPECT_EQ(two[1].FrontSide, 0u);
    EXPECT_EQ(two[1].Normal.y, -1.0f);

    phSegment fromInside = Segment(Vector3(0, 0, 0), Vector3(0, -5, 0));
    EXPECT_FALSE(box.TestProbeSegment(fromInside, &hit, 2.0f));
    EXPECT_FALSE(box.TestAIPoint(fromInside, &hit));
    ASSERT_EQ(box.TestEdgeSegment(fromInside, two, 2), 1);
    EXPECT_EQ(two[0].PolyIndex, 3);
    EXPECT_EQ(two[0].FrontSide, 0u);

    // Lying in the plane x = 0.5 counts as inside on x.
    phSegment inPlane = Segment(Vector3(0.5f, 5, 0), Vector3(0.5f, -5, 0));
    ASSERT_TRUE(box.TestProbeSegment(inPlane, &hit, 2.0f));
    EXPECT_EQ(hit.PolyIndex, 2);
}

// The first hit against the first inside sample along the segment.
TEST(BoundBoxTest, RandomSegmentsAgreeWithSampling) {
    std::mt19937 rng(2611);
    std::uniform_real_distribution<float> coordinate(-3.0f, 3.0f);
    phBoundBox box(Vector3(1.0f, 2.0f, 0.6f));
    int hits = 0;
    for (int i = 0; i < 800; ++i) {
        Vector3 s(coordinate(rng), coordinate(rng), coordinate(rng));
        Vector3 e(coordinate(rng), coordinate(rng), coordinate(rng));
        auto inside = [&](double t) {
            double x = s.x + t * (e.x - s.x), y = s.y + t * (e.y - s.y), z = s.z + t * (e.z - s.z);
            return std::fabs(x) <= 0.5 && std::fabs(y) <= 1.0 && std::fabs(z) <= 0.3;
        };
        const int Steps = 20000;
        int first = -1, last = -1;
        for (int k = 0; k <= Steps; ++k) {
            if (inside(double(k) / Steps)) {
                first = first < 0 ? k : first;
                last = k;
            }
        }
        phSegment segment = Segment(s, e);
        phIsect hit;
        bool probed = box.TestProbeSegment(segment, &hit, 2.0f);
        if (first > 0 && first - 1 > 0 && !inside(0.0)) {
            ASSERT_TRUE(probed) << i;
            EXPECT_NEAR(hit.T, double(first) / Steps, 1.0 / Steps) << i;
            Vector3 p = hit.Position;
            float faceCoordinate[3] = {p.x, p.y, p.z};
            const float half[3] = {0.5f, 1.0f, 0.3f};
            int axis = hit.PolyIndex / 2;
            EXPECT_NEAR(std::fabs(faceCoordinate[axis]), half[axis], 1e-5f) << i;
            ++hits;
        } else if (first < 0) {
            EXPECT_FALSE(probed) << i;
        }
        phIsect two[2];
        int count = box.TestEdgeSegment(segment, two, 2);
        if (first < 0) {
            EXPECT_EQ(count, 0) << i;
        } else if (last < Steps && last - first > 2) {
            EXPECT_NEAR(two[count - 1].T, double(last) / Steps, 1.5 / Steps) << i;
        }
    }
    EXPECT_GT(hits, 50);
}

TEST(BoundBoxTest, SphereAgainstTheBox) {
    phBoundBox box;
    phBoundSphere sphere;
    Matrix34 identity = Matrix34::sm_Identity;
    struct Case {
        float radius;
        Vector3 centre;
        Vector3 motion;
        int impacts;
        float depth;
        Vector3 normal;
        Vector3 contact;
        int type;
        int index;
    };
    const Case cases[] = {
        {0.5f, Vector3(0, 0.9f, 0), Vector3(0, 0, 0), 1, 0.1f, Vector3(0, 1, 0),
         Vector3(0, 0.5f, 0), 1, 2},
        {0.5f, Vector3(0.9f, 0.9f, 0.9f), Vector3(0, 0, 0), 0, 0, Vector3(), Vector3(), 0, 0},
        {0.2f, Vector3(0, 0.4f, 0), Vector3(0, 0, 0), 1, 0.3f, Vector3(0, 1, 0),
         Vector3(0, 0.35f, 0), 1, 2},
        {0.5f, Vector3(0.8f, 0.8f, 0), Vector3(0, 0, 0), 1, 0.5f - 0.3f * std::sqrt(2.0f),
         Vector3(0.70710677f, 0.70710677f, 0), Vector3(0.5f, 0.5f, 0), 0, 8},
        {0.5f, Vector3(0.7f, -0.7f, -0.7f), Vector3(0, 0, 0), 1,
         0.5f - 0.2f * std::sqrt(3.0f), Vector3(0.57735026f, -0.57735026f, -0.57735026f),
         Vector3(0.5f, -0.5f, -0.5f), 2, 7},
        // A centre exactly on a face: pushed out along that face, no NaN.
        {0.25f, Vector3(0, 0, -0.5f), Vector3(0, 0, 0), 1, 0.25f, Vector3(0, 0, -1),
         Vector3(0, 0, -0.375f), 1, 5},
        // Fast enough to pass the top in one step: met where it came into reach.
        {0.2f, Vector3(0, -0.3f, 0), Vector3(0, -2, 0), 1, 1.0f, Vector3(0, 1, 0),
         Vector3(0, -0.5f, 0), 1, 2},
    };
    for (const Case& c : cases) {
        phImpact impact;
        int count = box.CollideSphere(&sphere, c.radius, identity, c.centre, c.motion, nullptr,
                                      nullptr, &impact);
        ASSERT_EQ(count, c.impacts) << c.centre.x << " " << c.centre.y;
        if (!count) {
            continue;
        }
        EXPECT_NEAR(impact.Depth, c.depth, 1e-5f);
        EXPECT_NEAR((impact.Normal - c.normal).Mag(), 0.0f, 1e-5f);
        EXPECT_NEAR((impact.Position - c.contact).Mag(), 0.0f, 1e-5f);
        EXPECT_EQ(impact.Type, c.type);
        EXPECT_EQ(impact.FeatureB, c.index);
    }
}

// Closest points of the box's surface by sampling it, in the box's frame.
double SampledBoxDistance(const Vector3& p, const Vector3& half, Vector3& closest) {
    const int Steps = 120;
    double best = 1e30;
    const float h[3] = {half.x, half.y, half.z};
    for (int axis = 0; axis < 3; ++axis) {
        for (float side : {-1.0f, 1.0f}) {
            for (int i = 0; i <= Steps; ++i) {
                for (int j = 0; j <= Steps; ++j) {
                    float c[3];
                    c[axis] = side * h[axis];
                    c[(axis + 1) % 3] = h[(axis + 1) % 3] * (2.0f * i / Steps - 1.0f);
                    c[(axis + 2) % 3] = h[(axis + 2) % 3] * (2.0f * j / Steps - 1.0f);
                    Vector3 q(c[0], c[1], c[2]);
                    double d = (p - q).Mag();
                    if (d < best) {
                        best = d;
                        closest = q;
                    }
                }
            }
        }
    }
    return best;
}

TEST(BoundBoxTest, RandomSpheresAgreeWithSampledClosestPoints) {
    std::mt19937 rng(2612);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    phBoundBox box(Vector3(1.2f, 0.8f, 2.0f));
    phBoundSphere sphere;
    const Vector3 half(0.6f, 0.4f, 1.0f);
    int checked = 0;
    for (int i = 0; i < 200; ++i) {
        Matrix34 matrix = RandomRotation(rng, Vector3(5, -2, 1));
        Vector3 local(1.2f * unit(rng), 0.9f * unit(rng), 1.6f * unit(rng));
        float radius = 0.2f + 0.3f * (unit(rng) + 1.0f);
        Vector3 world = local;
        world.Transform(matrix);
        Vector3 closest;
        double distance = SampledBoxDistance(local, half, closest);
        bool inside = std::fabs(local.x) < half.x && std::fabs(local.y) < half.y &&
                      std::fabs(local.z) < half.z;
        double expected = inside ? radius + distance : radius - distance;
        phImpact impact;
        int count = box.CollideSphere(&sphere, radius, matrix, world - matrix.d,
                                      Vector3(0, 0, 0), nullptr, nullptr, &impact);
        if (std::fabs(expected) < 0.01) {
            continue;
        }
        ASSERT_EQ(count, expected > 0.0 ? 1 : 0) << i;
        if (!count || distance < 0.05) {
            continue;
        }
        ++checked;
        EXPECT_NEAR(impact.Depth, expected, 0.005) << i;
        Vector3 away = inside ? closest - local : local - closest;
        away.Normalize();
        Vector3 worldAway = matrix.a * away.x + matrix.b * away.y + matrix.c * away.z;
        EXPECT_GT(impact.Normal.Dot(worldAway), 0.995f) << i;
    }
    EXPECT_GT(checked, 80);
}

void ExpectContacts(phImpact* impacts, int count, const Vector3& normal, float depth) {
    for (int i = 0; i < count; ++i) {
        EXPECT_NEAR((impacts[i].Normal - normal).Mag(), 0.0f, 1e-5f) << i;
        EXPECT_NEAR(impacts[i].Depth, depth, 1e-5f) << i;
    }
}

TEST(BoundBoxTest, BoxOnBox) {
    phBoundBox a, b;
    Matrix34 identity = Matrix34::sm_Identity;
    Matrix34 above = identity;
    above.d.Set(0, 0.95f, 0);
    phImpact impacts[8];
    const float margin = 0.035f;
    int count = a.CollideBox(&b, above, identity, nullptr, nullptr, impacts, 8);
    ASSERT_EQ(count, 4);
    ExpectContacts(impacts, count, Vector3(0, 1, 0), 0.05f - margin);
    for (int i = 0; i < count; ++i) {
        EXPECT_NEAR(std::fabs(impacts[i].Position.x), 0.5f, 1e-5f);
        EXPECT_NEAR(std::fabs(impacts[i].Position.z), 0.5f, 1e-5f);
        EXPECT_NEAR(impacts[i].Position.y, 0.475f, 1e-5f);
    }

    Matrix34 turned;
    turned.MakeRotateY(0.7853982f);
    turned.d.Set(0, 0.95f, 0);
    count = a.CollideBox(&b, turned, identity, nullptr, nullptr, impacts, 8);
    ASSERT_EQ(count, 8);
    ExpectContacts(impacts, count, Vector3(0, 1, 0), 0.05f - margin);

    // B above A this time: the normal still points from B to A.
    count = a.CollideBox(&b, identity, above, nullptr, nullptr, impacts, 8);
    ASSERT_EQ(count, 4);
    ExpectContacts(impacts, count, Vector3(0, -1, 0), 0.05f - margin);

    above.d.Set(0, 1.01f, 0);
    EXPECT_EQ(a.CollideBox(&b, above, identity, nullptr, nullptr, impacts, 8), 0);
    above.d.Set(0, 0.95f, 0);
    EXPECT_EQ(a.CollideBox(&b, above, identity, nullptr, nullptr, impacts, 7), 0);
}

// The overlap of the two boxes' shadows on a direction.
double Overlap(const Vector3& n, const Matrix34& mA, const Vector3& hA, const Matrix34& mB,
               const Vector3& hB) {
    auto reach = [&](const Matrix34& m, const Vector3& h) {
        return h.x * std::fabs(m.a.Dot(n)) + h.y * std::fabs(m.b.Dot(n)) +
               h.z * std::fabs(m.c.Dot(n));
    };
    return reach(mA, hA) + reach(mB, hB) - std::fabs((mB.d - mA.d).Dot(n));
}

// The least overlap over all directions, by sampling the sphere of directions and refining
// round the best one.
double SampledLeastOverlap(const Matrix34& mA, const Vector3& hA, const Matrix34& mB,
                           const Vector3& hB) {
    const int Samples = 6000;
    Vector3 best(0, 1, 0);
    double least = 1e30;
    for (int i = 0; i < Samples; ++i) {
        double y = 1.0 - 2.0 * (i + 0.5) / Samples;
        double r = std::sqrt(1.0 - y * y);
        double phi = i * 2.399963229728653;
        Vector3 n(float(r * std::cos(phi)), float(y), float(r * std::sin(phi)));
        double overlap = Overlap(n, mA, hA, mB, hB);
        if (overlap < least) {
            least = overlap;
            best = n;
        }
    }
    std::mt19937 rng(7);
    std::normal_distribution<float> jitter(0.0f, 1.0f);
    for (float step = 0.05f; step > 1e-5f; step *= 0.7f) {
        for (int k = 0; k < 60; ++k) {
            Vector3 n = best + Vector3(jitter(rng), jitter(rng), jitter(rng)) * step;
            n.Normalize();
            double overlap = Overlap(n, mA, hA, mB, hB);
            if (overlap < least) {
                least = overlap;
                best = n;
            }
        }
    }
    return least;
}

// How far a point lies from a feature of a placed box: a corner, an edge (as a segment) or
// the plane of a face.
double FeatureDistance(const Matrix34& m, const Vector3& size, int kind, int index,
                       const Vector3& point) {
    auto corner = [&](int v) {
        Vector3 c(phBoundBox::UnitVertices[v].x * size.x, phBoundBox::UnitVertices[v].y * size.y,
                  phBoundBox::UnitVertices[v].z * size.z);
        c.Transform(m);
        return c;
    };
    if (kind == phImpact::VERTEX) {
        return (point - corner(index)).Mag();
    }
    if (kind == phImpact::EDGE) {
        Vector3 p0 = corner(phBoundBox::EdgeVertices[index][0]);
        Vector3 d = corner(phBoundBox::EdgeVertices[index][1]) - p0;
        float t = std::min(1.0f, std::max(0.0f, (point - p0).Dot(d) / d.Mag2()));
        return (point - (p0 + d * t)).Mag();
    }
    const int* corners = phBoundBox::FaceCorners[index];
    Vector3 n = phBoundBox::FaceNormals[index];
    n = m.a * n.x + m.b * n.y + m.c * n.z;
    return std::fabs((point - corner(corners[0])).Dot(n));
}

TEST(BoundBoxTest, RandomBoxPairsAgreeWithTheSampledLeastOverlap) {
    std::mt19937 rng(2613);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    int touching = 0;
    for (int i = 0; i < 150; ++i) {
        Vector3 sizeA(0.5f + unit(rng), 0.5f + unit(rng), 0.5f + unit(rng));
        Vector3 sizeB(0.5f + unit(rng), 0.5f + unit(rng), 0.5f + unit(rng));
        phBoundBox a(sizeA), b(sizeB);
        Matrix34 mB = RandomRotation(rng, Vector3(0, 0, 0));
        Vector3 direction(unit(rng) - 0.5f, unit(rng) - 0.5f, unit(rng) - 0.5f);
        direction.Normalize();
        Matrix34 mA = RandomRotation(rng, direction * (0.4f + 0.9f * unit(rng)));
        Vector3 hA = sizeA * 0.5f, hB = sizeB * 0.5f;
        double least = SampledLeastOverlap(mA, hA, mB, hB);
        phImpact impacts[8];
        int count = a.CollideBox(&b, mA, mB, nullptr, nullptr, impacts, 8);
        if (std::fabs(least) < 0.01) {
            continue;
        }
        ASSERT_EQ(count > 0, least > 0.0) << i << " least overlap " << least;
        if (!count) {
            continue;
        }
        ++touching;
        const float margin = std::min(a.Margin, b.Margin);
        // The normal is a direction of least overlap (within the sampling's reach),
        // pointing from B towards A, and no contact is deeper than that overlap.
        double along = Overlap(impacts[0].Normal, mA, hA, mB, hB);
        EXPECT_LE(along, least * 1.06 + 0.005) << i;
        EXPECT_GT(impacts[0].Normal.Dot(mA.d - mB.d), 0.0f) << i;
        for (int k = 0; k < count; ++k) {
            EXPECT_LE(impacts[k].Depth + margin, along + 1e-3) << i << " contact " << k;
            EXPECT_GE(impacts[k].Depth + margin, -1e-4f) << i << " contact " << k;
            // The features named lie half the contact's depth from its position.
            const phImpact& c = impacts[k];
            int kindA = c.Type == phImpact::EDGE_EDGE  ? phImpact::EDGE
                        : c.Type == phImpact::A_ON_FACE ? phImpact::VERTEX
                                                        : phImpact::FACE;
            int kindB = c.Type == phImpact::EDGE_EDGE  ? phImpact::EDGE
                        : c.Type == phImpact::A_ON_FACE ? phImpact::FACE
                                                        : phImpact::VERTEX;
            double reach = 0.5 * (c.Depth + margin) + 1e-3;
            EXPECT_LE(FeatureDistance(mA, sizeA, kindA, c.FeatureA, c.Position), reach)
                << i << " contact " << k << " type " << c.Type;
            EXPECT_LE(FeatureDistance(mB, sizeB, kindB, c.FeatureB, c.Position), reach)
                << i << " contact " << k << " type " << c.Type;
        }
    }
    EXPECT_GT(touching, 60);
}

TEST(BoundBoxTest, FaceDotPatterns) {
    const float r = 0.70710677f;
    struct Case {
        float dots[3][3];
        int pattern[3][3];
    };
    const Case cases[] = {
        // Aligned: nothing to fill.
        {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
        // A quarter turn about y: four zeros that already fit.
        {{{r, 0, -r}, {0, 1, 0}, {r, 0, r}}, {{1, 0, -1}, {0, 1, 0}, {1, 0, 1}}},
        // Two entries in the dead zone: the larger is filled with its sign.
        {{{0.999f, 0.02f, 0.03f}, {-0.03f, 0.8f, 0.6f}, {0.01f, -0.6f, 0.8f}},
         {{1, 0, 0}, {0, 1, 1}, {0, -1, 1}}},
        // Two zeros: the larger |dot| takes its sign.
        {{{0.9f, 0.02f, 0.3f}, {0.03f, 0.9f, 0.4f}, {0.4f, 0.5f, 0.8f}},
         {{1, 0, 1}, {1, 1, 1}, {1, 1, 1}}},
        // Three zeros: the two largest.
        {{{0.9f, 0.02f, 0.01f}, {-0.03f, 0.9f, 0.4f}, {0.4f, 0.5f, 0.8f}},
         {{1, 1, 0}, {-1, 1, 1}, {1, 1, 1}}},
        // Four zeros with a whole row of them: the three largest.
        {{{0.01f, -0.02f, 0.03f}, {0.9f, 0.034f, 0.3f}, {0.3f, 0.5f, 0.8f}},
         {{0, -1, 1}, {1, 1, 1}, {1, 1, 1}}},
        // Five zeros: the largest whose filling leaves one or two zeros in every row and
        // column, which is not the largest of all (0.03).
        {{{0.01f, 0.02f, 0.03f}, {0.025f, 0.5f, 0.5f}, {0.5f, -0.03f, 0.5f}},
         {{0, 1, 0}, {0, 1, 1}, {1, 0, 1}}},
    };
    for (const Case& c : cases) {
        int pattern[3][3];
        phBoundBox::FaceDotPattern(c.dots, pattern);
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                EXPECT_EQ(pattern[i][j], c.pattern[i][j]) << i << j;
            }
        }
    }
}

TEST_CHILD(BoxWithFlatMatrix) {
    phBoundBox a, b;
    Matrix34 flat = Matrix34::sm_Identity;
    flat.b.Set(0, 0, 0);
    phImpact impacts[8];
    return a.CollideBox(&b, flat, Matrix34::sm_Identity, nullptr, nullptr, impacts, 8);
}

// Dead-zone entries that are exactly 0 have no sign to take.
TEST_CHILD(PatternWithoutSigns) {
    const float dots[3][3] = {{1, 0, 0}, {0, 1, 0.5f}, {0.5f, 0.5f, 1}};
    int pattern[3][3];
    phBoundBox::FaceDotPattern(dots, pattern);
    return 0;
}

// Five zeros, and one row without any: no single filling mends it.
TEST_CHILD(PatternBeyondMending) {
    const float dots[3][3] = {{0.01f, 0.02f, 0.03f}, {0.01f, 0.02f, 0.9f}, {0.6f, 0.6f, 0.5f}};
    int pattern[3][3];
    phBoundBox::FaceDotPattern(dots, pattern);
    return 0;
}

TEST_CHILD(BoxEdgeTestWithOneRecord) {
    phBoundBox box;
    phSegment segment = Segment(Vector3(0, 5, 0), Vector3(0, -5, 0));
    phIsect isect;
    return box.TestEdgeSegment(segment, &isect, 1);
}

TEST(BoundBoxTest, MisuseAsserts) {
    ExpectFatalChildren(
        {{"BoxWithFlatMatrix",
          "Assert(\"your colliding object has a bad orientation matrix\" && "
          "VerifyFaceDotPattern()) failed in [phbound/boxbox"},
         {"PatternWithoutSigns",
          "Assert(\"your colliding object has a bad orientation matrix\" && "
          "Targeti>=0 && Targetj>=0) failed in [phbound/boxbox"},
         {"PatternBeyondMending",
          "Assert(\"your colliding object has a bad orientation matrix\" && "
          "phBoundBox::CheckFourFaceDotPattern()) failed in [phbound/boxbox"},
         {"BoxEdgeTestWithOneRecord", "Assert(maxi >= 2) failed in [phbound/boundbox"}});
}

}  // namespace
