#include "phcollide/contact.h"

#include <cfloat>
#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "phbound/bound.h"
#include "phbound/impact.h"
#include "phcollide/collider.h"
#include "tests/engine/phcollide/contactbodies.h"
#include "tests/engine/phinertia/reference.h"
#include "tests/support/child.h"

namespace {

const float Step = 1.0f / 60.0f;
const float Allowed = 0.035f * 0.02f;

// A body of mass 1 on a fixed collider, with the contact made from their impact.
class ContactTest : public ::testing::Test {
protected:
    ContactTest() : m_Ground(false) {
        phContact::sm_TimeStep = Step;
        phContact::sm_Seconds = Step;
        m_Impact = ContactImpact(&m_Box.collider, &m_Ground.collider, phImpact::A_ON_FACE, 3, 7);
        m_Contact.InitFromImpact(m_Impact);
    }
    ~ContactTest() override {
        phContact::sm_TimeStep = 0.0f;
        phContact::sm_Seconds = 0.0f;
    }

    struct Result {
        bool holds;
        Vector3 force;
        Matrix34 k;
        float damping;
    };
    Result Solve(const phImpact* impact, const Vector3& velA, const Vector3& velB = Vector3(0, 0, 0),
                 float dt = Step) {
        Result r;
        r.holds = m_Contact.Resolve(impact, velA - velB, velA, velB, r.force, r.k, r.damping, dt);
        return r;
    }

    ContactBody m_Box;
    ContactBody m_Ground;
    phImpact m_Impact;
    phContact m_Contact;
};

void ExpectScaledIdentity(const Matrix34& k, float s, const char* label) {
    EXPECT_NEAR(k.a.x, s, 1e-3f * s) << label;
    EXPECT_NEAR(k.b.y, s, 1e-3f * s) << label;
    EXPECT_NEAR(k.c.z, s, 1e-3f * s) << label;
    EXPECT_EQ(k.a.y, 0.0f) << label;
    EXPECT_EQ(k.a.z, 0.0f) << label;
    EXPECT_EQ(k.b.x, 0.0f) << label;
    EXPECT_EQ(k.b.z, 0.0f) << label;
    EXPECT_EQ(k.c.x, 0.0f) << label;
    EXPECT_EQ(k.c.y, 0.0f) << label;
    EXPECT_TRUE(k.d.IsZero()) << label;
}

}  // namespace

TEST_F(ContactTest, SpringCarriesAQuarterOfTheWeightAtTheAllowedPenetration) {
    EXPECT_FLOAT_EQ(phCollision::AllowedPenetration, Allowed);
    EXPECT_NEAR(m_Contact.Stiffness, 3500.0f, 0.01f);
    EXPECT_NEAR(m_Contact.Damping, 2236.07f, 0.01f);
    // Two bodies of mass 1: half the effective mass.
    ContactBody other;
    phImpact between = ContactImpact(&m_Box.collider, &other.collider, phImpact::EDGE_EDGE, 1, 2);
    phContact contact;
    contact.InitFromImpact(between);
    EXPECT_NEAR(contact.Stiffness, 1750.0f, 0.01f);
    EXPECT_EQ(contact.ActiveFlag, phContact::NEW);
    EXPECT_EQ(contact.LastActiveFlag, phContact::NEW);
    EXPECT_EQ(contact.ColliderIdA, m_Box.Id());
    EXPECT_EQ(contact.ColliderIdB, other.Id());
    EXPECT_EQ(contact.ElementA, 1);
    EXPECT_EQ(contact.ElementB, 2);
    EXPECT_EQ(contact.Friction, 0.5f);
    EXPECT_TRUE(contact.Spring.IsZero());
    EXPECT_EQ(contact.Penetration, 0.0f);
}

TEST_CHILD(ContactWithoutAllowedPenetration) {
    ContactBody box;
    ContactBody ground(false);
    phCollision::SetMargins(0.0f);
    phContact contact;
    contact.InitFromImpact(ContactImpact(&box.collider, &ground.collider, 1, 0, 0));
    return 0;
}

// The ids of the contact and of the impact's colliders differ: A and B are checked after the
// swap. A carried contact that was never solved has no last frame to carry.
TEST_CHILD(ContactWithForeignImpact) {
    ContactBody box;
    ContactBody ground(false);
    ContactBody stranger;
    phContact contact;
    phImpact impact = ContactImpact(&box.collider, &ground.collider, 1, 0, 0);
    contact.InitFromImpact(impact);
    Vector3 force;
    Matrix34 k;
    float damping;
    Vector3 zero(0, 0, 0);
    if (ChildCase() == 0) {
        impact.ColliderB = &stranger.collider;
        contact.Resolve(&impact, zero, zero, zero, force, k, damping, Step);
    } else if (ChildCase() == 1) {
        impact.ColliderB = nullptr;
        contact.Resolve(&impact, zero, zero, zero, force, k, damping, Step);
    } else {
        contact.Resolve(nullptr, zero, zero, zero, force, k, damping, Step);
    }
    return 0;
}

TEST(ContactFatalTest, BrokenInvariantsEndTheProgram) {
    ExpectFatalChildren(
        {{"ContactWithoutAllowedPenetration", "Assert(Penetration > 0) failed in [phcollide/contact"},
         {"ContactWithForeignImpact", "Assert(I->B->GetColliderID()==ColliderIdB) failed in [phcollide/contact", "case=0"},
         {"ContactWithForeignImpact", "Assert(\"A contact is missing a collider\" && (I?(I->A&&I->B):true)) failed", "case=1"},
         {"ContactWithForeignImpact", "Assert(LastActiveFlag>=0) failed in [phcollide/contact", "case=2"}});
}

TEST_F(ContactTest, MatchesEitherOrderOfSidesAndSwapMirrors) {
    phImpact mirror = MirroredImpact(m_Impact);
    struct Case {
        const char* label;
        phImpact impact;
        bool matches;
    };
    phImpact otherElement = m_Impact;
    otherElement.FeatureB = 8;
    phImpact mirrorSameType = mirror;
    mirrorSameType.Type = m_Impact.Type;
    phImpact otherComponent = m_Impact;
    otherComponent.ComponentA = 4;
    phImpact edges = ContactImpact(&m_Box.collider, &m_Ground.collider, 0, 3, 7);
    phImpact edgesMirrored = MirroredImpact(edges);
    const Case cases[] = {
        {"same", m_Impact, true},
        {"mirrored, type 1 as 2", mirror, true},
        {"other element", otherElement, false},
        {"mirrored without the type", mirrorSameType, false},
        {"other component", otherComponent, false},
        {"edge pair", edges, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(m_Contact.Matches(c.impact), c.matches) << c.label;
    }
    phContact edge;
    edge.InitFromImpact(edges);
    EXPECT_TRUE(edge.Matches(edgesMirrored));

    m_Contact.ComponentA = 5;
    m_Contact.ComponentB = 6;
    m_Contact.Spring.Set(0.1f, 0.0f, 0.2f);
    m_Contact.LastVelA.Set(1, 2, 3);
    m_Contact.LastVelB.Set(4, 5, 6);
    phContact before = m_Contact;
    m_Contact.Swap();
    EXPECT_EQ(m_Contact.Type, phImpact::B_ON_FACE);
    EXPECT_EQ(m_Contact.ElementA, before.ElementB);
    EXPECT_EQ(m_Contact.ElementB, before.ElementA);
    EXPECT_EQ(m_Contact.ComponentA, 6);
    EXPECT_EQ(m_Contact.ComponentB, 5);
    EXPECT_EQ(m_Contact.ColliderIdA, before.ColliderIdB);
    EXPECT_EQ(m_Contact.ColliderIdB, before.ColliderIdA);
    EXPECT_EQ(m_Contact.A, before.B);
    EXPECT_EQ(m_Contact.B, before.A);
    EXPECT_EQ(m_Contact.Normal.y, -1.0f);
    EXPECT_EQ(m_Contact.Spring.x, -0.1f);
    EXPECT_EQ(m_Contact.Spring.z, -0.2f);
    EXPECT_EQ(m_Contact.LastVelA.x, 4.0f);
    EXPECT_EQ(m_Contact.LastVelB.x, 1.0f);
    m_Contact.ComponentA = m_Contact.ComponentB = -1;
    EXPECT_TRUE(m_Contact.Matches(m_Impact));
    EXPECT_TRUE(m_Contact.Matches(mirror));
    edge.Swap();
    EXPECT_EQ(edge.Type, phImpact::EDGE_EDGE);

    // A mirrored impact turns the stored contact before it is solved.
    m_Contact.Swap();
    Result r = Solve(&mirror, Vector3(0, 0, 0));
    EXPECT_TRUE(r.holds);
    EXPECT_EQ(m_Contact.ColliderIdA, m_Ground.Id());
    EXPECT_EQ(m_Contact.A, &m_Ground.collider);
    EXPECT_EQ(m_Contact.Normal.y, -1.0f);
}

// A body at rest at the allowed depth on the ground: a quarter of its weight, and a sticking
// contact's matrix s r I with s = k dt + c.
TEST_F(ContactTest, RestingContactCarriesAQuarterOfTheWeight) {
    m_Impact.Depth = Allowed;
    Result r = Solve(&m_Impact, Vector3(0, 0, 0));
    ASSERT_TRUE(r.holds);
    EXPECT_NEAR(r.force.y, 2.45f, 1e-3f);
    EXPECT_NEAR(r.force.y, 0.25f * 9.8f, 1e-3f);
    EXPECT_EQ(r.force.x, 0.0f);
    EXPECT_EQ(r.force.z, 0.0f);
    float c = 2236.07f * std::sqrt(Allowed);
    EXPECT_NEAR(r.damping, c, 1e-3f);
    ExpectScaledIdentity(r.k, 3500.0f * Step + c, "resting");
    EXPECT_EQ(m_Contact.LastRatio, 1.0f);
    EXPECT_EQ(m_Contact.LastFraction, 1.0f);
    // Deeper than allowed: damping by the square root of the depth.
    m_Impact.Depth = 4.0f * Allowed;
    r = Solve(&m_Impact, Vector3(0, 0, 0));
    EXPECT_NEAR(r.damping, 2236.07f * std::sqrt(4.0f * Allowed), 1e-3f);
    EXPECT_NEAR(r.force.y, 4.0f * 2.45f, 1e-3f);
}

TEST_F(ContactTest, CarriedContactBreaksWhenTheStepLeavesItsDepth) {
    m_Contact.LastActiveFlag = phContact::DROPPED;
    m_Contact.ActiveFlag = phContact::KEPT;
    m_Contact.Penetration = 0.001f;
    m_Contact.Spring.Set(0.0001f, 0.0f, 0.0f);
    // Moving apart at 0.03 m/s: 0.0005 of depth is left.
    Result r = Solve(nullptr, Vector3(0, 0.03f, 0), Vector3(0, 0, 0), 0.0f);
    EXPECT_TRUE(r.holds);
    EXPECT_NEAR(m_Contact.Penetration, 0.0005f, 1e-7f);
    // 0.1 m/s leaves more than the depth.
    r.force.Set(9, 9, 9);
    r.k.Identity();
    r = Solve(nullptr, Vector3(0, 0.1f, 0));
    EXPECT_FALSE(r.holds);
    EXPECT_TRUE(r.force.IsZero());
    EXPECT_TRUE(r.k.a.IsZero() && r.k.b.IsZero() && r.k.c.IsZero() && r.k.d.IsZero());
    EXPECT_TRUE(m_Contact.Spring.IsZero());
}

// The time step of a solve: the manager's for a contact already kept this frame, the frame
// time otherwise.
TEST_F(ContactTest, KeptContactsStepByTheManagersTimeStep) {
    phContact::sm_TimeStep = 0.5f;
    phContact::sm_Seconds = 0.25f;
    m_Contact.LastActiveFlag = phContact::DROPPED;
    m_Contact.Friction = 100.0f;
    m_Contact.Penetration = 1.0f;
    for (int flag : {phContact::KEPT, phContact::UNSEEN}) {
        m_Contact.ActiveFlag = flag;
        m_Contact.Spring.Set(0, 0, 0);
        Solve(nullptr, Vector3(1, 0, 0), Vector3(0, 0, 0), 0.0f);
        EXPECT_FLOAT_EQ(m_Contact.Spring.x, flag == phContact::KEPT ? -0.5f : -0.25f);
    }
}

// An impact refreshes point, normal and depth; the friction state turns with the normal,
// keeping its length; a new contact starts without it; a contact back after a dropped frame
// drags only for the part of the step spent in contact.
TEST_F(ContactTest, ImpactsRefreshTheContact) {
    m_Contact.Friction = 100.0f;
    m_Impact.Depth = 0.002f;

    m_Contact.LastActiveFlag = phContact::KEPT;
    m_Contact.Spring.Set(0.0003f, 0.0f, 0.0004f);
    phImpact tilted = m_Impact;
    tilted.Normal.Set(0.6f, 0.8f, 0.0f);
    tilted.Position.Set(1, 2, 3);
    Solve(&tilted, Vector3(0, 0, 0), Vector3(0, 0, 0), 0.0f);
    EXPECT_EQ(m_Contact.Point.y, 2.0f);
    EXPECT_EQ(m_Contact.Normal.x, 0.6f);
    EXPECT_EQ(m_Contact.Penetration, 0.002f);
    EXPECT_NEAR(m_Contact.Spring.Dot(tilted.Normal), 0.0f, 1e-9f);
    EXPECT_NEAR(m_Contact.Spring.Mag(), 0.0005f, 1e-8f);

    m_Contact.LastActiveFlag = phContact::NEW;
    m_Contact.Spring.Set(0.0003f, 0.0f, 0.0f);
    Solve(&m_Impact, Vector3(0, 0, 0), Vector3(0, 0, 0), 0.0f);
    EXPECT_TRUE(m_Contact.Spring.IsZero());

    // Approaching at 0.24 m/s: the step closes 0.004, twice the depth: half the slide counts.
    m_Contact.LastActiveFlag = phContact::DROPPED;
    m_Contact.ActiveFlag = phContact::UNSEEN;
    Solve(&m_Impact, Vector3(0.6f, -0.24f, 0), Vector3(0, 0, 0), 0.0f);
    EXPECT_NEAR(m_Contact.Spring.x, -0.6f * Step * 0.5f, 1e-7f);
    // Kept last frame: the whole slide.
    m_Contact.LastActiveFlag = phContact::KEPT;
    m_Contact.Spring.Set(0, 0, 0);
    Solve(&m_Impact, Vector3(0.6f, -0.24f, 0), Vector3(0, 0, 0), 0.0f);
    EXPECT_NEAR(m_Contact.Spring.x, -0.6f * Step, 1e-7f);
}

TEST_F(ContactTest, ForcesNeverPullAndSlidingDampsAlongTheNormalOnly) {
    m_Contact.LastActiveFlag = phContact::DROPPED;
    m_Contact.ActiveFlag = phContact::KEPT;
    phContact::sm_TimeStep = 0.0f;
    const float c = 2236.07f * std::sqrt(Allowed);
    // Separating fast: the damping would pull; only the sideways part is left.
    m_Contact.Penetration = Allowed;
    m_Contact.Spring.Set(0, 0, 0);
    Result r = Solve(nullptr, Vector3(0.3f, 1.0f, 0.0f));
    EXPECT_EQ(r.force.y, 0.0f);
    EXPECT_LT(r.force.x, -0.3f * c * 0.99f);
    // The step leaves the contact: r = depth / dn.
    EXPECT_NEAR(m_Contact.LastRatio, Allowed / Step, 1e-6f);

    // Sliding (spring beyond the cone) against the motion: no sideways damping. The slide
    // within the step is too short to count (f = 0): the sideways force is the spring at the
    // rim of the cone.
    m_Contact.Penetration = 0.002f;
    m_Contact.Spring.Set(-0.01f, 0.0f, 0.0f);
    const Vector3 velocity(5e-4f, -0.01f, 0.0f);
    r = Solve(nullptr, velocity);
    const float limit = 0.5f * 0.002f;
    const float cDeep = 2236.07f * std::sqrt(0.002f);
    EXPECT_NEAR(m_Contact.Spring.x, -limit, 1e-8f);
    EXPECT_EQ(m_Contact.LastFraction, 0.0f);
    EXPECT_NEAR(r.force.x, -3500.0f * limit, 1e-3f);
    EXPECT_NEAR(r.force.y, 3500.0f * (0.002f + 0.01f * Step) + cDeep * 0.01f, 1e-2f);
    // Sliding along the spring: damped sideways as well.
    m_Contact.Spring.Set(0.01f, 0.0f, 0.0f);
    r = Solve(nullptr, velocity);
    EXPECT_NEAR(r.force.x, 3500.0f * limit - cDeep * 5e-4f, 1e-3f);
}

namespace {

// The solve in double precision with the crossing of the cone found by bisection, for a
// carried contact whose own step (dt') is 0.
struct Reference {
    double f;
    double r;
    DVec force;
    double damping;
    DVec spring;
};

double ConeGap(const DVec& s, const DVec& dt, double dn, double mu, double depth, double f) {
    DVec d = s - dt * f;
    double rim = mu * (depth - f * dn);
    return d.Dot(d) - rim * rim;
}

Reference ReferenceSolve(const phContact& c, const DVec& rel, double dt) {
    Reference out;
    DVec n(c.Normal);
    double depth = c.Penetration;
    double mu = c.Friction;
    double limit = mu * depth;
    DVec s(c.Spring);
    DVec w = rel;
    bool sliding = s.Dot(s) > limit * limit;
    if (sliding) {
        s = s * (limit / s.Mag());
        if (rel.Dot(s) <= 0.0) {
            w = n * rel.Dot(n);
        }
    }
    DVec step = rel * dt;
    double dn = step.Dot(n);
    DVec dtStep = step - n * dn;
    out.r = dn > depth ? depth / dn : 1.0;
    double dt2 = dtStep.Dot(dtStep);
    double f;
    if (dt2 < 1e-10) {
        f = sliding ? 0.0 : 1.0;
    } else if (dn < 0.0 && dt2 <= dn * mu * dn * mu) {
        f = 1.0;
    } else if (s.Dot(s) >= 0.001 * limit * limit + 1e-10) {
        // A sliding spring lies on the rim.
        if (sliding || ConeGap(s, dtStep, dn, mu, depth, 0.0) >= 0.0) {
            f = 0.0;
        } else if (ConeGap(s, dtStep, dn, mu, depth, out.r) <= 0.0) {
            f = out.r;
        } else {
            double lo = 0.0;
            double hi = out.r;
            for (int i = 0; i < 200; ++i) {
                double mid = 0.5 * (lo + hi);
                (ConeGap(s, dtStep, dn, mu, depth, mid) > 0.0 ? hi : lo) = mid;
            }
            f = 0.5 * (lo + hi);
        }
    } else {
        double e = std::sqrt(dt2) + dn * mu;
        f = e > limit && e >= 1e-20 ? limit / e : 1.0;
    }
    out.f = f < out.r ? f : out.r;
    DVec x = n * depth + s - n * (out.r * dn) - dtStep * out.f;
    out.damping = c.Damping * std::sqrt(depth > Allowed ? depth : Allowed);
    out.force = x * c.Stiffness - w * out.damping;
    double pull = out.force.Dot(n);
    if (pull < 0.0) {
        out.force = out.force - n * pull;
    }
    out.spring = s;
    return out;
}

double LogUniform(std::mt19937& rng, double lo, double hi) {
    return std::exp(std::uniform_real_distribution<double>(std::log(lo), std::log(hi))(rng));
}

Vector3 RandomUnit(std::mt19937& rng) {
    std::normal_distribution<float> g;
    Vector3 v(g(rng), g(rng), g(rng));
    v.Normalize();
    return v;
}

Vector3 Across(const Vector3& n, const Vector3& v) {
    return v - n * v.Dot(n);
}

}  // namespace

// Random contacts and steps against the double-precision solve: the fraction of the step
// inside the friction cone, the ratio, the force, the matrix.
TEST_F(ContactTest, SolveAgreesWithADoublePrecisionReference) {
    std::mt19937 rng(2916);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    phContact::sm_TimeStep = 0.0f;
    int crossings = 0;
    for (int i = 0; i < 4000; ++i) {
        Vector3 n = RandomUnit(rng);
        float depth = float(LogUniform(rng, 1e-4, 0.02));
        float mu = 0.05f + 1.45f * unit(rng);
        float limit = mu * depth;
        float springScale = i % 3 == 0 ? 0.03f * unit(rng) : i % 3 == 1 ? unit(rng) : 1.0f + 2.0f * unit(rng);
        Vector3 spring = Across(n, RandomUnit(rng));
        spring.Normalize();
        spring.Scale(limit * springScale);
        Vector3 slide = Across(n, RandomUnit(rng));
        slide.Normalize();
        Vector3 velocity = slide * float(LogUniform(rng, 1e-5, 3.0)) +
                           n * float((unit(rng) * 2.0f - 1.0f) * LogUniform(rng, 1e-5, 1.0));

        m_Contact.Normal = n;
        m_Contact.Penetration = depth;
        m_Contact.Friction = mu;
        m_Contact.Spring = spring;
        m_Contact.ActiveFlag = phContact::KEPT;
        m_Contact.LastActiveFlag = phContact::DROPPED;
        phContact before = m_Contact;
        Result r = Solve(nullptr, velocity);
        Reference ref = ReferenceSolve(before, DVec(velocity), Step);
        ASSERT_TRUE(r.holds) << i;

        EXPECT_NEAR(m_Contact.LastRatio, ref.r, 1e-5 * ref.r) << i;
        EXPECT_NEAR(m_Contact.LastFraction, ref.f, 2e-3 * ref.r + 1e-6) << i;
        if (ref.f > 0.0 && ref.f < ref.r) {
            ++crossings;
        }
        double scale = m_Contact.Stiffness * (depth + limit * springScale + velocity.Mag() * Step) +
                       ref.damping * velocity.Mag();
        EXPECT_NEAR(r.force.x, ref.force.x, 2e-3 * scale) << i;
        EXPECT_NEAR(r.force.y, ref.force.y, 2e-3 * scale) << i;
        EXPECT_NEAR(r.force.z, ref.force.z, 2e-3 * scale) << i;
        EXPECT_NEAR(r.damping, ref.damping, 1e-5 * ref.damping) << i;

        // K = s (f I + (r - f) n n^T).
        double s = m_Contact.Stiffness * Step + ref.damping;
        const Vector3* rows[3] = {&r.k.a, &r.k.b, &r.k.c};
        double nn[3] = {n.x, n.y, n.z};
        for (int row = 0; row < 3; ++row) {
            double got[3] = {rows[row]->x, rows[row]->y, rows[row]->z};
            for (int col = 0; col < 3; ++col) {
                double want = s * ((row == col ? m_Contact.LastFraction : 0.0) +
                                   (ref.r - m_Contact.LastFraction) * nn[row] * nn[col]);
                EXPECT_NEAR(got[col], want, 1e-4 * s) << i;
            }
        }
        EXPECT_TRUE(r.k.d.IsZero());
    }
    // The cases reach the crossing of the cone, not just its ends.
    EXPECT_GT(crossings, 200);
}

// Two moving bodies whose velocities changed alike since the last solve drag each other
// through the last solve's stiffness, weighted by the smoothed cosine of the two changes.
TEST_F(ContactTest, BodiesThatChangeVelocityTogetherAreCoupled) {
    ContactBody other;
    phImpact between = ContactImpact(&m_Box.collider, &other.collider, 1, 0, 0, Allowed);
    phContact contact;
    contact.InitFromImpact(between);
    contact.Point.Set(0, 0, 0);
    m_Box.body.Matrix.d.Set(0, 1, 0);
    other.body.Matrix.d.Set(0, -1, 0);
    struct Case {
        Vector3 changeA;
        Vector3 changeB;
        float lastCosine;
        float weight;
        float kept;
    };
    const Case cases[] = {
        {Vector3(1, 0, 0), Vector3(2, 0, 0), 0.5f, 0.5f, 0.525f},   // q 1 above the last
        {Vector3(1, 0, 0), Vector3(1, 0, 1), 1.0f, 0.70710678f, 0.70710678f},  // q below
        {Vector3(1, 0, 0), Vector3(-1, 0, 0), 0.5f, 0.0f, 0.0f},   // opposite
        {Vector3(1, 0, 0), Vector3(1e-7f, 0, 0), 0.5f, 0.0f, 0.0f},  // too small
    };
    for (const Case& c : cases) {
        contact.LastActiveFlag = phContact::KEPT;
        contact.ActiveFlag = phContact::UNSEEN;
        contact.LastCosine = c.lastCosine;
        contact.LastStiffness = 100.0f;
        contact.LastFraction = 0.25f;
        contact.LastRatio = 1.0f;
        contact.LastVelA.Set(0, 0, 0);
        contact.LastVelB.Set(0, 0, 0);
        m_Box.body.OtherForce.Zero();
        m_Box.body.OtherTorque.Zero();
        other.body.OtherForce.Zero();
        Vector3 force;
        Matrix34 k;
        float damping;
        contact.Resolve(&between, c.changeA - c.changeB, c.changeA, c.changeB, force, k,
                        damping, Step);
        // K' = 100 (0.25 I + 0.75 n n^T) with n = y: the x parts scale by 25.
        EXPECT_NEAR(other.body.OtherForce.x, c.weight * 25.0f * c.changeA.x, 1e-4f);
        EXPECT_NEAR(other.body.OtherForce.z, c.weight * 25.0f * c.changeA.z, 1e-4f);
        EXPECT_NEAR(m_Box.body.OtherForce.x, c.weight * 25.0f * c.changeB.x, 1e-4f);
        EXPECT_NEAR(m_Box.body.OtherForce.z, c.weight * 25.0f * c.changeB.z, 1e-4f);
        // The moment about A's centre, one above the point: (0,-1,0) x F.
        EXPECT_NEAR(m_Box.body.OtherTorque.z, m_Box.body.OtherForce.x, 1e-4f);
        EXPECT_NEAR(contact.LastCosine, c.kept, 1e-6f);
    }
}

// The force asks for an extension; the depth takes its normal part and the spring the rest,
// kept within the cone; a pulling force leaves no depth.
TEST_F(ContactTest, ProjectSpringMatchesTheExtensionWithinTheCone) {
    struct Case {
        Vector3 force;
        float depth;
        Vector3 spring;
    };
    const Case cases[] = {
        {Vector3(0.35f, 3.5f, 0), 0.001f, Vector3(0.0001f, 0, 0)},
        {Vector3(35.0f, 3.5f, 0), 0.001f, Vector3(0.0005f, 0, 0)},  // cut to mu depth
        {Vector3(0, -3.5f, 0.35f), 0.0f, Vector3(0, 0, 0)},
    };
    for (const Case& c : cases) {
        m_Contact.Penetration = 0.5f;
        m_Contact.Spring.Set(0.2f, 0, 0);
        m_Contact.ProjectSpring(m_Impact, c.force);
        EXPECT_NEAR(m_Contact.Penetration, c.depth, 1e-7f);
        EXPECT_NEAR(m_Contact.Spring.x, c.spring.x, 1e-7f);
        EXPECT_NEAR(m_Contact.Spring.y, 0.0f, 1e-7f);
        EXPECT_NEAR(m_Contact.Spring.z, c.spring.z, 1e-7f);
        EXPECT_LE(m_Contact.Spring.Mag(), m_Contact.Friction * m_Contact.Penetration * 1.0001f);
    }
}

// The watched contact's solve copies both colliders' matrices; every solve leaves its
// predicted depth.
TEST_F(ContactTest, DebugHookRecordsTheWatchedSolve) {
    m_Box.body.Matrix.d.Set(1, 2, 3);
    phContact::sm_Watched = &m_Contact;
    m_Impact.Depth = 0.002f;
    Solve(&m_Impact, Vector3(0, -0.06f, 0));
    phContact::sm_Watched = nullptr;
    EXPECT_EQ(phContact::sm_WatchedMatrices[9], 1.0f);
    EXPECT_EQ(phContact::sm_WatchedMatrices[11], 3.0f);
    EXPECT_EQ(phContact::sm_WatchedMatrices[12], 1.0f);  // the ground's identity
    EXPECT_NEAR(phContact::sm_PredictedDepth, 0.002f + 0.06f * Step, 1e-7f);
}

// Box pairs report depths net of the margin, so a refreshing impact can lie short of touching.
// Such a contact carries no spring: a body leaving the ground at 0.058 m/s falls under gravity
// alone instead of being thrown by a negative stiffness.
TEST_F(ContactTest, ImpactShortOfTouchingBreaksTheContact) {
    m_Impact.Depth = 0.001f;
    ASSERT_TRUE(Solve(&m_Impact, Vector3(0, 0, 0)).holds);
    m_Contact.LastActiveFlag = phContact::KEPT;
    m_Contact.ActiveFlag = phContact::KEPT;
    const Vector3 leaving(0.0f, 0.058f, 0.0f);
    m_Impact.Depth = -0.0005f;
    Result r = Solve(&m_Impact, leaving);
    EXPECT_FALSE(r.holds);
    EXPECT_TRUE(r.force.IsZero());
    EXPECT_TRUE(r.k.a.IsZero() && r.k.b.IsZero() && r.k.c.IsZero());

    phInertialCS& body = m_Box.body;
    body.Velocity = leaving;
    body.Momentum = leaving;
    m_Box.collider.ApplyGravity();
    if (r.holds) {
        body.ApplyContactForce(r.force, m_Impact.Position, r.k);
    }
    body.FrameUpdate();
    EXPECT_NEAR(body.Velocity.y, 0.058f - 9.8f * Step, 1e-4f);
    EXPECT_TRUE(body.AngVelocity.IsZero());
}
