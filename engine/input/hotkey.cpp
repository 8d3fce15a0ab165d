// The hot-key table, its bindings and the hot-key files.
#include "input/hotkey.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <windows.h>

#include "bank/bkmgr.h"
#include "data/printer.h"
#include "data/stream.h"
#include "data/string.h"
#include "data/token.h"

inpHotKey inpHotKeys[inpHotKeyCount];

namespace {

const int FirstFunctionSlot = 26;

void Replace(char*& field, const char* text) {
    delete[] field;
    field = StringDuplicate(text);
}

const long FunctionKeys = 12;

// "F<n>" is slot 25 + n for the function keys F1 to F12. Any other number, or none ("F0",
// "Fx"), names no key: read as a number it would land on the slot of Z or past the table.
long FunctionKeySlot(const char* number) {
    long n = strtol(number, nullptr, 10);
    if (n < 1 || n > FunctionKeys) {
        return -1;
    }
    return FirstFunctionSlot - 1 + n;
}

}  // namespace

void inpBindHotKey(const char* key, const char* bank, const char* widget, const char* value) {
    if (!key || !key[0]) {
        return;
    }
    unsigned char first = (unsigned char)key[0];
    long slot = -1;
    if (key[1] && (first == 'F' || first == 'f')) {
        slot = FunctionKeySlot(key + 1);
    } else if (isalpha(first)) {
        slot = toupper(first) - 'A';
    }
    if (slot < 0 || slot >= inpHotKeyCount) {
        return;
    }
    inpHotKey& entry = inpHotKeys[slot];
    Replace(entry.m_Bank, bank);
    Replace(entry.m_Widget, widget);
    Replace(entry.m_Value, value);
}

int inpHotKeySlot(uint32_t virtualKey) {
    if (virtualKey >= 'A' && virtualKey <= 'Z') {
        return virtualKey - 'A';
    }
    if (virtualKey >= VK_F1 && virtualKey <= VK_F12) {
        return FirstFunctionSlot + (virtualKey - VK_F1);
    }
    return -1;
}

bool inpActivateHotKey(int slot) {
    const inpHotKey& entry = inpHotKeys[slot];
    if (!entry.m_Bank) {
        return false;
    }
    bkBank* bank = bkManager::GetInstance()->FindBank(entry.m_Bank);
    bkWidget* widget = bkFindWidget(bank, entry.m_Widget ? entry.m_Widget : "");
    if (widget) {
        widget->Activate(entry.m_Value);
    }
    return true;
}

bool RunHotkey(uint32_t virtualKey) {
    int slot = inpHotKeySlot(virtualKey);
    if (slot < 0 || GetAsyncKeyState(VK_SHIFT) >= 0) {
        return false;
    }
    return inpActivateHotKey(slot);
}

bool inpReadHotKeyFile(const char* name) {
    Stream* stream = StreamOpen(name, true);
    if (!stream) {
        return false;
    }
    PrintMessage("Reading hotkey definitions from '%s'...", name);
    TokenReader reader(name, stream);
    char key[16];
    while (int keyLength = reader.GetToken(key, sizeof(key))) {
        int line = reader.GetLine();
        char bank[32];
        char widget[32];
        char value[32];
        if (!reader.GetToken(bank, sizeof(bank)) || !reader.GetToken(widget, sizeof(widget)) ||
            !reader.GetToken(value, sizeof(value))) {
            PrintWarning("%s(%d): hotkey '%s' has no bank, widget and value; ignored.", name, line,
                         key);
            break;
        }
        // A function-key number cut short would name another key ("F120" is not F12).
        bool cut = keyLength == (int)sizeof(key) - 1;
        if (!(cut && (key[0] == 'F' || key[0] == 'f'))) {
            inpBindHotKey(key, bank, widget, value);
        }
    }
    StreamClose(stream);
    return true;
}

void inpLoadHotKeys(const char* loginName) {
    char name[40];
    snprintf(name, sizeof(name), "%.28s.hot", loginName && loginName[0] ? loginName : "unknown");
    if (!inpReadHotKeyFile(name)) {
        inpReadHotKeyFile("default.hot");
    }
}
