// The compile road on synthetic grid cities: for each room count N it writes a ".sdl" of N
// rooms, then times LoadSDL (21 runs, in turns with the bare pass), a make over every room,
// WritePSDL and Load (five runs of each), each on a fresh city. For each step it prints the
// median seconds, the MB/s of the bytes the step reads or writes, the ratio of its time to
// reading as many bytes raw through the stream layer, and the microseconds per room. The
// "bare" line is the least a reader of the description can do (see BarePass); the line after
// LoadSDL gives LoadSDL's speed as a fraction of it. Two more lines give the floors under
// WritePSDL (see RawWrite). A last line times the float table of a make whose heights all
// differ.
//
//   compileroad_bench [N ...]        default: 1000 10000; N up to about 38,000, the most
//                                    rooms whose vertices fit a city's 65535
//
// The files go to "city" below the working directory.

#include "bench/gridcity.h"
#include "city/psdl.h"
#include "cityedit/psdltool.h"
#include "data/asset.h"
#include "data/printer.h"
#include "data/stream.h"
#include "vector/matrix34.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

const int Runs = 5;
// The reader and the bare pass are timed in turns, many times: each lasts milliseconds, and
// their ratio is the figure that counts.
const int ReaderRuns = 21;
const char* const BlockTextures[] = {"brick_a", "brick_b", "stone", "glass"};
const float Heights[] = {6.0f, 9.0f, 12.0f, 15.0f, 18.0f, 24.0f};

// The make: every block room becomes a raised block with walls and a lamp, every street room a
// fan.
const GridCity* sm_Grid;

void CompileGrid(lvlPSDL* city) {
    for (int room = 1; room <= sm_Grid->m_Rooms; ++room) {
        int i = (room - 1) % sm_Grid->m_Width;
        const lvlSDL* sdl = city->m_Rooms[room].get();
        Vector3 corner[4];
        for (int k = 0; k < 4; ++k) {
            corner[k] = *sdl->GetVertex(sdl->GetPerimeterVertex(k));
        }
        city->BeginCompileRoom(room);
        if (GridCity::IsStreet(i)) {
            SetTexture("road_a");
            BeginPrimitive(SDL_FAN);
            for (const Vector3& v : corner) {
                EmitVertex(v);
            }
            EndPrimitive();
        } else {
            float height = Heights[room % 6];
            SetTexture(BlockTextures[room % 4]);
            for (int k = 0; k < 4; ++k) {
                EmitWall(corner[k], corner[(k + 1) % 4], height);
            }
            SetTexture("roof");
            BeginPrimitive(SDL_RAISEDFAN, height);
            for (const Vector3& v : corner) {
                EmitVertex(v);
            }
            EndPrimitive();
            Matrix34 placement;
            placement.Identity();
            placement.d = corner[0];
            lvlPSDL::EmitInstance(placement, "lamp", nullptr, nullptr, 1, 0);
        }
        city->EndCompileRoom();
    }
}

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double MedianOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A step is timed on every run and told by its median: a single run of a small city lasts
// well under a millisecond and is at the mercy of the file system and the scheduler.
class Samples {
public:
    explicit Samples(const char* step) : m_Step(step) {}

    // A step that fails ends the benchmark: its time would mean nothing.
    template <typename Step>
    void Time(Step step) {
        auto start = std::chrono::steady_clock::now();
        bool done = step();
        m_Seconds.push_back(Seconds(start));
        if (!done) {
            fprintf(stderr, "%s failed\n", m_Step);
            exit(1);
        }
    }

    double Median() const { return MedianOf(m_Seconds); }

    // The median of other's time over this step's, run by run: two steps timed in turns share
    // each moment's load of the machine, which the ratio of their medians does not.
    double MedianRatio(const Samples& other) const {
        std::vector<double> ratios;
        for (size_t run = 0; run < m_Seconds.size(); ++run) {
            ratios.push_back(other.m_Seconds[run] / m_Seconds[run]);
        }
        return MedianOf(ratios);
    }

private:
    const char* m_Step;
    std::vector<double> m_Seconds;
};

std::string CityPath(const std::string& name, const char* extension) {
    return "city\\" + name + "." + extension;
}

int FileSize(const std::string& path) {
    Stream* stream = StreamOpen(path.c_str());
    int size = stream ? StreamSize(stream) : 0;
    if (stream) {
        StreamClose(stream);
    }
    return size;
}

// Seconds per byte of reading a file raw through the stream layer, at least 32 MB in all.
double RawSecondsPerByte(const std::string& path) {
    std::vector<char> buffer(1 << 16);
    double total = 0.0;
    long long bytes = 0;
    while (bytes < (32 << 20)) {
        auto start = std::chrono::steady_clock::now();
        Stream* stream = StreamOpen(path.c_str());
        int got;
        while ((got = StreamRead(stream, buffer.data(), int(buffer.size()))) > 0) {
            bytes += got;
        }
        StreamClose(stream);
        total += Seconds(start);
    }
    return total / double(bytes);
}

std::string ReadBytes(const std::string& path) {
    std::string bytes(size_t(FileSize(path)), '\0');
    Stream* stream = StreamOpen(path.c_str());
    StreamRead(stream, bytes.data(), int(bytes.size()));
    StreamClose(stream);
    return bytes;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The least any reader of the description does: the whole file in one read, split at white
// space, every number converted (with a point as a float, else as an integer). The sum keeps
// the conversions from being left out. The buffer of the file's size is the caller's: one
// used before (the "bare" line) takes no page faults, like LoadSDL's buffer of a piece of the
// file, so it is the floor the ratio is told against; a new one (the "bare, new" line) takes
// one for each of its pages, which only a reader that holds the whole file pays.
bool BarePass(const std::string& path, char* bytes, int size, double* sum) {
    Stream* stream = StreamOpen(path.c_str());
    if (!stream) {
        return false;
    }
    bool read = StreamRead(stream, bytes, size) == size;
    StreamClose(stream);
    const char* p = bytes;
    const char* end = p + size;
    double total = 0.0;
    while (p < end) {
        while (p < end && IsBlank(*p)) {
            ++p;
        }
        const char* start = p;
        bool point = false;
        while (p < end && !IsBlank(*p)) {
            point |= *p == '.';
            ++p;
        }
        if (start == p || !(*start == '-' || *start == '.' || (*start >= '0' && *start <= '9'))) {
            continue;
        }
        if (point) {
            float value = 0;
            std::from_chars(start, p, value);
            total += value;
        } else {
            int value = 0;
            std::from_chars(start, p, value);
            total += value;
        }
    }
    *sum = total;
    return read;
}

// The floors under a write step: one write of all its bytes through the stream layer, over
// the file of the same size ("raw rewr": what a plain create costs) or into a new file that
// then takes the old one's place ("raw safe": what a safe replacement costs at the least).
bool RawWrite(const std::string& path, const std::string& bytes, bool replace) {
    Stream* stream = replace ? StreamCreateReplacing(path.c_str()) : StreamCreate(path.c_str());
    if (!stream) {
        return false;
    }
    bool written = StreamWrite(stream, bytes.data(), int(bytes.size())) == int(bytes.size());
    return StreamClose(stream) >= 0 && written;
}

void Report(const char* step, int rooms, double seconds, double bytes, double rawPerByte) {
    PrintMessage("%-9s N=%6d  %8.4f s  %8.1f MB/s  x%6.2f raw  %6.2f us/room", step, rooms,
                 seconds, bytes / seconds / 1e6, seconds / (bytes * rawPerByte),
                 seconds * 1e6 / rooms);
}

uint64_t CodeBytes(const lvlPSDL& city) {
    uint64_t words = 0;
    for (uint32_t r = 1; r < city.m_RoomCount; ++r) {
        words += city.m_Rooms[r] ? city.m_Rooms[r]->GetCodeCount() : 0;
    }
    return 2 * words;
}

void Run(int rooms) {
    GridCity grid(rooms);
    sm_Grid = &grid;
    std::string name = "grid" + std::to_string(rooms);
    std::string text = grid.Description();
    Stream* out = datAssetManager::Create("city", name.c_str(), "sdl");
    StreamWrite(out, text.data(), int(text.size()));
    StreamClose(out);
    double sdlRaw = RawSecondsPerByte(CityPath(name, "sdl"));

    unsigned mask = GetPrintMask();
    SetPrintMask(0);
    Samples loadSdl("LoadSDL"), make("make"), write("WritePSDL"), load("Load");
    Samples rewriteFloor("raw rewr"), replaceFloor("raw safe"), bare("bare");
    Samples bareNew("bare, new");
    double bareSum = 0.0;
    std::string bareBytes = text;
    double madeBytes = 0.0;
    std::string written;
    int size = int(text.size());
    for (int run = 0; run < ReaderRuns; ++run) {
        bare.Time([&] { return BarePass(CityPath(name, "sdl"), bareBytes.data(), size, &bareSum); });
        bareNew.Time([&] {
            std::unique_ptr<char[]> bytes(new char[size]);
            return BarePass(CityPath(name, "sdl"), bytes.get(), size, &bareSum);
        });
        // One city at a time: it is the level bound.
        auto city = std::make_unique<lvlPSDL>();
        loadSdl.Time([&] { return city->LoadSDL(name.c_str()); });
    }
    for (int run = 0; run < Runs; ++run) {
        auto city = std::make_unique<lvlPSDL>();
        if (!city->LoadSDL(name.c_str())) {
            fprintf(stderr, "LoadSDL failed\n");
            exit(1);
        }
        make.Time([&] { return city->MakeCity(name.c_str(), CompileGrid); });
        madeBytes = double(CodeBytes(*city) + FileSize(CityPath(name, "inst")));
        write.Time([&] { return city->WritePSDL(name.c_str(), 2); });
        city.reset();
        if (written.empty()) {
            written = ReadBytes(CityPath(name, "psdl"));
        }
        rewriteFloor.Time([&] { return RawWrite(CityPath(name, "psdl"), written, false); });
        replaceFloor.Time([&] { return RawWrite(CityPath(name, "psdl"), written, true); });
        lvlPSDL loaded;
        load.Time([&] { return loaded.Load(name.c_str()); });
    }
    SetPrintMask(mask);

    double psdlBytes = double(written.size());
    double psdlRaw = RawSecondsPerByte(CityPath(name, "psdl"));
    PrintMessage("N=%d: %d verts, %.2f MB of description, %.2f MB processed; median of %d runs "
                 "(the first four lines: of %d)",
                 rooms, int(lvlPSDL::sm_VertexCount), text.size() / 1e6, psdlBytes / 1e6, Runs,
                 ReaderRuns);
    Report("bare", rooms, bare.Median(), double(text.size()), sdlRaw);
    Report("bare, new", rooms, bareNew.Median(), double(text.size()), sdlRaw);
    Report("LoadSDL", rooms, loadSdl.Median(), double(text.size()), sdlRaw);
    PrintMessage("LoadSDL  N=%6d  x%6.2f of the bare pass's speed, x%.2f with a new buffer "
                 "(sum %.0f)",
                 rooms, loadSdl.MedianRatio(bare), loadSdl.MedianRatio(bareNew), bareSum);
    Report("make", rooms, make.Median(), madeBytes, psdlRaw);
    Report("WritePSDL", rooms, write.Median(), psdlBytes, psdlRaw);
    Report("Load", rooms, load.Median(), psdlBytes, psdlRaw);
    Report("raw rewr", rooms, rewriteFloor.Median(), psdlBytes, psdlRaw);
    Report("raw safe", rooms, replaceFloor.Median(), psdlBytes, psdlRaw);
}

// A full float table of distinct values, entered one by one and then each found again.
void RunFloats() {
    Samples floats("FloatIndex");
    for (int run = 0; run < Runs; ++run) {
        lvlPSDL::AllocateFloats(0);
        floats.Time([] {
            for (int pass = 0; pass < 2; ++pass) {
                for (uint32_t i = 0; i < lvlPSDL::MaxFloats; ++i) {
                    if (FloatIndex(1.0f + float(i) * 0.001f) != i) {
                        return false;
                    }
                }
            }
            return true;
        });
    }
    PrintMessage("FloatIndex %u new floats, then each again: %8.4f s (median of %d runs)",
                 lvlPSDL::MaxFloats, floats.Median(), Runs);
}

}  // namespace

int main(int argc, char** argv) {
    // A make of more than 60,000 vertices warns in a modal box, which nobody would answer: the
    // largest grids would wait for ever.
    _putenv("PLATTOR_NOBOX=1");
    std::filesystem::create_directories("city");
    datAssetManager::SetPath("");
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i) {
        counts.push_back(atoi(argv[i]));
    }
    if (counts.empty()) {
        counts = {1000, 10000};
    }
    for (int rooms : counts) {
        Run(rooms);
    }
    RunFloats();
    return 0;
}
