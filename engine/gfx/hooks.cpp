// Hook lists through which the pipeline calls the parts built over it.
#include "gfx/hooks.h"

#include "data/printer.h"

namespace {

struct HookList {
    gfxHookFunc m_Functions[gfxMaxHooks];
    int m_Count;
};

HookList sHooks[gfxHookPointCount];

}  // namespace

bool gfxAddHook(gfxHookPoint point, gfxHookFunc function) {
    HookList& list = sHooks[point];
    for (int i = 0; i < list.m_Count; ++i) {
        if (list.m_Functions[i] == function) {
            return true;
        }
    }
    if (list.m_Count == gfxMaxHooks) {
        PrintError("gfxAddHook: hook list %d is full", (int)point);
        return false;
    }
    list.m_Functions[list.m_Count++] = function;
    return true;
}

void gfxRemoveHook(gfxHookPoint point, gfxHookFunc function) {
    HookList& list = sHooks[point];
    for (int i = 0; i < list.m_Count; ++i) {
        if (list.m_Functions[i] == function) {
            for (int j = i + 1; j < list.m_Count; ++j) {
                list.m_Functions[j - 1] = list.m_Functions[j];
            }
            --list.m_Count;
            return;
        }
    }
}

void gfxRunHooks(gfxHookPoint point) {
    HookList& list = sHooks[point];
    for (int i = 0; i < list.m_Count; ++i) {
        list.m_Functions[i]();
    }
}
