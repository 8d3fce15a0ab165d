#ifndef BANK_MSGBOX_H
#define BANK_MSGBOX_H

// A modal message box over the active window. Buttons: 0 OK, 1 OK and Cancel, 2 Yes and No,
// 3 Yes, No and Cancel. Icon: 0 information, 1 question, 2 stop. Returns 1 for OK or Yes, 0 for
// No, -1 for anything else. With PLATTOR_NOBOX set no box is shown: the text is printed as an
// error and the answer is OK, or -1 where there is a choice.
int BankMessageBox(const char* title, const char* text, int buttons, int icon);

#endif
