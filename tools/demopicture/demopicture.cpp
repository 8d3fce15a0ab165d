// Draws the demo city once as the editor shows it at start-up with its blocks, from a camera
// above its south-east corner, and saves the frame as a bitmap: the README's picture.
//   demopicture <asset root> <picture.bmp>
#include "tools/demopicture/demoframe.h"

#include "city/psdl.h"
#include "cityedit/blockdata.h"
#include "cityedit/catalog.h"
#include "cityedit/rgldrawers.h"
#include "data/asset.h"
#include "data/printer.h"
#include "gfx/pipeline.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        PrintError("Usage: demopicture directory picture.bmp");
        return 1;
    }
    datAssetManager::SetPath(argv[1]);
    LoadCatalogs();
    lvlPSDL city;
    if (!city.LoadSDL("demo")) {
        return 1;
    }
    gfxSetWindowMode(true, -1, -1);
    gfxParseOptions(800, 600, 16, 16, true);
    gfxStartPipeline();
    lvlUseRglDrawers();
    LoadCityTextures();
    LoadBlockData("demo", &city);
    StartDemoView();
    Matrix34 camera = DemoLookAt(Vector3(190, 170, 250), Vector3(10, 0, 20));
    // The first frame loads what it draws; the second is the picture.
    DrawDemoFrame(city, camera);
    DrawDemoFrame(city, camera, argv[2]);
    gfxClosePipeline();
    return 0;
}
