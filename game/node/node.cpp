#include "node/node.h"

#include <cstdio>
#include <cstring>

#include "bank/bank.h"
#include "data/parser.h"
#include "data/printer.h"

ovNode::ovNode()
    : m_Flags(3), m_Next(nullptr), m_FirstChild(nullptr), m_Parent(nullptr) {}

ovNode::~ovNode() {
    if (m_Parent) {
        m_Parent->RemoveChild(this);
    }
    RemoveAllChildren();
}

// The next child is taken first, so that a child may leave the list during its own call.
void ovNode::Update() {
    for (ovNode* child = m_FirstChild, *next = nullptr; child; child = next) {
        next = child->m_Next;
        if (child->m_Flags & ACTIVE) {
            child->Update();
        }
    }
}

void ovNode::Reset() {
    for (ovNode* child = m_FirstChild, *next = nullptr; child; child = next) {
        next = child->m_Next;
        child->Reset();
    }
}

void ovNode::Broadcast(uintptr_t a, uintptr_t b) {
    for (ovNode* child = m_FirstChild, *next = nullptr; child; child = next) {
        next = child->m_Next;
        child->Broadcast(a, b);
    }
}

void ovNode::Draw() {
    for (ovNode* child = m_FirstChild, *next = nullptr; child; child = next) {
        next = child->m_Next;
        if (!(child->m_Flags & ACTIVE)) {
            continue;
        }
        if (m_Flags & DRAW_UPDATES) {
            child->Update();
        } else {
            child->Draw();
        }
    }
}

const char* ovNode::FileName() const {
    return m_Name ? m_Name.get() : "default";
}

bool ovNode::Save() {
    BeforeSave();
    datParser parser(ClassName());
    DeclareFields(parser);
    return parser.Save(Directory(), FileName(), ClassName(), false);
}

bool ovNode::Load() {
    datParser parser(ClassName());
    DeclareFields(parser);
    if (!parser.Load(Directory(), FileName(), ClassName())) {
        return false;
    }
    AfterLoad();
    return true;
}

void ovNode::SaveFromBank() {
    Save();
}

void ovNode::LoadFromBank() {
    Load();
}

void ovNode::AddWidgets(bkBank* bank) {
    char label[128];
    snprintf(label, sizeof(label), "%s.%s", FileName(), ClassName());
    bank->AddButton(label);
    bank->AddButton("Save", datCallback(&ovNode::SaveFromBank, this));
    bank->AddButton("Load", datCallback(&ovNode::LoadFromBank, this));
}

void ovNode::SetName(const char* name) {
    m_Name.reset();
    if (name) {
        size_t size = strlen(name) + 1;
        m_Name.reset(new char[size]);
        memcpy(m_Name.get(), name, size);
    }
}

// A node in another list would have its link rewritten and that list cut; a node above this
// one would make the walks go round for ever.
bool ovNode::CanAdopt(ovNode* node, const char* operation) const {
    if (node->m_Parent) {
        PrintError("ovNode::%s()- Node already parented", operation);
        return false;
    }
    for (const ovNode* above = this; above; above = above->m_Parent) {
        if (above == node) {
            PrintError("ovNode::%s()- Node would become its own descendant", operation);
            return false;
        }
    }
    return true;
}

bool ovNode::AddChild(ovNode* node) {
    if (!node) {
        PrintError("ovNode::AddChild()- N=0");
        return false;
    }
    if (!CanAdopt(node, "AddChild")) {
        return false;
    }
    ovNode** link = &m_FirstChild;
    while (*link) {
        link = &(*link)->m_Next;
    }
    *link = node;
    node->m_Next = nullptr;
    node->m_Parent = this;
    return true;
}

bool ovNode::InsertChild(int position, ovNode* node) {
    if (!node || position < 1 || position > CountChildren() + 1 ||
        !CanAdopt(node, "InsertChild")) {
        return false;
    }
    ovNode** link = &m_FirstChild;
    for (int i = 1; i < position; ++i) {
        link = &(*link)->m_Next;
    }
    node->m_Next = *link;
    *link = node;
    node->m_Parent = this;
    return true;
}

bool ovNode::RemoveChildAt(int position) {
    if (position < 1 || position > CountChildren()) {
        return false;
    }
    ovNode** link = &m_FirstChild;
    for (int i = 1; i < position; ++i) {
        link = &(*link)->m_Next;
    }
    ovNode* child = *link;
    *link = child->m_Next;
    child->m_Next = nullptr;
    child->m_Parent = nullptr;
    return true;
}

bool ovNode::RemoveChild(ovNode* node) {
    int position = 1;
    for (ovNode* child = m_FirstChild; child; child = child->m_Next, ++position) {
        if (child == node) {
            return RemoveChildAt(position);
        }
    }
    return false;
}

void ovNode::RemoveAllChildren() {
    while (m_FirstChild) {
        RemoveChildAt(1);
    }
}

ovNode* ovNode::GetChild(int position) const {
    ovNode* child = m_FirstChild;
    for (int i = 1; child && i < position; ++i) {
        child = child->m_Next;
    }
    return child;
}

ovNode* ovNode::GetPrevious() const {
    if (!m_Parent || m_Parent->m_FirstChild == this) {
        return nullptr;
    }
    ovNode* previous = m_Parent->m_FirstChild;
    while (previous && previous->m_Next != this) {
        previous = previous->m_Next;
    }
    return previous;
}

int ovNode::CountChildren() const {
    int count = 0;
    for (ovNode* child = m_FirstChild; child; child = child->m_Next) {
        ++count;
    }
    return count;
}

void ovNode::ActivateFrom(int position) {
    int at = 1;
    for (ovNode* child = m_FirstChild; child; child = child->m_Next, ++at) {
        if (at >= position) {
            child->m_Flags |= ACTIVE;
        } else {
            child->m_Flags &= ~ACTIVE;
        }
    }
}
