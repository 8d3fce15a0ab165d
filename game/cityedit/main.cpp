// The editor's entry point.
#include "cityedit/plattor.h"

#include "data/options.h"

namespace {

// Nothing runs between reading the options and the editor's start.
void AfterOptions() {}

}  // namespace

int main(int argc, char** argv) {
    ParseCommandLine(argc, argv);
    AfterOptions();
    return ExceptMain(argc, argv);
}
