#ifndef BANK_BKWINGROUP_H
#define BANK_BKWINGROUP_H

#include "bank/bkwinwidget.h"
#include "bank/widgets.h"

// The header of a foldable run of widgets: a push-like check button in the bold font, pressed
// while the group is open. A click folds or unfolds the group's rows.
class bkWinGroup : public bkGroup, public bkWinWidget {
public:
    bkWinGroup(bkWinBank* bank, const char* title, bool open);
    // Leaves the bank's list of groups joined around it.
    ~bkWinGroup() override;

    LRESULT Command(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    void Columns(int width, int* widths) override;
};

#endif
