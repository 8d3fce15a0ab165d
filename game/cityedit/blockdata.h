#ifndef CITYEDIT_BLOCKDATA_H
#define CITYEDIT_BLOCKDATA_H

#include <cstdint>

#include "vector/vector3.h"

class BlockEditor;
class CityBlock;
class GroupList;
class lvlPSDL;
class modStatic;
struct Stream;
struct modShader;

// The block edited for each room, the extra models placed in rooms, and what moves them
// between the city, the block files and the processed city.

const int MAX_ROOM_BLOCKS = 2048;
const int MAX_EXTRAS = 128;
// The room type bits of a room that may carry a block.
const uint8_t BlockRoom = 0x05;
const int MAX_EDIT_PERIMETER = 512;

// An extra model standing in a room, listed beside the block file.
struct ExtraRecord {
    char* m_Name = nullptr;
    int32_t m_Room = 0;
    modStatic* m_Model = nullptr;
    modShader** m_Shaders = nullptr;
    int m_ShaderVariants = 0;
    int m_ShadersPerVariant = 0;
    Vector3 m_Position;
};

extern ExtraRecord Extras[MAX_EXTRAS];
extern int32_t ExtraCount;

// The slot of the room's block (null when it has none); asserts the room is below 2048.
CityBlock*& GetRoomBlock(int room);
// Frees the room's block; a block editor that edits it lets it go first.
void DeleteRoomBlock(int room);
// The room has a type bit of BlockRoom and is a room of the city.
bool RoomCarriesBlock(const lvlPSDL* city, uint32_t room);
// The block of a room that carries one; null for none, and for a number outside the city or
// the block table.
CityBlock* FindRoomBlock(const lvlPSDL* city, int room);
// Hands the room's block to the block editor, made first from the room's perimeter (at most
// MAX_EDIT_PERIMETER vertices, one lot) when the room has none, and switches to "Block
// Assign" on that room. Nothing for -1 or a room that cannot carry a block; a room past the
// block table is refused with a warning.
void EditRoomBlock(lvlPSDL* city, BlockEditor* editor, int room);
// Frees every block and every extra.
void DeleteAllRoomBlocks();
void ClearExtras();

// Reads "<name>.block" from "city": each block goes to the room it matches (its perimeter on
// the room's, else the room whose centroid is nearest within 25 units; with the option autosew
// moved and snapped onto it); a block that matches no room is shown and discarded. Then the
// extras listed in "<name>.extra", which replace any loaded before.
void LoadBlockData(const char* name, lvlPSDL* city);
// The extras listed in "city/<name>.extra" (the block file's name without its extension),
// added to those loaded before; at most MAX_EXTRAS in all.
void LoadExtras(const char* blockName, lvlPSDL* city);
// Writes the blocks of every room, or of the selected rooms when a selection is given, to the
// asset name with the extension "block", after renaming an existing file to "<file>.bak".
// False, after a message box, when the file cannot be written.
bool SaveBlockData(const char* name, lvlPSDL* city, const uint8_t* selection);
// The blocks as SaveBlockData writes them, then "end".
void WriteBlockRecords(Stream* stream, lvlPSDL* city, const uint8_t* selection);
// Removes "<name>.bak" and renames the file to it.
void BackupFile(const char* name);

// Snaps every block vertex onto the room's perimeter, with tolerances 0.25, 0.5, 1 and 2.
void SewBlockToRoom(lvlPSDL* city, int room, CityBlock* block);
// Moves each perimeter vertex of the room onto the nearest join point in x and z; a point 2
// units or more away is reported and left.
void SewJoinLine(lvlPSDL* city, int room, const Vector3* points, int count);

// The make's emitter: every room's block compiled into its room, then every extra as an
// instance of its room.
void EmitCityBlocks(lvlPSDL* city);
// Group bytes from the groups "n01" to "n99": the highest n naming a room wins; 0 elsewhere.
void AssignRoomGroups(lvlPSDL* city, const GroupList* groups);

#endif
