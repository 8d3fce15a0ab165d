#ifndef TESTS_ENGINE_PHCORE_MATERIALTEXT_H
#define TESTS_ENGINE_PHCORE_MATERIALTEXT_H

#include "data/stream.h"
#include "data/token.h"
#include "phcore/material.h"
#include "phcore/materialmgr.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Writes text to path and loads every "mtl" block of it through the process-wide manager.
inline std::vector<phMaterial*> LoadMaterialText(const std::string& path,
                                                 const std::string& text) {
    std::vector<phMaterial*> loaded;
    EXPECT_TRUE(WriteWholeFile(path, text));
    Stream* stream = StreamOpen(path.c_str());
    EXPECT_NE(stream, nullptr);
    if (!stream) {
        return loaded;
    }
    TokenReader reader(path.c_str(), stream);
    while (reader.CheckToken("mtl", false)) {
        loaded.push_back(phMaterialMgr::Instance()->Load(reader));
    }
    StreamClose(stream);
    return loaded;
}

// The text block that the material saves, written through a file at path.
inline std::string SaveMaterialText(const std::string& path, const phMaterial& material) {
    Stream* stream = StreamCreate(path.c_str());
    EXPECT_NE(stream, nullptr);
    if (!stream) {
        return "";
    }
    TokenReader writer(path.c_str(), stream);
    material.Save(writer);
    StreamClose(stream);
    return ReadWholeFile(path);
}

#endif
