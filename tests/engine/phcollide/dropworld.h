#ifndef TESTS_ENGINE_PHCOLLIDE_DROPWORLD_H
#define TESTS_ENGINE_PHCOLLIDE_DROPWORLD_H

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "data/asset.h"
#include "data/timemgr.h"
#include "phbound/bound.h"
#include "phbound/boundbox.h"
#include "phbound/boundgeometry.h"
#include "phbound/boundhotdog.h"
#include "phbound/boundsphere.h"
#include "phbound/boundterrain.h"
#include "phbound/impact.h"
#include "phcollide/collider.h"
#include "phcollide/collision.h"
#include "phcollide/contactmgr.h"
#include "phcore/isect.h"
#include "phinertia/inertia.h"
#include "phinertia/sleep.h"
#include "tests/engine/phbound/terrains.h"

// Bodies dropped on a ground and thrown at each other through the real dispatch, response
// and contact manager at 60 frames a second, g = 9.8, as the game's movers run them; and what
// every frame is checked for: finite state, no sinking below the margin, no impact deeper
// than the bodies overlap, no energy gained, rest and sleep, momentum.

enum class Ground { NONE, BOX, GEOMETRY, TERRAIN };
enum class Shape { BOX, SPHERE, CAPSULE };

inline const char* GroundName(Ground g) {
    const char* names[] = {"none", "box", "geometry", "terrain"};
    return names[int(g)];
}

inline const char* ShapeName(Shape s) {
    const char* names[] = {"box", "sphere", "capsule"};
    return names[int(s)];
}

// Flat ground of cells x cells of the given size, all of one material, from the origin.
inline std::string FlatGroundText(int cells, float size) {
    std::string text = HeightFieldText(cells, cells, size, [](int, int) { return 0.0f; });
    size_t at = 0;
    while ((at = text.find("tri ", at)) != std::string::npos) {
        at = text.find('\n', at);
        text[at - 1] = '0';
    }
    return text;
}

// Writes a text bound file "name.bnd" into root\bound (root relative to the working
// directory, made when missing) and loads it.
inline bool LoadGroundText(phBoundGeometry& bound, const std::string& root,
                           const std::string& name, const std::string& text) {
    CreateDirectoryA(root.c_str(), nullptr);
    CreateDirectoryA((root + "\\bound").c_str(), nullptr);
    std::string path = root + "\\bound\\" + name + ".bnd";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    datAssetManager::SetPath(root.c_str());
    bool loaded = bound.phBoundGeometry::Load(name.c_str());
    datAssetManager::SetPath("");
    return loaded;
}

struct DropBody {
    std::unique_ptr<phBound> Bound;
    Shape Kind = Shape::BOX;
    phInertialCS Ics;
    phCollider Collider;
    phSleep Sleep;

    // A unit body of mass `mass`: a 1 m box, a sphere of radius 0.5, or a capsule of radius
    // 0.25 and length 0.5 along its y axis.
    DropBody(Shape kind, float mass, const Matrix34& start) : Kind(kind) {
        switch (kind) {
            case Shape::BOX:
                Bound.reset(new phBoundBox(Vector3(1.0f, 1.0f, 1.0f)));
                Ics.InitBox(mass, 1.0f, 1.0f, 1.0f);
                break;
            case Shape::SPHERE:
                Bound.reset(new phBoundSphere(0.5f));
                Ics.InitSphere(mass, 0.5f);
                break;
            case Shape::CAPSULE:
                Bound.reset(new phBoundHotdog(0.25f, 0.5f));
                Ics.InitHotdog(mass, 0.25f, 0.5f, 'y');
                break;
        }
        Ics.Matrix = start;
        Collider.InitWithICS(Bound.get(), &Ics, 0);
        Collider.SaveLastMatrix();
        Sleep.Init(&Ics, nullptr);
    }

    float LowestPoint() const {
        const Matrix34& m = Ics.Matrix;
        if (Kind == Shape::SPHERE) {
            return m.d.y - 0.5f;
        }
        if (Kind == Shape::CAPSULE) {
            return m.d.y - std::fabs(m.b.y) * 0.25f - 0.25f;
        }
        return m.d.y - 0.5f * (std::fabs(m.a.y) + std::fabs(m.b.y) + std::fabs(m.c.y));
    }

    double Energy(bool gravity) const {
        const phInertialCS& b = Ics;
        // The spin's energy in the body frame: its components along the axes.
        double wx = b.AngVelocity.Dot(b.Matrix.a);
        double wy = b.AngVelocity.Dot(b.Matrix.b);
        double wz = b.AngVelocity.Dot(b.Matrix.c);
        double spin = b.AngInertia.x * wx * wx + b.AngInertia.y * wy * wy +
                      b.AngInertia.z * wz * wz;
        double v2 = double(b.Velocity.Mag2());
        return 0.5 * b.Mass * v2 + 0.5 * spin +
               (gravity ? double(b.Mass) * phCollision::Gravity * b.Matrix.d.y : 0.0);
    }

    bool Finite() const {
        const Matrix34& m = Ics.Matrix;
        const Vector3* v[] = {&m.a, &m.b, &m.c, &m.d, &Ics.Velocity, &Ics.AngVelocity};
        for (const Vector3* p : v) {
            if (!std::isfinite(p->x) || !std::isfinite(p->y) || !std::isfinite(p->z)) {
                return false;
            }
        }
        return true;
    }
};

// What a run found; the worst of every frame.
struct DropReport {
    int NonFiniteFrame = -1;
    // Lowest point below the ground's top (positive: sunk).
    float WorstSink = 0.0f;
    // An impact against the ground deeper than the body overlaps it, beyond the margin.
    float WorstExcessDepth = 0.0f;
    // Largest rise of the total energy over its start.
    double WorstEnergyGain = 0.0;
    // The first frame from which every body stayed asleep to the end, or -1.
    int AsleepFrom = -1;
    // Largest speed and spin over the last second.
    float LastSecondSpeed = 0.0f;
    float LastSecondSpin = 0.0f;
    // Largest total momentum over the run.
    float WorstMomentum = 0.0f;
    float FarthestFromStart = 0.0f;
};

class DropWorld {
public:
    // The ground is static, its top at y = 0 and centred on the origin, 20 m across. root is
    // where a text ground is written (relative to the working directory).
    DropWorld(Ground ground, bool contacts, const std::string& root)
        : m_Contacts(phCollision::UseContacts), m_Seconds(datTimeManager::Seconds) {
        phCollision::UseContacts = contacts;
        datTimeManager::Seconds = 1.0f / 60.0f;
        m_GroundMatrix = Matrix34::sm_Identity;
        switch (ground) {
            case Ground::NONE:
                break;
            case Ground::BOX:
                m_GroundBound.reset(new phBoundBox(Vector3(20.0f, 2.0f, 20.0f)));
                m_GroundMatrix.d.Set(0.0f, -1.0f, 0.0f);
                break;
            case Ground::GEOMETRY:
            case Ground::TERRAIN: {
                phBoundGeometry* mesh = nullptr;
                phBoundTerrain* terrain = nullptr;
                if (ground == Ground::TERRAIN) {
                    mesh = terrain = new phBoundTerrain;
                } else {
                    mesh = new phBoundGeometry;
                }
                m_GroundBound.reset(mesh);
                m_Loaded = LoadGroundText(*mesh, root, "ground",
                                          FlatGroundText(CellsAcross, 20.0f / CellsAcross));
                if (terrain && m_Loaded) {
                    BuildTerrainGrid(*terrain, CellsAcross, CellsAcross);
                }
                m_GroundMatrix.d.Set(-10.0f, 0.0f, -10.0f);
                break;
            }
        }
        if (m_GroundBound) {
            m_Ground.InitStatic(&m_GroundMatrix, m_GroundBound.get());
        }
    }
    ~DropWorld() {
        phCollision::UseContacts = m_Contacts;
        datTimeManager::Seconds = m_Seconds;
    }
    DropWorld(const DropWorld&) = delete;
    DropWorld& operator=(const DropWorld&) = delete;

    bool Loaded() const { return m_Loaded; }

    DropBody& Add(Shape kind, float mass, const Matrix34& start, const Vector3& velocity) {
        m_Bodies.emplace_back(new DropBody(kind, mass, start));
        DropBody& body = *m_Bodies.back();
        body.Ics.Velocity = velocity;
        body.Ics.Momentum = velocity * mass;
        return body;
    }

    // Runs the frames, with gravity or without, checking every frame. sleepTolerance2 is the
    // rest monitor's squared speed and spin tolerance (the impulse path leaves a resting body
    // with one frame of gravity's speed).
    DropReport Run(int frames, bool gravity, float sleepTolerance2) {
        DropReport report;
        double start = 0.0;
        for (auto& body : m_Bodies) {
            body->Sleep.VelTolerance2 = sleepTolerance2;
            body->Sleep.AngVelTolerance2 = sleepTolerance2;
            start += body->Energy(gravity);
        }
        std::vector<Vector3> origins;
        for (auto& body : m_Bodies) {
            origins.push_back(body->Ics.Matrix.d);
        }
        for (int frame = 0; frame < frames; ++frame) {
            Frame(gravity, report);
            double energy = 0.0;
            Vector3 momentum(0.0f, 0.0f, 0.0f);
            bool asleep = true;
            for (size_t k = 0; k < m_Bodies.size(); ++k) {
                DropBody& body = *m_Bodies[k];
                if (!body.Finite()) {
                    report.NonFiniteFrame = frame;
                    return report;
                }
                energy += body.Energy(gravity);
                momentum += body.Ics.Velocity * body.Ics.Mass;
                asleep = asleep && body.Sleep.State != phSleep::AWAKE;
                if (m_GroundBound) {
                    report.WorstSink = std::fmax(report.WorstSink, -body.LowestPoint());
                }
                report.FarthestFromStart =
                    std::fmax(report.FarthestFromStart, body.Ics.Matrix.d.Dist(origins[k]));
                if (frame >= frames - 60) {
                    report.LastSecondSpeed =
                        std::fmax(report.LastSecondSpeed, body.Ics.Velocity.Mag());
                    report.LastSecondSpin =
                        std::fmax(report.LastSecondSpin, body.Ics.AngVelocity.Mag());
                }
            }
            report.WorstEnergyGain = std::fmax(report.WorstEnergyGain, energy - start);
            report.WorstMomentum = std::fmax(report.WorstMomentum, momentum.Mag());
            if (!asleep) {
                report.AsleepFrom = -1;
            } else if (report.AsleepFrom < 0) {
                report.AsleepFrom = frame;
            }
        }
        return report;
    }

    std::vector<std::unique_ptr<DropBody>>& Bodies() { return m_Bodies; }

private:
    static const int CellsAcross = 4;

    // The movers' order: gravity, the rest monitor and the integration, then the collisions
    // at the new places, then the end of the frame, which applies the pushes.
    void Frame(bool gravity, DropReport& report) {
        m_Mgr.BeginFrame();
        for (auto& body : m_Bodies) {
            if (gravity) {
                body->Collider.ApplyGravity();
            }
            body->Sleep.Update();
            body->Ics.FrameUpdate();
            body->Collider.ComputeMotionDistance();
        }
        for (auto& body : m_Bodies) {
            if (m_GroundBound) {
                Collide(body->Collider, m_Ground, body.get(), report);
            }
        }
        for (size_t i = 0; i < m_Bodies.size(); ++i) {
            for (size_t j = i + 1; j < m_Bodies.size(); ++j) {
                Collide(m_Bodies[i]->Collider, m_Bodies[j]->Collider, nullptr, report);
            }
        }
        for (auto& body : m_Bodies) {
            body->Collider.EndFrame();
        }
    }

    // One pair collided and its impacts answered, each with weight 1/n. Against the ground
    // every impact is checked against how deep the body really is.
    void Collide(phColliderBase& a, phColliderBase& b, DropBody* onGround, DropReport& report) {
        Vector3 motionA = a.CurrentMatrix->d - a.LastMatrix.d;
        Vector3 motionB = b.CurrentMatrix->d - b.LastMatrix.d;
        int n = phCollision::CollideBounds(a.GetBound(), &a, b.GetBound(), &b, m_Isects1,
                                           m_Isects2, m_Impacts, 100, 200, motionA - motionB);
        if (onGround) {
            float overlap = std::fmax(0.0f, -onGround->LowestPoint());
            for (int i = 0; i < n; ++i) {
                report.WorstExcessDepth =
                    std::fmax(report.WorstExcessDepth,
                              m_Impacts[i].Depth - overlap - phBound::DefaultMargin);
            }
        }
        for (int i = 0; i < n; ++i) {
            phCollision::ResolveImpacts(&m_Mgr, m_Impacts[i], 1.0f / float(n));
        }
    }

    bool m_Contacts;
    float m_Seconds;
    bool m_Loaded = true;
    std::unique_ptr<phBound> m_GroundBound;
    Matrix34 m_GroundMatrix;
    phColliderBase m_Ground;
    std::vector<std::unique_ptr<DropBody>> m_Bodies;
    phContactMgr m_Mgr;
    phIsect m_Isects1[100];
    phIsect m_Isects2[100];
    phImpact m_Impacts[200];
};

#endif
