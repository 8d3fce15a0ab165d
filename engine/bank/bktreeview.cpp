#include "bank/bktreeview.h"

namespace {

void RegisterTreeClass(HINSTANCE module, WNDPROC procedure) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = module;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = bkTreeView::CLASS_NAME;
    // A second tree view finds the class registered already.
    RegisterClassExA(&windowClass);
}

void* NodeOfItem(HWND tree, HTREEITEM item) {
    TVITEMA data = {};
    data.mask = TVIF_PARAM;
    data.hItem = item;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
    return reinterpret_cast<void*>(data.lParam);
}

}  // namespace

bkTreeView::bkTreeView(const char* title, int x, int y, int width, int height)
    : m_Accessor(nullptr), m_Node(nullptr), m_Title(title ? title : ""), m_X(x), m_Y(y),
      m_Width(width), m_Height(height), m_Parent(nullptr), m_Tree(nullptr) {
    RegisterTreeClass(GetModuleHandleA(nullptr), WindowProc);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    CreateWindows();
}

bkTreeView::~bkTreeView() {
    if (m_Parent) {
        DestroyWindow(m_Parent);
    }
}

void bkTreeView::CreateWindows() {
    HINSTANCE module = GetModuleHandleA(nullptr);
    if (!m_Parent) {
        m_Parent = CreateWindowExA(WS_EX_TOOLWINDOW, CLASS_NAME, m_Title.c_str(),
                                   WS_OVERLAPPEDWINDOW | WS_VISIBLE, m_X, m_Y, m_Width, m_Height,
                                   nullptr, nullptr, module, nullptr);
        SetWindowLongPtrA(m_Parent, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        UpdateWindow(m_Parent);
        ShowWindow(m_Parent, SW_SHOW);
    }
    if (m_Tree) {
        DestroyWindow(m_Tree);
    }
    RECT client;
    GetClientRect(m_Parent, &client);
    m_Tree = CreateWindowExA(0, WC_TREEVIEWA, "",
                             WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL | TVS_HASBUTTONS |
                                 TVS_HASLINES | TVS_LINESATROOT,
                             0, 0, client.right, client.bottom, m_Parent, nullptr, module,
                             nullptr);
    m_Node = nullptr;
}

void bkTreeView::SetRoot(bkTreeAccessor accessor, void* root) {
    m_Accessor = accessor;
    CreateWindows();
    if (root) {
        Fill(TVI_ROOT, root);
    }
}

void bkTreeView::SetTitle(const char* title) {
    m_Title = title ? title : "";
    if (m_Parent) {
        SetWindowTextA(m_Parent, m_Title.c_str());
    }
}

void bkTreeView::Fill(HTREEITEM parent, void* node) {
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText =
        const_cast<char*>(reinterpret_cast<const char*>(m_Accessor(node, bkTreeLabel)));
    insert.item.lParam = reinterpret_cast<LPARAM>(node);
    HTREEITEM item = reinterpret_cast<HTREEITEM>(
        SendMessageA(m_Tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    void* child = reinterpret_cast<void*>(m_Accessor(node, bkTreeFirstChild));
    while (child) {
        Fill(item, child);
        child = reinterpret_cast<void*>(m_Accessor(child, bkTreeNextSibling));
    }
}

LRESULT bkTreeView::OnNotify(const NMHDR* header) {
    if (header->hwndFrom != m_Tree || !m_Accessor) {
        return 0;
    }
    if (header->code == TVN_SELCHANGEDA || header->code == TVN_SELCHANGEDW) {
        // The new item's parameter sits at the same place in both forms.
        const NMTREEVIEWA* change = reinterpret_cast<const NMTREEVIEWA*>(header);
        m_Node = reinterpret_cast<void*>(change->itemNew.lParam);
        if (m_Node) {
            m_Accessor(m_Node, bkTreeSelected);
        }
    } else if (header->code == NM_RCLICK) {
        TVHITTESTINFO hit = {};
        GetCursorPos(&hit.pt);
        ScreenToClient(m_Tree, &hit.pt);
        HTREEITEM item = reinterpret_cast<HTREEITEM>(
            SendMessageA(m_Tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        if (item && (hit.flags & TVHT_ONITEM)) {
            m_Node = NodeOfItem(m_Tree, item);
            m_Accessor(m_Node, bkTreeRightClicked);
        }
    }
    return 0;
}

LRESULT CALLBACK bkTreeView::WindowProc(HWND window, UINT message, WPARAM wParam,
                                        LPARAM lParam) {
    bkTreeView* view = reinterpret_cast<bkTreeView*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (view) {
        switch (message) {
        case WM_SIZE:
            if (view->m_Tree) {
                MoveWindow(view->m_Tree, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            }
            return 0;
        case WM_DESTROY:
            view->m_Parent = nullptr;
            view->m_Tree = nullptr;
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            return 0;
        case WM_NOTIFY:
            return view->OnNotify(reinterpret_cast<const NMHDR*>(lParam));
        default:
            break;
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
