// The editor's program: the outermost fault frame and the start-up of the editor.
#include "cityedit/plattor.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "bank/bkmgr.h"
#include "city/psdl.h"
#include "cityedit/blockdata.h"
#include "cityedit/blockeditor.h"
#include "cityedit/catalog.h"
#include "cityedit/editor.h"
#include "cityedit/groups.h"
#include "cityedit/mainloop.h"
#include "cityedit/rgldrawers.h"
#include "data/options.h"
#include "data/printer.h"
#include "data/string.h"
#include "gfx/rstate.h"
#include "gfx/viewport.h"
#include "rgl/rgl.h"
#include "rgl/tgl.h"
#include "simple/simple.h"

namespace {

const int WindowWidth = 800;
const int WindowHeight = 600;
const int BankX = 100;
const int BankY = 100;
const uint32_t VertexFormat = 0x142;
const int MakeNameSize = 128;

bkBank* AddListedBank(const char* name) {
    return bkManager::GetInstance()->AddBank(name, BankX, BankY, true);
}

}  // namespace

void CutExtension(char* name, bool first) {
    char* component = name;
    for (char* c = name; *c; ++c) {
        if (*c == '\\' || *c == '/' || *c == ':') {
            component = c + 1;
        }
    }
    char* dot = first ? strchr(component, '.') : strrchr(component, '.');
    if (dot) {
        *dot = 0;
    }
}

int MakeCityBatch(lvlPSDL* city, const GroupList* groups, const char* value) {
    char name[MakeNameSize];
    if (strlen(value) >= sizeof(name)) {
        PrintError("make: the name '%s' is longer than %d characters.", value, MakeNameSize - 1);
        return 1;
    }
    strcpy(name, value);
    CutExtension(name, false);
    bool listed = city->MakeCity(name, EmitCityBlocks);
    AssignRoomGroups(city, groups);
    // A make that could not list its instances keeps the old city with the old list.
    bool written = listed && city->WritePSDL(value, 2);
    return written ? 0 : 1;
}

int EditorMain(int argc, char** argv) {
    keshStartup(".", nullptr);
    if (argc < 2) {
        FatalQuit("Usage: plattor filename.sdl");
    }
    std::unique_ptr<lvlPSDL> city(new lvlPSDL);
    if (!city->LoadSDL(argv[1])) {
        FatalQuit("SDL file didn't load.");
    }
    AllocateRoomState(*city);
    remove("genbai");
    TrackCam.Init(0.0f, 0.0f, 0.0f, 150.0f);
    PolarCam.Init(150.0f, 0.0f, 0.1f);

    std::unique_ptr<GroupList> groups(new GroupList(city.get(), &RoomSelection));
    groups->InitGroups();
    bkBank* mainMenu = AddListedBank("Main Menu");
    bkBank* trackCamera = AddListedBank("Track Camera");
    groups->BuildGroupBank(AddListedBank("Groups"));
    gfxRenderStateBank(AddListedBank("Pipeline"));
    AddMainMenuWidgets(mainMenu);
    TrackCam.AddWidgets(trackCamera);
    TrackCam.TopView(1000.0f);

    LoadCatalogs();
    CityPathEditor.SetCity(city.get());
    CityPathEditor.AddWidgets(AddListedBank("Path Editor"));
    std::unique_ptr<BlockEditor> blockEditor(new BlockEditor);

    keshInitPipeline(WindowWidth, WindowHeight);
    lvlUseRglDrawers();
    gfxLightBank(AddListedBank("Light One"), gfxLights[0]);
    LoadCityTextures();

    const char* value = nullptr;
    if (GetOption("block", 0, value)) {
        delete[] CurrentBlockFile;
        CurrentBlockFile = StringDuplicate(value);
        LoadBlockData(value, city.get());
        TrackCamAutoLOD = 1;
    }
    if (GetOption("group", 0, value)) {
        groups->LoadGroupFile(value);
    }
    if (GetOption("make", 0, value)) {
        return MakeCityBatch(city.get(), groups.get(), value);
    }

    if (gfxCurrentViewport) {
        gfxCurrentViewport->Perspective(60.0f, gfxCurrentViewport->m_Aspect, 1.0f, 10000.0f);
    }
    rglSetVertexFormat(VertexFormat);
    tglInit(VertexFormat, 64, 120, 0);
    MainLoop(city.get(), blockEditor.get(), groups.get());

    tglShutdown();
    keshShutdown();
    blockEditor.reset();
    groups.reset();
    DeleteAllRoomBlocks();
    FreeRoomState();
    CityPathEditor.SetCity(nullptr);
    return 0;
}

int ExceptMain(int argc, char** argv, EditorMainFunc editorMain) {
    UnmaskInvalidOperation();
    int result = 1;
    if (!RunInFaultFrame([&] { result = editorMain(argc, argv); })) {
        PrintMessage("ExceptMain: Abnormal exit.");
        result = 1;
    }
    ClearOptions();
    return result;
}
