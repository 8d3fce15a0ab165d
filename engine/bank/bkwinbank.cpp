#include "bank/bkwinbank.h"

#include "bank/bkwinbutton.h"
#include "bank/bkwincombo.h"
#include "bank/bkwingroup.h"
#include "bank/bkwinmgr.h"
#include "bank/bkwinslider.h"
#include "bank/bkwintext.h"
#include "bank/bkwintoggle.h"
#include "data/assert.h"
#include "data/printer.h"

bkGroup* bkWinBank::sGroupStack[MAX_NESTED_GROUP];
int bkWinBank::sGroupStackPos = -1;

bkWinBank::bkWinBank(const char* name, int x, int y, bool notFirst)
    : LastGroup(nullptr), m_Window(nullptr), m_Relayout(true) {
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    if (x < 0) {
        x += desktop.right;
    }
    if (y < 0) {
        y += desktop.bottom;
    }
    DWORD style = WS_CAPTION | WS_THICKFRAME | WS_VSCROLL | (notFirst ? WS_SYSMENU : 0);
    m_Window = CreateWindowExA(WS_EX_TOOLWINDOW, CLASS_NAME, name ? name : "Widgets", style, x, y,
                               200, 600, nullptr, nullptr, bkWinManager::Get()->m_Module,
                               nullptr);
    if (!m_Window) {
        // The program goes on without this bank: its widgets hold their values but show
        // nothing.
        PrintError("bkWinBank: the window of bank '%s' cannot be made (error %lu)",
                   name ? name : "Widgets", GetLastError());
    }
    ShowWindow(m_Window, SW_SHOW);
    UpdateWindow(m_Window);
    RECT client = {};
    GetClientRect(m_Window, &client);
    m_Width = client.right;
    // Only now does the window procedure treat the window as this bank's.
    SetWindowLongPtrA(m_Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

bkWinBank::~bkWinBank() {
    for (int i = 0; i < NumWidgets; ++i) {
        delete Widget[i];
        Widget[i] = nullptr;
    }
    NumWidgets = 0;
    SetWindowLongPtrA(m_Window, GWLP_USERDATA, 0);
    DestroyWindow(m_Window);
}

void bkWinBank::Update() {
    if (m_Relayout) {
        Relayout(0);
    }
    bkBank::Update();
}

void bkWinBank::Invalidate() {
    m_Relayout = true;
}

bool bkWinBank::IsOpen() {
    return IsWindowVisible(m_Window) && !IsIconic(m_Window);
}

void bkWinBank::Close() {
    ShowWindow(m_Window, SW_HIDE);
}

void bkWinBank::Open() {
    ShowWindow(m_Window, SW_SHOW);
}

// The application calls this whenever it becomes active again: the banks must not take the
// activation from the window that the user just clicked.
void bkWinBank::SetOnTop(bool onTop) {
    if (!IsWindowVisible(m_Window)) {
        return;
    }
    UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    if (onTop) {
        SetWindowPos(m_Window, HWND_TOPMOST, 0, 0, 0, 0, flags);
    } else {
        SetWindowPos(m_Window, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
        SetWindowPos(m_Window, HWND_TOP, 0, 0, 0, 0, flags);
    }
}

void bkWinBank::GetConfig(bool* open, int* x, int* y, int* width, int* height) {
    *open = IsWindowVisible(m_Window) != FALSE;
    RECT window = {};
    GetWindowRect(m_Window, &window);
    *x = window.left;
    *y = window.top;
    *width = window.right - window.left;
    *height = window.bottom - window.top;
}

// The new width re-lays the rows at their unscrolled places, so the window starts at its top.
void bkWinBank::SetConfig(bool open, int x, int y, int width, int height) {
    ScrollToTop();
    ShowWindow(m_Window, open ? SW_SHOW : SW_HIDE);
    MoveWindow(m_Window, x, y, width, height, TRUE);
    RECT client = {};
    GetClientRect(m_Window, &client);
    SetWidth(client.right);
}

template <typename Widget, typename... Args>
Widget* bkWinBank::Append(Args... args) {
    ScrollToTop();
    Widget* widget = new Widget(this, args...);
    AddWidget(widget);
    return widget;
}

bkButton* bkWinBank::AddButton(const char* title) {
    return Append<bkWinButton>(title, NullCallback, true);
}

bkButton* bkWinBank::AddButton(const char* title, datCallback cb) {
    return Append<bkWinButton>(title, cb, false);
}

bkText* bkWinBank::AddText(const char* title, char* text, int size, bool readOnly,
                           datCallback cb) {
    return Append<bkWinText>(title, text, size, readOnly, cb);
}

bkToggle* bkWinBank::AddToggle(const char* title, uint8_t* value, uint8_t mask,
                               datCallback cb) {
    return Append<bkWinToggle>(title, value, mask, cb);
}

bkToggle* bkWinBank::AddToggle(const char* title, uint16_t* value, uint16_t mask,
                               datCallback cb) {
    return Append<bkWinToggle>(title, value, mask, cb);
}

bkToggle* bkWinBank::AddToggle(const char* title, uint32_t* value, uint32_t mask,
                               datCallback cb) {
    return Append<bkWinToggle>(title, value, mask, cb);
}

bkToggle* bkWinBank::AddToggle(const char* title, uint32_t* value, datCallback cb) {
    return Append<bkWinToggle>(title, value, cb);
}

bkToggle* bkWinBank::AddToggle(const char* title, uint8_t* value, datCallback cb) {
    return Append<bkWinToggle>(title, value, cb);
}

bkSlider* bkWinBank::AddSlider(const char* title, bkSliderValue* value, datCallback cb) {
    return Append<bkWinSlider>(title, value, cb);
}

bkCombo* bkWinBank::AddCombo(const char* title, int32_t* value, int count, const char** names,
                             int offset, datCallback cb) {
    return Append<bkWinCombo>(title, value, count, names, offset, cb);
}

bkCombo* bkWinBank::AddCombo(const char* title, uint8_t* value, int count, const char** names,
                             int offset, datCallback cb) {
    return Append<bkWinCombo>(title, value, count, names, offset, cb);
}

// The group stack is shared by all bank windows: pushes and pops of two banks must not
// interleave.
bkGroup* bkWinBank::PushGroup(const char* title, bool open) {
    bkWinGroup* group = Append<bkWinGroup>(title, open);
    group->m_First = NumWidgets;
    if (LastGroup) {
        LastGroup->m_Next = group;
        group->m_Prev = LastGroup;
    }
    LastGroup = group;
    Assert(sGroupStackPos+1<MAX_NESTED_GROUP);
    sGroupStack[++sGroupStackPos] = group;
    return group;
}

bkGroup* bkWinBank::PopGroup() {
    Assert(NumWidgets>0);
    Assert(LastGroup);
    Assert(sGroupStackPos>=0);
    bkGroup* group = sGroupStack[sGroupStackPos];
    group->m_Last = NumWidgets - 1;
    if (!group->m_Open) {
        ShowRange(group, false);
    }
    --sGroupStackPos;
    return sGroupStackPos >= 0 ? sGroupStack[sGroupStackPos] : nullptr;
}

// An opened group may grow the window by the rows it brought back.
void bkWinBank::ShowRange(bkGroup* group, bool show) {
    int before = m_LayoutY;
    bkBank::ShowRange(group, show);
    Relayout(m_LayoutY - before);
}

bool bkWinBank::RemoveWidget(int index) {
    ScrollToTop();
    return bkBank::RemoveWidget(index);
}

bool bkWinBank::RemoveWidget(bkWidget* widget) {
    ScrollToTop();
    return bkBank::RemoveWidget(widget);
}
