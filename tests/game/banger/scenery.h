#ifndef TESTS_GAME_BANGER_SCENERY_H
#define TESTS_GAME_BANGER_SCENERY_H

#include <string>

#include "tests/engine/model/modelfixture.h"
#include "tests/game/phys/terrainscene.h"

// The props of the scenes, which stand on the terrain and meet the car of terrainscene.h;
// shared by the scene tests and the physics manager's benchmark.

// The items of a prop's package: every level of detail and the shadow one triangle spanning the prop's
// box, so that the instance's radius is the prop's own, and one shader.
inline std::string PropPackageItems(const std::string& name, const Vector3& size) {
    std::string model = U32(1) + U32(3) + U32(0) + U32(0) + U32(0x142);
    model += U32(1) + U32(0) + U32(3) + U32(3);
    const Vector3 corners[3] = {Vector3(-0.5f * size.x, 0.0f, -0.5f * size.z),
                                Vector3(0.5f * size.x, 0.0f, -0.5f * size.z),
                                Vector3(0.0f, size.y, 0.5f * size.z)};
    for (const Vector3& c : corners) {
        model += F32(c.x) + F32(c.y) + F32(c.z) + U32(0xFFFFFFFF) + F32(0.0f) + F32(0.0f);
    }
    model += U32(3) + std::string{0, 0, 1, 0, 2, 0};
    std::string items;
    for (const char* lod : {"H", "M", "L", "VL"}) items += PackageItem(name + "_" + lod, model);
    items += PackageItem("shadow_H", model);
    const float white[4] = {1, 1, 1, 1};
    items += PackageItem("shaders", U32(1) + U32(1) + ShaderRecord("", white, 1.0f));
    return items;
}

#endif
