#ifndef TESTS_GAME_CITYEDIT_CATALOGFIXTURE_H
#define TESTS_GAME_CITYEDIT_CATALOGFIXTURE_H

#include "bank/dialogseam.h"
#include "cityedit/catalog.h"
#include "data/asset.h"
#include "data/options.h"
#include "tests/support/scratch.h"

#include <string>
#include <vector>

// Message boxes as "caption|text" while it lives, answered OK without showing them.
class BoxRecorder {
public:
    BoxRecorder() : m_Previous(bkSetMessageBoxFunc(Record)) { Boxes().clear(); }
    ~BoxRecorder() { bkSetMessageBoxFunc(m_Previous); }
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

    static std::vector<std::string>& Boxes() {
        static std::vector<std::string> boxes;
        return boxes;
    }

private:
    static int WINAPI Record(HWND, const char* text, const char* caption, UINT) {
        Boxes().push_back(std::string(caption) + "|" + text);
        return IDOK;
    }

    bkMessageBoxFunc m_Previous;
};

// Catalogue files in a scratch asset root ("city" under it), loaded into the four catalogues;
// the catalogues are emptied and the run's miss count restarted afterwards.
class CatalogFiles {
public:
    CatalogFiles() {
        CreateDirectoryA(m_Scratch.Path("city").c_str(), nullptr);
        datAssetManager::SetPath(m_Scratch.Root().c_str());
        ElementCatalog::sm_MissCount = 0;
    }
    ~CatalogFiles() {
        FloorsCatalog.Clear();
        WallsCatalog.Clear();
        FacadesCatalog.Clear();
        PropsCatalog.Clear();
        ElementCatalog::sm_MissCount = 0;
        datAssetManager::SetPath("");
    }
    CatalogFiles(const CatalogFiles&) = delete;
    CatalogFiles& operator=(const CatalogFiles&) = delete;

    // city/<name>.csv with a header line before the lines given.
    void Write(const std::string& name, const std::string& lines) {
        WriteWholeFile(m_Scratch.Path("city\\" + name + ".csv"), "group,name,more\r\n" + lines);
    }
    // A file of the asset root, its folder made first.
    void WriteAsset(const std::string& folder, const std::string& file, const std::string& bytes) {
        CreateDirectoryA(m_Scratch.Path(folder).c_str(), nullptr);
        WriteWholeFile(m_Scratch.Path(folder + "\\" + file), bytes);
    }

    ScratchDir m_Scratch;
};

#endif
