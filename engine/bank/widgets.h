#ifndef BANK_WIDGETS_H
#define BANK_WIDGETS_H

#include <cstdint>
#include <memory>

#include "bank/slider.h"
#include "bank/widget.h"
#include "data/callback.h"

// What a caller gave to a bank's add operation, and the value logic that every front end shares.
// Front ends derive from these classes; the toggle lives in bank/toggle.h.

class bkButton : public virtual bkWidget {
public:
    explicit bkButton(datCallback cb);

protected:
    datCallback m_Callback;
};

// Keeps its own copy of the caller's text, so that a front end can see when either side changed.
class bkText : public virtual bkWidget {
public:
    bkText(char* text, int size, datCallback cb);
    const char* GetCopy() const { return m_Copy.get(); }

protected:
    char* m_Text;
    std::unique_ptr<char[]> m_Copy;
    int m_Size;
    datCallback m_Callback;
};

// Owns its value object.
class bkSlider : public virtual bkWidget {
public:
    bkSlider(bkSliderValue* value, datCallback cb);
    // New bounds, converted to the value's own type.
    void SetRange(float min, float max);
    bkSliderValue* GetValue() const { return m_Value.get(); }

protected:
    std::unique_ptr<bkSliderValue> m_Value;
    datCallback m_Callback;
};

// Item i stands for the value offset + i; the item names stay with the caller.
class bkCombo : public virtual bkWidget {
public:
    bkCombo(int32_t* value, int count, int offset, datCallback cb);
    bkCombo(uint8_t* value, int count, int offset, datCallback cb);

    virtual void SetItems(int, const char**) {}
    virtual void AddItem(const char*) {}
    virtual void Select(int) {}
    virtual void RemoveItem(int) {}
    virtual void Clear() {}

    // The item that the variable stands for, and the other way round.
    int GetIndex() const;
    void SetIndex(int index);

protected:
    datCallback m_Callback;
    int32_t* m_IntValue;
    uint8_t* m_ByteValue;
    int m_LastShown;
    int m_Count;
    int m_Offset;
};

// Only a container: its rows are a button and float sliders.
class bkColor : public virtual bkWidget {
public:
    bkColor(float* components, datCallback cb);

protected:
    float* m_Components;
    datCallback m_Callback;
};

// The header of a run of widgets that can be folded away. The groups of a bank form one list in
// the order in which they were opened, so a group's next link is its first nested group when it
// has one.
class bkGroup : public virtual bkWidget {
public:
    explicit bkGroup(bool open);

    bool m_Open;
    int m_First;
    int m_Last;
    bkGroup* m_Next;
    bkGroup* m_Prev;
};

#endif
