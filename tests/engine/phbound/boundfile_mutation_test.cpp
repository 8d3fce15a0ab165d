// The mutation runs of the bound file readers: damaged ".bnd" and ".bbnd" files, each read by
// the mesh bound (and the text ones by a shape bound too), and every bound that loads is put
// to work and written by both of its writers. A damaged file gives false with the readers'
// errors; the only fatal ends are the tokenizer's reports of malformed text in the damaged
// file itself and the assertions the readers name.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "phbound/boundgeometry.h"
#include "phbound/boundsphere.h"
#include "phcore/isect.h"
#include "phcore/poly.h"
#include "phcore/segment.h"
#include "tests/engine/phbound/boundfiles.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/mutation.h"

namespace {

const int TextMutants = 1000;
const int BinaryMutants = 1200;

// What a damaged file may make the readers say before they give up.
const std::vector<std::string> Refusals = {
    "Error: phBoundGeometry::Load()- ",  "Warning: phBoundGeometry::Load found zero ",
    "Error: phBoundGeometry::LoadBinary()- ", "Error: phBoundGeometry: polygon ",
    "Error: phBoundSphere::Load()- ",   "Warning: phBoundSphere::Load found zero polygons",
    "Warning: BoundGeom : ComputeEdgeNums: ERROR: edge missing!",
    "Error: phMaterialMgr: material "};

const char* const TwoTriangles =
    "version: 1.01\nverts: 6 materials: 2 edges: 1 polys: 3\n"
    "v 0 0 0\nv 1 0 0\nv 1 0 1\nv 0 0 1\nv 2 0 0\nv 2 0 1\n"
    "mtl flat {\n\telasticity: 0.1\n\tfriction: 0.5\n\teffect: none\n\tsound: none\n}\n"
    "mtl rough {\n\telasticity: 0.3\n\tfriction: 0.9\n\teffect: none\n\tsound: none\n}\n"
    "edge 0 2\ntri 0 2 1 0\ntri 0 3 2 0\nquad 1 2 5 4 1\n";

std::vector<std::string> TextSeeds() {
    std::string cube = CubeText();
    cube.replace(cube.find("edges: 0"), 8, "edges: 2");
    cube.insert(cube.find("quad"), "edge 0 1\nedge 6 7\n");
    return {cube, TwoTriangles};
}

std::vector<std::string> BinarySeeds(BoundFiles& files) {
    std::vector<std::string> seeds;
    for (const std::string& text : TextSeeds()) {
        files.Write("seed", "bnd", text);
        phBoundGeometry bound;
        bound.Load("seed");
        bound.SaveBinary("seed");
        seeds.push_back(files.Read("seed", "bbnd"));
    }
    return seeds;
}

// Every query of a loaded mesh touches its indices: any id left unchecked shows here.
void Exercise(phBoundGeometry& bound) {
    for (int p = 0; p < bound.NumPolygons; ++p) {
        phSegment segment;
        const Vector3& corner = bound.Vertices[bound.Polygons[p].VertexIndex[0]];
        segment.Set(corner + Vector3(0.01f, 5, 0.01f), corner - Vector3(0, 5, 0),
                    phSegment::PROBE, 0);
        phIsect isect;
        bound.TestProbeSegment(segment, &isect, 2.0f);
    }
    Vector3 position, normal;
    float depth = 0.0f;
    bound.TestSphere(Vector3(0, 0, 0), 0.75f, &position, &normal, &depth);
    bound.MergeCoplanarTriangles();
}

// Whatever a reader accepts, each writer writes in a form its reader takes again, and that
// reads back to itself: written, read and written again, the file is the same.
bool SurvivesItsWriters(phBoundGeometry& bound, BoundFiles& files, std::string& why) {
    for (bool text : {true, false}) {
        const char* extension = text ? "bnd" : "bbnd";
        auto save = [&](phBoundGeometry& b) { return text ? b.Save("again") : b.SaveBinary("again"); };
        phBoundGeometry again;
        if (!save(bound)) {
            why = std::string("not written as .") + extension;
            return false;
        }
        std::string written = files.Read("again", extension);
        if (!(text ? again.Load("again") : again.LoadBinary("again"))) {
            why = std::string("written as .") + extension + ", it does not load again";
            return false;
        }
        if (!save(again) || files.Read("again", extension) != written) {
            why = std::string("written as .") + extension + " and read back, it is written otherwise";
            return false;
        }
    }
    return true;
}

bool CheckBoundFile(int index, bool text, std::string& why) {
    static BoundFiles files;
    static const std::vector<std::string> textSeeds = TextSeeds();
    static const std::vector<std::string> binarySeeds = BinarySeeds(files);
    files.Write("m", text ? "bnd" : "bbnd", Mutant(text ? textSeeds : binarySeeds, index));
    ConsoleCapture console;
    {
        phBoundGeometry bound;
        if (text ? bound.Load("m") : bound.LoadBinary("m")) {
            if (!SurvivesItsWriters(bound, files, why)) {
                return false;
            }
            Exercise(bound);
        }
        if (text) {
            phBoundSphere sphere;
            sphere.Load("m");
        }
    }
    std::string stray;
    if (!OnlyAllowedLines(console.Take(), Refusals, &stray)) {
        why = "unexpected message: " + stray;
        return false;
    }
    return true;
}

bool CheckTextFile(int index, std::string& why) {
    return CheckBoundFile(index, true, why);
}

bool CheckBinaryFile(int index, std::string& why) {
    return CheckBoundFile(index, false, why);
}

}  // namespace

TEST_CHILD(MutateBoundText) {
    return RunMutantsInChild(TextMutants, CheckTextFile);
}

TEST_CHILD(MutateBoundBinary) {
    return RunMutantsInChild(BinaryMutants, CheckBinaryFile);
}

TEST(BoundFileMutation, DamagedTextFiles) {
    // The tokenizer's reports name the damaged file "m"; one about a written file is a fault.
    RunMutation("MutateBoundText", TextMutants,
                {"m(", "Assert(m <= 255) failed in [phbound/boundgeomfile",
                 "Assert(i3 != 0) failed in [phcore/poly"},
                4);
}

TEST(BoundFileMutation, DamagedBinaryFiles) {
    RunMutation("MutateBoundBinary", BinaryMutants,
                {"Assert(index[0] <= 255) failed in [phbound/boundgeomfile"}, 4);
}

// The worst of the damage, kept as files.
TEST(BoundFileMutation, KeptWorstCasesAreRefused) {
    struct Case {
        const char* file;
        const char* extension;
        const char* message;
    };
    const Case cases[] = {
        {"cut.bbnd", "bbnd", "has bad counts"},
        {"hugepolys.bbnd", "bbnd", "has bad counts"},
        {"badvertex.bbnd", "bbnd", "names vertex 65535 of 8"},
        {"hugeverts.bnd", "bnd", "has bad counts"},
        {"longkeyword.bnd", "bnd", "Expecting 'tri' or 'quad'; found 'xxxxxxxx"},
    };
    BoundFiles files;
    for (const Case& c : cases) {
        files.Write("kept", c.extension, ReadWholeFile(TestDataPath(c.file)));
        ConsoleCapture console;
        phBoundGeometry bound;
        bool binary = c.extension[1] == 'b';
        EXPECT_FALSE(binary ? bound.LoadBinary("kept") : bound.Load("kept")) << c.file;
        std::string said = console.Take();
        EXPECT_NE(said.find(c.message), std::string::npos) << c.file << ": " << said;
    }
}
