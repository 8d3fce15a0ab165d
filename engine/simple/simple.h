#ifndef SIMPLE_SIMPLE_H
#define SIMPLE_SIMPLE_H

#include <cstdint>

#include "bank/bkmgr.h"

// Starts and stops the engine for a program: the engine settings taken from the options, the
// bank manager with its hot keys, the pipeline, and the begin and end of each frame.

// 0 off, 1 check the heap in the first frame only, 2 at the start and end of every frame.
extern int32_t keshMemCheckMode;
// Set by checkleaks: the heap is checked once more when the process ends.
extern bool keshCheckAtExit;

// The target colour that keshBeginFrame clears to.
const uint32_t keshClearColour = 0xFF0A0A1E;

// keshInit (root, hierarchical names), then keshInitBank (layoutPrefix).
void keshStartup(const char* root, const char* layoutPrefix);
// Options: path (asset root, else defaultRoot), flat or hier (else defaultFlat), texcache,
// nowarnings, checkmemslow, checkmemfast, checkleaks.
void keshInit(const char* defaultRoot, bool defaultFlat);
// The bank manager of the kind the options ask for, then the hot keys of the user. A non-null
// prefix goes in front of the default layout file name.
void keshInitBank(const char* layoutPrefix);
// remote, else local or fs (in-window banks), else the Win32 banks.
bkManagerFactory keshBankFactory();
// A window at the default place with the options' mode (width by height by 16 bits and a
// 16-bit depth buffer unless they say otherwise); the banks' first update (their layout file)
// runs before the pipeline starts.
void keshInitPipeline(int width, int height);
void keshBeginFrame(bool clear);
void keshEndFrame();
// True once after the window was closed.
bool keshWantsQuit();
// The pipeline, then the bank manager (which writes its layout file), then every hash table
// (the options among them).
void keshShutdown();

// True when the process heap is intact.
bool keshCheckHeap();

#endif
