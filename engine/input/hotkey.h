#ifndef INPUT_HOTKEY_H
#define INPUT_HOTKEY_H

#include <cstdint>

// Shift with a letter or F1 to F12 activates a bank widget with a stored value text.

struct inpHotKey {
    char* m_Bank;    // null: the key is not bound
    char* m_Widget;
    char* m_Value;
};

// Slots 0 to 25 are the letters A to Z, 26 to 37 the keys F1 to F12.
const int inpHotKeyCount = 38;
extern inpHotKey inpHotKeys[inpHotKeyCount];

// Key names: a letter, "F1" to "F12" for slots 26 to 37, or a longer name not starting with F
// counted by its first letter. Any other name ("F0", "F13", "Fx", "1") is ignored. A later
// binding of a slot replaces the earlier.
void inpBindHotKey(const char* key, const char* bank, const char* widget, const char* value);

// The slot of a virtual key (A to Z, F1 to F12), or -1.
int inpHotKeySlot(uint32_t virtualKey);
// Finds the slot's bank and widget and activates the widget; false for an unbound slot. A
// bound slot is taken even when its bank or widget does not exist.
bool inpActivateHotKey(int slot);
// True when Shift is held and the key's slot is bound: the key press is then no event.
bool RunHotkey(uint32_t virtualKey);

// Reads hot-key records (key, bank, widget, value) from a text file; false when the file
// cannot be opened.
bool inpReadHotKeyFile(const char* name);
// The user's own file "<login name>.hot", else "default.hot". A null or empty login name reads
// as "unknown".
void inpLoadHotKeys(const char* loginName);

#endif
