#include "city/psdl.h"
#include "cityedit/selection.h"
#include "data/asset.h"
#include "data/stream.h"
#include "tests/support/console.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

typedef std::vector<std::vector<int>> Triangles;

// A city of the vertices (i, i / 4, -i) for i below 24, its rooms given by their words; the
// asset root is a scratch folder with "city" in it.
class Vrml : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryA(m_Scratch.Path("city").c_str(), nullptr);
        datAssetManager::SetPath(m_Scratch.Root().c_str());
        lvlPSDL::AllocateVertices(24);
        for (int i = 0; i < 24; ++i) {
            lvlPSDL::sm_Vertices[i] = Vector3(float(i), float(i / 4), float(-i));
        }
    }
    void TearDown() override { datAssetManager::SetPath(""); }

    void Rooms(const std::vector<std::vector<SDLCODE_T>>& rooms) {
        m_City.AllocateRooms(uint32_t(rooms.size() + 1));
        for (size_t r = 0; r < rooms.size(); ++r) {
            m_City.m_Rooms[r + 1].reset(lvlSDL::Create(0, 0));
            m_City.m_Rooms[r + 1]->SetCodes(rooms[r].data(), uint32_t(rooms[r].size()));
        }
    }

    std::string Export(const std::vector<uint8_t>& selection) {
        EXPECT_TRUE(SaveSelectionVrml("out", &m_City, selection.data()));
        return ReadWholeFile(m_Scratch.Path("city\\out.wrl"));
    }

    // The text one command writes.
    std::string Command(uint32_t opcode, const std::vector<SDLCODE_T>& operands) {
        std::string path = m_Scratch.Path("command.txt");
        Stream* stream = StreamCreate(path.c_str());
        EXPECT_NE(stream, nullptr);
        WriteVrmlCommand(stream, opcode, uint32_t(operands.size()), operands.data());
        StreamClose(stream);
        return ReadWholeFile(path);
    }

    ScratchDir m_Scratch;
    ConsoleCapture m_Console;
    lvlPSDL m_City;
};

// The index triples of the coordIndex lines.
Triangles ReadTriangles(const std::string& text) {
    Triangles triangles;
    std::istringstream lines(text);
    std::string line;
    int a, b, c, end;
    while (std::getline(lines, line)) {
        if (sscanf(line.c_str(), " %d, %d, %d, %d,", &a, &b, &c, &end) == 4 && end == -1) {
            triangles.push_back({a, b, c});
        }
    }
    return triangles;
}

// The lines of the point lists: three numbers, no comma between them.
size_t CountPoints(const std::string& text) {
    size_t points = 0;
    std::istringstream lines(text);
    std::string line;
    float x, y, z;
    while (std::getline(lines, line)) {
        points += sscanf(line.c_str(), "%f %f %f", &x, &y, &z) == 3 &&
                  line.find(", ") == std::string::npos;
    }
    return points;
}

TEST_F(Vrml, NothingSelectedWritesTheHeaderOnly) {
    Rooms({{SDL_FAN | SDL_LAST | 2, 0, 1, 2, 3}});
    EXPECT_EQ(Export({1, 0}), "#VRML V2.0 utf8\r\n");
}

TEST_F(Vrml, OneFanRoomAsItsTransform) {
    Rooms({{SDL_FAN | 2, 0, 1, 2, 3}, {SDL_FAN | SDL_LAST | 2, 4, 5, 6, 7}});
    EXPECT_EQ(Export({0, 0, 1}),
              "#VRML V2.0 utf8\r\n"
              "DEF Room02 Transform {\r\n"
              "\ttranslation 0 0 0\r\n"
              "\tchildren [\r\n"
              "\t\tShape { geometry IndexedFaceSet {\r\n"
              "\t\t\tccw TRUE\r\n"
              "\t\t\tsolid TRUE\r\n"
              "\t\t\tcoord Coordinate { point [\r\n"
              "\t\t\t\t4.000000 1.000000 -4.000000,\r\n"
              "\t\t\t\t5.000000 1.000000 -5.000000,\r\n"
              "\t\t\t\t6.000000 1.000000 -6.000000,\r\n"
              "\t\t\t\t7.000000 1.000000 -7.000000\r\n"
              "\t\t\t\t]}\r\n"
              "\t\t\tcoordIndex [\r\n"
              "\t\t\t\t0, 1, 2, -1,\r\n"
              "\t\t\t\t0, 2, 3, -1,\r\n"
              "\t\t\t]\r\n"
              "\t\t}}\r\n"
              "\t]\r\n"
              "}\r\n");
}

// Every command up to the room's last mark is a Shape, a texture command one without points;
// the selection's rooms come in room order.
TEST_F(Vrml, ShapesFollowTheRoomsCommands) {
    Rooms({{SDL_TEXTURE, 1, SDL_ROAD | 2, 0, 1, 2, 3, 4, 5, 6, 7, SDL_SIDEWALK | SDL_LAST | 2, 8,
            9, 10, 11, SDL_FAN | 1, 0, 1, 2},
           {SDL_FAN | SDL_LAST | 1, 12, 13, 14}});
    std::string text = Export({0, 1, 1});
    auto count = [&](const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
            ++n;
        }
        return n;
    };
    EXPECT_EQ(count("Transform {"), 2u);
    EXPECT_LT(text.find("DEF Room01"), text.find("DEF Room02"));
    EXPECT_EQ(count("Shape {"), 4u);
    EXPECT_EQ(count(" point [\r\n\t\t\t\t]}"), 1u) << "the texture command has no points";
    EXPECT_EQ(CountPoints(text), 8u + 4u + 3u) << "the fan after the mark is not the room's";
    EXPECT_EQ(ReadTriangles(text).size(), 6u + 2u + 1u);
    EXPECT_EQ(count("\n"), count("\r\n"));
}

TEST_F(Vrml, TrianglesByCommandKind) {
    struct Case {
        const char* m_Name;
        uint32_t m_Opcode;
        uint32_t m_Points;
        Triangles m_Triangles;
    };
    const Case cases[] = {
        {"road of two rows", SDL_ROAD, 8,
         {{0, 1, 5}, {0, 5, 4}, {1, 2, 6}, {1, 6, 5}, {2, 3, 7}, {2, 7, 6}}},
        {"road of one row", SDL_ROAD, 4, {}},
        {"road of three rows, column by column", SDL_ROAD, 12,
         {{0, 1, 5}, {0, 5, 4}, {4, 5, 9}, {4, 9, 8}, {1, 2, 6}, {1, 6, 5}, {5, 6, 10}, {5, 10, 9},
          {2, 3, 7}, {2, 7, 6}, {6, 7, 11}, {6, 11, 10}}},
        {"sidewalk of three rows", SDL_SIDEWALK, 6, {{0, 1, 2}, {0, 3, 2}, {2, 3, 4}, {2, 5, 4}}},
        {"alley of two rows", SDL_ALLEY, 4, {{0, 1, 2}, {0, 3, 2}}},
        {"sidewalk of an odd count", SDL_SIDEWALK, 5, {{0, 1, 2}, {0, 3, 2}, {2, 3, 4}}},
        {"fan", SDL_FAN, 5, {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}}},
        {"fan of two points", SDL_FAN, 2, {}},
        {"divided road of two rows", SDL_DIVROAD, 12,
         {{0, 1, 7}, {0, 7, 6}, {1, 2, 8}, {1, 8, 7}, {2, 3, 9}, {2, 9, 8}, {3, 4, 10}, {3, 10, 9},
          {4, 5, 11}, {4, 11, 10}}},
        {"wall", SDL_WALL, 4, {}},
        {"flat fan", SDL_FLATFAN, 4, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_Name);
        std::vector<SDLCODE_T> operands;
        for (uint32_t i = 0; i < c.m_Points; ++i) {
            operands.push_back(SDLCODE_T(i));
        }
        std::string text = Command(c.m_Opcode, operands);
        EXPECT_EQ(ReadTriangles(text), c.m_Triangles);
        EXPECT_EQ(CountPoints(text), c.m_Points);
    }
}

// Operands of commands that carry no points need not name vertices of the city.
TEST_F(Vrml, AnOperandPastTheVertexTableIsTheOrigin) {
    std::string text = Command(SDL_EXT, {3, 24, 60000});
    EXPECT_NE(text.find("\t\t\t\t3.000000 0.000000 -3.000000,\r\n"
                        "\t\t\t\t0.000000 0.000000 0.000000,\r\n"
                        "\t\t\t\t0.000000 0.000000 0.000000\r\n"),
              std::string::npos)
        << text;
}

// The old file stays when the new one cannot be written whole.
TEST_F(Vrml, AFileThatDoesNotOpenIsRefused) {
    Rooms({{SDL_FAN | SDL_LAST | 2, 0, 1, 2, 3}});
    datAssetManager::SetPath(m_Scratch.Path("missing\\").c_str());
    std::vector<uint8_t> selection = {0, 1};
    EXPECT_FALSE(SaveSelectionVrml("out", &m_City, selection.data()));
}

}  // namespace
