// The pipeline's one window: class, creation, client-area sizing and the window procedure.
#include <cstring>

#include "bank/bkmgr.h"
#include "data/printer.h"
#include "gfx/pipeline.h"
#include "gfx/window.h"

gfxWindowProcFunc gfxInputWindowProc = DefWindowProcA;

namespace {

int sWindowX;
int sWindowY;
char sTitle[128];
bool sClassRegistered;

const char* WindowClass = "gfxWindow";

// Grows or shrinks the outer size by what the frame takes, so that the client area is exactly
// the target size.
void FitClientArea(HWND window) {
    RECT outer;
    RECT client;
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    int width = (outer.right - outer.left) + gfxPipeline::m_iWidth - (client.right - client.left);
    int height =
        (outer.bottom - outer.top) + gfxPipeline::m_iHeight - (client.bottom - client.top);
    SetWindowPos(window, nullptr, 0, 0, width, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void gfxSetWindowMode(bool windowed, int x, int y) {
    gfxWindowed = windowed;
    sWindowX = x;
    sWindowY = y;
}

void gfxGetWindowPosition(int* x, int* y) {
    bool positioned = gfxWindowed && !gfxMaximized;
    *x = positioned ? sWindowX : 0;
    *y = positioned ? sWindowY : 0;
}

void gfxSetWindowTitle(const char* title) {
    strncpy(sTitle, title ? title : "", sizeof(sTitle) - 1);
    sTitle[sizeof(sTitle) - 1] = 0;
    if (hwndMain && sTitle[0]) {
        SetWindowTextA(hwndMain, sTitle);
    }
}

void gfxFitWindow() {
    if (!hwndMain) {
        return;
    }
    HDC screen = GetDC(nullptr);
    int screenWidth = GetDeviceCaps(screen, HORZRES);
    int screenHeight = GetDeviceCaps(screen, VERTRES);
    ReleaseDC(nullptr, screen);
    int x = (screenWidth - gfxPipeline::m_iWidth) / 2;
    int y = (screenHeight - gfxPipeline::m_iHeight) / 2;
    SetWindowPos(hwndMain, nullptr, x, y, gfxPipeline::m_iWidth, gfxPipeline::m_iHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    FitClientArea(hwndMain);
}

void gfxCreateWindow(const char* title) {
    if (hwndMain) {
        return;
    }
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!sClassRegistered) {
        WNDCLASSA windowClass = {};
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = gfxWindowProc;
        windowClass.hInstance = instance;
        windowClass.hIcon = LoadIconA(nullptr, (LPCSTR)IDI_APPLICATION);
        windowClass.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
        windowClass.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
        windowClass.lpszClassName = WindowClass;
        sClassRegistered = RegisterClassA(&windowClass) != 0;
    }
    int x = 0;
    int y = 0;
    gfxGetWindowPosition(&x, &y);
    int width = gfxPipeline::m_iWidth;
    int height = gfxPipeline::m_iHeight;
    if (x == -1) {
        x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    }
    if (y == -1) {
        y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    }
    DWORD style = WS_POPUP | WS_SYSMENU;
    if (gfxWindowed) {
        style = WS_CAPTION | WS_SYSMENU | (gfxMaximized ? WS_MAXIMIZE : 0);
    }
    hwndMain = CreateWindowA(WindowClass, sTitle[0] ? sTitle : title, style, x, y, width, height,
                             nullptr, nullptr, instance, nullptr);
    if (!hwndMain) {
        return;
    }
    if (gfxWindowed) {
        FitClientArea(hwndMain);
    }
    ShowWindow(hwndMain, SW_SHOWNORMAL);
    UpdateWindow(hwndMain);
    SetFocus(hwndMain);
}

void gfxDestroyWindow() {
    if (hwndMain) {
        DestroyWindow(hwndMain);
        hwndMain = nullptr;
    }
}

LRESULT CALLBACK gfxWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        PrintMessage("gfxWindowProc: WM_CLOSE received");
        gfxWindowFlags |= gfxQuitRequested;
        return 0;
    case WM_ACTIVATEAPP:
        if (!wParam) {
            PrintMessage("gfxWindowProc: WM_ACTIVATEAPP, Losing focus.");
            gfxWindowFlags |= gfxAppInactive;
        } else {
            if (bkManager::Instance) {
                bkManager::Instance->SetOnTopAll(false);
            }
            PrintMessage("gfxWindowProc: WM_ACTIVATEAPP, Regaining focus.");
            gfxWindowFlags &= ~gfxAppInactive;
        }
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_KEYMENU && !(gfxWindowFlags & gfxAppInactive)) {
            return 0;
        }
        break;
    }
    return gfxInputWindowProc(hwnd, message, wParam, lParam);
}
