// Damaged join files: each reads into exactly the points the file holds, or is refused with no
// points and the reader's own message.
#include "cityedit/joinfile.h"

#include "tests/engine/model/modelfixture.h"
#include "tests/game/cityedit/catalogfixture.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/mutation.h"
#include "tests/support/scratch.h"
#include "vector/filevalue.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

const int Mutants = 1200;
const uint32_t MaxPoints = 40;

std::string JoinLine(uint32_t count) {
    std::string bytes = U32(count);
    for (uint32_t i = 0; i < count; ++i) {
        bytes += F32(float(i)) + F32(0.5f * float(i)) + F32(-float(i * i));
    }
    return bytes;
}

uint32_t Field(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, sizeof(value));
    return value;
}

uint32_t Bits(float f) {
    uint32_t value = 0;
    std::memcpy(&value, &f, sizeof(value));
    return value;
}

// A file that reads holds its count of whole points, no more than allowed, and they are the
// points read, bit for bit, each a coordinate.
bool SameAsFile(const std::string& bytes, const std::vector<Vector3>& points, uint32_t maxPoints,
                std::string& why) {
    uint32_t count = bytes.size() < 4 ? 0 : Field(bytes, 0);
    if (bytes.size() < 4 || count > maxPoints || bytes.size() < 4 + size_t(count) * 12 ||
        points.size() != count) {
        why = "read a file that does not hold its points";
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        const Vector3& p = points[i];
        size_t at = 4 + size_t(i) * 12;
        if (Bits(p.x) != Field(bytes, at) || Bits(p.y) != Field(bytes, at + 4) ||
            Bits(p.z) != Field(bytes, at + 8)) {
            why = "point read wrong";
            return false;
        }
        if (!IsCoordinate(p)) {
            why = "read a point that is not a coordinate";
            return false;
        }
    }
    return true;
}

bool CheckJoin(int index, std::string& why) {
    static const std::vector<std::string> seeds = {JoinLine(0), JoinLine(5), JoinLine(MaxPoints)};
    static CatalogFiles files;
    std::string bytes = Mutant(seeds, index);
    files.WriteAsset("scene", "m.join", bytes);
    ConsoleCapture console;
    bool good = true;
    // Models take any number of points, landmarks a bounded one.
    for (uint32_t maxPoints : {MaxPoints, UINT32_MAX}) {
        std::vector<Vector3> points(3);
        if (ReadJoinFile("m", points, maxPoints)) {
            good = good && SameAsFile(bytes, points, maxPoints, why);
        } else if (!points.empty()) {
            why = "points kept after a refusal";
            good = false;
        }
    }
    return OnlyAllowedMessages(console.Take(), {"Join file for 'm'"}, why) && good;
}

}  // namespace

TEST_CHILD(MutateJoins) { return RunMutantsInChild(Mutants, CheckJoin); }

TEST(JoinFileMutation, DamagedJoinFilesReadWholeOrAreRefused) {
    RunMutation("MutateJoins", Mutants, {});
}
