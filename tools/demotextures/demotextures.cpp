// Writes the demo city's generated files below an asset root: its textures, its model packages
// with their join lines and bound, its path set and its light-map image. Run by hand when the
// demo changes; its output is kept in assets/.
//   demotextures <asset root>      (e.g. assets)
#include "tools/demotextures/demoassets.h"

#include "data/asset.h"
#include "data/printer.h"

#include <windows.h>

#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        PrintError("Usage: demotextures directory");
        return 1;
    }
    datAssetManager::SetPath(argv[1]);
    std::string root = datAssetManager::GetPath();
    for (const char* folder : {"texture", "geometry", "scene", "bound", "city"}) {
        CreateDirectoryA((root + folder).c_str(), nullptr);
    }
    bool written = WriteDemoTextures() && WriteDemoModels() && WriteDemoPathSet() &&
                   WriteDemoLightImage();
    return written ? 0 : 1;
}
