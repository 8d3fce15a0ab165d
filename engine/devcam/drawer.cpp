// The drawer that the immediate-mode layer installs.
#include "devcam/drawer.h"

dcDrawer* dcDraw;
