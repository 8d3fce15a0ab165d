// Every game drawing seam given its immediate-mode drawer at once.
#include "cityedit/rgldrawers.h"

#include "city/ai.h"
#include "cityedit/psdltool.h"
#include "level/pathdrawer.h"
#include "phys/debuglinergl.h"

void lvlUseRglDrawers() {
    lvlUseRglAiDrawer();
    lvlUseRglEmitDrawer();
    lvlUseRglPathDrawer();
    lvlUseRglDebugLineDrawer();
}
