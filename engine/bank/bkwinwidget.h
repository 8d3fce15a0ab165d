#ifndef BANK_BKWINWIDGET_H
#define BANK_BKWINWIDGET_H

#include <windows.h>

#include "bank/widget.h"

class bkBank;
class bkWinBank;

// The Win32 side of a widget of a bank window: one row of child controls that all carry the
// widget's control id, so that the bank window can route their notifications back here. Ids are
// BaseID plus the widget's index in one table shared by every bank window.
class bkWinWidget : public virtual bkWidget {
public:
    static const int MAX_WIDGETS = 5000;
    static const int BaseID = 1500;
    static const int MAX_CONTROLS = 3;

    // The widget whose controls carry the id; asserts that there is one.
    static bkWinWidget* Find(int id);
    static int Count() { return NumWidgets; }

    ~bkWinWidget() override;

    void Move(bkBank* bank, int dy) override;
    bool IsVisible() override;
    void Show() override;
    void Hide() override;

    // A notification of one of the widget's controls, as the bank window received it.
    virtual LRESULT Command(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // A new control id, given when a widget before this one in the table goes.
    virtual void SetId(int id);
    // The window text of the title control, for the widgets that have one.
    virtual void SetTitle(const char* title);

    // What the shared edit procedure asks of a widget with an editable field.
    virtual void CommitEdit(bool) {}
    virtual bool AcceptChar(HWND, WPARAM) { return true; }
    // The manager's bold font while the user types, its normal font otherwise.
    static void SetEditFont(HWND edit, bool bold);

    int GetId() const { return m_Id; }
    HWND GetControl(int index) const { return m_Controls[index]; }

protected:
    // Takes the next id and the bank's layout y as the row.
    explicit bkWinWidget(bkWinBank* bank);

    // A child control of the bank window with this widget's id and the normal font; placed by
    // Place. Returns null when Windows refuses it, or when the bank has no window.
    HWND AddControl(const char* className, const char* text, DWORD style, DWORD exStyle = 0);
    // Whether a control that AddControl returned is as it should be: made, or left out
    // because the bank's own window could not be made (which the bank has reported).
    bool Made(HWND control) const;
    // Puts the controls left to right on the row and advances the bank's layout y by one row.
    void EndRow();
    // Each control at its column of the row, sized to the bank's width.
    void Place(bkBank* bank);
    // Control widths, left to right, for a bank of the given width.
    virtual void Columns(int width, int* widths) = 0;
    // A drop-down list is as high as the list it shows.
    virtual int ControlHeight(int, int rowHeight) { return rowHeight; }

    // Subclasses an edit control with the shared edit procedure (bank/bkwinedit).
    void SubclassEdit(HWND edit);

    // A field's text and selection, as they were before a commit rewrote them.
    struct EditState {
        char text[256];
        DWORD start;
        DWORD end;
    };
    static void ReadEdit(HWND edit, EditState* state);
    // Selects the whole text, or what was selected before.
    static void Reselect(HWND edit, bool selectAll, const EditState& state);

    bkWinBank* m_Bank;
    HWND m_TitleControl;

private:
    static bkWinWidget* Widget[MAX_WIDGETS];
    static int NumWidgets;

    int m_RowY;
    int m_Id;
    HWND m_Controls[MAX_CONTROLS];
    int m_NumControls;
};

#endif
