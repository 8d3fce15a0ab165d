#include "cityedit/block.h"
#include "cityedit/catalog.h"
#include "cityedit/landmark.h"

#include "city/ai.h"
#include "city/psdl.h"
#include "data/bytes.h"
#include "data/stream.h"
#include "data/token.h"
#include "tests/engine/model/modelfixture.h"
#include "tests/game/cityedit/blockcompare.h"
#include "tests/game/cityedit/catalogfixture.h"
#include "tests/support/child.h"
#include "tests/support/console.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char* const Floors = "g,grass,1\r\ng,tar,1\r\n";
const char* const Walls = "b,brick_a,3\r\nb,brick_b,2\r\ns,sliver,1\r\ns,trim,1\r\n";

// The square cut along 0-2: a raised lot (0, 1, 2) with walls, and a flat lot (2, 3, 0).
const char* const Golden =
    "block {\n"
    "\tid: 7\n"
    "\tperimeter: 4\n"
    "\tverts: 4\n"
    "\tsolid: 1\n"
    "\tv 0.0000 0.0000 0.0000\n"
    "\tv 10.0000 0.0000 0.0000\n"
    "\tv 10.0000 1.5000 10.0000\n"
    "\tv 0.0000 0.0000 10.0000\n"
    "\tlots: 2\n"
    "\tlot {\n"
    "\t\tfloor \"tar\"\n"
    "\t\textra \"none\"\n"
    "\t\trotation -3\n"
    "\t\tscale 16\n"
    "\t\theight 12.5000\n"
    "\t\twalltile 0.0000\n"
    "\t\tground 0.2500\n"
    "\t\tpitch 0.0000\n"
    "\t\tverts: 3\n"
    "\t\tperimeter 0 1 2 \n"
    "\t\tadjacent -1 -1 1 \n"
    "\t\twalls \"brick_a\" \"brick_b\" \"brick_a\" \n"
    "\t\twallSlivers \"sliver\" \"sliver\" \"none\" \n"
    "\t\twallSliverVariants 0 0 0 \n"
    "\t\twallBreak1 1.25 1.25 1.25 \n"
    "\t\twallBreak2 0.00 0.00 0.00 \n"
    "\t}\n"
    "\tlot {\n"
    "\t\tfloor \"grass\"\n"
    "\t\textra \"trim\"\n"
    "\t\trotation 0\n"
    "\t\tscale 16\n"
    "\t\theight 0.0000\n"
    "\t\twalltile 0.0000\n"
    "\t\tground 0.0000\n"
    "\t\tpitch 0.0000\n"
    "\t\tgroup 2\n"
    "\t\tverts: 3\n"
    "\t\tperimeter 2 3 0 \n"
    "\t\tadjacent -1 -1 0 \n"
    "\t}\n"
    "}\n";

class BlockFile : public ::testing::Test {
protected:
    void SetUp() override {
        m_Files.Write("floors", Floors);
        m_Files.Write("walls", Walls);
        FloorsCatalog.Load("floors");
        WallsCatalog.Load("walls");
    }

    std::string WriteText(const CityBlock& block) {
        std::string path = m_Files.m_Scratch.Path("out.block");
        Stream* stream = StreamCreate(path.c_str());
        block.Write(stream);
        StreamClose(stream);
        return ReadWholeFile(path);
    }

    // Reads one record from the text; false when it is not a block.
    bool ReadText(CityBlock& block, const std::string& text) {
        std::string path = m_Files.m_Scratch.Path("in.block");
        WriteWholeFile(path, text);
        Stream* stream = StreamOpen(path.c_str());
        TokenReader tokens("in.block", stream);
        bool read = block.Read(tokens);
        StreamClose(stream);
        return read;
    }

    CatalogFiles m_Files;
    BoxRecorder m_Boxes;
    ConsoleCapture m_Console;
};

CityBlock GoldenBlock() {
    const Vector3 square[] = {Vector3(0.0f, 0.0f, 0.0f), Vector3(10.0f, 0.0f, 0.0f),
                              Vector3(10.0f, 1.5f, 10.0f), Vector3(0.0f, 0.0f, 10.0f)};
    CityBlock block(7);
    block.BuildFromOutline(square, 4);
    block.m_Solid = 1;
    block.AddLots(1);
    BlockLot* raised = block.Lot(0);
    SetEntries(raised, {0, 1, 2}, {-1, -1, 1});
    raised->m_Floor = 2;
    raised->m_Rotation = -3;
    raised->m_HeightOffset = 12.5f;
    raised->m_Ground = 0.25f;
    raised->MakeEdges();
    const int walls[] = {1, 2, 1};
    const int slivers[] = {3, 3, 0};
    for (int i = 0; i < 3; ++i) {
        raised->Edges()[i].m_Wall = walls[i];
        raised->Edges()[i].m_Sliver = slivers[i];
        raised->Edges()[i].m_WallBreak1 = 1.25f;
    }
    BlockLot* flat = block.Lot(1);
    SetEntries(flat, {2, 3, 0}, {-1, -1, 0});
    flat->m_Floor = 1;
    flat->m_Extra = 4;
    flat->m_Group = 2;
    return block;
}

TEST_F(BlockFile, GoldenTextReadsBackToTheSameBlock) {
    CityBlock block = GoldenBlock();
    ASSERT_EQ(Golden, WriteText(block));

    CityBlock read(0);
    ASSERT_TRUE(ReadText(read, Golden));
    EXPECT_EQ(Golden, WriteText(read));
    EXPECT_EQ(7, read.m_Id);
    EXPECT_EQ(1, read.m_Solid);
    EXPECT_EQ(4, read.PerimeterCount());
    ASSERT_EQ(2, read.LotCount());
    for (int v = 0; v < 4; ++v) {
        EXPECT_EQ(block.Vertex(v)->m_Position.y, read.Vertex(v)->m_Position.y);
    }
    BlockLot* raised = read.Lot(0);
    EXPECT_EQ(2, raised->m_Floor);
    EXPECT_EQ(-3, raised->m_Rotation);
    EXPECT_EQ(12.5f, raised->m_HeightOffset);
    EXPECT_EQ(0.25f, raised->m_Ground);
    ASSERT_NE(nullptr, raised->Edges());
    EXPECT_EQ(2, raised->Edges()[1].m_Wall);
    EXPECT_EQ(0, raised->Edges()[1].m_WallVariant);
    EXPECT_EQ(3, raised->Edges()[0].m_Sliver);
    EXPECT_EQ(0, raised->Edges()[2].m_Sliver);
    EXPECT_EQ(1.25f, raised->Edges()[2].m_WallBreak1);
    EXPECT_EQ(1, raised->Adjacent(2));
    BlockLot* flat = read.Lot(1);
    EXPECT_EQ(2, flat->m_Group);
    EXPECT_EQ(4, flat->m_Extra);
    EXPECT_EQ(nullptr, flat->Edges());
    EXPECT_FALSE(flat->IsLandmark());
    EXPECT_TRUE(m_Boxes.Boxes().empty());
}

TEST_F(BlockFile, WallVariantsAreWrittenOnlyWhenOneIsSet) {
    CityBlock block = GoldenBlock();
    block.Lot(0)->Edges()[2].m_WallVariant = 0x121;
    std::string text = WriteText(block);
    EXPECT_NE(std::string::npos, text.find("\n\t\twallVariants 0 0 289 \n\t\twallSlivers "));
    CityBlock read(0);
    ASSERT_TRUE(ReadText(read, text));
    EXPECT_EQ(0x121, read.Lot(0)->Edges()[2].m_WallVariant);
    EXPECT_EQ(text, WriteText(read));
}

// The golden text with the lines of the raised lot from "verts:" on replaced.
std::string WithRaisedLot(const std::string& lines) {
    std::string text = Golden;
    size_t from = text.find("\t\tverts: 3");
    size_t to = text.find("\t}\n", from);
    return text.substr(0, from) + lines + text.substr(to);
}

TEST_F(BlockFile, LotKeywordsInAnyOrderWithSliverDefaults) {
    CityBlock block(0);
    ASSERT_TRUE(ReadText(block, WithRaisedLot(
        "unknown 5 \"x\" ; a comment\n"
        "sliver \"trim\" sliverVariant 2\n"
        "verts: 3 adjacent -1 -1 1 perimeter 0 1 2\n"
        "walls brick_b brick_b brick_b\n"
        "wallSlivers sliver none sliver\n"
        "walls brick_a brick_a brick_a\n")));
    const BlockLotEdge* edges = block.Lot(0)->Edges();
    ASSERT_NE(nullptr, edges);
    // The second "walls" list starts the edges afresh from the defaults.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(1, edges[i].m_Wall);
        EXPECT_EQ(4, edges[i].m_Sliver);
        EXPECT_EQ(2, edges[i].m_SliverVariant);
    }
    ASSERT_TRUE(ReadText(block, WithRaisedLot(
        "sliver \"trim\" verts: 3 perimeter 0 1 2 adjacent -1 -1 1\n"
        "walls brick_b brick_b brick_b wallSlivers sliver none sliver\n")));
    edges = block.Lot(0)->Edges();
    EXPECT_EQ(3, edges[0].m_Sliver);
    EXPECT_EQ(0, edges[1].m_Sliver);
    EXPECT_EQ(0, edges[1].m_SliverVariant);
}

TEST_F(BlockFile, UnknownNamesReadAsNoneAfterTheBox) {
    std::string text = Golden;
    text.replace(text.find("\"brick_b\""), 9, "\"glass\"");
    CityBlock block(0);
    ASSERT_TRUE(ReadText(block, text));
    EXPECT_EQ(0, block.Lot(0)->Edges()[1].m_Wall);
    EXPECT_EQ(std::vector<std::string>{"glass|Element by this name not found."},
              m_Boxes.Boxes());
    EXPECT_NE(std::string::npos, WriteText(block).find("walls \"brick_a\" \"none\" \"brick_a\""));
}

TEST_F(BlockFile, HeaderFieldsAndTheEndOfTheRecords) {
    CityBlock block(42);
    block.m_Solid = 1;
    EXPECT_FALSE(ReadText(block, "end\n"));
    EXPECT_FALSE(ReadText(block, ""));
    EXPECT_EQ(0, block.VertexCount());
    // No id keeps the block's; a solid flag is taken as read.
    ASSERT_TRUE(ReadText(block, "block { perimeter: 3 verts: 3 solid: 5 v 0 0 0 v 1 0 0 v 0 0 1 "
                                "lots: 1 lot { verts: 3 perimeter 0 1 2 adjacent -1 -1 -1 } }"));
    EXPECT_EQ(42, block.m_Id);
    EXPECT_EQ(1, block.m_Solid);
    ASSERT_TRUE(ReadText(block, "block { id: 3 perimeter: 3 verts: 3 v 0 0 0 v 1 0 0 v 0 0 1 "
                                "lots: 1 lot { verts: 3 perimeter 0 1 2 adjacent -1 -1 -1 } }"));
    EXPECT_EQ(1, block.m_Solid);
    EXPECT_EQ(3, block.m_Id);
    EXPECT_EQ(16, block.Lot(0)->m_Scale);
    EXPECT_EQ(0, block.Lot(0)->m_Group);
}

TEST_F(BlockFile, WallsOfALotThatReadsBackFlatAreDropped) {
    // A height too small for four decimals writes as zero; its walls must not stay behind as a
    // detail the flat lot could take for a landmark.
    CityBlock block = GoldenBlock();
    block.Lot(0)->m_HeightOffset = -0.00001f;
    std::string text = WriteText(block);
    ASSERT_NE(std::string::npos, text.find("height -0.0000\n"));
    CityBlock read(0);
    ASSERT_TRUE(ReadText(read, text));
    EXPECT_NE(std::string::npos, m_Console.Take().find("Block 7: walls of a flat lot dropped."));
    EXPECT_EQ(nullptr, read.Lot(0)->Edges());
    EXPECT_FALSE(read.Lot(0)->IsLandmark());
    std::string again = WriteText(read);
    EXPECT_EQ(std::string::npos, again.find("walls"));
    CityBlock third(0);
    ASSERT_TRUE(ReadText(third, again));
    EXPECT_EQ(again, WriteText(third));
}

TEST_F(BlockFile, LandmarkNameAndOffsetBits) {
    BlockLandmark landmark("models\\statue");
    landmark.m_Rotation = -5;
    landmark.m_Scale = 100;
    landmark.m_Position = Vector3(1.5f, 0.0f, -2.25f);
    landmark.m_Offset = Vector3(1.0f, 0.0f, -2.0f);
    landmark.m_Fixed = 1;
    std::string path = m_Files.m_Scratch.Path("landmark.txt");
    Stream* stream = StreamCreate(path.c_str());
    WriteLandmark(landmark, stream);
    StreamClose(stream);
    EXPECT_EQ("\n\t\tlandmark \"statue\" {\n\t\t\trotation -5\n\t\t\tscale 100\n"
              "\t\t\tposition 1.500 0.000 -2.250\n\t\t\toffset 1065353216 0 -1073741824\n"
              "\t\t\tfixed 1\n\t\t}\n",
              ReadWholeFile(path));
}

TEST_F(BlockFile, LandmarkLotReadsBackByteForByte) {
    // The model's offset chunk and join line, so that loading keeps the stored offset.
    m_Files.WriteAsset("geometry", "statue.pkg",
                       "PKG3" + PackageItem("offset", F32(1.0f) + F32(0.0f) + F32(-2.0f)));
    std::string join = U32(3);
    const float points[][2] = {{1.0f, 3.0f}, {3.0f, 3.5f}, {4.0f, 5.0f}};
    for (const auto& p : points) {
        join += F32(p[0]) + F32(0.0f) + F32(p[1]);
    }
    m_Files.WriteAsset("scene", "statue.join", join);
    std::string text = WithRaisedLot("verts: 3 perimeter 0 1 2 adjacent -1 -1 1\n"
                                     "height 0\n"
                                     "landmark \"geometry/statue\" {\n"
                                     "rotation 2 scale 128 position 1.5 0 2.25\n"
                                     "offset 1065353216 0 -1073741824 fixed 0 }\n");
    CityBlock block(0);
    ASSERT_TRUE(ReadText(block, text));
    BlockLot* lot = block.Lot(0);
    ASSERT_TRUE(lot->IsLandmark());
    const BlockLandmark& landmark = lot->Landmark();
    EXPECT_EQ("statue", landmark.m_Name);
    EXPECT_EQ(1065353216u, BitsFromFloat(landmark.m_Offset.x));
    EXPECT_EQ(0xC0000000u, BitsFromFloat(landmark.m_Offset.z));
    EXPECT_EQ(2.25f, landmark.m_Position.z);
    std::string written = WriteText(block);
    EXPECT_NE(std::string::npos, written.find("\t\t\toffset 1065353216 0 -1073741824\n"));
    EXPECT_EQ(std::string::npos, written.find("walls"));
    CityBlock again(0);
    ASSERT_TRUE(ReadText(again, written));
    EXPECT_EQ(written, WriteText(again));
}

// Records the reader must refuse, each in a child: the tokenizer's own refusals and the
// structure it cannot see.
struct Refusal {
    const char* m_Child;
    const char* m_Text;
    const char* m_Report;
};

const Refusal Refusals[] = {
    {"MissingBrace", "block perimeter: 3", "in.block(1): Expected '{', got 'perimeter:'."},
    {"NotANumber", "block { perimeter: x", "in.block(1): Expected integer."},
    {"PerimeterBeforeVerts",
     "block { perimeter: 3 verts: 3 v 0 0 0 v 1 0 0 v 0 0 1 lots: 1 lot { perimeter 0 1 2",
     "in.block(1): Malformed block data: a corner list comes before \"verts:\"."},
    {"ListBeforeWalls",
     "block { perimeter: 3 verts: 3 v 0 0 0 v 1 0 0 v 0 0 1 lots: 1 lot { verts: 3 "
     "wallBreak1 1 1 1",
     "in.block(1): Malformed block data: an edge list comes before its \"walls\"."},
    {"TooManyCorners",
     "block { perimeter: 3 verts: 3 v 0 0 0 v 1 0 0 v 0 0 1 lots: 1 lot { verts: 2000000000",
     "in.block(1): Malformed block data: a lot has more corners than its block has vertices."},
    {"CornerOutOfRange",
     "block { perimeter: 3 verts: 3 v 0 0 0 v 1 0 0 v 0 0 1 lots: 1 lot { verts: 3 "
     "perimeter 0 1 3 adjacent -1 -1 -1 } }",
     "in.block(1): Malformed block data: a lot corner is not a vertex of the block."},
    {"NeighbourOutOfRange",
     "block { perimeter: 3 verts: 3 v 0 0 0 v 1 0 0 v 0 0 1 lots: 1 lot { verts: 3 "
     "perimeter 0 1 2 adjacent -1 1 -1 } }",
     "in.block(1): Malformed block data: a lot borders a lot the block does not have."},
    {"PerimeterBeyondVerts", "block { perimeter: 4 verts: 3 v 0 0 0 v 1 0 0 v 0 0 1 lots: 0 }",
     "in.block(1): Malformed block data: the block's perimeter is not among its vertices."},
    {"TwoCorners",
     "block { perimeter: 3 verts: 3 v 0 0 0 v 1 0 0 v 0 0 1 lots: 1 lot { verts: 2 "
     "perimeter 0 1 adjacent -1 -1 } }",
     "in.block(1): Malformed block data: a lot has fewer than three corners."},
    {"MissingAdjacent",
     "block { perimeter: 3 verts: 3 v 0 0 0 v 1 0 0 v 0 0 1 lots: 1 lot { verts: 3 "
     "perimeter 0 1 2 } }",
     "in.block(1): Malformed block data: a lot lacks its \"perimeter\" or \"adjacent\" list."},
    {"LandmarkOnRaisedLot",
     "block { perimeter: 3 verts: 3 v 0 0 0 v 1 0 0 v 0 0 1 lots: 1 lot { height 2 verts: 3 "
     "perimeter 0 1 2 adjacent -1 -1 -1 landmark x { } } }",
     "Assert(m_HeightOffset == 0) failed in [cityedit/blockfile"},
    {"InfiniteVertex", "block { perimeter: 3 verts: 3 v 0 1e39 0",
     "in.block(1): Malformed block data: a value is not a number within +-100000."},
    {"NanOffset",
     "block { perimeter: 3 verts: 3 v 0 0 0 v 1 0 0 v 0 0 1 lots: 1 lot { verts: 3 "
     "perimeter 0 1 2 adjacent -1 -1 -1 landmark x { offset 0 2147483647 0 } } }",
     "in.block(1): Malformed block data: a value is not a number within +-100000."},
    // Finite but past what the geometry made from them can compute with.
    {"HugeVertex", "block { perimeter: 0 verts: 3 v 0 0 0 v 1e30 0 0 v 0 0 1e30 lots: 0 }",
     "in.block(1): Malformed block data: a value is not a number within +-100000."},
    {"VertexJustPastTheRange", "block { perimeter: 0 verts: 1 v 0 0 -100001 lots: 0 }",
     "in.block(1): Malformed block data: a value is not a number within +-100000."},
    {"HugeHeight",
     "block { perimeter: 3 verts: 3 v 0 0 0 v 1 0 0 v 0 0 1 lots: 1 lot { height 4e5",
     "in.block(1): Malformed block data: a value is not a number within +-100000."},
    {"HugeLandmarkPosition",
     "block { perimeter: 3 verts: 3 v 0 0 0 v 1 0 0 v 0 0 1 lots: 1 lot { verts: 3 "
     "perimeter 0 1 2 adjacent -1 -1 -1 landmark x { position 0 0 1e30 } } }",
     "in.block(1): Malformed block data: a value is not a number within +-100000."},
    {"QuoteInLandmarkName",
     "block { perimeter: 3 verts: 3 v 0 0 0 v 1 0 0 v 0 0 1 lots: 1 lot { verts: 3 "
     "perimeter 0 1 2 adjacent -1 -1 -1 landmark house\" { fixed 1 } } }",
     "in.block(1): Malformed block data: a landmark name holds a double quote."},
    {"HeightAfterLandmark",
     "block { perimeter: 3 verts: 3 v 0 0 0 v 1 0 0 v 0 0 1 lots: 1 lot { verts: 3 "
     "perimeter 0 1 2 adjacent -1 -1 -1 landmark x { fixed 1 } height 2 } }",
     "in.block(1): Malformed block data: a raised lot carries a landmark."},
};

int ReadRefusal() {
    const Refusal& refusal = Refusals[ChildCase()];
    CatalogFiles files;
    BoxRecorder boxes;
    WriteWholeFile(files.m_Scratch.Path("in.block"), refusal.m_Text);
    Stream* stream = StreamOpen(files.m_Scratch.Path("in.block").c_str());
    TokenReader tokens("in.block", stream);
    CityBlock block(0);
    block.Read(tokens);
    return 0;
}

TEST_CHILD(BlockRefusal) { return ReadRefusal(); }

TEST(BlockFileRefusals, MalformedRecordsAreFatal) {
    std::vector<FatalCase> cases;
    std::vector<std::string> args;
    for (size_t i = 0; i < sizeof(Refusals) / sizeof(Refusals[0]); ++i) {
        args.push_back("case=" + std::to_string(i));
    }
    for (size_t i = 0; i < args.size(); ++i) {
        cases.push_back({"BlockRefusal", Refusals[i].m_Report, args[i].c_str()});
    }
    ExpectFatalChildren(cases);
}

TEST(DemoBlocks, ReadBackByteForByteAndLieOnTheirRooms) {
    ConsoleCapture console;
    BoxRecorder boxes;
    datAssetManager::SetPath(SourcePath("assets").c_str());
    LoadCatalogs();
    lvlPSDL city;
    ASSERT_TRUE(city.LoadSDL("demo"));
    console.Take();
    std::string file = ReadWholeFile(SourcePath("assets/city/demo.block"));
    Stream* stream = datAssetManager::Open("city", "demo", "block");
    ASSERT_NE(nullptr, stream);
    TokenReader tokens("demo.block", stream);
    ScratchDir scratch;
    Stream* out = StreamCreate(scratch.Path("demo.block").c_str());
    std::vector<CityBlock> blocks;
    CityBlock block(0);
    while (block.Read(tokens)) {
        block.Write(out);
        block.CheckConnectivity();
        blocks.push_back(block);
    }
    StreamClose(stream);
    StreamPrintf(out, "end\n");
    StreamClose(out);
    EXPECT_EQ(file, ReadWholeFile(scratch.Path("demo.block")));
    // Every block of the district, with raised lots, flat ones and the two kinds of landmark;
    // the landmarks that stand on their lots are sewn to them.
    ASSERT_EQ(10u, blocks.size());
    int raised = 0, flat = 0, sewn = 0, fixed = 0;
    for (CityBlock& b : blocks) {
        for (int i = 0; i < b.LotCount(); ++i) {
            BlockLot& lot = *b.Lot(i);
            raised += lot.m_HeightOffset != 0.0f && lot.Edges();
            flat += lot.m_HeightOffset == 0.0f && !lot.IsLandmark();
            if (lot.IsLandmark()) {
                const BlockLandmark& landmark = lot.Landmark();
                fixed += landmark.m_Fixed;
                sewn += !landmark.m_Fixed && !landmark.m_FanIndices.empty();
            }
        }
    }
    EXPECT_GT(raised, 20);
    EXPECT_GT(flat, 10);
    EXPECT_EQ(2, sewn);
    EXPECT_EQ(1, fixed);
    // Each block's perimeter is its room's, vertex for vertex.
    for (const CityBlock& b : blocks) {
        int room = city.FindRoomById(uint32_t(b.m_Id));
        ASSERT_GT(room, 0) << b.m_Id;
        const lvlSDL& sdl = *city.m_Rooms[room];
        ASSERT_EQ(uint32_t(b.PerimeterCount()), sdl.GetPerimeterCount());
        for (int i = 0; i < b.PerimeterCount(); ++i) {
            Vector3 d = b.Vertex(i)->m_Position - lvlPSDL::sm_Vertices[sdl.GetPerimeterVertex(i)];
            EXPECT_LT(d.Dot(d), 0.01f) << b.m_Id << " vertex " << i;
        }
    }
    // Without a pipeline the landmarks' textures stay unloaded; nothing else is said.
    std::string printed = console.Take();
    EXPECT_EQ(std::string::npos, printed.find("Error")) << printed;
    EXPECT_EQ(std::string::npos, printed.find("join line")) << printed;
    EXPECT_TRUE(BoxRecorder::Boxes().empty());
    lvlAiMap::Free();
    FloorsCatalog.Clear();
    WallsCatalog.Clear();
    FacadesCatalog.Clear();
    PropsCatalog.Clear();
    datAssetManager::SetPath("");
}

}  // namespace
