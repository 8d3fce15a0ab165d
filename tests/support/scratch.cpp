#include "tests/support/scratch.h"
#include "tests/support/child.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            std::string child = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

std::string UnixToWindows(const char* variable, const std::string& name) {
    const char* base = getenv(variable);
    std::string path = std::string("Z:") + (base ? base : ".") + "/" + name;
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

// A folder name short enough that a deep checkout still leaves the asset root its room: the
// start of the test's name for whoever looks, and a hash of the whole name to keep it apart.
std::string ShortLeaf(const std::string& leaf) {
    const size_t Keep = 16;
    if (leaf.size() <= Keep + 9) {
        return leaf;
    }
    uint32_t hash = 2166136261u;
    for (unsigned char c : leaf) {
        hash = (hash ^ c) * 16777619u;
    }
    char tail[10];
    snprintf(tail, sizeof tail, "-%08x", hash);
    return leaf.substr(0, Keep) + tail;
}

// A child's folder is named after the child, as runs of one program side by side start
// different children, and after its slice, as children of mutation slices run side by side.
std::string ChildLeaf() {
    std::string leaf = ChildName().empty() ? "child" : ChildName();
    int slice = ChildNumber("slice", -1);
    return slice < 0 ? leaf : leaf + std::to_string(slice);
}

}  // namespace

ScratchDir::ScratchDir() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string leaf = info ? std::string(info->test_suite_name()) + "." + info->name() : ChildLeaf();
    for (char& c : leaf) {
        if (c == '/') {
            c = '_';
        }
    }
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    std::string parent = std::string(cwd) + "\\scratch";
    CreateDirectoryA(parent.c_str(), nullptr);
    m_Relative = "scratch\\" + ShortLeaf(leaf);
    m_Root = std::string(cwd) + "\\" + m_Relative;
    RemoveTree(m_Root);
    CreateDirectoryA(m_Root.c_str(), nullptr);
}

std::string ScratchDir::Path(const std::string& name) const { return m_Root + "\\" + name; }

std::string TestDataPath(const std::string& name) {
    return UnixToWindows("PLATTOR_TEST_DATA", name);
}

std::string SourcePath(const std::string& name) {
    return UnixToWindows("PLATTOR_SOURCE_DIR", name);
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

bool WriteWholeFile(const std::string& path, const std::string& contents) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(contents.data(), (std::streamsize)contents.size());
    return (bool)file;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
