#ifndef CITYEDIT_CITYPATH_H
#define CITYEDIT_CITYPATH_H

#include <cstdint>
#include <vector>

#include "level/pathedit.h"

class lvlPSDL;
struct Matrix34;

// The path-set editor on the processed city: ground points are found on the city's rooms, and
// each path shows as a line, as the props standing along it or as a decal strip. A path may be
// named after a prop of the props catalogue from the bank. The rest of the editing (mouse,
// snapping, naming, files) is the base's.
class CityPathEditor : public qvPathSet {
public:
    enum DisplayMode { ShowPaths = 0, ShowProps = 1, ShowDecals = 2 };

    CityPathEditor();
    // Frees the models of the prop cache.
    ~CityPathEditor() override;

    // The base's widgets, then "Display as...", "Prop Group" over the props catalogue and
    // "Collide vs highest".
    void AddWidgets(bkBank* bank) override;
    // The base's drawing of the paths, then the props or decals of the display mode.
    void Draw() override;
    // The point under the client point on the first room the ray hits in room order (the last
    // with "Collide vs highest" off); the low 24 bits of the vertex's word take the room's id,
    // its top 8 bits stay. With opposite set, or for a path named "Opp..." in any case, only
    // rooms of type bit 0x10 count. A miss beeps.
    bool Pick(qvPath* path, qvPathVertex& point, int x, int y, bool opposite) override;

    // Names the current path after props element (prop index + 1).
    void SelectProp();
    // The prop model of that name standing at the placement, its lowest point (or its origin,
    // when nothing lies below it) on the placement's point. A model missing from "geometry" is
    // looked for once and then draws nothing.
    static void DrawProp(const char* name, const Matrix34& placement);

    void SetCity(lvlPSDL* city) { m_City = city; }

    // "Collide vs highest", shared by every city path editor.
    static uint8_t sm_CollideVsHighest;

    lvlPSDL* m_City;
    int32_t m_DisplayMode;
    int32_t m_PropIndex;

private:
    // The prop names of the "Prop Group" combo, kept while the bank may read them.
    std::vector<const char*> m_PropNames;
};

#endif
