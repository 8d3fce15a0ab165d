#include "tests/support/mutation.h"

#include "tests/support/child.h"

#include "data/fault.h"
#include "data/printer.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cctype>
#include <algorithm>
#include <random>
#include <thread>

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
    switch (random() % 8) {
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
    case 6: {
        // Floats no user of the value can compute with, and magnitudes past what the formats
        // hold, over a 32-bit field (binary files) ...
        static const uint32_t Bits[] = {0x7FC00000, 0xFFC00000, 0x7F800001, 0x7F800000,
                                        0xFF800000, 0x7F7FFFFF, 0x7149F2CA, 0x48C35000};
        size_t span = std::min<size_t>(file.size(), random() % 2 ? 64 : file.size());
        PutValue(file, pick(span) & ~size_t(random() % 2 ? 3 : 0),
                 Bits[pick(sizeof(Bits) / sizeof(Bits[0]))], 4);
        break;
    }
    case 7: {
        // ... or in place of a number of a text file.
        static const char* const Words[] = {"nan", "-nan", "inf", "-inf", "1e30", "-1e30",
                                            "1e39", "400000", "65536", "32768", "-32769",
                                            "1e-30", "2147483648", "4294967296"};
        std::vector<size_t> numbers;
        for (size_t i = 0; i < file.size(); ++i) {
            bool digit = file[i] >= '0' && file[i] <= '9';
            if (digit && (i == 0 || (!(file[i - 1] >= '0' && file[i - 1] <= '9') &&
                                     file[i - 1] != '.'))) {
                numbers.push_back(i);
            }
        }
        if (numbers.empty()) {
            break;
        }
        size_t at = numbers[pick(numbers.size())];
        size_t end = at;
        while (end < file.size() && (isdigit((unsigned char)file[end]) || file[end] == '.')) {
            ++end;
        }
        file.replace(at, end - at, Words[pick(sizeof(Words) / sizeof(Words[0]))]);
        break;
    }
    default:
        if (!file.empty()) {
            file[pick(std::min<size_t>(file.size(), 32))] = (char)Values[pick(5)];
        }
        break;
    }
}

// A fault inside a reader under a console capture: its report goes out for the test, not into
// the capture, before the fault handlers end the child.
LONG CALLBACK ReportFaultsOutside(EXCEPTION_POINTERS* pointers) {
    if ((pointers->ExceptionRecord->ExceptionCode & 0xF0000000) == 0xC0000000) {
        SetConsoleHook(ConsolePrint);
    }
    return EXCEPTION_CONTINUE_SEARCH;
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

bool OnlyAllowedMessages(const std::string& text, const std::vector<std::string>& allowed,
                         std::string& why) {
    std::string stray;
    if (OnlyAllowedLines(text, allowed, &stray)) {
        return true;
    }
    why = "unexpected message: " + stray;
    return false;
}

int RunMutantsInChild(int count, MutantCheck check) {
    int start = ChildNumber("start", 0);
    int stop = std::min(ChildNumber("end", count), count);
    SetFatalHook(PrintFatal);
    // As in the editor before its pipeline starts: a reader that lets through a value no
    // arithmetic can use traps on the spot.
    UnmaskInvalidOperation();
    AddVectoredExceptionHandler(1, ReportFaultsOutside);
    for (int index = start; index < stop; ++index) {
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

namespace {

struct SliceResult {
    std::vector<std::string> m_Failures;
    int m_Fatals = 0;
};

// Mutants from up to stop in children of one slice; what goes wrong is gathered for the test's
// thread to report.
void RunSlice(const char* child, int from, int stop, int slice,
              const std::vector<std::string>& fatalTexts, SliceResult& out) {
    int start = from;
    // A child that says nothing at all never reached a mutant: under a loaded machine Wine
    // now and then fails to start one. It is started again, once per slice.
    bool restarted = false;
    while (start < stop) {
        std::string args = "start=" + std::to_string(start) + " end=" + std::to_string(stop) +
                           " slice=" + std::to_string(slice);
        ChildResult result = RunChild(child, args, 300000);
        std::string where = std::string(child) + " from " + std::to_string(start) + " (exit " +
                            std::to_string(result.m_ExitCode) + ")\n";
        if (!result.m_TimedOut && result.m_Output.empty() && !restarted) {
            restarted = true;
            continue;
        }
        if (result.m_TimedOut) {
            out.m_Failures.push_back(where + "timed out\n" + result.m_Output);
            return;
        }
        for (size_t at = result.m_Output.find(FailMark); at != std::string::npos;
             at = result.m_Output.find(FailMark, at + 1)) {
            out.m_Failures.push_back(std::string(child) + ": " +
                                     result.m_Output.substr(at, result.m_Output.find('\n', at) - at));
        }
        size_t markAt = result.m_Output.rfind(StartMark);
        if (markAt == std::string::npos) {
            out.m_Failures.push_back(where + result.m_Output);
            return;
        }
        int reached = atoi(result.m_Output.c_str() + markAt + sizeof(StartMark) - 1);
        if (result.m_ExitCode == 0) {
            if (reached != stop - 1) {
                out.m_Failures.push_back(where + "stopped at " + std::to_string(reached));
            }
            return;
        }
        // Only a fatal refusal of the reader may end the child.
        std::string tail = result.m_Output.substr(markAt);
        bool known = false;
        for (const std::string& text : fatalTexts) {
            known = known || tail.find(text) != std::string::npos;
        }
        if (result.m_ExitCode != 1 || !known) {
            out.m_Failures.push_back(std::string(child) + " mutant " + std::to_string(reached) +
                                     " ended with " + std::to_string(result.m_ExitCode) + "\n" + tail);
            return;
        }
        ++out.m_Fatals;
        start = reached + 1;
    }
}

}  // namespace

void RunMutation(const char* child, int count, const std::vector<std::string>& fatalTexts,
                 int slices) {
    std::vector<SliceResult> results(slices);
    std::vector<std::thread> threads;
    for (int k = 0; k < slices; ++k) {
        threads.emplace_back(RunSlice, child, count * k / slices, count * (k + 1) / slices, k,
                             std::cref(fatalTexts), std::ref(results[k]));
    }
    int fatals = 0;
    for (int k = 0; k < slices; ++k) {
        threads[k].join();
        for (const std::string& failure : results[k].m_Failures) {
            ADD_FAILURE() << failure;
        }
        fatals += results[k].m_Fatals;
    }
    // Seeds the reader refuses would let every run pass on its fatal texts alone.
    EXPECT_LT(fatals, count) << child << ": every mutant was refused; the seeds must be sound";
    printf("%s: %d mutants, %d fatal refusals\n", child, count, fatals);
}
