#ifndef TESTS_SUPPORT_MUTATION_H
#define TESTS_SUPPORT_MUTATION_H

#include <string>
#include <vector>

// Mutation runs of file readers: damaged copies of good files, the same for the same index on
// every run, fed to a reader in child processes so that fatal refusals end only one child.

// Mutant number index of one of the seeds: bit flips, cut files, junk appended, huge and
// negative values over 16 and 32-bit fields, and runs of long names.
std::string Mutant(const std::vector<std::string>& seeds, int index);

// Whether every line of text holds one of the allowed texts; the first other line otherwise.
bool OnlyAllowedLines(const std::string& text, const std::vector<std::string>& allowed,
                      std::string* stray);

// In the child: checks mutants from the "start=N" of the command line up to count, telling
// each index before it starts. check gives false, with the reason, for a wrong result.
typedef bool (*MutantCheck)(int index, std::string& why);
int RunMutantsInChild(int count, MutantCheck check);

// In the test: runs mutants 0 to count in the child, starting a new child after each one that
// ends the program, which must have printed one of the fatal texts. Failures are the test's.
void RunMutation(const char* child, int count, const std::vector<std::string>& fatalTexts);

#endif
