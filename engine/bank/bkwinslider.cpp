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
    AssertText(Made(hButton), "hButton");
    m_Title = hButton;
    HWND hEdit = AddControl("edit", "0.000",
                            WS_BORDER | ES_AUTOHSCROLL | (editable ? 0 : ES_READONLY));
    AssertText(Made(hEdit), "hEdit");
    m_Edit = hEdit;
    if (editable) {
        HWND hScroll = AddControl("scrollbar", nullptr, SBS_HORZ);
        AssertText(Made(hScroll), "hScroll");
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
    EditState state;
    ReadEdit(m_Edit, &state);
    if (m_Value->SetFromText(state.text)) {
        m_Callback.Call(0);
    }
    char shown[bkSliderValue::TEXT_SIZE];
    m_Value->Format(shown);
    // "7" typed shows as 7, not 7.0; a clamped 2.5 stays 2.5.
    char* point = strchr(shown, '.');
    if (!strchr(state.text, '.') && point) {
        char* last = shown + strlen(shown) - 1;
        while (last > point && *last == '0') {
            *last-- = 0;
        }
        if (last == point) {
            *point = 0;
        }
    }
    SetWindowTextA(m_Edit, shown);
    Reselect(m_Edit, selectAll, state);
}

bool bkWinSlider::AcceptChar(HWND edit, WPARAM c) {
    if (c == VK_BACK) {
        return true;
    }
    if (!(c >= '0' && c <= '9') && c != '-' && c != '.') {
        return false;
    }
    EditState state;
    ReadEdit(edit, &state);
    size_t length = strlen(state.text);
    size_t start = state.start < length ? state.start : length;
    size_t end = state.end < length ? state.end : length;
    end = end > start ? end : start;
    // The text as it would be after the character replaced the selection.
    char result[sizeof(state.text) + 1];
    memcpy(result, state.text, start);
    result[start] = char(c);
    strcpy(result + start + 1, state.text + end);

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
