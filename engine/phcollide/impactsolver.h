#ifndef PHCOLLIDE_IMPACTSOLVER_H
#define PHCOLLIDE_IMPACTSOLVER_H

#include <vector>

#include "phbound/impact.h"
#include "phcollide/pointimpulse.h"
#include "vector/matrix34.h"
#include "vector/vector3.h"

class phColliderBase;
class phInertialCS;

// The impacts of one step answered together by impulses. Answered one at a time, each from
// the same velocities (and each of n impacts of a pair with a share of 1/n), they stop a body
// lying on several points only in part: a box on its four corners keeps some 40 per cent of
// its approach every frame and sinks on, held up only by pushes; and an impulse that one
// contact gives a body is not answered by the contacts it has elsewhere until the next step,
// so a stack of bodies hops. Here every impact's impulse is found with all the others' in
// place, round after round: every approaching point stops, or bounces by its elasticity when
// it comes fast, within its friction cone, and no impulse pulls.
class phImpactSolver {
public:
    // Rounds at most, and the velocity change at a point below which a round counts as
    // settled.
    static const int MaxRounds = 64;
    static constexpr float SettledSpeed = 1e-4f;
    // Slower approaches are resting contact and are stopped, not bounced: a body lying on
    // the ground meets it each step at the speed one step of gravity gives (a third of this
    // at the game's gravity), and bouncing that would keep it hopping on the spot.
    static constexpr float RestingApproach = 1.0f;

    // Forgets the impacts taken so far.
    void Clear() { m_Points.clear(); }
    // Takes impacts (each naming its two colliders); their materials are combined and their
    // pushes applied now, while the colliders are as the impacts found them. The impulses
    // wait for Solve.
    void Add(phImpact* impacts, int count);
    // Drops the impacts that name the collider: its body is handed to another object, and
    // what they found no longer holds for it.
    void Forget(const phColliderBase* collider);
    // Finds the impulses of every impact taken since Clear and applies them.
    void Solve();

private:
    // One side's body as the solve reads it; none for a side that cannot move. The body does
    // not turn while the step's impacts are solved.
    struct Side {
        const phInertialCS* Body = nullptr;
        Matrix34 InvInertia;
        float InvMass = 0.0f;

        void Set(const phColliderBase* collider);
        // What the impulses the body has gathered so far add to the point's velocity.
        Vector3 Gathered(const Vector3& point) const;
    };
    struct Point {
        phImpact Impact;
        Vector3 Velocity;  // A's less B's at the point, without this step's impulses
        Vector3 Impulse;   // on A, B taking its negation
        Matrix34 K;        // relative velocity change per unit impulse at the point itself
        float Target;      // normal velocity wanted
        phPointImpulse Alone;  // the point answered on its own
        Side A;
        Side B;
    };
    // The point's relative velocity with every impulse gathered so far.
    static Vector3 CurrentVelocity(const Point& p);
    // Gives the point the impulse that answers it alone, the others' held as they are, and
    // applies the change; returns the velocity change at the point.
    static float Relax(Point& p);

    std::vector<Point> m_Points;
};

#endif
