#ifndef TESTS_ENGINE_VECTOR_CAPTURE_H
#define TESTS_ENGINE_VECTOR_CAPTURE_H

#include "data/printer.h"

#include <string>

// Collects what the printer sends to the console while it lives.
class CaptureOutput {
public:
    CaptureOutput() : m_Previous(SetConsoleHook(Append)) { Text().clear(); }
    ~CaptureOutput() { SetConsoleHook(m_Previous); }
    const std::string& Get() const { return Text(); }

private:
    static std::string& Text() {
        static std::string text;
        return text;
    }
    static void Append(const char* text) { Text() += text; }
    PrintHookFunc m_Previous;
};

#endif
