// The mutation run of the ".ter" reader: damaged grids beside a sound mesh. A damaged file
// gives false with the reader's error and a terrain without a grid; a terrain that loads is
// put to work, so that any count or id left unchecked shows as a fault.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "phbound/boundterrain.h"
#include "phcore/isect.h"
#include "phcore/segment.h"
#include "tests/engine/phbound/boundfiles.h"
#include "tests/engine/phbound/terrains.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/mutation.h"

namespace {

const int TerrainMutants = 1000;

const std::vector<std::string> Refusals = {"Error: phBoundTerrain::Load() - ",
                                           ": biggest bucket = "};

std::string Mesh() {
    return HeightFieldText(3, 3, 1.0f, [](int i, int j) { return 0.25f * float((i * 7 + j) % 3); });
}

std::vector<std::string> Seeds(BoundFiles& files) {
    files.Write("m", "bnd", Mesh());
    std::vector<std::string> seeds;
    const int grids[2][3] = {{2, 2, 1}, {4, 3, 0}};
    for (const auto& grid : grids) {
        phBoundTerrain t;
        t.phBoundGeometry::Load("m");
        BuildTerrainGrid(t, grid[0], grid[1], grid[2] != 0);
        t.Create("seed");
        seeds.push_back(files.Read("seed", "ter"));
    }
    return seeds;
}

void Exercise(phBoundTerrain& t) {
    const Vector3 ends[][2] = {{Vector3(-1, 1, 0.5f), Vector3(4, -1, 2.5f)},
                               {Vector3(1.5f, 2, 1.5f), Vector3(1.5f, -2, 1.5f)},
                               {Vector3(3, 0.3f, 3), Vector3(0, 0.2f, 0)},
                               {Vector3(0.2f, 0.1f, 2.9f), Vector3(2.9f, 0.4f, 0.1f)}};
    for (const auto& e : ends) {
        phSegment s;
        s.Set(e[0], e[1], phSegment::PROBE, 0);
        phIsect isect;
        t.TestProbeSegment(s, &isect, 1.0f);
        t.TestProbePoint(s, &isect, 1.0f);
        t.TestAIPoint(s, &isect);
        phIsect pair[2];
        t.TestEdgeSegment(s, pair, 2);
    }
    Vector3 position, normal;
    float depth = 0.0f;
    t.TestSphere(Vector3(1.5f, 0.2f, 1.5f), 1.2f, &position, &normal, &depth);
    t.CollectBucketPolys(Vector3(0, 0, 3), 5.0f);
}

bool CheckTerrainFile(int index, std::string& why) {
    static BoundFiles files;
    static const std::vector<std::string> seeds = Seeds(files);
    files.Write("m", "ter", Mutant(seeds, index));
    ConsoleCapture console;
    {
        phBoundTerrain t;
        if (t.Load("m")) {
            Exercise(t);
        }
    }
    return OnlyAllowedMessages(console.Take(), Refusals, why);
}

}  // namespace

TEST_CHILD(MutateTerrainFiles) {
    return RunMutantsInChild(TerrainMutants, CheckTerrainFile);
}

TEST(TerrainFileMutation, DamagedGridsAreRefused) {
    RunMutation("MutateTerrainFiles", TerrainMutants, {});
}
