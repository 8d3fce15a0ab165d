#ifndef CITYEDIT_BLOCKEDITOR_H
#define CITYEDIT_BLOCKEDITOR_H

#include <cstdint>
#include <string>
#include <vector>

#include "data/base.h"
#include "vector/vector3.h"

class BlockLandmark;
class BlockLot;
class CityBlock;
class ElementCatalog;
class bkBank;
class bkPopupMenu;
struct BlockVertex;
class dcPick;
class lvlPSDL;
class lvlSDL;

// The tool that reshapes one city block in the 3D view: in "Block Digitize" its vertices and
// edges, in "Block Assign" what stands on its lots. One lives for the whole run; the room-block
// table owns the block it edits, the editor owns the snapshots of its undo history.
class BlockEditor : public Base {
public:
    static const int UNDO_DEPTH = 16;

    // Sets every field to its start value, applies the options notile and noslivers and builds
    // the banks "Block Editor" and "Block Attributes".
    BlockEditor();
    ~BlockEditor() override;
    BlockEditor(const BlockEditor&) = delete;
    BlockEditor& operator=(const BlockEditor&) = delete;

    // Another block than the edited one empties the undo history first.
    void SetEditedBlock(CityBlock* block, int room);
    // The room-block table frees a block: the living editor that edits it lets it go, and any
    // capture with it, so that it never works on a freed block.
    static void ReleaseBlock(const CityBlock* block);
    CityBlock* GetEditedBlock() const { return m_Block; }

    // The frame's work while a block mode is on: hover picking and read-outs, then the mouse,
    // wheel, menu and keys of the mode (the digitize flag chooses). The pick object is not read.
    void UpdateBlockEditor(dcPick* pick, lvlPSDL* city);
    // The room outline, every lot with what stands on it, and the editing marks.
    void DrawBlockLots(dcPick* pick, lvlPSDL* city);
    void DrawBlockOverlay(int lot, bool current, lvlPSDL* city);

    // Runs one command in its own undo group, so that it leaves one snapshot.
    void DoBlockMenuCommand(int id);

    // The edits of "Block Digitize", on the current lot.
    void InsertVertexAtCursor();
    void AnchorEdge();
    void MakeEdgeToAnchor();
    void DeleteCurrentEdge();
    void DeleteCurrentVertex();
    void StepCursorOverCorner();
    void ResetBlockToPerimeter();

    // The undo history: snapshots of the whole block taken after each command.
    void BeginUndoGroup();
    void EndUndoGroup();
    void PushUndo();
    void Undo();
    void Redo();
    void ClearUndo();

    // Bank callbacks.
    void AdjustVertexX();
    void AdjustVertexY();
    void AdjustVertexZ();
    void ToggleLabelWalls();
    void ToggleAutoTileWalls();
    void ToggleDrawSlivers();

    // Undo history: m_UndoPosition is the number (from 1) of the snapshot the block equals,
    // 0 while the history is empty; snapshots 1..m_UndoCount are m_Snapshots[0..count-1].
    int32_t m_UndoPosition;
    int32_t m_UndoCount;
    CityBlock* m_Snapshots[UNDO_DEPTH];
    CityBlock* m_Block;
    int32_t m_DrawMode;
    int32_t m_Room;
    int32_t m_CurrentLot;
    int32_t m_CurrentEdge;    // lot-relative: lot vertex e to e+1, cyclic
    int32_t m_CurrentVertex;  // lot-relative
    int32_t m_Anchor;         // lot-relative; -1 none
    float m_CursorParameter;  // along the current edge, 0 to 1
    int32_t m_LastCommand;
    uint8_t m_HoverPicking;
    uint8_t m_Debug;
    uint8_t m_Capture;
    uint8_t m_OppositeShown;
    uint8_t m_Digitize;
    int32_t m_FacadeGroup;
    int32_t m_PropGroup;
    int32_t m_CurrentWall, m_CurrentGround, m_CurrentFacade, m_CurrentSliver, m_CurrentExtra;
    int32_t m_AlternateWall, m_AlternateGround, m_AlternateFacade;
    int32_t m_UndoNesting;
    Vector3 m_Cursor;
    Vector3 m_OppositeCursor;
    float m_GroundValue;
    float m_WallWidth;
    const char* m_HelpText;
    // Squared screen distance from the mouse to the current vertex; 1e10 without hover picking.
    float m_HoverDistance;
    // The landmark dialogs' choices of commands 17 and 26, kept from one use to the next.
    char m_LandmarkFile[256] = {};
    char m_FixedLandmarkFile[256] = {};

private:
    // The item names of a combo over a catalogue's elements or groups, kept by the editor for
    // the bank that shows them.
    struct CatalogNames {
        // "none" and then the name of every element.
        void Fill(const ElementCatalog& catalog);
        void FillGroups(const ElementCatalog& catalog);
        void AddCombo(bkBank* bank, const char* title, int32_t* value);

        std::vector<std::string> m_Names;
        std::vector<const char*> m_Pointers;

    private:
        void Point();
    };

    void BuildBanks();
    void AddEditorWidgets(bkBank* bank);
    void AddAttributeWidgets(bkBank* bank);
    // Steps 1 to 5 of the frame: hover pick, vertex and height read-outs, edge cursor,
    // opposite cursor.
    void HoverPick();
    // Brings the current lot, edge, vertex and anchor back into the block (the first lot, its
    // first edge and vertex, no anchor); false when there is no lot with vertices to show.
    bool KeepCurrentInLot();
    // The city's room of the edited block; null without a city or for a room it lacks.
    lvlSDL* EditedRoom(const lvlPSDL* city) const;
    // The position of lot vertex i of the lot, counted round the lot (i >= 0).
    Vector3& LotPoint(int lot, int i) const;
    void UpdateReadouts();
    void UpdateCursor();
    void UpdateOppositeCursor();
    // The rest of the frame: mouse, wheel and menu by mode, then the keys.
    void UpdateInput(lvlPSDL* city);
    void UpdateDigitize(lvlPSDL* city);
    void UpdateAssign();
    void UpdateLandmarkAdjust();
    void UpdateKeys();
    // A command without its undo group; AssignToLot the commands that dress the current lot.
    void ExecuteCommand(int id);
    void AssignToLot(int id, BlockLot& lot);
    void SewLandmark(BlockLandmark& landmark);
    void AddAssignItem(bkPopupMenu& menu, int id) const;
    void ShowAssignMenu();
    void DestroySnapshot(int index);
    // Undo (-1) or Redo (+1): to the nearest held snapshot that way.
    void StepHistory(int step);
    void AdjustVertex(float Vector3::*axis);
    // The block vertex of the current lot's current vertex; null when there is no block or
    // either index is out of range.
    BlockVertex* CurrentVertex() const;

    // The editor of the run; null when none lives.
    static BlockEditor* sm_Living;
    bkBank* m_EditorBank = nullptr;
    bkBank* m_AttributeBank = nullptr;
    CatalogNames m_FloorNames;
    CatalogNames m_WallNames;
    CatalogNames m_FacadeNames;
    CatalogNames m_FacadeGroupNames;
    CatalogNames m_PropGroupNames;
};

// The read-outs and settings of the "Block Attributes" bank, shared by the whole editor.
extern float BlockLowPerimeterY;
extern float BlockHighPerimeterY;
extern float BlockSliverHeight;
extern float BlockFacadeHeight;
extern float BlockSnapStep;
extern float BlockEdgeLength;
extern float BlockVertexToCursor;
extern int32_t BlockSegmentCount;
extern uint8_t BlockSnapOn;
extern uint8_t BlockSnapCCW;
extern Vector3 BlockVertexPosition;
extern Vector3 BlockVertexAdjust;
extern Vector3 BlockLandmarkPosition;
extern float BlockRotationDelta;
extern Vector3 BlockMoveDelta;
extern uint8_t BlockLabelWalls;
extern uint8_t BlockAutoTileWalls;
extern uint8_t BlockDrawSlivers;

#endif
