#ifndef BANK_BKWINBANK_H
#define BANK_BKWINBANK_H

#include <windows.h>

#include "bank/bank.h"

// A bank shown as a top-level tool window of class "Bank", 200 by 600 at first, scrolled
// vertically by whole rows. Closing the window only hides it.
class bkWinBank : public bkBank {
public:
    static constexpr const char* CLASS_NAME = "Bank";
    static const int MAX_NESTED_GROUP = 16;

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // A negative x counts from the desktop's right edge, a negative y from its bottom edge.
    // Banks but the first get a system menu, so that they can be closed from their caption.
    bkWinBank(const char* name, int x, int y, bool notFirst);
    ~bkWinBank() override;

    void Update() override;
    void Invalidate() override;
    bool IsOpen() override;
    void Close() override;
    void Open() override;
    void SetOnTop(bool onTop) override;
    void GetConfig(bool* open, int* x, int* y, int* width, int* height) override;
    void SetConfig(bool open, int x, int y, int width, int height) override;

    bkButton* AddButton(const char* title) override;
    bkButton* AddButton(const char* title, datCallback cb) override;
    bkText* AddText(const char* title, char* text, int size, bool readOnly,
                    datCallback cb) override;
    bkToggle* AddToggle(const char* title, uint8_t* value, uint8_t mask,
                        datCallback cb = NullCallback) override;
    bkToggle* AddToggle(const char* title, uint16_t* value, uint16_t mask,
                        datCallback cb = NullCallback) override;
    bkToggle* AddToggle(const char* title, uint32_t* value, uint32_t mask,
                        datCallback cb = NullCallback) override;
    bkToggle* AddToggle(const char* title, uint32_t* value, datCallback cb = NullCallback) override;
    bkToggle* AddToggle(const char* title, uint8_t* value, datCallback cb = NullCallback) override;
    bkSlider* AddSlider(const char* title, bkSliderValue* value, datCallback cb) override;
    bkCombo* AddCombo(const char* title, int32_t* value, int count, const char** names,
                      int offset, datCallback cb = NullCallback) override;
    bkCombo* AddCombo(const char* title, uint8_t* value, int count, const char** names,
                      int offset, datCallback cb = NullCallback) override;
    bkGroup* PushGroup(const char* title, bool open) override;
    bkGroup* PopGroup() override;
    void ShowRange(bkGroup* group, bool show) override;
    bool RemoveWidget(int index) override;
    bool RemoveWidget(bkWidget* widget) override;
    using bkBank::AddSlider;
    using bkBank::AddText;

    HWND GetWindow() const { return m_Window; }
    int GetScrollPosition() const;

    // The most recently pushed group of this bank; group buttons unlink themselves from here.
    bkGroup* LastGroup;

private:
    // Makes the widget on a fresh row at the top of the scrolled window and appends it.
    template <typename Widget, typename... Args>
    Widget* Append(Args... args);

    // Layout and scrolling, bank/bkwinlayout.
    void ScrollToTop();
    void Relayout(int extra);
    void OnSize(int requestedHeight);
    void OnVScroll(int code, int thumb);
    void OnGetMinMaxInfo(MINMAXINFO* info);
    void FrameSize(int* width, int* height, RECT* client);
    void ScrollContents(int rows);

    static bkGroup* sGroupStack[MAX_NESTED_GROUP];
    static int sGroupStackPos;
    // Set while the window procedure resizes a window itself.
    static bool sSizeAdjust;

    HWND m_Window;
    bool m_Relayout;
};

#endif
