#ifndef BANK_BKWINTOGGLE_H
#define BANK_BKWINTOGGLE_H

#include <string>

#include "bank/bkwinwidget.h"
#include "bank/toggle.h"

// A check box with its text on the left. Hot keys reach it by its title through Activate.
class bkWinToggle : public bkToggle, public bkWinWidget {
public:
    // The value arguments of one of the bkToggle constructors.
    template <typename... Value>
    bkWinToggle(bkWinBank* bank, const char* title, Value... value)
        : bkToggle(value...), bkWinWidget(bank) {
        Create(title);
    }

    void Update() override;
    // Flips the value, runs the callback and shows the new state; the value text is ignored.
    void Activate(const char* value) override;
    const char* GetTitle() override { return m_Title.c_str(); }
    void SetTitle(const char* title) override;
    LRESULT Command(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    void Columns(int width, int* widths) override;

private:
    void Create(const char* title);
    void ShowState();

    std::string m_Title;
    bool m_Shown;
};

#endif
