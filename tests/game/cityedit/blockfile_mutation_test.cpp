// Damaged ".block" files: each reads into sound blocks that write and read back to a fixed
// point, with the reader's own messages and boxes, or is refused by its fatal texts.
#include "cityedit/block.h"
#include "cityedit/catalog.h"

#include "data/stream.h"
#include "data/token.h"
#include "tests/game/cityedit/catalogfixture.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/mutation.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include "vector/filevalue.h"

#include <random>
#include <string>
#include <vector>

namespace {

const int Mutants = 1200;

// Every corner a vertex of the block, every neighbour a lot of it, three corners at least.
bool SoundBlock(const CityBlock& block, std::string& why) {
    if (block.PerimeterCount() < 0 || block.PerimeterCount() > block.VertexCount()) {
        why = "perimeter beyond the vertices";
        return false;
    }
    for (int v = 0; v < block.VertexCount(); ++v) {
        if (!IsCoordinate(block.Vertex(v)->m_Position)) {
            why = "a vertex the geometry cannot compute with";
            return false;
        }
    }
    for (int l = 0; l < block.LotCount(); ++l) {
        BlockLot* lot = block.Lot(l);
        if (lot->VertexCount() < 3) {
            why = "lot of fewer than three corners";
            return false;
        }
        for (int i = 0; i < lot->VertexCount(); ++i) {
            if (lot->VertexIndex(i) < 0 || lot->VertexIndex(i) >= block.VertexCount() ||
                lot->Adjacent(i) < -1 || lot->Adjacent(i) >= block.LotCount()) {
                why = "lot entry out of range";
                return false;
            }
        }
        if (lot->IsLandmark() ? lot->m_HeightOffset != 0.0f
                              : lot->m_HeightOffset == 0.0f && lot->Edges()) {
            why = "detail that does not fit the height";
            return false;
        }
    }
    return true;
}

// Reads every block of the file at path and writes them to the text it returns. Refusals name
// the file as label: only the damaged file itself may be refused.
std::string ReadAndWrite(const char* label, const std::string& path, const std::string& outPath,
                         bool& sound, std::string& why) {
    Stream* stream = StreamOpen(path.c_str());
    TokenReader tokens(label, stream);
    Stream* out = StreamCreate(outPath.c_str());
    CityBlock block(0);
    while (block.Read(tokens)) {
        sound = sound && SoundBlock(block, why);
        block.Write(out);
    }
    StreamPrintf(out, "end\n");
    StreamClose(out);
    StreamClose(stream);
    return ReadWholeFile(outPath);
}

// Where the numbers of a text start: a digit or a minus after white space.
std::vector<size_t> NumberStarts(const std::string& text) {
    std::vector<size_t> starts;
    for (size_t i = 1; i < text.size(); ++i) {
        if ((isdigit((unsigned char)text[i]) || text[i] == '-') &&
            isspace((unsigned char)text[i - 1])) {
            starts.push_back(i);
        }
    }
    return starts;
}

// A seed with one to three of its numbers replaced by values that break counts and indices:
// the reader's checks are reached far more often than by damaged bytes.
std::string NumberMutant(const std::vector<std::string>& seeds, int index) {
    static const char* const values[] = {"-2", "-1", "0", "1", "2", "3", "4", "7", "49", "50",
                                         "1000000", "2147483647", "-2147483648", "1e38",
                                         "-0.00001", "0.00004", "1e30", "-100001", "100000",
                                         "nan", "inf"};
    std::mt19937 random(0xB10C0000u + uint32_t(index));
    std::string text = seeds[random() % seeds.size()];
    for (int round = 1 + int(random() % 3); round > 0; --round) {
        std::vector<size_t> numbers = NumberStarts(text);
        if (numbers.empty()) {
            break;
        }
        size_t at = numbers[random() % numbers.size()];
        size_t end = text.find_first_of(" \t\r\n", at);
        text.replace(at, end - at, values[random() % (sizeof(values) / sizeof(values[0]))]);
    }
    return text;
}

bool CheckBlocks(int index, std::string& why) {
    static const std::vector<std::string> seeds = {
        ReadWholeFile(SourcePath("tests/data/oddcity/city/demo.block")),
        ReadWholeFile(TestDataPath("block_worst.block"))};
    static std::unique_ptr<CatalogFiles> files;
    if (!files) {
        files.reset(new CatalogFiles);
        BoxRecorder boxes;
        for (const char* name : {"floors", "walls", "facades", "props"}) {
            WriteWholeFile(files->m_Scratch.Path(std::string("city\\") + name + ".csv"),
                           ReadWholeFile(SourcePath(std::string("assets/city/") + name + ".csv")));
        }
        LoadCatalogs();
    }
    BoxRecorder boxes;
    ConsoleCapture console;
    ElementCatalog::sm_MissCount = 0;
    const std::string first = files->m_Scratch.Path("m.block");
    const std::string second = files->m_Scratch.Path("m2.block");
    const std::string third = files->m_Scratch.Path("m3.block");
    WriteWholeFile(first, index % 2 ? NumberMutant(seeds, index) : Mutant(seeds, index));
    bool sound = true;
    ReadAndWrite("m.block", first, second, sound, why);
    // Values the writer rounds settle after one more pass; from then on the text is a fixed
    // point.
    std::string again = ReadAndWrite("written.block", second, third, sound, why);
    std::string fixed = ReadAndWrite("written.block", third, second, sound, why);
    if (sound && again != fixed) {
        why = "no fixed point";
        sound = false;
    }
    for (const std::string& box : BoxRecorder::Boxes()) {
        if (box.find("|Element by this name not found.") == std::string::npos) {
            why = "unexpected box " + box;
            sound = false;
        }
    }
    return OnlyAllowedMessages(console.Take(),
                               {"walls of a flat lot dropped.", "Join file not found for ",
                                "Cannot open file '",
                                "The join line for '", "Too many verts in resulting fans"},
                               why) &&
           sound;
}

}  // namespace

TEST_CHILD(MutateBlocks) { return RunMutantsInChild(Mutants, CheckBlocks); }

TEST(BlockFileMutation, DamagedBlockFilesReadSoundOrAreRefused) {
    RunMutation("MutateBlocks", Mutants,
                {"m.block(", "Assert(m_HeightOffset == 0) failed in [cityedit/blockfile"}, 4);
}
