#ifndef CITYEDIT_PLATTOR_H
#define CITYEDIT_PLATTOR_H

#include "data/fault.h"

class GroupList;
class lvlPSDL;

typedef int (*EditorMainFunc)(int argc, char** argv);

// The editor's program: starts the engine, loads the city named by the first argument, builds
// the menus, handles the options block, group and make, and runs the editor. Returns 0, or the
// result of the batch make.
int EditorMain(int argc, char** argv);

// Runs the editor's program inside the outermost fault frame with invalid floating-point
// operations trapping. A fault is reported, "ExceptMain: Abnormal exit." follows and the
// result is 1. The options are freed either way.
int ExceptMain(int argc, char** argv, EditorMainFunc editorMain = EditorMain);

// The batch make under the option's value: the instance list and the processed city (cut of
// its extension for the list), with the room groups assigned. 0 when both were written whole,
// else 1.
int MakeCityBatch(lvlPSDL* city, const GroupList* groups, const char* value);

// Cuts the name at the '.' that starts its extension: the last (or with first set, the first)
// '.' after the last '\', '/' or ':'. A name without one stays as it is.
void CutExtension(char* name, bool first);

// Runs the body inside a fault frame that, on a fault, saves every room's block to the
// current block file's name with ".CRASH.block" appended ("CRASH.block" without one) and ends
// the program with a fatal message. Returns when the body returns.
void RunWithCrashSave(lvlPSDL* city, FaultBody body, void* user);

#endif
