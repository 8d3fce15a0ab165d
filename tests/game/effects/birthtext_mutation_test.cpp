// Damaged birth-rule text blocks: each one reads, or ends the program with the tokenizer's
// message; none faults, hangs or reads past its file.
#include "effects/birthrule.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "data/stream.h"
#include "data/token.h"
#include "tests/support/child.h"
#include "tests/support/mutation.h"
#include "tests/support/scratch.h"

namespace {

const int Mutants = 1000;

// Blocks as WriteText gives them, unindented and indented.
const char* const Seeds[] = {
    "BirthRule {\n"
    "Position 1.500000\t-2.000000\t1000000.000000 \n"
    "PositionVar 0.000000\t0.000000\t0.000000 \n"
    "Velocity 0.000000\t5.000000\t0.000000 \n"
    "VelocityVar 1.000000\t1.000000\t1.000000 \n"
    "Life 1.000000 \n"
    "Mass 1.000000 \n"
    "MassVar 1.000000 \n"
    "Radius 1.000000 \n"
    "RadiusVar 1.000000 \n"
    "Drag 1.000000 \n"
    "DragVar 1.000000 \n"
    "DRadius 1.000000 \n"
    "DRadiusVar 1.000000 \n"
    "DAlpha 3 \n"
    "DAlphaVar 3 \n"
    "DRotation 3 \n"
    "DRotationVar 3 \n"
    "InitialBlast 3 \n"
    "SpewRate 2.500000 \n"
    "SpewTimeLimit 0.000000 \n"
    "Gravity -9.800000 \n"
    "TexFrameStart 0 \n"
    "TexFrameEnd 3 \n"
    "BirthFlags 19 \n"
    "}",
    "BirthRule {\n"
    "    Position 1.500000\t-2.000000\t1000000.000000 \n"
    "    PositionVar 0.000000\t0.000000\t0.000000 \n"
    "    Velocity 0.000000\t5.000000\t0.000000 \n"
    "    VelocityVar 1.000000\t1.000000\t1.000000 \n"
    "    Life 1.000000 \n"
    "    Mass 1.000000 \n"
    "    MassVar 1.000000 \n"
    "    Radius 1.000000 \n"
    "    RadiusVar 1.000000 \n"
    "    Drag 1.000000 \n"
    "    DragVar 1.000000 \n"
    "    DRadius 1.000000 \n"
    "    DRadiusVar 1.000000 \n"
    "    DAlpha 3 \n"
    "    DAlphaVar 3 \n"
    "    DRotation 3 \n"
    "    DRotationVar 3 \n"
    "    InitialBlast 3 \n"
    "    SpewRate 2.500000 \n"
    "    SpewTimeLimit 0.000000 \n"
    "    Gravity -9.800000 \n"
    "    TexFrameStart 0 \n"
    "    TexFrameEnd 3 \n"
    "    BirthFlags 19 \n"
    "    }"};

bool ReadMutant(int index, std::string&) {
    static const std::vector<std::string> seeds(std::begin(Seeds), std::end(Seeds));
    WriteWholeFile("rule.txt", Mutant(seeds, index));
    Stream* stream = StreamOpen("rule.txt");
    if (!stream) {
        return true;
    }
    TokenReader reader("rule.txt", stream);
    ovBirthRule rule;
    rule.ReadText(&reader);
    StreamClose(stream);
    return true;
}

}  // namespace

TEST_CHILD(MutateBirthText) { return RunMutantsInChild(Mutants, ReadMutant); }

TEST(BirthTextMutation, DamagedBlocksReadOrEndWithTheTokenizersMessage) {
    RunMutation("MutateBirthText", Mutants, {"Expected integer.", "Expected float."}, 4);
}
