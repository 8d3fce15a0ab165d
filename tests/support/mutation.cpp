#include "tests/support/mutation.h"

#include "tests/support/child.h"

#include "data/printer.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <random>

namespace {

const char StartMark[] = "@mutant ";
const char FailMark[] = "@failed mutant ";

// A fatal refusal happens inside a console capture: its text goes straight out for the test.
void PrintFatal(const char* text) {
    printf("%s\n", text);
    fflush(stdout);
}

void PutValue(std::string& file, size_t at, uint32_t value, int size) {
    for (int i = 0; i < size && at + i < file.size(); ++i) {
        file[at + i] = (char)(value >> (8 * i));
    }
}

void MutateOnce(std::string& file, std::mt19937& random) {
    auto pick = [&](size_t n) { return n ? (size_t)(random() % n) : 0; };
    static const uint32_t Values[] = {0,          1,          0x7F,       0x80,      0xFF,
                                      0x7FFF,     0x8000,     0xFFFF,     0x10000,   0x7FFFFFFF,
                                      0x80000000, 0xFFFFFFFF, 0xFFFFFFFE, 0x40000000};
    switch (random() % 6) {
    case 0: {
        int flips = 1 + (int)pick(4);
        for (int i = 0; i < flips && !file.empty(); ++i) {
            file[pick(file.size())] ^= (char)(1 << pick(8));
        }
        break;
    }
    case 1:
        file.resize(pick(file.size() + 1));
        break;
    case 2: {
        // Fields of the headers lie near the start: aim most values there.
        size_t span = std::min<size_t>(file.size(), random() % 2 ? 64 : file.size());
        PutValue(file, pick(span), Values[pick(sizeof(Values) / sizeof(Values[0]))],
                 random() % 2 ? 2 : 4);
        break;
    }
    case 3:
        file.append(1 + pick(300), (char)random());
        break;
    case 4: {
        // A long run of name characters, as a name without its end.
        size_t at = pick(file.size() + 1);
        file.insert(at, std::string(1 + pick(300), 'A' + (char)pick(26)));
        break;
    }
    default:
        if (!file.empty()) {
            file[pick(std::min<size_t>(file.size(), 32))] = (char)Values[pick(5)];
        }
        break;
    }
}

}  // namespace

std::string Mutant(const std::vector<std::string>& seeds, int index) {
    std::mt19937 random(0x5EED0000u + (uint32_t)index);
    std::string file = seeds[random() % seeds.size()];
    int rounds = 1 + (int)(random() % 3);
    for (int i = 0; i < rounds; ++i) {
        MutateOnce(file, random);
    }
    return file;
}

bool OnlyAllowedLines(const std::string& text, const std::vector<std::string>& allowed,
                      std::string* stray) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty()) {
            continue;
        }
        bool known = false;
        for (const std::string& a : allowed) {
            known = known || line.find(a) != std::string::npos;
        }
        if (!known) {
            *stray = line;
            return false;
        }
    }
    return true;
}

int RunMutantsInChild(int count, MutantCheck check) {
    const char* found = strstr(GetCommandLineA(), "start=");
    int start = found ? atoi(found + 6) : 0;
    SetFatalHook(PrintFatal);
    for (int index = start; index < count; ++index) {
        printf("%s%d\n", StartMark, index);
        fflush(stdout);
        std::string why;
        bool good = check(index, why);
        // A damaged heap shows itself here rather than at some later, unrelated allocation.
        good = good && HeapValidate(GetProcessHeap(), 0, nullptr);
        if (!good) {
            printf("%s%d: %s\n", FailMark, index, why.empty() ? "heap damaged" : why.c_str());
            fflush(stdout);
        }
    }
    return 0;
}

void RunMutation(const char* child, int count, const std::vector<std::string>& fatalTexts) {
    int start = 0;
    int fatals = 0;
    while (start < count) {
        ChildResult result = RunChild(child, "start=" + std::to_string(start), 300000);
        ASSERT_FALSE(result.m_TimedOut) << child << " from " << start << "\n" << result.m_Output;
        for (size_t at = result.m_Output.find(FailMark); at != std::string::npos;
             at = result.m_Output.find(FailMark, at + 1)) {
            ADD_FAILURE() << child << ": "
                          << result.m_Output.substr(at, result.m_Output.find('\n', at) - at);
        }
        size_t markAt = result.m_Output.rfind(StartMark);
        ASSERT_NE(std::string::npos, markAt) << child << " from " << start << "\n" << result.m_Output;
        int reached = atoi(result.m_Output.c_str() + markAt + sizeof(StartMark) - 1);
        if (result.m_ExitCode == 0) {
            ASSERT_EQ(count - 1, reached) << child;
            break;
        }
        // Only a fatal refusal of the reader may end the child.
        std::string tail = result.m_Output.substr(markAt);
        bool known = false;
        for (const std::string& text : fatalTexts) {
            known = known || tail.find(text) != std::string::npos;
        }
        ASSERT_TRUE(result.m_ExitCode == 1 && known)
            << child << " mutant " << reached << " ended with " << result.m_ExitCode << "\n" << tail;
        ++fatals;
        start = reached + 1;
    }
    printf("%s: %d mutants, %d fatal refusals\n", child, count, fatals);
}
