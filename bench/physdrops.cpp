// Physics scenes by hand: the speeds at which a falling box, sphere or capsule passes through
// each kind of ground, on the impulse and on the contact path, and the momentum left after bodies of
// unequal mass meet head-on. Run under Wine from the build directory.
#include <cstdio>

#include "tests/engine/phbound/meshes.h"
#include "tests/engine/phcollide/dropworld.h"

namespace {

// Whether a unit body thrown down at speed from 1 m above the ground ends below it.
bool Tunnels(Shape shape, Ground ground, bool contacts, float speed) {
    DropWorld world(ground, contacts, "physdrops");
    Matrix34 start = Matrix34::sm_Identity;
    start.d.Set(0.3f, 1.5f, 0.2f);
    DropBody& body = world.Add(shape, 1.0f, start, Vector3(0.0f, -speed, 0.0f));
    world.Run(60, true, 0.0f);
    return body.Ics.Matrix.d.y < 0.0f;
}

}  // namespace

int main() {
    const float speeds[] = {10, 20, 30, 40, 50, 60, 70, 80, 100, 120, 150, 200, 300, 400, 500};
    for (bool contacts : {false, true}) {
        for (Shape shape : {Shape::BOX, Shape::SPHERE, Shape::CAPSULE}) {
            for (Ground ground : {Ground::BOX, Ground::GEOMETRY, Ground::TERRAIN}) {
                std::printf("%-8s %-7s on %-8s passes through at:",
                            contacts ? "contacts" : "impulses", ShapeName(shape),
                            GroundName(ground));
                for (float speed : speeds) {
                    if (Tunnels(shape, ground, contacts, speed)) {
                        std::printf(" %g", speed);
                    }
                }
                std::printf(" m/s\n");
            }
        }
    }
    // Head-on and slightly off the line of centres (0.2 m), which turns the bodies.
    for (bool contacts : {false, true}) {
        for (Shape shape : {Shape::SPHERE, Shape::BOX}) {
            for (float massB : {2.0f, 3.0f}) {
                for (float offset : {0.0f, 0.2f}) {
                    DropWorld world(Ground::NONE, contacts, "physdrops");
                    world.Add(shape, 1.0f, Translation(-0.6f, 0, 0), Vector3(2.0f, 0, 0));
                    world.Add(shape, massB, Translation(0.6f, offset, 0),
                              Vector3(-2.0f / massB, 0, 0));
                    DropReport r = world.Run(120, false, 0.0f);
                    std::printf("%-8s %-6s 1 kg at 2 m/s against %g kg, %g m off the line: "
                                "largest total momentum %.2g N s\n",
                                contacts ? "contacts" : "impulses", ShapeName(shape), massB,
                                offset, r.WorstMomentum);
                }
            }
        }
    }
    return 0;
}
