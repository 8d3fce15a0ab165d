#include "bank/bkwintext.h"

#include <cstring>

#include "data/assert.h"

namespace {

// At most size - 1 characters and the terminator: the edit control's limit binds only typing.
void CopyText(char* dest, const char* source, int size) {
    if (size <= 0) {
        return;
    }
    strncpy(dest, source, size - 1);
    dest[size - 1] = 0;
}

}  // namespace

bkWinText::bkWinText(bkWinBank* bank, const char* title, char* text, int size, bool readOnly,
                     datCallback cb)
    : bkText(text, size, cb), bkWinWidget(bank), m_Edit(nullptr) {
    if (title) {
        HWND hTitle = AddControl("static", title, SS_NOTIFY);
        AssertText(Made(hTitle), "hTitle");
        m_TitleControl = hTitle;
    }
    HWND hEdit = AddControl("edit", m_Copy.get(),
                            WS_BORDER | ES_AUTOHSCROLL | (readOnly ? ES_READONLY : 0));
    AssertText(Made(hEdit), "hEdit");
    m_Edit = hEdit;
    SendMessageA(m_Edit, EM_LIMITTEXT, size > 1 ? size - 1 : 1, 0);
    if (!readOnly) {
        SubclassEdit(m_Edit);
    }
    EndRow();
}

void bkWinText::Columns(int width, int* widths) {
    int label = m_TitleControl ? int(width * 0.47f) : 0;
    widths[0] = label;
    widths[m_TitleControl ? 1 : 0] = width - label;
}

void bkWinText::Update() {
    if (m_Size <= 1 || strncmp(m_Text, m_Copy.get(), m_Size - 1) == 0) {
        return;
    }
    CopyText(m_Copy.get(), m_Text, m_Size);
    SetWindowTextA(m_Edit, m_Copy.get());
    m_Callback.Call(0);
}

void bkWinText::CommitEdit(bool selectAll) {
    EditState state;
    ReadEdit(m_Edit, &state);
    CopyText(m_Text, state.text, m_Size);
    Update();
    Reselect(m_Edit, selectAll, state);
}
