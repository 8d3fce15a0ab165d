#include "phinertia/inertia.h"

#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

#include "tests/engine/phbound/meshes.h"
#include "tests/engine/phinertia/reference.h"
#include "tests/support/child.h"

namespace {

// A closed box of the given half extents, turned by a matrix (its d the centre), from quads
// or from triangles.
void MakeBoxAt(TestMesh& mesh, const Vector3& half, const Matrix34& matrix, bool triangles) {
    for (int i = 0; i < 8; ++i) {
        Vector3 corner(i & 1 ? half.x : -half.x, i & 2 ? half.y : -half.y,
                       i & 4 ? half.z : -half.z);
        corner.Transform(matrix);
        mesh.AddVertex(corner.x, corner.y, corner.z);
    }
    const int faces[6][4] = {{1, 3, 7, 5}, {0, 2, 6, 4}, {2, 3, 7, 6},
                             {0, 1, 5, 4}, {4, 5, 7, 6}, {0, 1, 3, 2}};
    const Vector3 normals[6] = {matrix.a, matrix.a * -1.0f, matrix.b,
                                matrix.b * -1.0f, matrix.c, matrix.c * -1.0f};
    for (int f = 0; f < 6; ++f) {
        const int* c = faces[f];
        if (triangles) {
            mesh.AddFace({c[0], c[1], c[2]}, normals[f]);
            mesh.AddFace({c[0], c[2], c[3]}, normals[f]);
        } else {
            mesh.AddFace({c[0], c[1], c[2], c[3]}, normals[f]);
        }
    }
    mesh.Finish();
}

void MakeOffsetBox(TestMesh& mesh, const Vector3& half, const Vector3& centre, bool triangles) {
    Matrix34 matrix = Matrix34::sm_Identity;
    matrix.d = centre;
    MakeBoxAt(mesh, half, matrix, triangles);
}

// The world tensor of a body: Rᵀ·diag(I)·R.
DMat WorldTensor(const phInertialCS& body) {
    DMat r = DMat::Rows(body.Matrix);
    return r.Transposed() * DMat::Diagonal(DVec(body.AngInertia)) * r;
}

// m(|r|² - r rᵀ), the parallel-axis term of a point mass at r.
DMat PointTensor(double mass, const DVec& r) {
    DMat out;
    double r2 = r.Dot(r);
    out.r[0] = DVec(r2 - r.x * r.x, -r.x * r.y, -r.x * r.z) * mass;
    out.r[1] = DVec(-r.y * r.x, r2 - r.y * r.y, -r.y * r.z) * mass;
    out.r[2] = DVec(-r.z * r.x, -r.z * r.y, r2 - r.z * r.z) * mass;
    return out;
}

void ExpectTensor(const DMat& actual, const DMat& expected, double tolerance) {
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            EXPECT_NEAR(actual.At(i, j), expected.At(i, j), tolerance);
        }
    }
}

}  // namespace

// Moments about the origin of boxes against the box formula with the parallel-axis terms.
TEST(InertiaMassTest, ClosedMeshesMatchBoxFormulas) {
    struct Case {
        Vector3 half, centre;
        bool triangles;
        float density;
    };
    const Case cases[] = {
        {Vector3(0.5f, 0.5f, 0.5f), Vector3(0, 0, 0), false, 1.0f},
        {Vector3(0.5f, 1.0f, 1.5f), Vector3(0, 0, 0), true, 1.0f},
        {Vector3(0.5f, 1.0f, 1.5f), Vector3(0.3f, -0.2f, 0.5f), false, 0.25f},
        {Vector3(2.0f, 0.1f, 0.7f), Vector3(-1.0f, 2.0f, 0.0f), true, 2.0f},
    };
    for (const Case& c : cases) {
        TestMesh mesh;
        MakeOffsetBox(mesh, c.half, c.centre, c.triangles);
        phInertialCS body;
        Matrix34 principal = Matrix34::sm_Identity;
        principal.d.Set(7, 7, 7);
        body.InitFromBound(c.density, mesh.Vertices, mesh.Polygons, mesh.NumPolygons, &principal);

        phInertialCS box;
        double mass = 8.0 * c.half.x * c.half.y * c.half.z * c.density * 1000.0;
        box.InitBox(float(mass), 2 * c.half.x, 2 * c.half.y, 2 * c.half.z);
        DMat expected = DMat::Diagonal(DVec(box.AngInertia)) + PointTensor(mass, DVec(c.centre));
        EXPECT_NEAR(body.Mass, mass, 1e-5 * mass);
        EXPECT_NEAR(body.AngInertia.x, expected.At(0, 0), 1e-5 * expected.At(0, 0));
        EXPECT_NEAR(body.AngInertia.y, expected.At(1, 1), 1e-5 * expected.At(1, 1));
        EXPECT_NEAR(body.AngInertia.z, expected.At(2, 2), 1e-5 * expected.At(2, 2));
        // Products this small against the moments leave the axes alone.
        EXPECT_EQ(principal.d.x, 7.0f);
    }
}

// A thin rod a little off the x axis has products far above its smallest moment: the body
// is turned to its principal axes, and its world tensor stays what the mesh gives.
TEST(InertiaMassTest, LargeProductsTurnToPrincipalAxes) {
    Matrix34 tilt = Matrix34::sm_Identity;
    tilt.RotateZ(0.02f);
    TestMesh mesh;
    Vector3 half(2.0f, 0.01f, 0.01f);
    MakeBoxAt(mesh, half, tilt, false);
    phInertialCS body;
    Matrix34 principal = Matrix34::sm_Identity;
    principal.d.Set(7, 7, 7);
    body.InitFromBound(1.0f, mesh.Vertices, mesh.Polygons, mesh.NumPolygons, &principal);

    phInertialCS rod;
    rod.InitBox(body.Mass, 2 * half.x, 2 * half.y, 2 * half.z);
    DMat r = DMat::Rows(tilt);
    DMat expected = r.Transposed() * DMat::Diagonal(DVec(rod.AngInertia)) * r;
    EXPECT_NEAR(body.Mass, 1.6f, 1e-4f);
    ExpectTensor(WorldTensor(body), expected, 1e-4 * rod.AngInertia.y);
    EXPECT_NE(principal.d.x, 7.0f);
    DMat axes = DMat::Rows(principal);
    ExpectTensor(axes * axes.Transposed(), DMat::Diagonal(DVec(1, 1, 1)), 1e-5);
}

TEST_CHILD(InsideOutMesh) {
    TestMesh mesh;
    MakeOffsetBox(mesh, Vector3(0.5f, 0.5f, 0.5f), Vector3(0, 0, 0), true);
    for (int i = 0; i < mesh.NumPolygons; ++i) {
        mesh.Polygons[i].Normal.Negate();
    }
    phInertialCS body;
    body.InitFromBound(1.0f, mesh.Vertices, mesh.Polygons, mesh.NumPolygons, nullptr);
    return 0;
}

TEST(InertiaMassTest, InsideOutMeshIsFatal) {
    ExpectFatalChild("InsideOutMesh",
                     "Assert(\"you have a bad *.bnd file\" && icsMass>=0.0f && inertiaXX>=0.0f "
                     "&& inertiaYY>=0.0f && inertiaZZ>=0.0f) failed in [phinertia/inertiamass, "
                     "line");
}

// Random rotated tensors, with distinct and with double moments: the principal moments come
// back and the axes diagonalise the tensor.
TEST(InertiaMassTest, PrincipalAxesDiagonaliseTheTensor) {
    RandomBodies random(2805);
    for (int trial = 0; trial < 60; ++trial) {
        SCOPED_TRACE(trial);
        // Roots closer than the cubic solver's tolerance are taken as one.
        DVec moments(random.Uniform(1, 3), 0, 0);
        moments.y = moments.x + random.Uniform(1, 3);
        moments.z = trial % 3 == 0 ? moments.y : moments.y + random.Uniform(1, 3);
        DMat r = DMat::Rows(random.Rotation());
        DMat tensor = r.Transposed() * DMat::Diagonal(moments) * r;
        phInertialCS body;
        body.Init(1.0f, float(tensor.At(0, 0)), float(tensor.At(1, 1)), float(tensor.At(2, 2)));
        Matrix34 axes = body.ComputeMassProperties(float(tensor.At(0, 1)), float(tensor.At(0, 2)),
                                                   float(tensor.At(1, 2)));
        DMat e = DMat::Rows(axes);
        DMat diagonal = e * tensor * e.Transposed();
        ExpectTensor(diagonal, DMat::Diagonal(DVec(body.AngInertia)), 2e-3);
        double found[3] = {body.AngInertia.x, body.AngInertia.y, body.AngInertia.z};
        double wanted[3] = {moments.x, moments.y, moments.z};
        std::sort(found, found + 3);
        std::sort(wanted, wanted + 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(found[i], wanted[i], 2e-3);
        }
        ExpectTensor(WorldTensor(body), tensor, 2e-3);
        EXPECT_NEAR(e.r[0].Cross(e.r[1]).Dot(e.r[2]), 1.0, 1e-5);
    }
}

// A tensor without preferred axes (one root) keeps the body's axes and its moments.
TEST(InertiaMassTest, IsotropicTensorKeepsTheAxes) {
    phInertialCS body;
    body.InitSphere(2, 1);
    body.Matrix.RotateY(0.4f);
    const Matrix34 start = body.Matrix;
    Matrix34 axes = body.ComputeMassProperties(0, 0, 0);
    ExpectTensor(DMat::Rows(axes), DMat::Diagonal(DVec(1, 1, 1)), 1e-6);
    ExpectTensor(DMat::Rows(body.Matrix), DMat::Rows(start), 1e-6);
    ExpectNear(body.AngInertia, DVec(0.8, 0.8, 0.8), 1e-6);
}

// Joining and removing masses: the world tensor of the result is the sum of both bodies'
// tensors about the new centre.
TEST(InertiaMassTest, AddAndRemoveMass) {
    phInertialCS body;
    body.InitBox(2, 1, 1, 1);
    body.Matrix.d.Set(1, 0, 0);
    Vector3 small(0.1f, 0.2f, 0.3f);
    Matrix34 change = body.AddMass(2, small, Vector3(3, 0, 0));
    EXPECT_EQ(body.Mass, 4.0f);
    EXPECT_NEAR(body.Matrix.d.x, 2.0f, 1e-6f);
    EXPECT_NEAR(change.d.x, -1.0f, 1e-6f);
    EXPECT_EQ(change.a.x, 1.0f);
    EXPECT_NEAR(body.AngInertia.x, 2.0f / 6.0f + 0.1f, 1e-5f);
    EXPECT_NEAR(body.AngInertia.y, 2.0f / 6.0f + 0.2f + 4.0f, 1e-5f);
    body.RemoveMass(2, small, Vector3(3, 0, 0));
    EXPECT_EQ(body.Mass, 2.0f);
    EXPECT_NEAR(body.Matrix.d.x, 1.0f, 1e-6f);
    EXPECT_NEAR(body.AngInertia.y, 2.0f / 6.0f, 1e-5f);

    RandomBodies random(2806);
    for (int trial = 0; trial < 30; ++trial) {
        SCOPED_TRACE(trial);
        phInertialCS a;
        random.Body(a);
        phInertialCS b;
        random.Body(b);
        DVec centre = (DVec(a.Matrix.d) * a.Mass + DVec(b.Matrix.d) * b.Mass) *
                      (1.0 / (a.Mass + b.Mass));
        DMat expected = WorldTensor(a) + WorldTensor(b) +
                        PointTensor(a.Mass, DVec(a.Matrix.d) - centre) +
                        PointTensor(b.Mass, DVec(b.Matrix.d) - centre);
        phInertialCS joined = a;
        if (trial % 2) {
            joined.AddMassRotated(b.Mass, b.AngInertia, b.Matrix);
        } else {
            // Principal moments along a's own axes: give b a's orientation.
            b.Matrix.a = a.Matrix.a;
            b.Matrix.b = a.Matrix.b;
            b.Matrix.c = a.Matrix.c;
            expected = WorldTensor(a) + WorldTensor(b) +
                       PointTensor(a.Mass, DVec(a.Matrix.d) - centre) +
                       PointTensor(b.Mass, DVec(b.Matrix.d) - centre);
            joined.AddMass(b.Mass, b.AngInertia, b.Matrix.d);
        }
        EXPECT_NEAR(joined.Mass, a.Mass + b.Mass, 1e-4);
        ExpectNear(joined.Matrix.d, centre, 1e-5);
        double scale = 1.0 + expected.At(0, 0) + expected.At(1, 1) + expected.At(2, 2);
        ExpectTensor(WorldTensor(joined), expected, 2e-4 * scale);
    }
}

TEST(InertiaMassTest, DetachGivesThePieceItsMotion) {
    phInertialCS body;
    body.InitBox(4, 1, 1, 1);
    body.Velocity.Set(1, 0, 0);
    body.AngVelocity.Set(0, 2, 0);
    phInertialPiece piece;
    piece.Clear();
    piece.Index = 3;
    body.Detach(piece, 1, Vector3(0.01f, 0.01f, 0.01f), Vector3(0, 0, 0.25f));
    EXPECT_EQ(piece.Mass, 1.0f);
    EXPECT_EQ(piece.Index, 3);
    EXPECT_EQ(piece.Velocity.x, 1.5f);
    EXPECT_EQ(piece.AngVelocity.y, 2.0f);
    EXPECT_EQ(body.Mass, 3.0f);
    EXPECT_NEAR(body.Matrix.d.z, -0.25f / 3.0f, 1e-6f);

    phInertialCS empty;
    empty.Init(0, 0, 0, 0);
    Matrix34 none = empty.AddMass(0, Vector3(0, 0, 0), Vector3(1, 1, 1));
    EXPECT_EQ(none.a.x, 0.0f);
    EXPECT_TRUE(empty.Matrix.d.IsZero());
    // A body without mass takes the first mass's place.
    empty.AddMass(2, Vector3(1, 1, 1), Vector3(1, 1, 1));
    EXPECT_EQ(empty.Matrix.d.x, 1.0f);
    EXPECT_EQ(empty.AngInertia.x, 1.0f);
}
