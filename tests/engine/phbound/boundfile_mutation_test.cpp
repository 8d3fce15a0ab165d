// The mutation run of the bound file readers: well over a thousand damaged ".bnd" and
// ".bbnd" files, each read by the mesh bound (and the text ones by the shape bounds too),
// and every bound that loads is put to work. A damaged file must give false with an error;
// the only fatal ends allowed are the tokenizer's report of malformed text and the
// assertions the readers name. The run goes on in a new child after each of those.
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "phbound/boundgeometry.h"
#include "phbound/boundsphere.h"
#include "phcore/isect.h"
#include "phcore/poly.h"
#include "phcore/segment.h"
#include "tests/engine/phbound/boundfiles.h"
#include "tests/engine/phbound/mutants.h"
#include "tests/support/child.h"
#include "data/printer.h"
#include "tests/support/console.h"

namespace {

// Per form; the text run is the slower one, as most damaged text ends in a new child.
const int MutantsPerForm[2] = {1000, 1200};
// Child cases: form * CaseStride + the first mutant to read.
const int CaseStride = 100000;

std::string TextOriginal() {
    std::string text = CubeText();
    text.replace(text.find("edges: 0"), 8, "edges: 2");
    text.insert(text.find("quad"), "edge 0 1\nedge 6 7\n");
    return text;
}

MutantMaker BinaryMaker(BoundFiles& files) {
    files.Write("cube", "bnd", CubeText());
    phBoundGeometry cube;
    cube.Load("cube");
    cube.SaveBinary("cube");
    std::vector<int> shorts;
    for (int p = 0; p < 6; ++p) {
        for (int k = 0; k < 5; ++k) {
            shorts.push_back(13 + 12 * 8 + 104 + 10 * p + 2 * k);
        }
    }
    return MutantMaker(files.Read("cube", "bbnd"), false, {1, 5, 9}, shorts);
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

TEST_CHILD(BoundFileMutants) {
    int form = ChildCase() / CaseStride;
    int first = ChildCase() % CaseStride;
    BoundFiles files;
    MutantMaker maker = form == 0 ? MutantMaker(TextOriginal(), true) : BinaryMaker(files);
    // Errors and warnings are expected by the thousand; fatal reports print whatever the mask.
    SetPrintMask(0);
    for (int i = first; i < MutantsPerForm[form]; ++i) {
        printf("mutant %d\n", i);
        fflush(stdout);
        files.Write("m", form == 0 ? "bnd" : "bbnd", maker.Make(i));
        phBoundGeometry bound;
        if (form == 0 ? bound.Load("m") : bound.LoadBinary("m")) {
            Exercise(bound);
        }
        if (form == 0) {
            phBoundSphere sphere;
            sphere.Load("m");
        }
    }
    printf("mutants done\n");
    return 0;
}

bool AllowedFatal(const std::string& report) {
    const char* allowed[] = {"Expected integer.", "Expected float.", "Expected '",
                             "Assert(m <= 255)", "Assert(index[0] <= 255)", "Assert(i3 != 0)"};
    if (report.find("Fatal Error: ") == std::string::npos ||
        report.find("Exception") != std::string::npos) {
        return false;
    }
    for (const char* text : allowed) {
        if (report.find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

void RunMutants(int form) {
    int next = 0;
    int fatalEnds = 0;
    while (next < MutantsPerForm[form]) {
        ChildResult result =
            RunChild("BoundFileMutants", "case=" + std::to_string(form * CaseStride + next),
                     300000);
        ASSERT_FALSE(result.m_TimedOut) << "from mutant " << next;
        if (result.m_ExitCode == 0 && result.m_Output.find("mutants done") != std::string::npos) {
            break;
        }
        size_t mark = result.m_Output.rfind("mutant ");
        ASSERT_NE(mark, std::string::npos) << result.m_Output;
        int last = atoi(result.m_Output.c_str() + mark + 7);
        ASSERT_GE(last, next);
        std::string report = result.m_Output.substr(mark);
        EXPECT_EQ(result.m_ExitCode, 1) << report;
        EXPECT_TRUE(AllowedFatal(report)) << "form " << form << ", " << report;
        if (::testing::Test::HasFailure()) {
            return;
        }
        ++fatalEnds;
        next = last + 1;
    }
    printf("form %d: %d mutants, %d ended in the readers' fatal reports\n", form,
           MutantsPerForm[form], fatalEnds);
}

// The worst of the damage, kept as files.
TEST(BoundFileMutationTest, KeptWorstCasesAreRefused) {
    struct Case {
        const char* file;
        const char* message;
    };
    const Case cases[] = {
        {"cut.bbnd", "has bad counts"},
        {"hugepolys.bbnd", "has bad counts"},
        {"badvertex.bbnd", "names vertex 65535 of 8"},
        {"hugeverts.bnd", "has bad counts"},
        {"longkeyword.bnd", "Expecting 'tri' or 'quad'; found 'xxxxxxxx"},
    };
    BoundFiles files;
    for (const Case& c : cases) {
        std::string name = c.file;
        const char* extension = name.find(".bbnd") != std::string::npos ? "bbnd" : "bnd";
        files.Write("kept", extension, ReadWholeFile(TestDataPath(c.file)));
        ConsoleCapture console;
        phBoundGeometry bound;
        EXPECT_FALSE(extension[1] == 'b' ? bound.LoadBinary("kept") : bound.Load("kept"))
            << c.file;
        std::string said = console.Take();
        EXPECT_NE(said.find(c.message), std::string::npos) << c.file << ": " << said;
    }
}

TEST(BoundFileMutationTest, DamagedTextFilesGiveOnlyErrorsOrTheirReports) {
    RunMutants(0);
}

TEST(BoundFileMutationTest, DamagedBinaryFilesGiveOnlyErrorsOrTheirReports) {
    RunMutants(1);
}

}  // namespace
