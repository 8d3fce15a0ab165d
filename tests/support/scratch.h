#ifndef TESTS_SUPPORT_SCRATCH_H
#define TESTS_SUPPORT_SCRATCH_H

#include <string>

// A folder of the running test's own, "scratch\<suite>.<test>" below the working directory,
// emptied when it is made. Path() gives a Windows path inside it; Relative() names the folder
// from the working directory.
class ScratchDir {
public:
    ScratchDir();
    std::string Path(const std::string& name) const;
    const std::string& Root() const { return m_Root; }
    const std::string& Relative() const { return m_Relative; }

private:
    std::string m_Root;
    std::string m_Relative;
};

// A file beside the test sources ("data" folder of the test's directory), as a Windows path.
std::string TestDataPath(const std::string& name);
// A file of the source tree (e.g. "assets/city/demo.sdl"), as a Windows path.
std::string SourcePath(const std::string& name);

// Whole contents of a file, or an empty string when it cannot be read.
std::string ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& contents);
bool FileExists(const std::string& path);

#endif
