#include "bank/bkwinbank.h"

#include "bank/bkwinmgr.h"
#include "bank/bkwinwidget.h"

// A bank window shows whole rows: its client height is snapped to the row height, its width
// follows the bank's width, and it scrolls by rows. Widgets place their controls at unscrolled
// rows; the window then scrolls them by the position.

bool bkWinBank::sSizeAdjust;

namespace {

// What is left of the desktop below a window's top edge.
const int DESKTOP_MARGIN = 50;

LRESULT RouteToWidget(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // A focused field that goes with the manager still reports; its widget may be gone.
    if (bkWinManager::IsDestroying()) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
    return bkWinWidget::Find(id)->Command(window, message, wParam, lParam);
}

}  // namespace

LRESULT CALLBACK bkWinBank::WindowProc(HWND window, UINT message, WPARAM wParam,
                                       LPARAM lParam) {
    bkWinBank* bank = reinterpret_cast<bkWinBank*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
    case WM_CREATE:
        SetScrollRange(window, SB_VERT, 0, 100, FALSE);
        SetScrollPos(window, SB_VERT, 0, FALSE);
        return 0;
    case WM_SIZE:
        if (bank && !sSizeAdjust) {
            bank->OnSize(HIWORD(lParam));
        }
        return 0;
    case WM_GETMINMAXINFO:
        if (bank) {
            bank->OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
            return 0;
        }
        break;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_CLOSE:
        ShowWindow(window, SW_HIDE);
        return 0;
    case WM_QUIT:
        PostQuitMessage(0);
        return 0;
    case WM_COMMAND:
    case WM_HSCROLL:
        if (lParam) {
            return RouteToWidget(window, message, wParam, lParam);
        }
        break;
    case WM_VSCROLL:
        if (lParam) {
            return RouteToWidget(window, message, wParam, lParam);
        }
        if (bank) {
            bank->OnVScroll(LOWORD(wParam), HIWORD(wParam));
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int bkWinBank::GetScrollPosition() const {
    return GetScrollPos(m_Window, SB_VERT);
}

void bkWinBank::FrameSize(int* width, int* height, RECT* client) {
    RECT window = {};
    GetWindowRect(m_Window, &window);
    *client = {};
    GetClientRect(m_Window, client);
    *width = (window.right - window.left) - client->right;
    *height = (window.bottom - window.top) - client->bottom;
}

void bkWinBank::ScrollContents(int rows) {
    ScrollWindowEx(m_Window, 0, -rows * m_RowHeight, nullptr, nullptr, nullptr, nullptr,
                   SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
}

void bkWinBank::ScrollToTop() {
    int position = GetScrollPos(m_Window, SB_VERT);
    if (position) {
        ScrollContents(-position);
        SetScrollPos(m_Window, SB_VERT, 0, TRUE);
    }
    m_Relayout = true;
}

// The bank shrinks to its rows, and grows only by the rows of a group just opened.
void bkWinBank::Relayout(int extra) {
    RECT client = {};
    GetClientRect(m_Window, &client);
    int shown = client.bottom / m_RowHeight * m_RowHeight;
    int height = (extra > 0 ? extra : 0) + (shown < m_LayoutY ? shown : m_LayoutY);
    SendMessageA(m_Window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, height));
    m_Relayout = false;
}

void bkWinBank::OnSize(int requestedHeight) {
    int frameWidth = 0;
    int frameHeight = 0;
    RECT client;
    FrameSize(&frameWidth, &frameHeight, &client);
    RECT window;
    GetWindowRect(m_Window, &window);
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);

    int room = desktop.bottom - DESKTOP_MARGIN - window.top;
    int highest = room > 0 ? room / m_RowHeight * m_RowHeight : 0;
    int height = requestedHeight / m_RowHeight * m_RowHeight;
    height = height < highest ? height : highest;

    SetWidth(client.right);
    sSizeAdjust = true;
    SetWindowPos(m_Window, nullptr, 0, 0, m_Width + frameWidth, height + frameHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    sSizeAdjust = false;

    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = m_LayoutY / m_RowHeight - 1;
    info.nPage = height / m_RowHeight;
    int position = GetScrollPos(m_Window, SB_VERT);
    if (position + int(info.nPage) > info.nMax) {
        position = info.nMax - int(info.nPage);
    }
    position = position < info.nMax ? position : info.nMax;
    info.nPos = position > 0 ? position : 0;
    // The widgets stand at their unscrolled rows again after SetWidth.
    ScrollContents(info.nPos);
    SetScrollInfo(m_Window, SB_VERT, &info, TRUE);
    UpdateWindow(m_Window);
}

void bkWinBank::OnVScroll(int code, int thumb) {
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    GetScrollInfo(m_Window, SB_VERT, &info);
    int page = int(info.nPage);
    int position = info.nPos;
    switch (code) {
    case SB_LINEUP:
        --position;
        break;
    case SB_LINEDOWN:
        ++position;
        break;
    case SB_PAGEUP:
        position -= page;
        break;
    case SB_PAGEDOWN:
        position += page;
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        position = thumb;
        break;
    default:
        return;
    }
    int last = info.nMax - page + 1;
    last = last > 1 ? last : 1;
    position = position < last ? position : last;
    position = position > 0 ? position : 0;
    if (info.nMax - info.nMin + 1 <= page) {
        position = 0;
    }
    SetScrollPos(m_Window, SB_VERT, position, TRUE);
    ScrollContents(position - info.nPos);
    UpdateWindow(m_Window);
}

void bkWinBank::OnGetMinMaxInfo(MINMAXINFO* info) {
    int frameWidth = 0;
    int frameHeight = 0;
    RECT client;
    FrameSize(&frameWidth, &frameHeight, &client);
    info->ptMinTrackSize.x = frameWidth + 10;
    info->ptMinTrackSize.y = m_RowHeight + frameHeight;
    info->ptMaxTrackSize.x = frameWidth + 800;
    info->ptMaxTrackSize.y = m_LayoutY + frameHeight;
}
