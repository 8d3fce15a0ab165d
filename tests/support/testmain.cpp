#include "data/fault.h"
#include "data/printer.h"
#include "tests/support/child.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    // A test never waits on a message box: the printer's boxes are off, and a box no test
    // answers through the seam is printed instead (also in the children and programs it runs).
    FatalBoxOff();
    ErrorBoxOff();
    _putenv("PLATTOR_NOBOX=1");
    // A test program that crashes must fail, not end in Wine's debugger with exit code 0.
    InstallFaultHandlers();
    int exitCode = 0;
    if (RunChildFromCommandLine(argc, argv, &exitCode)) {
        return exitCode;
    }
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
