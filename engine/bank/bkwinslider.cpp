#include "bank/bkwinslider.h"

#include <cstring>

#include "bank/bkwinmgr.h"
#include "data/assert.h"

bkWinSlider::bkWinSlider(bkWinBank* bank, const char* title, bkSliderValue* value,
                         datCallback cb)
    : bkSlider(value, cb), bkWinWidget(bank), m_Title(nullptr), m_Edit(nullptr),
      m_Scroll(nullptr) {
    bool editable = m_Value->GetDelta() != 0;
    HWND hButton = editable ? AddControl("button", title, BS_PUSHBUTTON | BS_NOTIFY)
                            : AddControl("static", title, 0);
    Assert(hButton);
    m_Title = hButton;
    HWND hEdit = AddControl("edit", "0.000",
                            WS_BORDER | ES_AUTOHSCROLL | (editable ? 0 : ES_READONLY));
    Assert(hEdit);
    m_Edit = hEdit;
    if (editable) {
        HWND hScroll = AddControl("scrollbar", nullptr, SBS_HORZ);
        Assert(hScroll);
        m_Scroll = hScroll;
        // A read-out field must not commit: its shown text is rounded.
        SubclassEdit(m_Edit);
        SubclassTitle();
    }
    EndRow();
}

bkWinSlider::~bkWinSlider() {
    if (sm_Dragged == this) {
        EndDrag();
    }
    ReleaseControl(m_Edit);
    ReleaseControl(m_Title);
}

void bkWinSlider::Columns(int width, int* widths) {
    if (m_Scroll) {
        widths[1] = int(width * 0.2941f);
        widths[2] = int(width * 0.17647f);
        widths[0] = width - widths[1] - widths[2];
    } else {
        widths[1] = int(width * (0.17647f + 0.2941f));
        widths[0] = width - widths[1];
    }
}

void bkWinSlider::Update() {
    char text[bkSliderValue::TEXT_SIZE];
    if (m_Value->UpdateText(text)) {
        m_Callback.Call(0);
        SetWindowTextA(m_Edit, text);
    }
}

void bkWinSlider::CommitEdit(bool selectAll) {
    if (bkWinManager::IsDestroying()) {
        return;
    }
    char text[256];
    GetWindowTextA(m_Edit, text, sizeof(text));
    bool typedPoint = strchr(text, '.') != nullptr;
    DWORD start = 0;
    DWORD end = 0;
    SendMessageA(m_Edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    if (m_Value->SetFromText(text)) {
        m_Callback.Call(0);
    }
    char shown[bkSliderValue::TEXT_SIZE];
    m_Value->Format(shown);
    // "7" typed shows as 7, not 7.0.
    char* point = strchr(shown, '.');
    if (!typedPoint && point) {
        char* last = shown + strlen(shown) - 1;
        while (last > point && *last == '0') {
            *last-- = 0;
        }
        if (last == point) {
            *point = 0;
        }
    }
    SetWindowTextA(m_Edit, shown);
    if (selectAll) {
        SendMessageA(m_Edit, EM_SETSEL, 0, -1);
    } else {
        SendMessageA(m_Edit, EM_SETSEL, start, end);
    }
}

bool bkWinSlider::AcceptChar(HWND edit, WPARAM c) {
    if (c == VK_BACK) {
        return true;
    }
    if (!(c >= '0' && c <= '9') && c != '-' && c != '.') {
        return false;
    }
    char text[256];
    GetWindowTextA(edit, text, sizeof(text));
    DWORD start = 0;
    DWORD end = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    size_t length = strlen(text);
    start = start < length ? start : length;
    end = end < length ? end : length;
    end = end > start ? end : start;
    // The text as it would be after the character replaced the selection.
    char result[258];
    memcpy(result, text, start);
    result[start] = char(c);
    strcpy(result + start + 1, text + end);

    const char* minus = strchr(result, '-');
    if (minus && (minus != result || strchr(minus + 1, '-') || !m_Value->IsSigned())) {
        return false;
    }
    const char* point = strchr(result, '.');
    if (point && (strchr(point + 1, '.') || !m_Value->IsFloat())) {
        return false;
    }
    return true;
}

LRESULT bkWinSlider::Command(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_HSCROLL) {
        return bkWinWidget::Command(window, message, wParam, lParam);
    }
    CommitEdit(false);
    SetEditFont(m_Edit, false);
    if (LOWORD(wParam) == SB_LINELEFT) {
        m_Value->Decrement();
    } else if (LOWORD(wParam) == SB_LINERIGHT) {
        m_Value->Increment();
    }
    Update();
    return 0;
}
