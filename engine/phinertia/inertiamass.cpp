// The rigid body's mass properties: from a closed mesh, principal axes, and joining or
// removing masses.
#include "phinertia/inertia.h"

#include <algorithm>
#include <cmath>

#include "data/assert.h"
#include "phcore/poly.h"
#include "vector/numeric.h"

namespace {

const float OneSixtieth = 0.016666668f;
const float OneThird = 0.33333334f;
const float CubicTolerance = 0.001f;
// Products of inertia this large against the smallest moment call for principal axes.
const float PrincipalRatio = 0.05f;
// Roots this close against their sum count as one.
const float IsotropicSpread = 1e-5f;

// Second moments of a solid: the integrals of x², y², z² and of xy, xz, yz.
struct SecondMoments {
    double xx = 0.0, yy = 0.0, zz = 0.0, xy = 0.0, xz = 0.0, yz = 0.0;
};

// The cone from the origin over the triangle, a plane at height h: its volume is
// base·height·h/6, and its second moments follow from the corners.
void AddCone(Vector3 p, Vector3 q, Vector3 r, float h, SecondMoments& sum) {
    OrthonormalizeIterate(p, q, r);
    Vector3 across;
    across.Cross(q - p, r - p);
    float twiceArea = across.Mag();
    float k = twiceArea * h * OneSixtieth;
    float sx = p.x + q.x + r.x;
    float sy = p.y + q.y + r.y;
    float sz = p.z + q.z + r.z;
    sum.xx += k * (p.x * p.x + q.x * q.x + r.x * r.x + p.x * q.x + p.x * r.x + q.x * r.x);
    sum.yy += k * (p.y * p.y + q.y * q.y + r.y * r.y + p.y * q.y + p.y * r.y + q.y * r.y);
    sum.zz += k * (p.z * p.z + q.z * q.z + r.z * r.z + p.z * q.z + p.z * r.z + q.z * r.z);
    float half = 0.5f * k;
    sum.xy += half * (p.x * p.y + q.x * q.y + r.x * r.y + sx * sy);
    sum.xz += half * (p.x * p.z + q.x * q.z + r.x * r.z + sx * sz);
    sum.yz += half * (p.y * p.z + q.y * q.z + r.y * r.z + sy * sz);
}

// The unit axis that λ·identity - tensor sends to zero, from the largest cross product of
// two of its rows; zero when every row is parallel.
Vector3 EigenAxis(const Matrix34& tensor, float lambda) {
    Matrix34 m;
    m.a = tensor.a * -1.0f;
    m.b = tensor.b * -1.0f;
    m.c = tensor.c * -1.0f;
    m.a.x += lambda;
    m.b.y += lambda;
    m.c.z += lambda;
    Vector3 candidates[3];
    candidates[0].Cross(m.a, m.b);
    candidates[1].Cross(m.b, m.c);
    candidates[2].Cross(m.c, m.a);
    Vector3 best = candidates[0];
    for (const Vector3& c : candidates) {
        if (c.Mag2() > best.Mag2()) {
            best = c;
        }
    }
    best.Normalize();
    return best;
}

// Any unit vector perpendicular to a unit axis.
Vector3 Perpendicular(const Vector3& axis) {
    Vector3 other = std::fabs(axis.x) < 0.6f ? Vector3::sm_XAxis : Vector3::sm_YAxis;
    Vector3 p;
    p.Cross(axis, other);
    p.Normalize();
    return p;
}

void AddParallelAxis(Matrix34& tensor, float mass, const Vector3& r) {
    float r2 = r.Mag2();
    tensor.a += Vector3(r2 - r.x * r.x, -r.x * r.y, -r.x * r.z) * mass;
    tensor.b += Vector3(-r.y * r.x, r2 - r.y * r.y, -r.y * r.z) * mass;
    tensor.c += Vector3(-r.z * r.x, -r.z * r.y, r2 - r.z * r.z) * mass;
}

Matrix34 Diagonal(const Vector3& d) {
    return Matrix34(Vector3(d.x, 0.0f, 0.0f), Vector3(0.0f, d.y, 0.0f), Vector3(0.0f, 0.0f, d.z),
                    Vector3::sm_Zero);
}

}  // namespace

void phInertialCS::InitFromBound(float density, const Vector3* vertices,
                                 const phPolygon* polygons, int count, Matrix34* principalOut) {
    float rho = density * 1000.0f;
    double volume = 0.0;
    SecondMoments sum;
    for (int i = 0; i < count; ++i) {
        const phPolygon& polygon = polygons[i];
        const Vector3& first = vertices[polygon.VertexIndex[0]];
        float h = polygon.Normal.Dot(first);
        volume += polygon.Area * h;
        AddCone(first, vertices[polygon.VertexIndex[1]], vertices[polygon.VertexIndex[2]], h, sum);
        if (polygon.VertexIndex[3] != 0) {
            AddCone(first, vertices[polygon.VertexIndex[2]], vertices[polygon.VertexIndex[3]], h,
                    sum);
        }
    }
    float icsMass = rho * float(volume) * OneThird;
    float inertiaXX = rho * float(sum.yy + sum.zz);
    float inertiaYY = rho * float(sum.xx + sum.zz);
    float inertiaZZ = rho * float(sum.xx + sum.yy);
    // The report quotes the expression: keep its spelling.
    Assert("you have a bad *.bnd file" && icsMass>=0.0f && inertiaXX>=0.0f && inertiaYY>=0.0f && inertiaZZ>=0.0f);
    Init(icsMass, inertiaXX, inertiaYY, inertiaZZ);
    if (!principalOut) {
        return;
    }
    float pxy = -rho * float(sum.xy);
    float pxz = -rho * float(sum.xz);
    float pyz = -rho * float(sum.yz);
    float smallest = std::fmin(inertiaXX, std::fmin(inertiaYY, inertiaZZ));
    float largest = std::fmax(std::fabs(pxy), std::fmax(std::fabs(pxz), std::fabs(pyz)));
    if (smallest < PrincipalRatio * largest) {
        *principalOut = ComputeMassProperties(pxy, pxz, pyz);
    }
}

Matrix34 phInertialCS::ComputeMassProperties(float pxy, float pxz, float pyz) {
    float ixx = AngInertia.x;
    float iyy = AngInertia.y;
    float izz = AngInertia.z;
    float a2 = -(ixx + iyy + izz);
    float a1 = ixx * iyy + iyy * izz + izz * ixx - (pxy * pxy + pxz * pxz + pyz * pyz);
    float a0 = pxy * pxy * izz + pxz * pxz * iyy + pyz * pyz * ixx - 2.0f * pxy * pxz * pyz -
               ixx * iyy * izz;
    float roots[3] = {0.0f, 0.0f, 0.0f};
    int count = SolveCubic(a2, a1, a0, roots[0], roots[1], roots[2], CubicTolerance);
    Matrix34 axes;
    axes.Identity();
    // One root, or roots that met: no axis is preferred, and the body keeps its own.
    float lowest = *std::min_element(roots, roots + count);
    float highest = *std::max_element(roots, roots + count);
    if (highest - lowest <= IsotropicSpread * std::fabs(a2)) {
        float moment = -a2 * OneThird;
        Init(Mass, moment, moment, moment);
        return axes;
    }
    Matrix34 tensor(Vector3(ixx, pxy, pxz), Vector3(pxy, iyy, pyz), Vector3(pxz, pyz, izz),
                    Vector3::sm_Zero);
    // A symmetric tensor has three real roots: fewer reported means roots that met, and the
    // first one reported is then the one apart. The root farthest from the others has the
    // best-defined axis; the two across it come from the tensor's 2x2 part in that plane,
    // which does not depend on how well the solver told the other two roots apart.
    int first = 0;
    if (count == 3) {
        float best = -1.0f;
        for (int i = 0; i < 3; ++i) {
            float gap = std::fmin(std::fabs(roots[i] - roots[(i + 1) % 3]),
                                  std::fabs(roots[i] - roots[(i + 2) % 3]));
            if (gap > best) {
                best = gap;
                first = i;
            }
        }
    }
    axes.a = EigenAxis(tensor, roots[first]);
    if (axes.a.IsZero()) {
        axes.a = Vector3::sm_XAxis;
    }
    Vector3 u = Perpendicular(axes.a);
    Vector3 v;
    v.Cross(axes.a, u);
    float uu = phRotateToWorld(u, tensor).Dot(u);
    float uv = phRotateToWorld(u, tensor).Dot(v);
    float vv = phRotateToWorld(v, tensor).Dot(v);
    float angle = 0.5f * std::atan2(2.0f * uv, uu - vv);
    axes.b = u * std::cos(angle) + v * std::sin(angle);
    axes.c.Cross(axes.a, axes.b);
    // The moments about the axes found, which are the roots up to rounding.
    Vector3 moments(phRotateToWorld(axes.a, tensor).Dot(axes.a), phRotateToWorld(axes.b, tensor).Dot(axes.b),
                    phRotateToWorld(axes.c, tensor).Dot(axes.c));
    Matrix34 turned;
    turned.Dot3x3(axes, Matrix);
    turned.a.Normalize();
    turned.b.Normalize();
    turned.c.Normalize();
    Matrix.a = turned.a;
    Matrix.b = turned.b;
    Matrix.c = turned.c;
    Init(Mass, moments.x, moments.y, moments.z);
    return axes;
}

// The second body's tensor is about its own centre, in this body's axes.
Matrix34 phInertialCS::AddMassTensor(float mass, const Matrix34& tensor, const Vector3& position) {
    Matrix34 change;
    float total = Mass + mass;
    if (total == 0.0f) {
        change.Zero();
        return change;
    }
    bool hadMass = Mass > 0.0f;
    if (!hadMass) {
        Matrix.Identity3x3();
    }
    Vector3 centre = hadMass ? Matrix.d + (position - Matrix.d) * (mass / total) : position;
    Vector3 shift = phRotateToLocal(centre - Matrix.d, Matrix);
    Vector3 arm = phRotateToLocal(position - centre, Matrix);

    Matrix34 sum = Diagonal(AngInertia);
    sum.Add3x3(tensor);
    if (hadMass) {
        AddParallelAxis(sum, Mass, shift * -1.0f);
    }
    AddParallelAxis(sum, mass, arm);
    Matrix.d = centre;
    Init(total, sum.a.x, sum.b.y, sum.c.z);

    float pxy = sum.a.y;
    float pxz = sum.a.z;
    float pyz = sum.b.z;
    if (pxy == 0.0f && pxz == 0.0f && pyz == 0.0f) {
        change.Identity();
    } else {
        change = ComputeMassProperties(pxy, pxz, pyz);
    }
    change.d = shift * -1.0f;
    return change;
}

Matrix34 phInertialCS::AddMass(float mass, const Vector3& inertia, const Vector3& position) {
    return AddMassTensor(mass, Diagonal(inertia), position);
}

Matrix34 phInertialCS::AddMassRotated(float mass, const Vector3& inertia,
                                      const Matrix34& matrix) {
    Matrix34 world;
    Matrix34 transposed;
    transposed.Transpose3x3(matrix);
    Matrix34 scaled = Diagonal(inertia);
    scaled.Dot3x3(matrix);
    world.Dot3x3(transposed, scaled);
    // Into this body's axes: B·world·Bᵀ.
    Matrix34 local;
    local.Dot3x3(Matrix, world);
    local.Dot3x3Transpose(Matrix);
    return AddMassTensor(mass, local, matrix.d);
}

Matrix34 phInertialCS::RemoveMass(float mass, const Vector3& inertia, const Vector3& position) {
    return AddMass(-mass, inertia * -1.0f, position);
}

Matrix34 phInertialCS::RemoveMassRotated(float mass, const Vector3& inertia,
                                         const Matrix34& matrix) {
    return AddMassRotated(-mass, inertia * -1.0f, matrix);
}

Matrix34 phInertialCS::Detach(phInertialPiece& piece, float mass, const Vector3& inertia,
                              const Vector3& position) {
    Vector3 velocity;
    GetVelocityAtPoint(position, velocity);
    piece.Set(mass, piece.Index, velocity, AngVelocity);
    return RemoveMass(mass, inertia, position);
}

Matrix34 phInertialCS::DetachRotated(phInertialPiece& piece, float mass, const Vector3& inertia,
                                     const Matrix34& matrix) {
    Vector3 velocity;
    GetVelocityAtPoint(matrix.d, velocity);
    piece.Set(mass, piece.Index, velocity, AngVelocity);
    return RemoveMassRotated(mass, inertia, matrix);
}
