#ifndef BANK_DIALOGSEAM_H
#define BANK_DIALOGSEAM_H

#include <windows.h>
#include <commdlg.h>

// The one Win32 call behind each modal utility of the banks, replaceable so that a test of code
// that asks the user can script the answer instead of waiting on a box, dialog or menu. Each
// setter returns the function it replaces; a null function restores the Win32 call.

// In place of MessageBoxA, for BankMessageBox.
typedef int (*bkMessageBoxFunc)(HWND owner, const char* text, const char* caption, UINT type);
bkMessageBoxFunc bkSetMessageBoxFunc(bkMessageBoxFunc function);

// In place of GetOpenFileNameA (save false) and GetSaveFileNameA (save true), for bkGetFileName
// and bkFileDialog.
typedef BOOL (*bkFileDialogFunc)(OPENFILENAMEA* dialog, bool save);
bkFileDialogFunc bkSetFileDialogFunc(bkFileDialogFunc function);

// In place of TrackPopupMenu, for bkPopupMenu::Track.
typedef int (*bkTrackPopupFunc)(HMENU menu, UINT flags, int x, int y, HWND owner);
bkTrackPopupFunc bkSetTrackPopupFunc(bkTrackPopupFunc function);

#endif
