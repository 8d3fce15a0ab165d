#include "cityedit/block.h"
#include "cityedit/landmark.h"

#include "tests/engine/gfx/pipefixture.h"
#include "tests/engine/model/modelfixture.h"
#include "tests/game/cityedit/catalogfixture.h"
#include "tests/support/console.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

// The lot: a 20 by 20 square whose first corner (the block's vertex 0) stands at (100, 100),
// running the way lots run (clockwise with x to the right and z up).
const std::vector<Vector3> Lot = {Vector3(100, 0, 100), Vector3(100, 0, 120),
                                  Vector3(120, 0, 120), Vector3(120, 0, 100)};

std::string JoinFile(const std::vector<Vector3>& points, uint32_t count) {
    std::string bytes = U32(count);
    for (const Vector3& p : points) {
        bytes += F32(p.x) + F32(p.y) + F32(p.z);
    }
    return bytes;
}

std::string JoinFile(const std::vector<Vector3>& points) {
    return JoinFile(points, static_cast<uint32_t>(points.size()));
}

// A square of the given side about (10, 0, 10), turning clockwise as the editor counts it.
std::vector<Vector3> ClockwiseSquare(float side) {
    float a = 10.0f - side / 2;
    float b = 10.0f + side / 2;
    return {Vector3(a, 0, a), Vector3(a, 0, b), Vector3(b, 0, b), Vector3(b, 0, a)};
}

std::vector<Vector3> Circle(int n, float inner, float outer) {
    std::vector<Vector3> points;
    for (int i = 0; i < n; ++i) {
        float angle = 6.2831853f * i / n;
        float r = i % 2 ? inner : outer;
        points.push_back(Vector3(10.0f + r * std::cos(angle), 0.0f, 10.0f + r * std::sin(angle)));
    }
    return points;
}

// The fans of a fan list: bit 7 ends every fan but the last.
std::vector<std::vector<int>> Fans(const std::vector<uint8_t>& bytes) {
    std::vector<std::vector<int>> fans(1);
    for (uint8_t b : bytes) {
        fans.back().push_back(b & 0x7F);
        if (b & 0x80) {
            fans.emplace_back();
        }
    }
    if (fans.back().empty()) {
        fans.pop_back();
    }
    return fans;
}

double FanArea(const std::vector<Vector3>& ring, const std::vector<int>& fan) {
    double area = 0.0;
    for (size_t i = 0; i < fan.size(); ++i) {
        const Vector3& a = ring[fan[i]];
        const Vector3& b = ring[fan[(i + 1) % fan.size()]];
        area += static_cast<double>(a.x) * b.z - static_cast<double>(b.x) * a.z;
    }
    return area * 0.5;
}

class Landmarks : public ::testing::Test {
protected:
    void SetUp() override {
        m_Block.BuildFromOutline(Lot.data(), 4);
        m_Console.Take();
    }

    CatalogFiles m_Files;
    ConsoleCapture m_Console;
    CityBlock m_Block{1};
};

TEST_F(Landmarks, SewingFillsTheGroundBetweenJoinLineAndLot) {
    struct Case {
        const char* m_Name;
        bool m_Clockwise;
        int8_t m_Rotation;
        uint8_t m_Scale;
        Vector3 m_Position;
    };
    const Case cases[] = {
        {"cw", true, 0, 128, Vector3(0, 0, 0)},
        {"ccw", false, 0, 128, Vector3(0, 0, 0)},
        {"turned", true, 127, 64, Vector3(20, 0, 20)},
        {"quarter", false, 64, 160, Vector3(25, 2, -2)},
    };
    for (const Case& c : cases) {
        std::vector<Vector3> join = ClockwiseSquare(6.0f);
        if (!c.m_Clockwise) {
            std::reverse(join.begin(), join.end());
        }
        m_Files.WriteAsset("scene", std::string(c.m_Name) + ".join", JoinFile(join));
        BlockLandmark landmark(c.m_Name);
        landmark.m_Rotation = c.m_Rotation;
        landmark.m_Scale = c.m_Scale;
        landmark.m_Position = c.m_Position;
        LoadLandmarkModel(landmark);
        ASSERT_EQ(4u, landmark.m_JoinPoints.size()) << c.m_Name;
        m_Console.Take();
        landmark.Sew(m_Block, *m_Block.Lot(0));
        std::string printed = m_Console.Take();
        std::string warning =
            "Warning: The join line for '" + std::string(c.m_Name) + "' appears to be CW.";
        EXPECT_EQ(c.m_Clockwise, printed.find(warning) != std::string::npos) << printed;

        // The placed line, reversed when clockwise, against a double-precision placement.
        ASSERT_EQ(8u, landmark.m_RingPoints.size());
        double angle = c.m_Rotation * 3.14159265358979 / 127.0;
        double s = c.m_Scale / 128.0;
        for (int i = 0; i < 4; ++i) {
            const Vector3& p = join[c.m_Clockwise ? 3 - i : i];
            double x = std::cos(angle) * s * p.x - std::sin(angle) * s * p.z + c.m_Position.x + 100;
            double z = std::sin(angle) * s * p.x + std::cos(angle) * s * p.z + c.m_Position.z + 100;
            const Vector3& q = landmark.m_RingPoints[i];
            EXPECT_NEAR(x, q.x, 1e-4) << c.m_Name << " " << i;
            EXPECT_NEAR(s * p.y + c.m_Position.y, q.y, 1e-4) << c.m_Name << " " << i;
            EXPECT_NEAR(z, q.z, 1e-4) << c.m_Name << " " << i;
        }
        // The outline follows from the corner nearest the line's start.
        int nearest = 0;
        for (int k = 1; k < 4; ++k) {
            if ((Lot[k] - landmark.m_RingPoints[0]).Mag2() <
                (Lot[nearest] - landmark.m_RingPoints[0]).Mag2()) {
                nearest = k;
            }
        }
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(0.0f, (landmark.m_RingPoints[4 + k] - Lot[(nearest + k) % 4]).Mag2());
        }

        // The fans cover the lot less the model's square, each turning the same way, and name
        // ring points only (never the seam points past them).
        ASSERT_FALSE(landmark.m_FanIndices.empty()) << c.m_Name;
        EXPECT_EQ(0, landmark.m_FanIndices.back() & 0x80);
        double total = 0.0;
        double side = 6.0 * s;
        for (const std::vector<int>& fan : Fans(landmark.m_FanIndices)) {
            EXPECT_GE(fan.size(), 3u) << c.m_Name;
            for (int index : fan) {
                EXPECT_LT(index, 8) << c.m_Name;
            }
            double area = FanArea(landmark.m_RingPoints, fan);
            EXPECT_LT(area, 0.0) << c.m_Name;
            total += area;
        }
        EXPECT_NEAR(-(400.0 - side * side), total, 1e-3) << c.m_Name;
    }
}

TEST_F(Landmarks, LinesTheLotCannotTakeLeaveItUnsewn) {
    std::vector<Vector3> longLine = Circle(124, 8.0f, 8.0f);
    m_Files.WriteAsset("scene", "long.join", JoinFile(longLine));
    m_Files.WriteAsset("scene", "star.join", JoinFile(Circle(60, 2.0f, 8.0f)));
    m_Files.WriteAsset("scene", "huge.join", JoinFile(ClockwiseSquare(4.0f), 300));
    m_Files.WriteAsset("scene", "cut.join", JoinFile(ClockwiseSquare(4.0f), 5));
    m_Files.WriteAsset("scene", "tangled.join",
                       JoinFile({Vector3(8, 0, 8), Vector3(12, 0, 8), Vector3(12.2f, 0, 8.1f),
                                 Vector3(10, 0, 12)}));
    struct Case {
        const char* m_Name;
        size_t m_JoinPoints;
        const char* m_Message;
        bool m_Fans;
    };
    const Case cases[] = {
        {"long", 124,
         "Error: Too many verts in resulting fans, lot or landmark perimeter is too complex.",
         false},
        {"star", 60,
         "Error: Too many verts in resulting fans, lot or landmark perimeter is too complex.",
         false},
        {"huge", 0, "Error: Join file for 'huge' holds 300 points; at most 255 are allowed.",
         false},
        {"cut", 0, "Error: Join file for 'cut' is cut short.", false},
        {"nofile", 0, "Error: Join file not found for nofile, cannot sew up.", false},
        {"tangled", 4,
         "Warning: The join line for 'tangled' appears to be closed or tangled. It should be an "
         "single open loop.",
         true},
    };
    for (const Case& c : cases) {
        CityBlock block(m_Block);
        BlockLot* lot = block.Lot(0);
        lot->m_HeightOffset = 5.0f;
        lot->SetWall(0, 3);
        lot->AssignLandmark(c.m_Name, block);
        std::string printed = m_Console.Take();
        EXPECT_NE(std::string::npos, printed.find(c.m_Message)) << c.m_Name << ": " << printed;
        ASSERT_TRUE(lot->IsLandmark()) << c.m_Name;
        BlockLandmark& landmark = lot->Landmark();
        EXPECT_EQ(c.m_Name, landmark.m_Name);
        EXPECT_EQ(c.m_JoinPoints, landmark.m_JoinPoints.size()) << c.m_Name;
        EXPECT_EQ(c.m_Fans, !landmark.m_FanIndices.empty()) << c.m_Name;
        EXPECT_EQ(0.0f, lot->m_HeightOffset);
        lot->m_HeightOffset = 5.0f;
        EXPECT_EQ(nullptr, lot->Edges()) << c.m_Name;
    }
}

// Models in packages need the pipeline to make their packets.
class LandmarkModels : public FakePipeline {
protected:
    CatalogFiles m_Files;
    ConsoleCapture m_Console;
};

TEST_F(LandmarkModels, OffsetMovesTheLandmarkAndItsJoinLine) {
    m_Files.WriteAsset("geometry", "statue.pkg",
                       "PKG3" + PackageItem("H", GeometryItem({0})) +
                           PackageItem("offset", F32(1.0f) + F32(2.0f) + F32(3.0f)));
    m_Files.WriteAsset("scene", "statue.join",
                       JoinFile({Vector3(2, 2, 3), Vector3(1, 2, 6), Vector3(4, 2, 4)}));
    BlockLandmark landmark("statue");
    landmark.m_Position = Vector3(5.0f, 0.0f, 5.0f);
    LoadLandmarkModel(landmark);
    ASSERT_NE(nullptr, landmark.m_Models[BlockLandmark::LevelH]);
    for (int level : {BlockLandmark::LevelVL, BlockLandmark::LevelL, BlockLandmark::LevelM}) {
        EXPECT_EQ(nullptr, landmark.m_Models[level]);
    }
    EXPECT_EQ(nullptr, landmark.m_Masks[BlockLandmark::LevelH]);
    EXPECT_EQ(nullptr, landmark.m_Shaders);
    EXPECT_EQ(6.0f, landmark.m_Position.x);
    EXPECT_EQ(2.0f, landmark.m_Position.y);
    EXPECT_EQ(8.0f, landmark.m_Position.z);
    EXPECT_EQ(3.0f, landmark.m_Offset.z);
    ASSERT_EQ(3u, landmark.m_JoinPoints.size());
    EXPECT_EQ(1.0f, landmark.m_JoinPoints[0].x);
    EXPECT_EQ(0.0f, landmark.m_JoinPoints[0].y);
    EXPECT_EQ(3.0f, landmark.m_JoinPoints[1].z);

    // Loading again moves it by the change of offset only: none.
    LoadLandmarkModel(landmark);
    EXPECT_EQ(6.0f, landmark.m_Position.x);
    EXPECT_EQ(8.0f, landmark.m_Position.z);

    // A fixed landmark stands where its model says, and takes the place of the lot's walls and
    // roof: the raised lot comes down, so that the landmark shows.
    CityBlock block(1);
    block.BuildFromOutline(Lot.data(), 4);
    BlockLot* lot = block.Lot(0);
    lot->m_HeightOffset = 4.0f;
    lot->SetWall(1, 2);
    std::unique_ptr<BlockLandmark> fixed(new BlockLandmark(landmark));
    BlockLandmark* placed = fixed.get();
    lot->AssignFixedLandmark(std::move(fixed));
    EXPECT_EQ(1, placed->m_Fixed);
    EXPECT_EQ(1.0f, placed->m_Position.x);
    EXPECT_EQ(2.0f, placed->m_Position.y);
    EXPECT_EQ(3.0f, placed->m_Position.z);
    EXPECT_EQ(0.0f, placed->m_Offset.x);
    EXPECT_EQ(landmark.m_Models[BlockLandmark::LevelH], placed->m_Models[BlockLandmark::LevelH]);
    EXPECT_EQ(0.0f, lot->m_HeightOffset);
    EXPECT_TRUE(lot->IsLandmark());
    EXPECT_EQ(placed, &lot->Landmark());
    lot->m_HeightOffset = 4.0f;
    EXPECT_EQ(nullptr, lot->Edges());

    // Without a package nothing moves and there is no model.
    m_Files.WriteAsset("scene", "bare.join", JoinFile({Vector3(2, 2, 3)}));
    BlockLandmark bare("bare");
    bare.m_Position = Vector3(5.0f, 0.0f, 5.0f);
    LoadLandmarkModel(bare);
    EXPECT_EQ(nullptr, bare.m_Models[BlockLandmark::LevelH]);
    EXPECT_EQ(5.0f, bare.m_Position.x);
    EXPECT_EQ(2.0f, bare.m_JoinPoints[0].x);

    // The same name under another asset root is another package.
    CreateDirectoryA(m_Files.m_Scratch.Path("other").c_str(), nullptr);
    m_Files.WriteAsset("other\\geometry", "statue.pkg",
                       "PKG3" + PackageItem("offset", F32(7.0f) + F32(0.0f) + F32(0.0f)));
    datAssetManager::SetPath(m_Files.m_Scratch.Path("other").c_str());
    BlockLandmark moved("statue");
    LoadLandmarkModel(moved);
    EXPECT_EQ(7.0f, moved.m_Position.x);
    EXPECT_EQ(nullptr, moved.m_Models[BlockLandmark::LevelH]);
}

}  // namespace
