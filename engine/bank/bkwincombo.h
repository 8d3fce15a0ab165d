#ifndef BANK_BKWINCOMBO_H
#define BANK_BKWINCOMBO_H

#include "bank/bkwinwidget.h"
#include "bank/widgets.h"

// A label (when titled) and a drop-down list whose item i stands for the value offset + i.
class bkWinCombo : public bkCombo, public bkWinWidget {
public:
    // The value is an int32_t or a byte.
    template <typename Value>
    bkWinCombo(bkWinBank* bank, const char* title, Value* value, int count, const char** names,
               int offset, datCallback cb)
        : bkCombo(value, count, offset, cb), bkWinWidget(bank), m_List(nullptr) {
        Create(title, count, names);
    }

    void SetItems(int numitems, const char** list) override;
    void AddItem(const char* choice) override;
    // An index outside the list keeps the value on the nearest item.
    void Select(int index) override;
    void RemoveItem(int index) override;
    void Clear() override;
    // Shows the value when the program changed it, and then runs the callback.
    void Update() override;
    LRESULT Command(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    void Columns(int width, int* widths) override;
    int ControlHeight(int index, int rowHeight) override;

private:
    void Create(const char* title, int count, const char** names);
    void CountItems();
    void ShowIndex();

    HWND m_List;
};

#endif
