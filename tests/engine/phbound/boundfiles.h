#ifndef TESTS_ENGINE_PHBOUND_BOUNDFILES_H
#define TESTS_ENGINE_PHBOUND_BOUNDFILES_H

#include <windows.h>

#include <string>

#include "data/asset.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

// A scratch asset root with a "bound" directory; bound files are written and read there by
// name and extension.
class BoundFiles {
public:
    // The root is the scratch folder relative to the working directory: asset names have
    // room for 128 characters, which a deep checkout and a long test name would fill.
    BoundFiles() {
        CreateDirectoryA(m_Scratch.Path("bound").c_str(), nullptr);
        const std::string& root = m_Scratch.Root();
        datAssetManager::SetPath(root.substr(root.rfind("\\scratch\\") + 1).c_str());
    }
    ~BoundFiles() { datAssetManager::SetPath(""); }

    std::string Path(const std::string& name, const char* extension) const {
        return m_Scratch.Path("bound\\" + name + "." + extension);
    }
    void Write(const std::string& name, const char* extension, const std::string& contents) {
        ASSERT_TRUE(WriteWholeFile(Path(name, extension), contents));
    }
    std::string Read(const std::string& name, const char* extension) const {
        return ReadWholeFile(Path(name, extension));
    }

private:
    ScratchDir m_Scratch;
};

// A unit cube centred on the origin: the corners and faces of the box bound's tables, with
// one material, in the text bound format.
inline std::string CubeText(const char* version = "1.01") {
    return std::string("version: ") + version +
           "\nverts: 8 materials: 1 edges: 0 polys: 6\n"
           "v 0.5 0.5 0.5\nv -0.5 0.5 0.5\nv -0.5 -0.5 0.5\nv 0.5 -0.5 0.5\n"
           "v 0.5 0.5 -0.5\nv -0.5 0.5 -0.5\nv -0.5 -0.5 -0.5\nv 0.5 -0.5 -0.5\n"
           "mtl cubestuff {\n\telasticity: 0.25\n\tfriction: 0.75\n\teffect: none\n"
           "\tsound: none\n}\n"
           "quad 4 0 3 7 0\nquad 2 1 5 6 0\nquad 1 0 4 5 0\nquad 7 3 2 6 0\n"
           "quad 3 0 1 2 0\nquad 5 4 7 6 0\n";
}

#endif
