#include "bank/bkwinwidget.h"

#include "bank/bkwinbank.h"
#include "bank/bkwinmgr.h"
#include "data/assert.h"

bkWinWidget* bkWinWidget::Widget[MAX_WIDGETS];
int bkWinWidget::NumWidgets;

bkWinWidget* bkWinWidget::Find(int id) {
    // Ids from outside the live part of the table read as empty entries.
    struct {
        bkWinWidget* operator[](int index) const {
            return index >= 0 && index < NumWidgets ? bkWinWidget::Widget[index] : nullptr;
        }
    } Widget;
    Assert(Widget[id-BaseID]);
    return Widget[id - BaseID];
}

bkWinWidget::bkWinWidget(bkWinBank* bank)
    : m_Bank(bank), m_TitleControl(nullptr), m_RowY(bank->m_LayoutY), m_Id(0), m_Controls{},
      m_NumControls(0) {
    Assert(NumWidgets<MAX_WIDGETS);
    m_Id = BaseID + NumWidgets;
    Widget[NumWidgets++] = this;
}

// The controls go first: their last notifications still find this widget in the table. By now
// the widget is only a bkWinWidget, so a field that loses the focus as it goes commits nothing.
bkWinWidget::~bkWinWidget() {
    for (int i = 0; i < m_NumControls; ++i) {
        DestroyWindow(m_Controls[i]);
    }
    if (bkWinManager::IsDestroying()) {
        NumWidgets = 0;
        return;
    }
    int index = m_Id - BaseID;
    for (int i = index; i + 1 < NumWidgets; ++i) {
        Widget[i] = Widget[i + 1];
        Widget[i]->SetId(BaseID + i);
    }
    --NumWidgets;
    Widget[NumWidgets] = nullptr;
}

HWND bkWinWidget::AddControl(const char* className, const char* text, DWORD style,
                             DWORD exStyle) {
    if (!m_Bank->GetWindow()) {
        return nullptr;
    }
    HWND control = CreateWindowExA(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, 0,
                                   m_RowY, 0, m_Bank->m_RowHeight, m_Bank->GetWindow(),
                                   reinterpret_cast<HMENU>(static_cast<intptr_t>(m_Id)),
                                   bkWinManager::Get()->m_Module, nullptr);
    if (control) {
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(bkWinManager::Get()->m_Font),
                     FALSE);
        m_Controls[m_NumControls++] = control;
    }
    return control;
}

bool bkWinWidget::Made(HWND control) const {
    return control || !m_Bank->GetWindow();
}

void bkWinWidget::EndRow() {
    Place(m_Bank);
    m_Bank->m_LayoutY += m_Bank->m_RowHeight;
}

void bkWinWidget::Place(bkBank* bank) {
    int widths[MAX_CONTROLS] = {};
    Columns(bank->m_Width, widths);
    int x = bank->m_LayoutX;
    for (int i = 0; i < m_NumControls; ++i) {
        MoveWindow(m_Controls[i], x, m_RowY, widths[i], ControlHeight(i, bank->m_RowHeight),
                   TRUE);
        x += widths[i];
    }
}

void bkWinWidget::Move(bkBank* bank, int dy) {
    m_RowY += dy;
    Place(bank);
}

bool bkWinWidget::IsVisible() {
    return IsWindowEnabled(m_Controls[0]) != FALSE;
}

void bkWinWidget::Show() {
    for (int i = 0; i < m_NumControls; ++i) {
        ShowWindow(m_Controls[i], SW_SHOW);
        EnableWindow(m_Controls[i], TRUE);
    }
}

void bkWinWidget::Hide() {
    for (int i = 0; i < m_NumControls; ++i) {
        ShowWindow(m_Controls[i], SW_HIDE);
        EnableWindow(m_Controls[i], FALSE);
    }
}

LRESULT bkWinWidget::Command(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

void bkWinWidget::SetId(int id) {
    m_Id = id;
    for (int i = 0; i < m_NumControls; ++i) {
        SetWindowLongPtrA(m_Controls[i], GWLP_ID, id);
    }
}

void bkWinWidget::SetTitle(const char* title) {
    if (m_TitleControl) {
        SetWindowTextA(m_TitleControl, title);
    }
}
