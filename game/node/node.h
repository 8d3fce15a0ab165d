#ifndef NODE_NODE_H
#define NODE_NODE_H

#include <cstdint>
#include <memory>

class bkBank;
class datParser;

// The base of the game runtime's tunable objects: a named node with a list of children, the
// per-frame walks over them, and its tuning fields saved and loaded as a parameter tree in
// <Directory()>/<name or "default">.<ClassName()>. A node owns neither its children nor its
// parent: destroying it only unlinks it.
class ovNode {
public:
    // Flag bits: the walks skip children that are not active; with DRAW_UPDATES the draw walk
    // calls the children's Update instead of their Draw.
    static constexpr uint32_t ACTIVE = 0x1;
    static constexpr uint32_t DRAW_UPDATES = 0x400;

    ovNode();
    virtual ~ovNode();
    ovNode(const ovNode&) = delete;
    ovNode& operator=(const ovNode&) = delete;

    // Update of every active child, in list order.
    virtual void Update();
    // Reset of every child, active or not.
    virtual void Reset();
    virtual void Broadcast(uintptr_t a, uintptr_t b);
    // Every active child's Draw, or its Update under DRAW_UPDATES.
    virtual void Draw();
    // A subclass declares its tuning fields to the parser here.
    virtual void DeclareFields(datParser&) {}
    virtual void AfterLoad() {}
    virtual void BeforeSave() {}
    // Writes the fields as a text parameter tree, through a replacing stream.
    virtual bool Save();
    // Reads the fields; AfterLoad runs only when the file was read.
    virtual bool Load();
    // A label with the file name that Save and Load use, then the buttons "Save" and "Load".
    virtual void AddWidgets(bkBank* bank);
    virtual const char* ClassName() { return "ovNode"; }
    virtual const char* Directory() { return "tune"; }

    void SetName(const char* name);
    // Null when the node has no name.
    const char* GetName() const { return m_Name.get(); }
    // The name that files use: the node's name, else "default".
    const char* FileName() const;

    // Children are counted from 1. A node already in a list, null, the node itself or one of
    // its ancestors is refused.
    bool AddChild(ovNode* node);
    bool InsertChild(int position, ovNode* node);
    bool RemoveChildAt(int position);
    bool RemoveChild(ovNode* node);
    void RemoveAllChildren();
    // Positions below 2 give the first child; null past the end.
    ovNode* GetChild(int position) const;
    ovNode* GetNext() const { return m_Next; }
    ovNode* GetPrevious() const;
    ovNode* GetParent() const { return m_Parent; }
    int CountChildren() const;
    // Makes the children from the position on active and those before it inactive.
    void ActivateFrom(int position);

    // Shows the tree under this node in the "Scene Tree" window, from which a bank can be
    // opened for any node.
    void ShowSceneTree();

    uint32_t m_Flags;

private:
    bool CanAdopt(ovNode* node, const char* operation) const;
    void SaveFromBank();
    void LoadFromBank();

    ovNode* m_Next;
    ovNode* m_FirstChild;
    ovNode* m_Parent;
    std::unique_ptr<char[]> m_Name;
};

#endif
