#ifndef TESTS_SUPPORT_MUTATION_H
#define TESTS_SUPPORT_MUTATION_H

#include <string>
#include <vector>

// Mutation runs of file readers: damaged copies of good files, the same for the same index on
// every run, fed to a reader in child processes so that fatal refusals end only one child.

// Mutant number index of one of the seeds: bit flips, cut files, junk appended, huge and
// negative values over 16 and 32-bit fields, non-finite and huge floats over 32-bit fields and
// in place of the numbers of text files, and runs of long names. The children run with the
// invalid-operation exception unmasked, as the editor reads its files at start-up.
std::string Mutant(const std::vector<std::string>& seeds, int index);

// Whether every line of text holds one of the allowed texts; the first other line otherwise.
bool OnlyAllowedLines(const std::string& text, const std::vector<std::string>& allowed,
                      std::string* stray);

// The same for a check: false, with the first stray line as the reason, when the text holds
// a line of none of the allowed texts.
bool OnlyAllowedMessages(const std::string& text, const std::vector<std::string>& allowed,
                         std::string& why);

// In the child: checks mutants from the "start=N" of the command line up to its "end=N" or
// count, telling each index before it starts. check gives false, with the reason, for a wrong result.
typedef bool (*MutantCheck)(int index, std::string& why);
int RunMutantsInChild(int count, MutantCheck check);

// In the test: runs mutants 0 to count in the child, starting a new child after each one that
// ends the program, which must have printed one of the fatal texts. Failures are the test's.
// Slices of the mutants run side by side, for readers that refuse much of what they are given
// (each refusal costs a child); the children of each slice have a scratch folder of their own.
void RunMutation(const char* child, int count, const std::vector<std::string>& fatalTexts,
                 int slices = 1);

#endif
