#ifndef GFX_WINDOW_H
#define GFX_WINDOW_H

#include <windows.h>

// Messages the pipeline's window procedure does not take go to the input window procedure,
// which the input code sets when it starts; DefWindowProcA until then.
typedef LRESULT(CALLBACK* gfxWindowProcFunc)(HWND, UINT, WPARAM, LPARAM);
extern gfxWindowProcFunc gfxInputWindowProc;

// The position the window is made at: the one given to gfxSetWindowMode when windowed and not
// maximised, else (0, 0). -1 centres the window.
void gfxGetWindowPosition(int* x, int* y);

#endif
