#ifndef BANK_BKREMOTEBANK_H
#define BANK_BKREMOTEBANK_H

#include <cstdint>

#include "bank/bank.h"
#include "bank/bkremotewidget.h"
#include "bank/storedconfig.h"

// A bank mirrored to the remote client: creating it, its widgets and groups sends their
// packets, and the program's opening and closing it send 0x200 and 0x201. Its add operations
// return null. Text fields are not sent; colours and vector sliders arrive as labels and float
// sliders.
class bkRemoteBank : public bkBank {
public:
    // Sends the bank's creation packet.
    bkRemoteBank(const char* name, int x, int y, bool notFirst);
    // Deletes its widgets, so that no id the client holds reaches them afterwards.
    ~bkRemoteBank() override;

    bool IsOpen() override { return m_Open; }
    void Open() override;
    void Close() override;
    // The open flag, and the layout last given (else the creation place at the size of a new
    // bank window), so that a layout file written here suits bank windows too.
    void GetConfig(bool* open, int* x, int* y, int* width, int* height) override;
    void SetConfig(bool open, int x, int y, int width, int height) override;

    bkButton* AddButton(const char* title) override;
    bkButton* AddButton(const char* title, datCallback cb) override;
    // Adds nothing.
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
    using bkBank::AddText;

    // The client opened or closed the bank: nothing goes back.
    void SetOpenFromRemote(bool open) { m_Open = open; }

    uint32_t GetId() const { return m_Id; }
    // The live bank of that id, or null.
    static bkRemoteBank* Find(uint32_t id);

private:
    void Append(const char* title, void* value, bkRemoteWidget::Type type,
                const bkRemoteWidget::Params& params, datCallback cb);
    void AppendMasked(const char* title, void* value, bkRemoteWidget::Type type, uint32_t mask,
                      datCallback cb);
    void AppendCombo(const char* title, void* value, bkRemoteWidget::Type type, int count,
                     const char** names, int offset, datCallback cb);
    template <typename Type>
    bkSlider* AddTypedSlider(const char* title, Type* value, Type min, Type max, float delta,
                             bkRemoteWidget::Type type, datCallback cb);
    void SendOpen(uint32_t command);

    bool m_Open;
    uint32_t m_Id;
    bkStoredConfig m_Config;
};

#endif
