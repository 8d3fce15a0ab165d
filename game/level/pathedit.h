#ifndef LEVEL_PATHEDIT_H
#define LEVEL_PATHEDIT_H

#include <cstdint>

#include "level/pathset.h"
#include "vector/vector3.h"

class bkBank;
class bkSlider;
struct qvPathEvent;

// A path set with its editing front end: a bank of widgets to make, name, choose, delete, load
// and save paths and to place the current vertex, and mouse editing of the current path. The
// city's path editor derives from it; every widget calls the virtual operation it names, so the
// subclass's overrides run.
class qvPathSet : public qvPathSetBase {
public:
    static const int FILE_NAME_SIZE = 128;

    qvPathSet();
    ~qvPathSet() override;

    // Builds the bank, once.
    virtual void AddWidgets(bkBank* bank);
    // Edits the current path with the pending mouse events, draws the set and returns the help
    // text that the editor shows.
    virtual const char* EditMouse();
    virtual void Draw();
    // The ground point under the client point x, y into the vertex's position; false for none.
    // A subclass may also fill the vertex's word. This class takes the plane y = 0, leaves the
    // word and ignores flag, which the editor passes set while Shift is held.
    virtual bool Pick(qvPath* path, qvPathVertex& point, int x, int y, bool flag);
    virtual void ApplyTypeAndSpacing();
    virtual void SelectPath();
    virtual void SelectVertex();
    virtual void DeletePath();
    virtual void AssignName();
    virtual void NewPath();
    virtual void LoadDialog();
    virtual void SaveDialog();
    virtual void AdjustX();
    virtual void AdjustY();
    virtual void AdjustZ();

    // The ".pathset" file. A loaded file replaces the paths of the set; a file that is refused
    // leaves them as they were. The save replaces the old file only once it is whole.
    bool Load(const char* directory, const char* name);
    bool Save(const char* directory, const char* name);

    // Shared by every path editor: the "Vertex Position" fields, the "Adjust" fields, and
    // whether the right button is dragging a vertex.
    static Vector3 sm_Position;
    static Vector3 sm_Adjust;
    static int sm_Moving;

protected:
    int32_t m_CurrentVert;
    bkSlider* m_PathSlider;
    bkSlider* m_VertSlider;
    char m_FileName[FILE_NAME_SIZE];
    int32_t m_TypeValue;
    float m_SpacingValue;
    char m_NameBuffer[qvPath::NAME_SIZE];
    uint8_t m_ShowCurrentOnly;
    uint8_t m_SnapCurrent;
    bkBank* m_Bank;

private:
    static void SetIndexRange(bkSlider* slider, int count);
    void HandleEvent(qvPath& path, const qvPathEvent& event);
    void Adjust(int axis);
    void RunFileDialog(bool save);
};

#endif
