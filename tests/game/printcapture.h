#ifndef TESTS_GAME_PRINTCAPTURE_H
#define TESTS_GAME_PRINTCAPTURE_H

#include "data/printer.h"

#include <string>

// Collects what the printer says while it lives.
class PrintCapture {
public:
    PrintCapture() : m_Previous(SetConsoleHook(Collect)) { Text().clear(); }
    ~PrintCapture() { SetConsoleHook(m_Previous); }

    static std::string& Text() {
        static std::string text;
        return text;
    }

private:
    static void Collect(const char* text) { Text() += text; }

    PrintHookFunc m_Previous;
};

#endif
