// The commands that the Main Menu's buttons post to the frame loop: save and load block data,
// make the drivable city.
#include "cityedit/mainloop.h"

#include <cstdio>
#include <cstring>

#include "bank/filedialog.h"
#include "bank/msgbox.h"
#include "city/psdl.h"
#include "cityedit/blockdata.h"
#include "cityedit/blockeditor.h"
#include "cityedit/editor.h"
#include "cityedit/plattor.h"
#include "cityedit/selection.h"
#include "data/printer.h"
#include "data/string.h"
#include "input/event.h"
#include "input/input.h"

namespace {

const int ButtonsYesNo = 2;
const int IconQuestion = 1;
const int Yes = 1;
const int TargetSize = 2;
const char* const MarkerFile = "genbai";

bool AskFile(char* buffer, bool save, const char* filter, const char* description) {
    SeedCityDialog(buffer, MainDialogBuffers::Size);
    return bkFileDialog(buffer, MainDialogBuffers::Size, filter, save, description);
}

void SaveBlocks(lvlPSDL* city, MainDialogBuffers& buffers) {
    if (AskFile(buffers.m_SaveBlock, true, "*.block", "City Block File")) {
        SaveBlockData(buffers.m_SaveBlock, city, nullptr);
    }
}

// The loader replaces the blocks of the rooms it fills; the block editor lets its block go
// first, so that no frame works on a freed block.
void LoadBlocks(lvlPSDL* city, BlockEditor* editor, MainDialogBuffers& buffers) {
    if (!AskFile(buffers.m_LoadBlock, false, "*.block", "City Block File")) {
        return;
    }
    if (editor) {
        BlockEditor::ReleaseBlock(editor->GetEditedBlock());
    }
    CurrentRoom = -1;
    delete[] CurrentBlockFile;
    CurrentBlockFile = StringDuplicate(buffers.m_LoadBlock);
    LoadBlockData(buffers.m_LoadBlock, city);
}

// True when the instance list and the processed city were written whole: the editor then
// exits as it said it would. A failure keeps the editor running, so that the blocks can be
// saved and the make tried again; the writers have said what went wrong.
bool MakeDrivableCity(lvlPSDL* city, const GroupList* groups, MainDialogBuffers& buffers) {
    int answer = BankMessageBox(
        "Confirm Exit",
        "PLATTOR will exit after creating the drivable city.  Please make sure you've saved your "
        "block data.  Are you sure you want to save and exit now?",
        ButtonsYesNo, IconQuestion);
    if (answer != Yes ||
        !AskFile(buffers.m_ProcessedCity, true, "*.psdl", "Processed SDL File")) {
        return false;
    }
    if (FILE* marker = fopen(MarkerFile, "wb")) {
        fclose(marker);
    }
    char name[MainDialogBuffers::Size];
    strcpy(name, buffers.m_ProcessedCity);
    CutExtension(name, false);
    bool listed = city->MakeCity(name, EmitCityBlocks);
    AssignRoomGroups(city, groups);
    bool written = city->WritePSDL(name, TargetSize);
    if (listed && written) {
        return true;
    }
    // No drivable city was made, so nothing is to be built from it.
    remove(MarkerFile);
    PrintError("Make Drivable City: the city was not written whole; PLATTOR keeps running.");
    return false;
}

// The keyboard is read in the background, so what was typed into a command's dialogs waits in
// its buffer as presses of the editor's own keys: a file name with a "t" would move the camera
// to the top view. Those presses were the dialog's.
void DropTypedKeys() {
    uint8_t typed[inpBufferedItems];
    inpReadKeyboardBuffer(typed, inpBufferedItems);
}

}  // namespace

bool RunMainCommand(uint32_t code, lvlPSDL* city, BlockEditor* editor, const GroupList* groups,
                    MainDialogBuffers& buffers) {
    switch (code) {
    case SaveBlockDataCommand:
        SaveBlocks(city, buffers);
        return false;
    case LoadBlockDataCommand:
        LoadBlocks(city, editor, buffers);
        return false;
    case MakeCityCommand:
        return MakeDrivableCity(city, groups, buffers);
    default:
        return false;
    }
}

bool RunMainCommands(lvlPSDL* city, BlockEditor* editor, const GroupList* groups,
                     MainDialogBuffers& buffers) {
    inpEvent event;
    uint32_t cursor = 0;
    bool ran = false;
    while (inpPeekEvent(event, cursor)) {
        if (event.type != inpCommand) {
            continue;
        }
        ran = true;
        if (RunMainCommand(event.data, city, editor, groups, buffers)) {
            return true;
        }
    }
    if (ran) {
        DropTypedKeys();
    }
    return false;
}
