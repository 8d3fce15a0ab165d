#include "bank/msgbox.h"

#include "bank/dialogseam.h"

#include <cstdlib>

#include "data/printer.h"

namespace {

// Unattended runs (PLATTOR_NOBOX, as for the printer's boxes) print the box instead and take
// OK, or Cancel where there is a choice: nothing waits for a click that never comes.
int RealMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    if (getenv("PLATTOR_NOBOX")) {
        PrintError("%s: %s", caption, text);
        return (type & MB_TYPEMASK) == MB_OK ? IDOK : IDCANCEL;
    }
    return MessageBoxA(owner, text, caption, type);
}

bkMessageBoxFunc sMessageBox = RealMessageBox;

// An index outside the table takes its first entry.
UINT Pick(const UINT* table, int count, int index) {
    return table[index >= 0 && index < count ? index : 0];
}

}  // namespace

bkMessageBoxFunc bkSetMessageBoxFunc(bkMessageBoxFunc function) {
    bkMessageBoxFunc previous = sMessageBox;
    sMessageBox = function ? function : RealMessageBox;
    return previous;
}

int BankMessageBox(const char* title, const char* text, int buttons, int icon) {
    static const UINT buttonTable[] = {MB_OK, MB_OKCANCEL, MB_YESNO, MB_YESNOCANCEL};
    static const UINT iconTable[] = {MB_ICONINFORMATION, MB_ICONQUESTION, MB_ICONSTOP};
    UINT type = Pick(buttonTable, 4, buttons) | Pick(iconTable, 3, icon);
    int answer = sMessageBox(GetActiveWindow(), text, title, type);
    if (answer == IDOK || answer == IDYES) {
        return 1;
    }
    return answer == IDNO ? 0 : -1;
}
