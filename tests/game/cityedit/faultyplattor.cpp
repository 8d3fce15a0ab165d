// The editor with a fault forced in its 30th frame: the test build that shows the crash save.
#include "cityedit/mainloop.h"
#include "cityedit/plattor.h"
#include "data/options.h"

namespace {

const int FaultFrame = 30;
int sFrames = 0;

void FaultInAFrame() {
    if (++sFrames == FaultFrame) {
        static volatile int* nowhere = nullptr;
        *nowhere = 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    ParseCommandLine(argc, argv);
    MainLoopFrameHook = FaultInAFrame;
    return ExceptMain(argc, argv);
}
