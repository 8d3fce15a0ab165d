// The editor's own frame loop, timed: the editor started on a city as the user starts it, its
// MainLoop run for a warm-up and then for 200 frames, the window closed. The figure is the
// median of the 200 frame times, in milliseconds, with their mean and 90th percentile, printed
// before the editor shuts down.
// grid1000 and grid10000 are the grid cities of the compile benchmark, written into the city
// folder first; any other name is a ".sdl" city already there. The rest of the command line
// goes to the editor (graphics options, -block ...).
//
//   mainloop_bench <folder holding city and texture> <city> [editor options]

#include "bench/gridcity.h"
#include "cityedit/mainloop.h"
#include "cityedit/plattor.h"
#include "data/options.h"
#include "data/printer.h"
#include "data/stream.h"
#include "data/timer.h"
#include "gfx/pipeline.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

const int WarmUp = 20;
const int Frames = 200;

std::vector<double> sTimes;
uint64_t sLast = 0;
int sFrame = 0;

// Runs at the start of each frame: the time since the last start is one whole frame.
void TimeFrame() {
    uint64_t now = Timer::Ticks();
    if (sFrame > WarmUp) {
        sTimes.push_back(double(now - sLast) * Timer::sm_MsPerTick);
    }
    sLast = now;
    if (++sFrame == WarmUp + Frames + 1) {
        std::sort(sTimes.begin(), sTimes.end());
        double total = 0.0;
        for (double time : sTimes) {
            total += time;
        }
        // The mean and the slow tail beside the median: a device that takes much longer
        // over some frames than over most shows it there.
        PrintMessage("mainloop: %.2f ms per frame (median of %d; mean %.2f, 90%% within %.2f)",
                     sTimes[sTimes.size() / 2], int(sTimes.size()), total / sTimes.size(),
                     sTimes[sTimes.size() * 9 / 10]);
        gfxWindowFlags |= gfxQuitRequested;
    }
}

bool WriteGrid(const std::string& name) {
    int rooms = name == "grid1000" ? 1000 : name == "grid10000" ? 10000 : 0;
    if (!rooms) {
        return true;
    }
    Stream* stream = StreamCreate(("city\\" + name + ".sdl").c_str());
    if (!stream) {
        return false;
    }
    std::string text = GridCity(rooms).Description();
    StreamWrite(stream, text.data(), int(text.size()));
    return StreamClose(stream) >= 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || !SetCurrentDirectoryA(argv[1])) {
        PrintError("Usage: mainloop_bench <folder holding city and texture> <city> [options]");
        return 1;
    }
    std::string city = argv[2];
    if (!WriteGrid(city)) {
        PrintError("mainloop: cannot write city\\%s.sdl", city.c_str());
        return 1;
    }
    std::vector<char*> args = {argv[0], argv[2]};
    args.insert(args.end(), argv + 3, argv + argc);
    ParseCommandLine(int(args.size()), args.data());
    MainLoopFrameHook = TimeFrame;
    return ExceptMain(int(args.size()), args.data());
}
