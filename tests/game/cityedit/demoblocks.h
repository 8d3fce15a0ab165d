#ifndef TESTS_GAME_CITYEDIT_DEMOBLOCKS_H
#define TESTS_GAME_CITYEDIT_DEMOBLOCKS_H

#include "city/ai.h"
#include "city/psdl.h"
#include "cityedit/block.h"
#include "cityedit/blockdata.h"
#include "cityedit/catalog.h"
#include "data/asset.h"
#include "data/options.h"
#include "data/stream.h"
#include "model/package.h"
#include "tests/game/cityedit/catalogfixture.h"
#include "tests/support/console.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

const char* const DemoFiles[] = {"demo.sdl", "floors.csv", "walls.csv", "facades.csv",
                                 "props.csv"};

// The demo city and its catalogues in a scratch asset root.
class DemoBlocks {
public:
    DemoBlocks() {
        CreateDirectoryA(m_Scratch.Path("city").c_str(), nullptr);
        for (const char* file : DemoFiles) {
            CopyFileA(SourcePath(std::string("tests\\data\\oddcity\\city\\") + file).c_str(),
                      m_Scratch.Path(std::string("city\\") + file).c_str(), FALSE);
        }
        datAssetManager::SetPath(m_Scratch.Root().c_str());
        LoadCatalogs();
        m_Loaded = m_City.LoadSDL("demo");
        m_Console.Take();
    }
    ~DemoBlocks() {
        DeleteAllRoomBlocks();
        ClearOptions();
        lvlAiMap::Free();
        FloorsCatalog.Clear();
        WallsCatalog.Clear();
        FacadesCatalog.Clear();
        PropsCatalog.Clear();
        datAssetManager::SetPath("");
    }

    void WriteBlocks(const std::string& name, const std::vector<CityBlock>& blocks) {
        Stream* stream = StreamCreate(m_Scratch.Path("city\\" + name + ".block").c_str());
        for (const CityBlock& block : blocks) {
            block.Write(stream);
        }
        StreamPrintf(stream, "end\n");
        StreamClose(stream);
    }
    void WriteFile(const std::string& name, const std::string& text) {
        CreateDirectoryA(m_Scratch.Path(name.substr(0, name.find('\\'))).c_str(), nullptr);
        WriteWholeFile(m_Scratch.Path(name), text);
    }
    // An empty package "geometry/<name>.pkg", with a position item when one is given.
    void WritePackage(const char* name, const Vector3* offset) {
        CreateDirectoryA(m_Scratch.Path("geometry").c_str(), nullptr);
        modPackage package;
        ASSERT_TRUE(package.Create("geometry", name));
        if (offset) {
            Stream* stream = package.BeginFile("offset");
            StreamWrite(stream, offset, 12);
            package.EndFile();
        }
        ASSERT_TRUE(package.Close());
    }

    ScratchDir m_Scratch;
    ConsoleCapture m_Console;
    BoxRecorder m_Boxes;
    lvlPSDL m_City;
    bool m_Loaded = false;
};

#endif
