#ifndef BANK_BKWINTEXT_H
#define BANK_BKWINTEXT_H

#include "bank/bkwinwidget.h"
#include "bank/widgets.h"

// A label (when titled) and an edit field over the caller's text buffer. The user's text reaches
// the buffer on Enter or when the field loses the focus; a read-only field never writes it.
class bkWinText : public bkText, public bkWinWidget {
public:
    bkWinText(bkWinBank* bank, const char* title, char* text, int size, bool readOnly,
              datCallback cb);

    // Shows the buffer when the program changed it, and then runs the callback.
    void Update() override;
    void CommitEdit(bool selectAll) override;

protected:
    void Columns(int width, int* widths) override;

private:
    HWND m_Edit;
};

#endif
