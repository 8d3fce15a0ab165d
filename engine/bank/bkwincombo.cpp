#include "bank/bkwincombo.h"

#include "data/assert.h"

void bkWinCombo::Create(const char* title, int count, const char** names) {
    if (title) {
        HWND hTitle = AddControl("static", title, SS_CENTERIMAGE);
        AssertText(Made(hTitle), "hTitle");
        m_TitleControl = hTitle;
    }
    HWND hCombo = AddControl("combobox", nullptr, CBS_DROPDOWNLIST | WS_VSCROLL | WS_BORDER);
    AssertText(Made(hCombo), "hCombo");
    m_List = hCombo;
    EndRow();
    // The items come after the row is placed: a list sized before it would drop down empty.
    m_Count = 0;
    SetItems(count, names);
}

void bkWinCombo::Columns(int width, int* widths) {
    if (m_TitleControl) {
        widths[1] = int(width * 0.47f);
        widths[0] = width - widths[1];
    } else {
        widths[0] = width;
    }
}

int bkWinCombo::ControlHeight(int index, int rowHeight) {
    bool list = index == (m_TitleControl ? 1 : 0);
    return list ? GetSystemMetrics(SM_CYSCREEN) : rowHeight;
}

void bkWinCombo::CountItems() {
    LRESULT count = SendMessageA(m_List, CB_GETCOUNT, 0, 0);
    m_Count = count > 0 ? int(count) : 0;
}

void bkWinCombo::ShowIndex() {
    SendMessageA(m_List, CB_SETCURSEL, GetIndex(), 0);
}

// The shown index starts at the value's own, so that the first update runs no callback.
void bkWinCombo::SetItems(int numitems, const char** list) {
    Assert(numitems==0 || list!=NULL);
    for (int i = 0; i < numitems; ++i) {
        Assert(list[i]);
        SendMessageA(m_List, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(list[i]));
    }
    CountItems();
    m_LastShown = GetIndex();
    ShowIndex();
}

void bkWinCombo::AddItem(const char* choice) {
    Assert(choice!=NULL);
    SendMessageA(m_List, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice));
    CountItems();
    m_LastShown = GetIndex();
    ShowIndex();
}

void bkWinCombo::Select(int index) {
    if (index >= 0 && index < m_Count) {
        SetIndex(index);
    } else {
        int current = GetIndex();
        current = current < m_Count - 1 ? current : m_Count - 1;
        SetIndex(current > 0 ? current : 0);
    }
    ShowIndex();
}

void bkWinCombo::RemoveItem(int index) {
    if (index < 0) {
        return;
    }
    SendMessageA(m_List, CB_DELETESTRING, index, 0);
    CountItems();
    SetIndex(0);
    ShowIndex();
}

void bkWinCombo::Clear() {
    SendMessageA(m_List, CB_RESETCONTENT, 0, 0);
    CountItems();
}

void bkWinCombo::Update() {
    int index = GetIndex();
    if (index != m_LastShown) {
        ShowIndex();
        m_LastShown = index;
        m_Callback.Call(0);
    }
}

LRESULT bkWinCombo::Command(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && HIWORD(wParam) == CBN_SELCHANGE) {
        LRESULT chosen = SendMessageA(m_List, CB_GETCURSEL, 0, 0);
        if (chosen != CB_ERR) {
            SetIndex(int(chosen));
            m_LastShown = int(chosen);
            m_Callback.Call(0);
        }
        return 0;
    }
    return bkWinWidget::Command(window, message, wParam, lParam);
}
