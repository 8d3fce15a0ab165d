#ifndef BANK_BKREMOTEWIDGET_H
#define BANK_BKREMOTEWIDGET_H

#include <cstdint>
#include <string>

#include "bank/widget.h"
#include "data/callback.h"

class bkPacket;
class bkRemoteBank;

// One widget of a remote bank, of any kind: what the client needs to draw it, and the bound
// variable, whose changes go to the client while the bank is open.
class bkRemoteWidget : public virtual bkWidget {
public:
    // The kinds, in the order of their creation commands (bkPacket::CREATE_WIDGET + kind).
    enum Type : uint16_t {
        BUTTON,
        BOOL8,
        BOOL32,
        MASK32,
        MASK16,
        MASK8,
        SLIDER_F32,
        SLIDER_U8,
        SLIDER_I8,
        SLIDER_U16,
        SLIDER_I16,
        SLIDER_U32,
        SLIDER_I32,
        LABEL,
        COMBO8,
        COMBO32,
    };

    // The parameters, each as the bits of a u32: the toggle's mask (0xFFFFFFFF for the other
    // kinds); a slider's minimum, maximum (the value type's bits) and step (f32 bits); a combo's
    // item count and offset, with its names.
    struct Params {
        uint32_t m_Mask = 0xFFFFFFFF;
        uint32_t m_Min = 0;
        uint32_t m_Max = 0;
        uint32_t m_Delta = 0;
        const char** m_Names = nullptr;
    };

    // Takes an id of its own, which the client uses to name it.
    bkRemoteWidget(bkRemoteBank* bank, const char* title, void* value, Type type,
                   const Params& params, datCallback cb);
    ~bkRemoteWidget() override;

    // Sends the value when the variable changed since it was last sent or received.
    void Update() override;

    virtual void SendCreate();
    // Stores a value from the client and runs the callback (a button press arrives this way).
    // Mask toggles change only their mask bits; sliders and combos keep to their range.
    virtual void SetFromRemote(const bkPacket& packet);

    uint32_t GetId() const { return m_Id; }
    // The live widget of that id, or null.
    static bkRemoteWidget* Find(uint32_t id);

private:
    uint32_t ReadValue() const;
    void WriteValue(uint32_t value);
    uint32_t KeepInRange(uint32_t value) const;

    bkRemoteBank* m_Bank;
    std::string m_Title;
    void* m_Value;
    uint16_t m_Size;
    Type m_Type;
    uint8_t m_LastSent[4];
    Params m_Params;
    datCallback m_Callback;
    uint32_t m_Id;
};

#endif
