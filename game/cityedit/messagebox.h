#ifndef CITYEDIT_MESSAGEBOX_H
#define CITYEDIT_MESSAGEBOX_H

// The banks' message box (title, text, button set, icon), reached through this pointer until
// the Win32 banks are linked in; meanwhile it prints the title and text as a warning. Tests
// replace it to see a box without showing one.
typedef int (*CityMessageBoxFunc)(const char* title, const char* text, int buttons, int icon);
extern CityMessageBoxFunc CityMessageBox;

#endif
