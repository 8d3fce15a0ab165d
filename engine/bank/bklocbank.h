#ifndef BANK_BKLOCBANK_H
#define BANK_BKLOCBANK_H

#include <cstdint>
#include <memory>

#include "bank/bank.h"
#include "bank/storedconfig.h"

class bkLocBank;

// One line of an in-window bank: the bound variable, its type and limits, and how many closed
// groups hide it.
class bkLocWidget : public bkWidget {
public:
    enum Type : uint16_t {
        Button = 0,
        ByteBool = 1,
        U32Bool = 2,
        U32Mask = 3,
        U16Mask = 4,
        ByteMask = 5,
        F32Slider = 6,
        U8Slider = 7,
        I8Slider = 8,
        U16Slider = 9,
        I16Slider = 10,
        U32Slider = 11,
        I32Slider = 12,
        Label = 13,
        ByteCombo = 14,
        I32Combo = 15,
        GroupHeader = 16
    };

    bkLocWidget(bkLocBank* bank, const char* title, void* value, uint16_t size, Type type,
                datCallback cb);
    ~bkLocWidget() override;

    const char* GetTitle() override { return m_Title.get(); }
    // The line as drawn, from the variable's value now.
    void Format(char* line, int size) const;
    // Buttons run their callback; toggles and group headers flip, then run theirs.
    void Press();
    // Sliders step by amount x delta within their range; combos move to the neighbouring item
    // for -1 and +1 only. The callback runs when the value changed.
    void Adjust(float amount);

    bkLocBank* m_Bank;
    std::unique_ptr<char[]> m_Title;
    void* m_Value;
    uint16_t m_Size;
    Type m_Type;
    uint32_t m_LastValue;
    uint32_t m_Mask;
    // Sliders: range and step.
    double m_Min;
    double m_Max;
    float m_Delta;
    // Combos: item count, names (kept by the caller) and the value of item 0.
    int m_Count;
    const char** m_Names;
    int m_Offset;
    // Group headers: the number of widgets in the group.
    int m_GroupSize;
    int Invisible;
    int m_Depth;
    datCallback m_Callback;

private:
    double GetNumber() const;
    void SetNumber(double value);
    int GetComboValue() const;
    void SetComboValue(int value);

    // What a group header's callback carries.
    struct GroupPayload {
        bkLocBank* Bank;
        bkLocWidget* Header;
        int Index;
    };
    // A group header owns its open flag and its payload.
    std::unique_ptr<uint8_t> m_OpenFlag;
    std::unique_ptr<GroupPayload> m_Payload;
    friend class bkLocBank;
};

// A bank shown as lines of text over the 3D view, at most one at a time, and driven from the
// numeric keypad. A front end supplies the drawing of one line and the reading of the keys.
class bkLocBank : public bkBank {
public:
    // Navigation codes.
    enum Navigation { NavNone = 0, NavUp, NavDown, NavStepDown, NavStepUp, NavPress, NavAdjust,
                      NavClose };
    static const int maxGroupStack = 8;

    // x and y: where the bank was created, the place it reports until a layout is given.
    bkLocBank(int x, int y);
    ~bkLocBank() override;

    // Text at column and row in character cells from the top of the bank's area.
    virtual void DrawLine(int column, int row, const char* text) = 0;
    // The navigation code of this frame; for NavAdjust the amount as well.
    virtual int ReadNavigation(float* amount) = 0;

    void Update() override;
    bool IsOpen() override { return m_Open; }
    void Close() override;
    void Open() override;
    // A layout given is kept as it was given and reported back, open flag and all: these banks
    // are no windows, and which one is shown is the keypad's choice alone.
    void GetConfig(bool* open, int* x, int* y, int* width, int* height) override;
    void SetConfig(bool open, int x, int y, int width, int height) override;

    bkButton* AddButton(const char* title) override;
    bkButton* AddButton(const char* title, datCallback cb) override;
    bkText* AddText(const char* title, char* text, int size, bool readOnly,
                    datCallback cb) override;
    bkText* AddText(const char* title, char* text, int size, datCallback cb) override;
    bkToggle* AddToggle(const char* title, uint8_t* value, uint8_t mask,
                        datCallback cb = NullCallback) override;
    bkToggle* AddToggle(const char* title, uint16_t* value, uint16_t mask,
                        datCallback cb = NullCallback) override;
    bkToggle* AddToggle(const char* title, uint32_t* value, uint32_t mask,
                        datCallback cb = NullCallback) override;
    bkToggle* AddToggle(const char* title, uint32_t* value, datCallback cb = NullCallback) override;
    bkToggle* AddToggle(const char* title, uint8_t* value, datCallback cb = NullCallback) override;
    bkSlider* AddSlider(const char* title, int32_t* value, int32_t min, int32_t max, float delta,
                        datCallback cb = NullCallback) override;
    bkSlider* AddSlider(const char* title, uint32_t* value, uint32_t min, uint32_t max,
                        float delta, datCallback cb = NullCallback) override;
    bkSlider* AddSlider(const char* title, int16_t* value, int16_t min, int16_t max, float delta,
                        datCallback cb = NullCallback) override;
    bkSlider* AddSlider(const char* title, uint16_t* value, uint16_t min, uint16_t max,
                        float delta, datCallback cb = NullCallback) override;
    bkSlider* AddSlider(const char* title, int8_t* value, int8_t min, int8_t max, float delta,
                        datCallback cb = NullCallback) override;
    bkSlider* AddSlider(const char* title, uint8_t* value, uint8_t min, uint8_t max, float delta,
                        datCallback cb = NullCallback) override;
    bkSlider* AddSlider(const char* title, float* value, float min, float max, float delta,
                        datCallback cb = NullCallback) override;
    bkCombo* AddCombo(const char* title, int32_t* value, int count, const char** names,
                      int offset, datCallback cb = NullCallback) override;
    bkCombo* AddCombo(const char* title, uint8_t* value, int count, const char** names,
                      int offset, datCallback cb = NullCallback) override;
    bkGroup* PushGroup(const char* title, bool open) override;
    bkGroup* PopGroup() override;
    using bkBank::AddSlider;

    // The shown bank's lines, once a frame.
    void Draw();
    bkLocWidget* GetLocWidget(int index) const { return static_cast<bkLocWidget*>(Widget[index]); }

    // The bank shown, or null.
    static bkLocBank* sm_Current;
    // Settings of the "Bank Positioning" group.
    static uint8_t sm_WidgetsAtTop;
    static uint16_t sm_XOffset;
    static uint16_t sm_YOffset;
    static int32_t sm_NumShown;

    int ActiveWidget;
    int m_FirstShown;
    int m_LineCounter;
    bool m_Open;

private:
    bkStoredConfig m_Config;
    bool m_ConfigGiven;
    bool m_ConfigOpen;

    template <typename Type>
    void AddTypedSlider(const char* title, Type* value, Type min, Type max, float delta,
                        bkLocWidget::Type type, datCallback cb);
    void AddComboWidget(const char* title, void* value, uint16_t size, bkLocWidget::Type type,
                        int count, const char** names, int offset, datCallback cb);
    bkLocWidget* Append(bkLocWidget* widget);
    void MoveUp();
    void MoveDown();
    static void GroupToggled(uintptr_t payload);
};

#endif
