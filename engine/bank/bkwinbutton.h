#ifndef BANK_BKWINBUTTON_H
#define BANK_BKWINBUTTON_H

#include "bank/bkwinwidget.h"
#include "bank/widgets.h"

// A push button that runs its callback when clicked, or a centred label.
class bkWinButton : public bkButton, public bkWinWidget {
public:
    bkWinButton(bkWinBank* bank, const char* title, datCallback cb, bool label);

    LRESULT Command(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    void Columns(int width, int* widths) override;
};

#endif
