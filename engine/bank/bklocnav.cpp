// In-window banks: keypad navigation and the lines drawn for the shown bank.
#include "bank/bklocbank.h"
#include "data/assert.h"

// The cursor and the first shown line stay within the widgets, which may have been removed.
// An empty bank still closes, or once shown it could never be left.
void bkLocBank::Update() {
    float amount = 0;
    int code = ReadNavigation(&amount);
    if (NumWidgets == 0) {
        if (code == NavClose) {
            Close();
        }
        return;
    }
    if (ActiveWidget >= NumWidgets) {
        ActiveWidget = NumWidgets - 1;
    }
    if (m_FirstShown > ActiveWidget) {
        m_FirstShown = ActiveWidget;
    }
    bkLocWidget* active = GetLocWidget(ActiveWidget);
    switch (code) {
    case NavUp:
        MoveUp();
        break;
    case NavDown:
        MoveDown();
        break;
    case NavStepDown:
        active->Adjust(-1.0f);
        active->Press();
        break;
    case NavStepUp:
        active->Adjust(1.0f);
        active->Press();
        break;
    case NavPress:
        active->Press();
        break;
    case NavAdjust:
        active->Adjust(amount);
        break;
    case NavClose:
        Close();
        break;
    }
}

void bkLocBank::MoveUp() {
    int index = ActiveWidget - 1;
    while (index >= 0 && GetLocWidget(index)->Invisible) {
        --index;
    }
    if (index < 0) {
        return;
    }
    ActiveWidget = index;
    if (m_FirstShown > ActiveWidget) {
        m_FirstShown = ActiveWidget;
    }
}

// The cursor moves to the next visible widget; the shown lines scroll so that it stays the
// last of them at most.
void bkLocBank::MoveDown() {
    if (ActiveWidget >= NumWidgets - 1) {
        return;
    }
    Assert(!((bkLocWidget*)Widget[ActiveWidget])->Invisible);
    int index = ActiveWidget + 1;
    while (index < NumWidgets && GetLocWidget(index)->Invisible) {
        ++index;
    }
    if (index >= NumWidgets) {
        return;
    }
    ActiveWidget = index;
    auto visibleLines = [this]() {
        int lines = 0;
        for (int i = m_FirstShown; i <= ActiveWidget; ++i) {
            lines += GetLocWidget(i)->Invisible == 0;
        }
        return lines;
    };
    while (visibleLines() > sm_NumShown) {
        ++m_FirstShown;
        while (GetLocWidget(m_FirstShown)->Invisible) {
            ++m_FirstShown;
        }
    }
}

void bkLocBank::Draw() {
    m_LineCounter = 0;
    for (int i = m_FirstShown; i < NumWidgets && m_LineCounter < sm_NumShown; ++i) {
        bkLocWidget* widget = GetLocWidget(i);
        if (widget->Invisible) {
            continue;
        }
        if (i == ActiveWidget) {
            DrawLine(0, m_LineCounter, ">>");
        }
        char line[256];
        widget->Format(line, sizeof(line));
        DrawLine(widget->m_Depth + 2, m_LineCounter, line);
        ++m_LineCounter;
    }
}
