#ifndef TESTS_SUPPORT_CONSOLE_H
#define TESTS_SUPPORT_CONSOLE_H

#include "data/printer.h"

#include <string>

// Collects what the printer sends to the console while it lives, instead of printing it.
class ConsoleCapture {
public:
    ConsoleCapture() : m_Previous(SetConsoleHook(Collect)) { Text().clear(); }
    ~ConsoleCapture() { SetConsoleHook(m_Previous); }
    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;

    std::string Take() {
        std::string text = Text();
        Text().clear();
        return text;
    }

private:
    // Never destroyed: a fatal exit inside a capture still prints through the hook from the
    // exit handlers (the list of open files), after the static objects are gone.
    static std::string& Text() {
        static std::string* text = new std::string;
        return *text;
    }
    static void Collect(const char* text) { Text() += text; }

    PrintHookFunc m_Previous;
};

#endif
