#include "phinertia/inertia.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "data/timemgr.h"
#include "tests/engine/phinertia/reference.h"
#include "tests/support/child.h"
#include "tests/support/console.h"

namespace {

const float Dt = 1.0f / 60.0f;

// The explicit step in double precision: momenta, the clamped body-frame spin, the speed
// limit, then the position and a turn by Rodrigues' formula.
struct ReferenceStep {
    DVec velocity, angVelocity, position;
    DMat axes;
};

ReferenceStep ExplicitStep(const phInertialCS& body, double dt) {
    ReferenceStep out;
    DVec momentum = DVec(body.Momentum) + DVec(body.Impulse) + DVec(body.Force) * dt;
    out.velocity = momentum * (1.0 / body.Mass);
    DVec l = DVec(body.AngMomentum) + DVec(body.AngImpulse) + DVec(body.Torque) * dt;
    DMat axes = DMat::Rows(body.Matrix);
    double w[3];
    const double moments[3] = {body.AngInertia.x, body.AngInertia.y, body.AngInertia.z};
    const double limits[3] = {body.MaxAngVelocity.x, body.MaxAngVelocity.y,
                              body.MaxAngVelocity.z};
    for (int i = 0; i < 3; ++i) {
        w[i] = std::fmax(-limits[i], std::fmin(limits[i], l.Dot(axes.r[i]) / moments[i]));
    }
    out.angVelocity = axes.r[0] * w[0] + axes.r[1] * w[1] + axes.r[2] * w[2];
    double speed = out.velocity.Mag();
    if (speed > body.MaxSpeed) {
        out.velocity = out.velocity * (body.MaxSpeed / speed);
    }
    out.position = DVec(body.Matrix.d) + DVec(body.Push) + out.velocity * dt;
    DVec turn = DVec(body.Turn) + out.angVelocity * dt;
    double angle = turn.Mag();
    DVec k = turn * (1.0 / angle);
    for (int i = 0; i < 3; ++i) {
        const DVec& v = axes.r[i];
        out.axes.r[i] = v * std::cos(angle) + k.Cross(v) * std::sin(angle) +
                        k * (k.Dot(v) * (1.0 - std::cos(angle)));
    }
    return out;
}

Matrix34 RandomStiffness(RandomBodies& random) {
    // K = Σ s·n nᵀ, symmetric and positive.
    Matrix34 k;
    k.Zero();
    for (int i = 0; i < 2; ++i) {
        Vector3 n = random.Unit();
        float s = random.Uniform(10.0f, 500.0f);
        k.a += n * (n.x * s);
        k.b += n * (n.y * s);
        k.c += n * (n.z * s);
    }
    return k;
}

}  // namespace

TEST(InertiaTest, FreshBodyAndShapeInitialisers) {
    phInertialCS fresh;
    EXPECT_EQ(fresh.Mass, 1.0f);
    EXPECT_EQ(fresh.InvMass, 1.0f);
    EXPECT_EQ(fresh.AngInertia.y, 1.0f);
    EXPECT_EQ(fresh.MaxSpeed, 500.0f);
    EXPECT_EQ(fresh.MaxAngVelocity.z, 5.0f);
    EXPECT_EQ(fresh.Active, 1);
    EXPECT_TRUE(fresh.LastPush.IsZero());
    EXPECT_EQ(fresh.Matrix.a.x, 1.0f);

    struct Case {
        const char* name;
        void (*init)(phInertialCS&);
        float mass;
        Vector3 moments;
    };
    const Case cases[] = {
        {"box", [](phInertialCS& b) { b.InitBox(12, 1, 2, 3); }, 12, Vector3(13, 10, 5)},
        {"box density", [](phInertialCS& b) { b.InitBoxDensity(0.5f, 1, 2, 3); }, 3000,
         Vector3(3250, 2500, 1250)},
        {"sphere", [](phInertialCS& b) { b.InitSphere(5, 2); }, 5, Vector3(8, 8, 8)},
        {"sphere density", [](phInertialCS& b) { b.InitSphereDensity(1, 1); }, 4188.78f,
         Vector3(1675.512f, 1675.512f, 1675.512f)},
        {"cylinder x", [](phInertialCS& b) { b.InitCylinder(2, 1, 3, 'x'); }, 2,
         Vector3(1, 2, 2)},
        {"cylinder density z", [](phInertialCS& b) { b.InitCylinderDensity(1, 1, 1, 'z'); },
         3141.5928f, Vector3(1047.1976f, 1047.1976f, 1570.7964f)},
        {"cylinder w", [](phInertialCS& b) { b.InitCylinder(2, 1, 3, 'w'); }, 1,
         Vector3(1, 1, 1)},
        {"hotdog y", [](phInertialCS& b) { b.InitHotdog(1, 1, 2, 'y'); }, 1,
         Vector3(1.16775f, 0.46f, 1.16775f)},
        {"hotdog density y", [](phInertialCS& b) { b.InitHotdogDensity(1, 1, 2, 'y'); },
         10471.975f, Vector3(1.16775f * 10471.975f, 0.46f * 10471.975f, 1.16775f * 10471.975f)},
        {"hotdog q", [](phInertialCS& b) { b.InitHotdog(1, 1, 2, 'q'); }, 1, Vector3(1, 1, 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        phInertialCS body;
        c.init(body);
        EXPECT_NEAR(body.Mass, c.mass, 1e-5 * c.mass);
        EXPECT_NEAR(body.AngInertia.x, c.moments.x, 2e-5 * c.moments.x);
        EXPECT_NEAR(body.AngInertia.y, c.moments.y, 2e-5 * c.moments.y);
        EXPECT_NEAR(body.AngInertia.z, c.moments.z, 2e-5 * c.moments.z);
        EXPECT_NEAR(body.InvAngInertia.x, 1.0f / c.moments.x, 2e-5f / c.moments.x);
    }
}

// 1/(4r + 3L) is infinite for a capsule of no size: its moments would be NaN and then fail
// the negative-inertia assertion. Such a capsule is refused with a message instead.
TEST(InertiaTest, CapsuleOfNoSizeIsRefused) {
    for (float length : {0.0f, -0.5f}) {
        SCOPED_TRACE(length);
        ConsoleCapture console;
        phInertialCS body;
        body.InitHotdog(3, 0, length, 'y');
        EXPECT_NE(console.Take().find("has no size"), std::string::npos);
        EXPECT_EQ(body.Mass, 1.0f);
        EXPECT_EQ(body.AngInertia.x, 1.0f);
        EXPECT_EQ(body.InvAngInertia.y, 1.0f);
    }
}

// A frame of no length integrates nothing, whatever is pending.
TEST(InertiaTest, FrameOfNoLengthChangesNothing) {
    float seconds = datTimeManager::Seconds;
    datTimeManager::Seconds = 0.0f;
    phInertialCS body;
    body.Impulse.Set(1, 2, 3);
    body.AngImpulse.Set(0.1f, 0, 0);
    body.Push.Set(0, 0.5f, 0);
    body.FrameUpdate();
    datTimeManager::Seconds = seconds;
    EXPECT_TRUE(body.Velocity.IsZero());
    EXPECT_TRUE(body.Momentum.IsZero());
    EXPECT_TRUE(body.AngVelocity.IsZero());
    EXPECT_TRUE(body.Matrix.d.IsZero());
}

TEST(InertiaTest, FreeFallIsSemiImplicitEuler) {
    phInertialCS body;
    for (int i = 0; i < 60; ++i) {
        body.Force.Set(0.0f, -9.8f, 0.0f);
        body.Update(Dt);
    }
    EXPECT_NEAR(body.Velocity.y, -9.8f, 1e-4f);
    EXPECT_NEAR(body.Momentum.y, -9.8f, 1e-4f);
    EXPECT_NEAR(body.Matrix.d.y, -4.9816667f, 1e-4f);
    EXPECT_TRUE(body.Force.IsZero());
}

// Random bodies, momenta, forces, impulses and pushes, some fast enough for the limits.
TEST(InertiaTest, ExplicitStepMatchesDoubleReference) {
    RandomBodies random(2801);
    for (int trial = 0; trial < 200; ++trial) {
        SCOPED_TRACE(trial);
        phInertialCS body;
        random.Body(body);
        body.Momentum = random.Vector(body.Mass * (trial % 4 == 0 ? 700.0f : 20.0f));
        body.AngMomentum = random.Vector(trial % 3 == 0 ? 200.0f : 2.0f);
        body.Force = random.Vector(50.0f);
        body.Torque = random.Vector(20.0f);
        body.Impulse = random.Vector(5.0f);
        body.AngImpulse = random.Vector(2.0f);
        body.Push = random.Vector(0.05f);
        float dt = random.Uniform(0.005f, 0.04f);
        ReferenceStep expected = ExplicitStep(body, dt);
        body.Update(dt);
        ExpectNear(body.Velocity, expected.velocity, 1e-5);
        ExpectNear(body.AngVelocity, expected.angVelocity, 1e-5);
        ExpectNear(body.Matrix.d, expected.position, 1e-5);
        ExpectNear(body.Matrix.a, expected.axes.r[0], 1e-5);
        ExpectNear(body.Matrix.c, expected.axes.r[2], 1e-5);
        ExpectNear(body.Momentum, expected.velocity * body.Mass, 1e-5);
        EXPECT_LE(body.Velocity.Mag(), 500.0f * (1.0f + 1e-6f));
    }
}

TEST(InertiaTest, LimitsOfSpeedSpinAndTurn) {
    phInertialCS fast;
    fast.Momentum.Set(600.0f, 0.0f, 0.0f);
    fast.Update(Dt);
    EXPECT_NEAR(fast.Velocity.x, 500.0f, 1e-3f);
    EXPECT_NEAR(fast.Momentum.x, 500.0f, 1e-3f);

    // A spin of 7 about the body's own x axis (turned away from the world's) is cut to 5, and
    // the angular momentum rebuilt to match.
    phInertialCS spun;
    spun.InitBox(6, 1, 2, 3);
    spun.Matrix.RotateZ(0.5f);
    spun.AngMomentum = spun.Matrix.a * (7.0f * spun.AngInertia.x);
    spun.Update(0.0f);
    Vector3 spin = spun.AngVelocity;
    EXPECT_NEAR(spin.Dot(spun.Matrix.a), 5.0f, 1e-5f);
    EXPECT_NEAR(spun.AngMomentum.Dot(spun.Matrix.a), 5.0f * spun.AngInertia.x, 1e-4f);

    // The implicit form does not clamp.
    phInertialCS implicitSpin;
    implicitSpin.AngImpulse.Set(7.0f, 0.0f, 0.0f);
    Matrix34 zero;
    zero.Zero();
    implicitSpin.ApplyContactForce(Vector3::sm_Zero, Vector3::sm_Zero, zero);
    implicitSpin.Update(Dt);
    EXPECT_NEAR(implicitSpin.AngVelocity.x, 7.0f, 1e-4f);

    // A turn of squared length 1e-15 or less leaves the axes alone.
    phInertialCS still;
    still.AngVelocity.Set(0.0f, 0.0f, 0.0f);
    still.Turn.Set(3e-8f, 0.0f, 0.0f);
    still.Update(0.0f);
    EXPECT_EQ(still.Matrix.b.z, 0.0f);
    phInertialCS turned;
    turned.Turn.Set(1e-3f, 0.0f, 0.0f);
    turned.Update(0.0f);
    EXPECT_NEAR(turned.Matrix.b.z, 1e-3f, 1e-6f);
    turned.Rotate(Vector3::sm_Zero);
    EXPECT_NEAR(turned.Matrix.b.z, 1e-3f, 1e-6f);
}

TEST(InertiaTest, PushesMergeAlongTheirDirections) {
    struct Case {
        Vector3 first, second, expected;
    };
    const Case cases[] = {
        {Vector3(0, 1, 0), Vector3(0, -1, 0), Vector3(0, 0, 0)},
        {Vector3(0, 2, 0), Vector3(0, 1, 0), Vector3(0, 2, 0)},
        {Vector3(0, 1, 0), Vector3(0, 2, 0), Vector3(0, 2, 0)},
        {Vector3(1, 0, 0), Vector3(0, 1, 0), Vector3(1, 1, 0)},
        {Vector3(1, 1, 0), Vector3(0, 2, 0), Vector3(1, 2, 0)},
        {Vector3(0, 1, 0), Vector3(0, 0, 0), Vector3(0, 1, 0)},
    };
    for (const Case& c : cases) {
        phInertialCS body;
        body.AddPush(c.first);
        body.AddPush(c.second);
        EXPECT_EQ(body.Push.x, c.expected.x);
        EXPECT_EQ(body.Push.y, c.expected.y);
        EXPECT_EQ(body.Push.z, c.expected.z);
        body.AddTurn(c.first);
        body.AddTurn(c.second);
        EXPECT_EQ(body.Turn.y, c.expected.y);
    }

    phInertialCS body;
    body.AddPush(Vector3(0, 0.5f, 0));
    body.ApplyPush();
    EXPECT_EQ(body.Matrix.d.y, 0.5f);
    EXPECT_TRUE(body.Push.IsZero());
    body.FrameUpdate();
    EXPECT_EQ(body.LastPush.y, 0.5f);
    EXPECT_EQ(body.PushedLastFrame, 1);
    body.FrameUpdate();
    EXPECT_EQ(body.PushedLastFrame, 0);
}

TEST(InertiaTest, SubStepsUseThePartOfTheFrameTheyIntegrate) {
    phInertialCS stepped;
    phInertialCS whole;
    for (phInertialCS* body : {&stepped, &whole}) {
        body->Force.Set(0, -9.8f, 0);
        body->OtherForce.Set(2.0f, 0, 0);
    }
    stepped.AddPush(Vector3(0, 0.25f, 0));
    stepped.SubStep(0.5f * datTimeManager::Seconds);
    EXPECT_TRUE(stepped.OtherForce.IsZero());
    EXPECT_EQ(stepped.Force.y, -9.8f);
    stepped.Force.Set(0, -9.8f, 0);
    stepped.SubStep(0.5f * datTimeManager::Seconds);
    Vector3 afterSteps = stepped.Matrix.d;
    stepped.FrameUpdate();
    EXPECT_EQ(stepped.Matrix.d.y, afterSteps.y);
    EXPECT_EQ(stepped.LastPush.y, 0.25f);
    EXPECT_EQ(stepped.SubStepTime, 0.0f);

    // The contact force counts once: in the sub-step it was pending for, or in the frame.
    whole.FrameUpdate();
    EXPECT_NEAR(whole.Velocity.y, stepped.Velocity.y, 1e-6f);
    EXPECT_NEAR(whole.Velocity.x, 2.0f * stepped.Velocity.x, 1e-6f);
}

// The implicit step against the same algebra in double: A = (1 + dt·μ·D)⁻¹,
// B = I_w + dt·E - dt²·μ·C·A·Cᵀ, Δω from B, Δv from Δω; and its result against the
// backward-Euler equations it solves, where each contact force falls by K times the change of
// its point's velocity.
TEST(InertiaTest, ImplicitStepMatchesDoubleReference) {
    RandomBodies random(2802);
    for (int trial = 0; trial < 100; ++trial) {
        SCOPED_TRACE(trial);
        phInertialCS body;
        random.Body(body);
        body.Velocity = random.Vector(3.0f);
        body.Momentum = body.Velocity * body.Mass;
        body.AngVelocity = random.Vector(1.0f);
        Matrix34 inertia;
        body.GetWorldInertia(inertia);
        body.AngMomentum = phRotateToWorld(body.AngVelocity, inertia);
        body.Force = random.Vector(50.0f);
        body.Torque = random.Vector(10.0f);
        body.Impulse = random.Vector(2.0f);
        Vector3 points[2] = {body.Matrix.d + random.Vector(1.0f),
                             body.Matrix.d + random.Vector(1.0f)};
        Matrix34 ks[2] = {RandomStiffness(random), RandomStiffness(random)};
        Vector3 forces[2] = {random.Vector(20.0f), random.Vector(20.0f)};

        DMat d, c, e;
        for (int i = 0; i < 2; ++i) {
            DVec r = DVec(points[i]) - DVec(body.Matrix.d);
            DMat s;
            s.r[0] = DVec(0, -r.z, r.y);
            s.r[1] = DVec(r.z, 0, -r.x);
            s.r[2] = DVec(-r.y, r.x, 0);
            DMat k = DMat::Rows(ks[i]);
            DMat sk = s * k;
            DMat crossed;
            for (int row = 0; row < 3; ++row) {
                crossed.r[row] = r.Cross(sk.r[row]);
            }
            d = d + k;
            c = c + sk;
            e = e + crossed;
        }
        double dt = Dt;
        double mu = 1.0 / body.Mass;
        DMat a = DMat::Diagonal(DVec(1, 1, 1));
        for (int i = 0; i < 3; ++i) {
            a.r[i] = a.r[i] + d.r[i] * (dt * mu);
        }
        a = a.Inverse();
        DMat ct = c.Transposed();
        DMat cact = c * a * ct;
        DMat r = DMat::Rows(body.Matrix);
        DMat b = r.Transposed() * DMat::Diagonal(DVec(body.AngInertia)) * r;
        const DMat worldInertia = b;
        for (int i = 0; i < 3; ++i) {
            b.r[i] = b.r[i] + e.r[i] * dt - cact.r[i] * (dt * dt * mu);
        }
        DVec force = DVec(body.Force) + DVec(forces[0]) + DVec(forces[1]);
        DVec torque = DVec(body.Torque);
        for (int i = 0; i < 2; ++i) {
            torque = torque + (DVec(points[i]) - DVec(body.Matrix.d)).Cross(DVec(forces[i]));
        }
        DVec p = DVec(body.Impulse) + force * dt;
        DVec rhs = (p * (-dt * mu)) * a * ct + DVec(body.AngImpulse) + torque * dt;
        DVec dw = rhs * b.Inverse();
        DVec dv = (p - (dw * dt) * c) * mu * a;
        DVec velocity = DVec(body.Velocity) + dv;
        DVec angVelocity = DVec(body.AngVelocity) + dw;

        for (int i = 0; i < 2; ++i) {
            body.ApplyContactForce(forces[i], points[i], ks[i]);
        }
        EXPECT_EQ(body.Implicit, 1u);
        const DVec arms[2] = {DVec(points[0]) - DVec(body.Matrix.d),
                              DVec(points[1]) - DVec(body.Matrix.d)};
        DVec oldVelocity(body.Velocity);
        DVec oldAngVelocity(body.AngVelocity);
        body.FrameUpdate();
        ExpectNear(body.Velocity, velocity, 2e-4);
        ExpectNear(body.AngVelocity, angVelocity, 2e-4);

        DVec stepV = DVec(body.Velocity) - oldVelocity;
        DVec stepW = DVec(body.AngVelocity) - oldAngVelocity;
        DVec linear = stepV * body.Mass - p;
        DVec angular = stepW * worldInertia - (DVec(body.AngImpulse) + torque * dt);
        for (int i = 0; i < 2; ++i) {
            DVec drop = (stepV + stepW.Cross(arms[i])) * DMat::Rows(ks[i]) * dt;
            linear = linear + drop;
            angular = angular + arms[i].Cross(drop);
        }
        EXPECT_LT(linear.Mag(), 1e-3 * (1.0 + p.Mag())) << "linear momentum";
        EXPECT_LT(angular.Mag(), 1e-3 * (1.0 + torque.Mag() * dt)) << "angular momentum";
        ExpectNear(body.Momentum, velocity * body.Mass, 2e-4);
        EXPECT_EQ(body.Implicit, 0u);
        EXPECT_EQ(body.LinearDamping.a.x, 0.0f);
    }
}

// The matrix against an impulse actually applied: the velocity change of point A after an
// impulse at point B, and the double-precision formula.
TEST(InertiaTest, InverseMassMatrixMapsImpulsesToVelocityChanges) {
    RandomBodies random(2803);
    for (int trial = 0; trial < 100; ++trial) {
        SCOPED_TRACE(trial);
        phInertialCS body;
        random.Body(body);
        body.MaxAngVelocity.Set(1e6f, 1e6f, 1e6f);
        Vector3 pointA = body.Matrix.d + random.Vector(2.0f);
        Vector3 pointB = body.Matrix.d + random.Vector(2.0f);
        Vector3 j = random.Vector(3.0f);
        Matrix34 m;
        body.GetInverseMassMatrix(pointA, pointB, m);
        Vector3 mapped = phRotateToWorld(j, m);
        ExpectNear(mapped, VelocityChange(body, DVec(j), DVec(pointB), DVec(pointA)), 1e-5);

        Vector3 before;
        body.GetVelocityAtPoint(pointA, before);
        body.Impulse = j;
        body.AngImpulse.Cross(pointB - body.Matrix.d, j);
        body.Update(0.0f);
        Vector3 after;
        body.GetVelocityAtPoint(pointA, after);
        ExpectNear(after - before, DVec(mapped), 1e-4);

        Matrix34 single;
        body.GetInverseMassMatrix(pointA, single);
        EXPECT_NEAR(single.a.y, single.b.x, 1e-5f * (1.0f + std::fabs(single.a.y)));
        EXPECT_NEAR(single.a.z, single.c.x, 1e-5f * (1.0f + std::fabs(single.a.z)));
        EXPECT_TRUE(single.d.IsZero());
    }
    phInertialCS body;
    body.InitBox(4, 1, 1, 1);
    Matrix34 centre;
    body.GetInverseMassMatrix(body.Matrix.d, centre);
    EXPECT_EQ(centre.a.x, 0.25f);
    EXPECT_EQ(centre.a.y, 0.0f);
    EXPECT_EQ(centre.c.z, 0.25f);
}

TEST(InertiaTest, WorldInertiaAndAcceleration) {
    RandomBodies random(2804);
    phInertialCS body;
    random.Body(body);
    Matrix34 inertia;
    Matrix34 inverse;
    body.GetWorldInertia(inertia);
    body.GetWorldInverseInertia(inverse);
    Matrix34 product;
    product.Dot3x3(inertia, inverse);
    ExpectNear(product.a, DVec(1, 0, 0), 1e-5);
    ExpectNear(product.b, DVec(0, 1, 0), 1e-5);
    EXPECT_TRUE(inertia.d.IsZero());

    // A body spinning steadily about a principal axis: only the centripetal part remains.
    phInertialCS spinner;
    spinner.InitBox(2, 1, 2, 3);
    spinner.AngVelocity.Set(0, 2, 0);
    spinner.AngMomentum.Set(0, 2 * spinner.AngInertia.y, 0);
    spinner.Force.Set(4, 0, 0);
    Vector3 acceleration;
    spinner.GetAccelerationAtPoint(Vector3(1, 0, 0), acceleration);
    EXPECT_NEAR(acceleration.x, 2.0f - 4.0f, 1e-5f);
    EXPECT_NEAR(acceleration.z, 0.0f, 1e-5f);

    EXPECT_EQ(body.GetTotalForce(2.0f).x, body.Force.x + 2.0f * body.Impulse.x);
}

// Zero mass and moments fix a body: forces, impulses and contact stiffness never make an
// infinity or a NaN, and the body stays where it is.
TEST(InertiaTest, FixedBodiesStayFiniteAndStill) {
    struct Case {
        float mass;
        Vector3 moments;
    };
    const Case cases[] = {{0, Vector3(0, 0, 0)}, {0, Vector3(1, 1, 1)}, {1, Vector3(0, 0, 0)},
                          {2, Vector3(0, 1, 1)}};
    for (const Case& c : cases) {
        for (int implicitStep = 0; implicitStep < 2; ++implicitStep) {
            phInertialCS body;
            body.Init(c.mass, c.moments.x, c.moments.y, c.moments.z);
            EXPECT_EQ(c.mass == 0 ? body.InvMass : body.InvAngInertia.x, FLT_MAX);
            body.Matrix.RotateY(0.3f);
            const Matrix34 start = body.Matrix;
            for (int frame = 0; frame < 10; ++frame) {
                body.AddPush(Vector3(0, 0.1f, 0));
                body.AddTurn(Vector3(0.1f, 0.2f, 0));
                body.Force.Set(3, -9.8f, 1);
                body.Torque.Set(5, 1, 2);
                body.Impulse.Set(1e3f, 2e3f, 0);
                body.AngImpulse.Set(1e3f, 0, 1e3f);
                if (implicitStep) {
                    Matrix34 k = Matrix34::sm_Identity;
                    k.Scale3x3(1e4f);
                    body.ApplyContactForce(Vector3(0, 100, 0), body.Matrix.d + Vector3(1, 0, 0),
                                           k);
                }
                body.FrameUpdate();
            }
            EXPECT_TRUE(IsFinite(body.Velocity));
            EXPECT_TRUE(IsFinite(body.AngVelocity));
            EXPECT_TRUE(IsFinite(body.Matrix));
            if (c.mass == 0) {
                EXPECT_TRUE(body.Velocity.IsZero());
                EXPECT_TRUE(body.Matrix.d.IsZero());
            }
            if (c.moments.IsZero()) {
                EXPECT_TRUE(body.AngVelocity.IsZero());
                EXPECT_EQ(memcmp(&body.Matrix, &start, 3 * sizeof(Vector3)), 0);
            }
            Matrix34 m;
            body.GetInverseMassMatrix(Vector3(1, 2, 3), Vector3(-1, 0, 2), m);
            EXPECT_TRUE(IsFinite(m));
            if (c.mass == 0 && c.moments.IsZero()) {
                EXPECT_TRUE(m.a.IsZero() && m.b.IsZero() && m.c.IsZero());
            }
            body.GetWorldInverseInertia(m);
            EXPECT_TRUE(IsFinite(m));
            Vector3 acceleration;
            body.Force.Set(1, 1, 1);
            body.GetAccelerationAtPoint(Vector3(1, 1, 1), acceleration);
            EXPECT_TRUE(IsFinite(acceleration));
        }
    }
}

TEST_CHILD(NegativeInertia) {
    phInertialCS body;
    body.Init(1.0f, 1.0f, -1.0f, 1.0f);
    return 0;
}

TEST(InertiaTest, NegativeInertiaIsFatal) {
    ExpectFatalChild("NegativeInertia",
                     "Assert(\"you tried to initialize an object with negative inertia\" && "
                     "mass>=0.0f && ax>=0.0f && ay>=0.0f && az>=0.0f) failed in "
                     "[phinertia/inertia, line");
}
