// Damaged catalogue files: each loads into sound catalogues, with the catalogues' own boxes and
// messages, or is refused by its fatal text.
#include "cityedit/catalog.h"

#include "tests/game/cityedit/catalogfixture.h"
#include "tests/support/child.h"
#include "tests/support/console.h"
#include "tests/support/mutation.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const int Mutants = 1200;
const char* const CatalogNames[] = {"floors", "walls", "facades", "props"};

bool InRange(int index, const ElementCatalog& catalog) {
    return index >= 0 && index <= catalog.GetCount();
}

// Names, groups and every element number the catalogue holds stay within it.
bool SoundCatalog(const ElementCatalog& catalog, std::string& why) {
    if (std::string(catalog.GetName(0)) != "none" ||
        int(catalog.m_Elements.size()) != catalog.GetCount()) {
        why = "bad name table";
        return false;
    }
    for (int i = 1; i <= catalog.GetCount(); ++i) {
        const char* name = catalog.GetName(i);
        int found = name[0] ? catalog.Find(name) : 0;
        if (name[0] && (found < 1 || found > i)) {
            why = std::string("cannot find ") + name;
            return false;
        }
    }
    for (int g = 0; g < catalog.m_NbrCount; ++g) {
        if (catalog.m_GroupSizes[g] > ElementCatalog::MaxMembers) {
            why = "group too big";
            return false;
        }
        for (int member : catalog.m_GroupMembers[g]) {
            if (member < 1 || !InRange(member, catalog)) {
                why = "group member out of range";
                return false;
            }
        }
    }
    return true;
}

bool SoundElements(std::string& why) {
    for (const SurfaceCatalog* surfaces : {&FloorsCatalog, &WallsCatalog}) {
        for (int i = 1; i <= surfaces->GetCount(); ++i) {
            SurfaceElement* element = surfaces->Get(i);
            if (!(element->m_Size == 0.0f ||
                  (element->m_Size >= 0.01f && element->m_Size <= 1000.0f))) {
                why = "a size the make cannot tile with";
                return false;
            }
            for (int component : element->m_Components) {
                if (!InRange(component, WallsCatalog)) {
                    why = "component out of range";
                    return false;
                }
            }
            element->GetHeight();
            element->GetWidth();
        }
    }
    for (int i = 1; i <= FacadesCatalog.GetCount(); ++i) {
        const FacadeElement* facade = FacadesCatalog.Get(i);
        for (int wall : {facade->m_FrontWall, facade->m_SecondWall, facade->m_ThirdWall,
                         facade->m_BackWall, facade->m_Sliver}) {
            if (!InRange(wall, WallsCatalog)) {
                why = "facade wall out of range";
                return false;
            }
        }
        if (!InRange(facade->m_Floor, FloorsCatalog)) {
            why = "facade floor out of range";
            return false;
        }
    }
    return true;
}

bool CheckCatalogs(int index, std::string& why) {
    static const std::vector<std::string> seeds = {
        ReadWholeFile(SourcePath("tests/data/oddcity/city/floors.csv")),
        ReadWholeFile(SourcePath("tests/data/oddcity/city/walls.csv")),
        ReadWholeFile(SourcePath("tests/data/oddcity/city/facades.csv")),
        ReadWholeFile(SourcePath("tests/data/oddcity/city/props.csv")),
        ReadWholeFile(TestDataPath("catalog_worst.csv"))};
    static CatalogFiles files;
    BoxRecorder boxes;
    // One damaged file among the demo's others.
    int damaged = index % 4;
    for (int c = 0; c < 4; ++c) {
        WriteWholeFile(files.m_Scratch.Path(std::string("city\\") + CatalogNames[c] + ".csv"),
                       c == damaged ? Mutant(seeds, index) : seeds[c]);
    }
    ConsoleCapture console;
    ElementCatalog::sm_MissCount = 0;
    LoadCatalogs();
    bool good = SoundCatalog(FloorsCatalog, why) && SoundCatalog(WallsCatalog, why) &&
                SoundCatalog(FacadesCatalog, why) && SoundCatalog(PropsCatalog, why) &&
                SoundElements(why);
    for (const std::string& box : BoxRecorder::Boxes()) {
        if (box.find("|Element by this name not found.") == std::string::npos) {
            why = "unexpected box " + box;
            good = false;
        }
    }
    // Custom elements look for their packages, which are not there.
    return OnlyAllowedMessages(console.Take(), {"Model '", "Facade '", "Cannot open file '",
                                                "is not 0 or a number from 0.01 to 1000"}, why) &&
           good;
}

}  // namespace

TEST_CHILD(MutateCatalogs) { return RunMutantsInChild(Mutants, CheckCatalogs); }

TEST(CatalogMutation, DamagedCataloguesLoadSoundOrAreRefused) {
    RunMutation("MutateCatalogs", Mutants,
                {"Assert(m_NbrCount < maxNbr) failed in [cityedit/catalog"}, 2);
}
