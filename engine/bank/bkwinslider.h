#ifndef BANK_BKWINSLIDER_H
#define BANK_BKWINSLIDER_H

#include "bank/bkwinwidget.h"
#include "bank/widgets.h"

// A title, the value as an edit field and, when the slider has a step, a small horizontal
// scroll bar that steps it. Dragging the title with the left button adds to the value as the
// mouse moves. A slider with step 0 only shows the value.
class bkWinSlider : public bkSlider, public bkWinWidget {
public:
    bkWinSlider(bkWinBank* bank, const char* title, bkSliderValue* value, datCallback cb);
    ~bkWinSlider() override;

    // Shows the value when it changed since it was last shown, and then runs the callback.
    void Update() override;
    void CommitEdit(bool selectAll) override;
    // Digits; "-" first and only for signed values; one "." and only for floats.
    bool AcceptChar(HWND edit, WPARAM c) override;
    LRESULT Command(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    // Title dragging, bank/bkwindrag.
    void BeginDrag();
    void DragTo(POINT cursor);
    static void EndDrag();
    // The slider whose title is being dragged, or null: one drag at a time.
    static bkWinSlider* sm_Dragged;

protected:
    void Columns(int width, int* widths) override;

private:
    void SubclassTitle();

    HWND m_Title;
    HWND m_Edit;
    HWND m_Scroll;
};

#endif
