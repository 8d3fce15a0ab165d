#include "bank/bkwinmgr.h"

#include "bank/bkwinbank.h"

namespace {

HFONT MakeFont(int weight) {
    return CreateFontA(8, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       "MS Sans Serif");
}

}  // namespace

bkManager* bkWinManager::Create() {
    return new bkWinManager;
}

bkWinManager* bkWinManager::Get() {
    return static_cast<bkWinManager*>(bkManager::GetInstance());
}

bool bkWinManager::IsDestroying() {
    return Instance && static_cast<bkWinManager*>(Instance)->m_Destroying;
}

bkWinManager::bkWinManager()
    : m_Module(GetModuleHandleA(nullptr)), m_Font(MakeFont(FW_NORMAL)),
      m_BoldFont(MakeFont(700)), m_Destroying(false) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = bkWinBank::WindowProc;
    windowClass.hInstance = m_Module;
    windowClass.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    windowClass.hIconSm = LoadIcon(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = bkWinBank::CLASS_NAME;
    // A later manager of the same process finds the class registered already.
    RegisterClassExA(&windowClass);
}

// The banks go in the base destructor, after this body: their controls are destroyed with
// them and no longer paint, so the fonts can go first.
bkWinManager::~bkWinManager() {
    m_Destroying = true;
    DeleteObject(m_Font);
    DeleteObject(m_BoldFont);
}

bkBank* bkWinManager::CreateBank(const char* name, int x, int y, bool notFirst) {
    return new bkWinBank(name, x, y, notFirst);
}

bool bkWinManager::Poll(bool wait) {
    MSG message;
    if (wait) {
        if (GetMessageA(&message, nullptr, 0, 0) <= 0) {
            return false;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
        return true;
    }
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return true;
}
