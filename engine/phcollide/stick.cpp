// The sticking group: impulses that make two bodies (or a body and the static world) stop
// moving apart at one or two contacts at once, instead of answering each impact alone.
// Impulses here are the impulse on A; B takes the negation.
#include <cmath>
#include <utility>
#include <vector>

#include "phbound/bound.h"
#include "phbound/impact.h"
#include "phcollide/collider.h"
#include "phinertia/inertia.h"

namespace {

// Below this squared length a moment is matched.
const float MomentTolerance = 1e-6f;

phColliderBase* SideCollider(const phImpact& impact, int side) {
    return side == 0 ? impact.ColliderA : impact.ColliderB;
}

// The side's body when it can move.
phInertialCS* MovingBody(const phImpact& impact, int side) {
    phInertialCS* body = SideCollider(impact, side)->ICS;
    return body && body->GetMobileInvMass() > 0.0f ? body : nullptr;
}

// The impulse on A that is the impulse on the side's body.
Vector3 OnA(const Vector3& impulse, int side) {
    return side == 0 ? impulse : impulse * -1.0f;
}

// Whether the impulse on A pushes the sides apart at the impact (not a NaN).
bool Pushes(const phImpact& impact, const Vector3& impulse) {
    return impulse.Dot(impact.Normal) > 0.0f;
}

// The matrix whose products with a vector make its cross product with v: v × x.
Matrix34 CrossMatrix(const Vector3& v) {
    Matrix34 m;
    m.Zero();
    m.a.Set(0.0f, v.z, -v.y);
    m.b.Set(-v.z, 0.0f, v.x);
    m.c.Set(v.y, -v.x, 0.0f);
    return m;
}

// Gaussian elimination with partial pivoting on n ≤ 6 equations; false when singular.
bool SolveLinear(int n, double a[6][7], double x[6]) {
    for (int col = 0; col < n; ++col) {
        int pivot = col;
        for (int row = col + 1; row < n; ++row) {
            if (std::fabs(a[row][col]) > std::fabs(a[pivot][col])) {
                pivot = row;
            }
        }
        if (!(std::fabs(a[pivot][col]) > 1e-12)) {
            return false;
        }
        for (int k = 0; k <= n; ++k) {
            std::swap(a[col][k], a[pivot][k]);
        }
        for (int row = col + 1; row < n; ++row) {
            double f = a[row][col] / a[col][col];
            for (int k = col; k <= n; ++k) {
                a[row][k] -= f * a[col][k];
            }
        }
    }
    for (int row = n - 1; row >= 0; --row) {
        double sum = a[row][n];
        for (int k = row + 1; k < n; ++k) {
            sum -= a[row][k] * x[k];
        }
        x[row] = sum / a[row][row];
    }
    return true;
}

Vector3 RelativeVelocity(const phImpact& impact) {
    Vector3 velA;
    Vector3 velB;
    impact.GetLocalVelocity(velA, velB);
    return velA - velB;
}

// One equation row: coefficient of component k of the impulse `block` (0 or 1) from the
// matrix m (row-vector form) projected on direction e.
void SetRow(double row[7], int block, const Matrix34& m, const Vector3& e) {
    const Vector3* rows[3] = {&m.a, &m.b, &m.c};
    for (int k = 0; k < 3; ++k) {
        row[3 * block + k] = rows[k]->Dot(e);
    }
}

}  // namespace

// The impulses (on A) of a pair applied when both push; when one would not, the other impact
// is answered alone.
void phCollision::FinishPair(phContactMgr* mgr, phImpact* impacts, const Vector3& j1,
                             const Vector3& j2) {
    if (!Pushes(impacts[0], j1)) {
        ResolveImpacts(mgr, impacts[1], 1.0f);
    } else if (!Pushes(impacts[1], j2)) {
        ResolveImpacts(mgr, impacts[0], 1.0f);
    } else {
        ApplyStickImpulse(mgr, impacts[0], j1);
        ApplyStickImpulse(mgr, impacts[1], j2);
    }
}

// Both impacts stop: the relative velocity at both points becomes zero, which leaves the
// bodies free only to turn together about the line through the points. The squeeze along
// that line is not fixed by it: the two impulses are given equal shares along it.
void phCollision::ResolvePair(phContactMgr* mgr, phImpact* impacts) {
    bool movingA = MovingBody(impacts[0], 0) != nullptr;
    bool movingB = MovingBody(impacts[0], 1) != nullptr;
    if (movingA != movingB) {
        ResolvePairOneBody(mgr, impacts, movingA ? 0 : 1);
        return;
    }
    if (!movingA) {
        return;
    }
    const Vector3& p1 = impacts[0].Position;
    const Vector3& p2 = impacts[1].Position;
    Vector3 line = p2 - p1;
    line.Normalize();
    Vector3 e[3];
    e[0] = line;
    e[1] = std::fabs(line.x) < 0.6f ? Vector3(1, 0, 0) : Vector3(0, 1, 0);
    e[2].Cross(e[0], e[1]);
    e[2].Normalize();
    e[1].Cross(e[2], e[0]);
    const Vector3 v1 = RelativeVelocity(impacts[0]);
    const Vector3 v2 = RelativeVelocity(impacts[1]);
    const Matrix34 k11 = impacts[0].PairInverseMass(p1, p1);
    const Matrix34 k12 = impacts[0].PairInverseMass(p1, p2);
    const Matrix34 k21 = impacts[0].PairInverseMass(p2, p1);
    const Matrix34 k22 = impacts[0].PairInverseMass(p2, p2);
    double a[6][7] = {};
    const Vector3 axes[3] = {Vector3(1, 0, 0), Vector3(0, 1, 0), Vector3(0, 0, 1)};
    for (int i = 0; i < 3; ++i) {
        SetRow(a[i], 0, k11, axes[i]);
        SetRow(a[i], 1, k12, axes[i]);
        a[i][6] = -v1.Dot(axes[i]);
    }
    // Along the line the second point's equation repeats the first's.
    for (int i = 1; i < 3; ++i) {
        SetRow(a[2 + i], 0, k21, e[i]);
        SetRow(a[2 + i], 1, k22, e[i]);
        a[2 + i][6] = -v2.Dot(e[i]);
    }
    const float along[3] = {line.x, line.y, line.z};
    for (int k = 0; k < 3; ++k) {
        a[5][k] = along[k];
        a[5][3 + k] = -along[k];
    }
    double x[6];
    Vector3 j1(NAN, NAN, NAN);
    Vector3 j2(NAN, NAN, NAN);
    if (SolveLinear(6, a, x)) {
        j1.Set(float(x[0]), float(x[1]), float(x[2]));
        j2.Set(float(x[3]), float(x[4]), float(x[5]));
    }
    FinishPair(mgr, impacts, j1, j2);
}

// The body keeps its angular momentum about the line through the two points and turns
// about that line alone: its inertia about the line is that about the parallel axis through
// its centre plus m h², h the centre's distance from the line. The impulses that make the
// change are shared between the points so that their sum and moment are the change's; along
// the line each point takes half.
void phCollision::ResolvePairOneBody(phContactMgr* mgr, phImpact* impacts, int side) {
    phInertialCS* body = MovingBody(impacts[0], side);
    if (!body) {
        return;
    }
    const Vector3& p1 = impacts[0].Position;
    const Vector3& p2 = impacts[1].Position;
    Vector3 d = p2 - p1;
    const float length2 = d.Mag2();
    Vector3 line = d;
    line.Normalize();
    const Vector3& centre = body->Matrix.d;
    const float mass = body->Mass;
    Matrix34 inertia;
    body->GetWorldInertia(inertia);
    Vector3 offset = centre - p1;
    Vector3 h = offset - line * offset.Dot(line);
    Vector3 momentum = phRotateToWorld(body->AngVelocity, inertia);
    Vector3 arm;
    arm.Cross(offset, body->Velocity * mass);
    float lineInertia = line.Dot(phRotateToWorld(line, inertia)) + mass * h.Mag2();
    float spin = (momentum + arm).Dot(line) / lineInertia;
    Vector3 angVelocity = line * spin;
    Vector3 velocity;
    velocity.Cross(angVelocity, offset);
    Vector3 linear = (velocity - body->Velocity) * mass;
    Vector3 angular = phRotateToWorld(angVelocity - body->AngVelocity, inertia);
    // Moments about the centre: (p1 - c) × P + d × j2 = L.
    Vector3 moment;
    moment.Cross(p1 - centre, linear);
    Vector3 rest = angular - moment;
    Vector3 j2;
    j2.Cross(rest, d);
    j2.Scale(1.0f / length2);
    j2 += line * (0.5f * linear.Dot(line));
    Vector3 j1 = linear - j2;
    FinishPair(mgr, impacts, OnA(j1, side), OnA(j2, side));
}

// Two moving bodies stop moving apart at the point: the impulse that brings the relative
// velocity there to zero, with its own moment on A.
void phCollision::ResolveStick(phContactMgr* mgr, phImpact& impact) {
    bool movingA = MovingBody(impact, 0) != nullptr;
    bool movingB = MovingBody(impact, 1) != nullptr;
    if (movingA != movingB) {
        StopBody(mgr, impact, movingA ? 0 : 1);
        return;
    }
    if (!movingA) {
        return;
    }
    Matrix34 k = impact.PairInverseMass(impact.Position, impact.Position);
    Vector3 j;
    k.SolvePivoted(j, RelativeVelocity(impact) * -1.0f);
    Vector3 moment;
    moment.Cross(impact.Position - impact.ColliderA->ICS->Matrix.d, j);
    DistributeImpulse(mgr, 1, &impact, j, moment, 0);
}

void phCollision::StopBody(phContactMgr* mgr, phImpact& impact, int side) {
    phInertialCS* body = MovingBody(impact, side);
    if (!body) {
        return;
    }
    Matrix34 inertia;
    body->GetWorldInertia(inertia);
    DistributeImpulse(mgr, 1, &impact, body->Velocity * -body->Mass,
                      phRotateToWorld(body->AngVelocity, inertia) * -1.0f, side);
}

// Even shares first; a moment left over is balanced over the first three impacts (one
// cannot carry a moment) by the least corrections that add to nothing: δ_k = λ × d_k with
// d_k the point's offset from their middle, Σ d_k × (λ × d_k) = residual.
void phCollision::DistributeImpulse(phContactMgr* mgr, int count, phImpact* impacts,
                                    const Vector3& linear, const Vector3& angular, int side) {
    if (count <= 0) {
        return;
    }
    const Vector3& centre = SideCollider(impacts[0], side)->ICS->Matrix.d;
    const int n = count;
    std::vector<Vector3> shares(size_t(n), Vector3(0.0f, 0.0f, 0.0f));
    Vector3 residual = angular;
    for (int k = 0; k < n; ++k) {
        shares[k] = linear * (1.0f / float(n));
        Vector3 moment;
        moment.Cross(impacts[k].Position - centre, shares[k]);
        residual -= moment;
    }
    const int chosen = n < 3 ? n : 3;
    if (residual.Mag2() > MomentTolerance && chosen > 1) {
        Vector3 middle(0.0f, 0.0f, 0.0f);
        for (int k = 0; k < chosen; ++k) {
            middle += impacts[k].Position * (1.0f / float(chosen));
        }
        // Σ d × (λ × d) = Σ (|d|² I - d dᵀ) λ.
        Matrix34 m;
        m.Zero();
        for (int k = 0; k < chosen; ++k) {
            Vector3 dk = impacts[k].Position - middle;
            Matrix34 c = CrossMatrix(dk);
            Matrix34 cc;
            cc.Dot3x3(c, c);
            m.Subtract3x3(cc);
        }
        Vector3 lambda;
        m.SolvePivoted(lambda, residual);
        for (int k = 0; k < chosen; ++k) {
            Vector3 delta;
            delta.Cross(lambda, impacts[k].Position - middle);
            shares[k] += delta;
        }
    }
    int kept = 0;
    for (int k = 0; k < n; ++k) {
        // A NaN share counts as pulling.
        if (OnA(shares[k], side).Dot(impacts[k].Normal) >= 0.0f) {
            shares[kept] = shares[k];
            std::swap(impacts[kept], impacts[k]);
            ++kept;
        }
    }
    if (kept < n) {
        if (n > 3) {
            DistributeImpulse(mgr, kept, impacts, linear, angular, side);
        } else if (kept >= 2) {
            ResolvePair(mgr, impacts);
        } else if (kept == 1) {
            ResolveImpacts(mgr, impacts[0], 1.0f);
        }
        return;
    }
    for (int k = 0; k < n; ++k) {
        ApplyStickImpulse(mgr, impacts[k], OnA(shares[k], side));
    }
}

void phCollision::ApplyStickImpulse(phContactMgr* mgr, phImpact& impact, const Vector3& j) {
    Matrix34 ka;
    Matrix34 kb;
    impact.InverseMassMatrices(ka, kb);
    Matrix34 k = ka;
    k.Add3x3(kb);
    Vector3 velA;
    Vector3 velB;
    impact.GetLocalVelocity(velA, velB);
    impact.CombineMaterials();
    Vector3 impulse = j;
    if (!impact.ClipToFrictionCone(impulse, k, (velA - velB).Dot(impact.Normal))) {
        return;
    }
    impulse.Scale(1.0f + impact.Elasticity);
    Vector3 pushA;
    Vector3 pushB;
    impact.ComputePushes(ka, kb, pushA, pushB);
    if (!ApplyContactResponse(mgr, impact, velA, velB, impulse, pushA, pushB, false)) {
        impact.ApplyImpulseAndPush(impulse, pushA, pushB);
    }
}
