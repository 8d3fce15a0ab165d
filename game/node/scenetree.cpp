#include <cstdio>
#include <memory>

#include "bank/bkmgr.h"
#include "bank/bktreeview.h"
#include "bank/popupmenu.h"
#include "node/node.h"

namespace {

const int OpenBankId = 1;

// The one "Scene Tree" window, and the label that the tree control copies at each insert.
std::unique_ptr<bkTreeView> sSceneTree;
char sLabel[128];

// "Class", or "Class: name".
void MakeLabel(ovNode* node, char* label, int size) {
    if (node->GetName()) {
        snprintf(label, size, "%s: %s", node->ClassName(), node->GetName());
    } else {
        snprintf(label, size, "%s", node->ClassName());
    }
}

void OpenBankFor(ovNode* node) {
    bkPopupMenu menu;
    menu.Create();
    menu.AddItem("Open Bank...", OpenBankId, false, true);
    int chosen = menu.Track(-1, -1);
    menu.Destroy();
    if (chosen == OpenBankId) {
        char label[128];
        MakeLabel(node, label, sizeof(label));
        node->AddWidgets(bkManager::GetInstance()->AddBank(label, 100, 100, true));
    }
}

uintptr_t AccessNode(void* data, int what) {
    ovNode* node = static_cast<ovNode*>(data);
    switch (what) {
    case bkTreeLabel:
        MakeLabel(node, sLabel, sizeof(sLabel));
        return reinterpret_cast<uintptr_t>(sLabel);
    case bkTreeFirstChild:
        return reinterpret_cast<uintptr_t>(node->GetChild(1));
    case bkTreeNextSibling:
        return reinterpret_cast<uintptr_t>(node->GetNext());
    case bkTreeRightClicked:
        OpenBankFor(node);
        return 0;
    default:
        return 0;
    }
}

}  // namespace

void ovNode::ShowSceneTree() {
    if (!sSceneTree) {
        sSceneTree.reset(new bkTreeView("Scene Tree", 100, 300, 200, 300));
    }
    sSceneTree->SetRoot(AccessNode, this);
}
