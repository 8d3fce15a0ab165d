// One call gives every game drawing seam its immediate-mode drawer.
#include "cityedit/rgldrawers.h"

#include <gtest/gtest.h>

#include "city/ai.h"
#include "cityedit/psdltool.h"
#include "level/pathdrawer.h"
#include "phcore/debuglines.h"

TEST(RglDrawers, OneCallInstallsEverySeam) {
    lvlAiDrawer* ai = AiDrawer;
    lvlEmitDrawer* emit = EmitDrawer;
    qvPathDrawer* paths = PathDrawer;
    phDebugLineDrawer* lines = DebugLineDrawer;
    AiDrawer = nullptr;
    EmitDrawer = nullptr;
    PathDrawer = nullptr;
    DebugLineDrawer = nullptr;
    lvlUseRglDrawers();
    EXPECT_NE(AiDrawer, nullptr);
    EXPECT_NE(EmitDrawer, nullptr);
    EXPECT_NE(PathDrawer, nullptr);
    EXPECT_NE(DebugLineDrawer, nullptr);
    AiDrawer = ai;
    EmitDrawer = emit;
    PathDrawer = paths;
    DebugLineDrawer = lines;
}
