// The response to a mover hitting a standing prop: the prop holds up to its squared impulse
// limit and breaks loose beyond it. Checked against worked figures and against a reference
// in double precision on random bodies and contacts.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "phbound/bound.h"
#include "phbound/boundbox.h"
#include "phbound/impact.h"
#include "phcollide/collider.h"
#include "phinertia/inertia.h"
#include "city/materialmgr.h"
#include "data/timemgr.h"
#include "level/inst.h"
#include "phys/physentity.h"
#include "phys/physmgr.h"

namespace {

// A box body with its collider.
struct Body {
    Body(float mass, const Vector3& size, const Matrix34& matrix) : m_Box(size) {
        m_Body.InitBox(mass, size.x, size.y, size.z);
        m_Body.Matrix = matrix;
        m_Collider.InitWithICS(&m_Box, &m_Body, 0);
    }
    phBoundBox m_Box;
    phInertialCS m_Body;
    phCollider m_Collider;
};

Matrix34 At(const Vector3& position) {
    Matrix34 m;
    m.Identity();
    m.d = position;
    return m;
}

// The default margin set for the test and restored after it, and the game's material
// manager that the boxes take their default material from, as while a level is loaded.
class ImpactSettings {
public:
    explicit ImpactSettings(float margin) : m_Saved(phBound::DefaultMargin) {
        phBound::DefaultMargin = margin;
        qvMaterialMgr::CreateInstance();
    }
    ~ImpactSettings() {
        qvMaterialMgr::DeleteInstance();
        phBound::DefaultMargin = m_Saved;
    }

private:
    float m_Saved;
};

struct Answer {
    Vector3 PushA, PushB, ImpulseA, ImpulseB;
    bool Exceeded;
};

// A of mass 1000 at x = 2 and B of mass 50 at the origin touch at x = 1: the point lies on
// the line through both centres along the normal, so turning adds nothing along it.
Answer Hit(float limit, const Vector3& v, const Vector3& normal, float depth, float weight,
           float elasticity) {
    Body a(1000.0f, Vector3(2, 2, 2), At(Vector3(2, 0, 0)));
    Body b(50.0f, Vector3(1, 1, 1), At(Vector3(0, 0, 0)));
    phImpact impact;
    impact.Position = Vector3(1, 0, 0);
    impact.Normal = normal;
    impact.Depth = depth;
    impact.Friction = 0.5f;
    impact.Elasticity = elasticity;
    impact.ColliderA = &a.m_Collider;
    impact.ColliderB = &b.m_Collider;
    Answer r;
    r.Exceeded = qvPhysManager::BangerImpulse(impact, v, weight, r.PushA, r.PushB, r.ImpulseA,
                                              r.ImpulseB, limit);
    return r;
}

void ExpectNear(const Vector3& expected, const Vector3& actual, float tolerance) {
    EXPECT_NEAR(expected.x, actual.x, tolerance);
    EXPECT_NEAR(expected.y, actual.y, tolerance);
    EXPECT_NEAR(expected.z, actual.z, tolerance);
}

TEST(BangerImpulse, HoldsUpToItsLimitAndSharesTheRestBeyondIt) {
    ImpactSettings settings(0.035f);
    const Vector3 n(1, 0, 0);
    const Vector3 zero(0, 0, 0);
    struct Case {
        const char* m_What;
        float m_Limit;
        Vector3 m_V;
        float m_Weight;
        float m_Elasticity;
        bool m_Exceeded;
        Vector3 m_ImpulseA;
        Vector3 m_ImpulseB;
    } cases[] = {
        {"holds", 1e7f, Vector3(-2, 0, 0), 1.0f, 0.0f, false, Vector3(2000, 0, 0),
         Vector3(-2000, 0, 0)},
        {"breaks", 1e6f, Vector3(-2, 0, 0), 1.0f, 0.0f, true,
         Vector3(1000.0f + 1.0f / 0.021f, 0, 0), Vector3(-1.0f / 0.021f, 0, 0)},
        {"limit 0 breaks", 0.0f, Vector3(-2, 0, 0), 1.0f, 0.0f, true,
         Vector3(2.0f / 0.021f, 0, 0), Vector3(-2.0f / 0.021f, 0, 0)},
        {"limit 0 at rest", 0.0f, zero, 1.0f, 0.0f, false, zero, zero},
        {"moving away", 0.0f, Vector3(1, 0, 0), 1.0f, 0.0f, false, zero, zero},
        {"half weight", 1e7f, Vector3(-2, 0, 0), 0.5f, 0.0f, false, Vector3(1000, 0, 0),
         Vector3(-1000, 0, 0)},
        {"bouncing", 1e8f, Vector3(-2, 0, 0), 1.0f, 0.5f, false, Vector3(3000, 0, 0),
         Vector3(-3000, 0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_What);
        Answer r = Hit(c.m_Limit, c.m_V, n, 0.0f, c.m_Weight, c.m_Elasticity);
        EXPECT_EQ(c.m_Exceeded, r.Exceeded);
        ExpectNear(c.m_ImpulseA, r.ImpulseA, 0.01f);
        ExpectNear(c.m_ImpulseB, r.ImpulseB, 0.01f);
    }
}

TEST(BangerImpulse, PushesSharePenetrationBeyondTheMarginAndNeverDown) {
    ImpactSettings settings(0.035f);
    const Vector3 n(1, 0, 0);
    const Vector3 down(0, -1, 0);
    const Vector3 zero(0, 0, 0);
    const float heavy = 0.001f / 0.021f;
    struct Case {
        const char* m_What;
        float m_Limit;
        Vector3 m_Normal;
        float m_Depth;
        float m_Weight;
        Vector3 m_PushA;
        Vector3 m_PushB;
    } cases[] = {
        {"holds", 1e7f, n, 0.135f, 1.0f, Vector3(0.1f, 0, 0), zero},
        {"breaks", 1e6f, n, 0.135f, 1.0f, Vector3(0.1f * heavy, 0, 0),
         Vector3(-0.1f * (1.0f - heavy), 0, 0)},
        {"within the margin", 1e6f, n, 0.035f, 1.0f, zero, zero},
        {"half weight", 1e7f, n, 0.135f, 0.5f, Vector3(0.1f, 0, 0), zero},
        {"downwards", 1e7f, down, 0.135f, 1.0f, zero, Vector3(0, 0.1f, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_What);
        Answer r = Hit(c.m_Limit, c.m_Normal * -2.0f, c.m_Normal, c.m_Depth, c.m_Weight, 0.0f);
        ExpectNear(c.m_PushA, r.PushA, 1e-6f);
        ExpectNear(c.m_PushB, r.PushB, 1e-6f);
    }
}

// The reference in double precision, written from the rule: K = I/m - [r]x Iw^-1 [r]x for
// each body, B immovable until the stopping impulse exceeds the limit.
struct M3 {
    double m[3][3];
};
struct V3 {
    double x[3];
};

V3 ToV(const Vector3& v) { return {{v.x, v.y, v.z}}; }
V3 Mul(const M3& a, const V3& v) {
    V3 r{};
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 3; ++k) r.x[i] += a.m[i][k] * v.x[k];
    return r;
}
M3 MulM(const M3& a, const M3& b) {
    M3 r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) r.m[i][j] += a.m[i][k] * b.m[k][j];
    return r;
}
double Dot(const V3& a, const V3& b) { return a.x[0] * b.x[0] + a.x[1] * b.x[1] + a.x[2] * b.x[2]; }
V3 Add(const V3& a, const V3& b, double s = 1.0) {
    return {{a.x[0] + s * b.x[0], a.x[1] + s * b.x[1], a.x[2] + s * b.x[2]}};
}
V3 Scale(const V3& a, double s) { return {{a.x[0] * s, a.x[1] * s, a.x[2] * s}}; }

// The inverse by cofactors; the test keeps away from singular matrices.
V3 Solve(const M3& a, const V3& rhs) {
    const double(&m)[3][3] = a.m;
    double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                 m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                 m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    M3 inv;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            int r0 = (j + 1) % 3, r1 = (j + 2) % 3, c0 = (i + 1) % 3, c1 = (i + 2) % 3;
            inv.m[i][j] = (m[r0][c0] * m[r1][c1] - m[r0][c1] * m[r1][c0]) / det;
        }
    return Mul(inv, rhs);
}

M3 InverseMass(const phInertialCS& body, const Vector3& point) {
    const Matrix34& w = body.Matrix;
    // Rows of w are the body axes in the world.
    const Vector3* axes[3] = {&w.a, &w.b, &w.c};
    double inv[3] = {1.0 / body.AngInertia.x, 1.0 / body.AngInertia.y, 1.0 / body.AngInertia.z};
    M3 iw{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) {
                V3 ax = ToV(*axes[k]);
                iw.m[i][j] += ax.x[i] * inv[k] * ax.x[j];
            }
    V3 r = Add(ToV(point), ToV(w.d), -1.0);
    M3 cross = {{{0, -r.x[2], r.x[1]}, {r.x[2], 0, -r.x[0]}, {-r.x[1], r.x[0], 0}}};
    M3 k = MulM(MulM(cross, iw), cross);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) k.m[i][j] = -k.m[i][j] + (i == j ? 1.0 / body.Mass : 0.0);
    return k;
}

struct RefAnswer {
    V3 ImpulseA, ImpulseB, PushA, PushB;
    bool Exceeded;
    // Whether the impulse was brought back to the friction cone.
    bool Coned;
    // How near the case came to a decision: skipped when a rounding could flip it.
    double Margin;
};

RefAnswer Reference(const M3& ka, const M3& kbFull, const V3& v, const V3& n, double limit,
                    double mu, double e, double depth, double margin, double weight) {
    RefAnswer r{};
    r.Margin = 1.0;
    M3 kb{};
    V3 limitImpulse{}, j{};
    double approach = Dot(v, n);
    r.Margin = std::fabs(approach - 0.01);
    if (approach <= 0.01) {
        j = Solve(ka, Scale(v, -1.0));
        M3 k = ka;
        V3 rest = v;
        double j2 = Dot(j, j);
        r.Margin = std::min(r.Margin, std::fabs(j2 - limit) / std::max(j2, 1.0));
        if (j2 > limit) {
            limitImpulse = Scale(j, std::sqrt(limit / j2));
            rest = Add(v, Mul(ka, limitImpulse));
            kb = kbFull;
            for (int a = 0; a < 3; ++a)
                for (int b = 0; b < 3; ++b) k.m[a][b] = ka.m[a][b] + kb.m[a][b];
            j = Solve(k, Scale(rest, -1.0));
            r.Exceeded = true;
        }
        // Back onto the friction cone, against the same bodies and velocity as the impulse.
        double jn = Dot(j, n);
        V3 jt = Add(j, n, -jn);
        double jtLength = std::sqrt(Dot(jt, jt));
        r.Margin = std::min(r.Margin, std::fabs(jtLength - mu * jn) / std::max(jtLength, 1.0));
        if (jtLength > mu * jn) {
            r.Coned = true;
            V3 t = jtLength > 0.0 ? Add(n, jt, mu / jtLength) : n;
            double d = Dot(t, Mul(k, t));
            j = std::fabs(d) >= 1e-5 ? Scale(t, -Dot(rest, n) / d) : V3{};
        }
        j = Scale(j, 1.0 + e);
    }
    double excess = depth - margin;
    if (excess > 0.0) {
        V3 kan = Mul(ka, n), kbn = Mul(kb, n);
        double wa = std::sqrt(Dot(kan, kan)), wb = std::sqrt(Dot(kbn, kbn));
        if (wa + wb == 0.0) wa = wb = 0.5;
        r.PushA = Scale(n, excess * wa / (wa + wb));
        r.PushB = Scale(n, -excess * wb / (wa + wb));
        if (r.PushA.x[1] >= 0.0 && r.PushB.x[1] < 0.0) {
            r.PushA.x[1] -= r.PushB.x[1];
            r.PushB.x[1] = 0.0;
        }
        if (r.PushA.x[1] < 0.0) {
            r.PushB.x[1] -= r.PushA.x[1];
            r.PushA.x[1] = 0.0;
        }
    }
    r.ImpulseA = Scale(Add(limitImpulse, j), weight);
    r.ImpulseB = Scale(j, -weight);
    return r;
}

void ExpectClose(const V3& expected, const Vector3& actual, double scale) {
    const float got[3] = {actual.x, actual.y, actual.z};
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(expected.x[i], got[i], 2e-3 * scale);
}

Matrix34 RandomTurn(std::mt19937& rng, const Vector3& position) {
    std::uniform_real_distribution<float> angle(-3.1f, 3.1f);
    Matrix34 m;
    m.Identity();
    m.RotateX(angle(rng));
    m.RotateY(angle(rng));
    m.RotateZ(angle(rng));
    m.d = position;
    return m;
}

TEST(BangerImpulse, AgreesWithADoublePrecisionReference) {
    ImpactSettings settings(0.035f);
    std::mt19937 rng(4100);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::uniform_real_distribution<float> logMass(0.0f, 3.5f);
    std::uniform_real_distribution<float> size(0.3f, 3.0f);
    std::uniform_real_distribution<float> share(0.0f, 1.0f);
    int checked = 0, exceeded = 0, conedBreaking = 0;
    for (int i = 0; i < 2000; ++i) {
        auto vec = [&](float s) { return Vector3(unit(rng) * s, unit(rng) * s, unit(rng) * s); };
        Body a(std::pow(10.0f, logMass(rng)), Vector3(size(rng), size(rng), size(rng)),
               RandomTurn(rng, vec(3.0f)));
        Body b(std::pow(10.0f, logMass(rng)), Vector3(size(rng), size(rng), size(rng)),
               RandomTurn(rng, vec(3.0f)));
        Vector3 n = vec(1.0f);
        n.Normalize();
        Vector3 v = vec(10.0f);
        phImpact impact;
        impact.Position = (a.m_Body.Matrix.d + b.m_Body.Matrix.d) * 0.5f + vec(0.5f);
        impact.Normal = n;
        impact.Depth = share(rng) * 0.2f;
        impact.Friction = share(rng) * 1.5f;
        impact.Elasticity = share(rng) * 0.5f;
        impact.ColliderA = &a.m_Collider;
        impact.ColliderB = &b.m_Collider;
        float weight = 1.0f / float(1 + i % 3);
        // Limits around the squared stopping impulse, so that both branches are taken.
        M3 ka = InverseMass(a.m_Body, impact.Position);
        M3 kb = InverseMass(b.m_Body, impact.Position);
        V3 stop = Solve(ka, Scale(ToV(v), -1.0));
        float limit = float(Dot(stop, stop) * std::pow(10.0, 2.0 * unit(rng)));

        Answer r;
        r.Exceeded = qvPhysManager::BangerImpulse(impact, v, weight, r.PushA, r.PushB, r.ImpulseA,
                                                  r.ImpulseB, limit);
        RefAnswer ref = Reference(ka, kb, ToV(v), ToV(n), limit, impact.Friction,
                                  impact.Elasticity, impact.Depth, 0.035, weight);
        if (ref.Margin < 1e-3) continue;
        ++checked;
        exceeded += ref.Exceeded;
        conedBreaking += ref.Exceeded && ref.Coned;
        SCOPED_TRACE(i);
        EXPECT_EQ(ref.Exceeded, r.Exceeded);
        double scale = std::sqrt(Dot(ref.ImpulseA, ref.ImpulseA)) + 1.0;
        ExpectClose(ref.ImpulseA, r.ImpulseA, scale);
        ExpectClose(ref.ImpulseB, r.ImpulseB, scale);
        ExpectClose(ref.PushA, r.PushA, 0.1);
        ExpectClose(ref.PushB, r.PushB, 0.1);
    }
    // The sample must reach both branches.
    EXPECT_GT(checked, 1500);
    EXPECT_GT(exceeded, 300);
    EXPECT_GT(checked - exceeded, 300);
    EXPECT_GT(conedBreaking, 100);
}

// The whole impact: relative velocity from the bodies, impulses and pushes into both.
TEST(BangerImpact, AppliesTheAnswerToBothBodies) {
    ImpactSettings settings(0.035f);
    Body a(1000.0f, Vector3(2, 2, 2), At(Vector3(2, 0, 0)));
    Body b(50.0f, Vector3(1, 1, 1), At(Vector3(0, 0, 0)));
    a.m_Body.Velocity = Vector3(-3, 0, 0);
    a.m_Body.AngVelocity = Vector3(0, 0, 0);
    b.m_Body.Velocity = Vector3(-1, 0, 0);
    b.m_Body.AngVelocity = Vector3(0, 0, 0);
    phImpact impact;
    impact.Position = Vector3(1, 0, 0);
    impact.Normal = Vector3(1, 0, 0);
    impact.Depth = 0.0f;
    impact.Friction = 0.5f;
    impact.Elasticity = 0.0f;
    impact.ColliderA = &a.m_Collider;
    impact.ColliderB = &b.m_Collider;
    qvPhysManager manager;
    EXPECT_FALSE(manager.BangerImpact(impact, 1.0f, 1e7f));
    ExpectNear(Vector3(2000, 0, 0), a.m_Body.Impulse, 0.01f);
    ExpectNear(Vector3(-2000, 0, 0), b.m_Body.Impulse, 0.01f);
}

// A box that moves with its body, or stands as a placed prop that is given its body when a
// mover hits it.
class BoxInstance : public lvlInstance {
public:
    BoxInstance(float mass, const Vector3& size, const Vector3& position, bool moving)
        : m_Box(mass, size, At(position)), m_Entity(this) {
        SetFlags(moving ? 0 : qvPhysManager::PLACED_BANGER);
        if (moving) m_Active = &m_Entity;
    }
    const Vector3& GetPosition() const override { return m_Box.m_Body.Matrix.d; }
    const Matrix34& GetMatrix(Matrix34&) const override { return m_Box.m_Body.Matrix; }
    void SetMatrix(const Matrix34& matrix) override { m_Box.m_Body.Matrix = matrix; }
    size_t SizeOf() const override { return sizeof(*this); }
    phBound* GetBound(int) override { return &m_Box.m_Box; }
    qvPhysEntity* GetActive() override { return m_Active; }
    qvPhysEntity* AttachEntity() override { return m_Active = &m_Entity; }

    struct Entity : qvPhysEntity {
        explicit Entity(BoxInstance* owner) : m_Owner(owner) {}
        void Update() override {}
        phColliderBase* GetCollider() override { return &m_Owner->m_Box.m_Collider; }
        void Reserved() override {}
        void Release() override {
            m_Owner->m_Active = nullptr;
            ++m_Released;
        }
        BoxInstance* m_Owner;
        int m_Released = 0;
    };

    Body m_Box;
    Entity m_Entity;
    qvPhysEntity* m_Active = nullptr;
};

struct SeamRecord {
    float m_Limit = 0.0f;
    bool m_HasType = true;
    int m_Breaks = 0;
    lvlInstance* m_Banger = nullptr;
    lvlInstance* m_Other = nullptr;
    phColliderBase* m_ImpactB = nullptr;
};
SeamRecord g_Seam;

bool SeamLimit(lvlInstance*, float& limit) {
    limit = g_Seam.m_Limit;
    return g_Seam.m_HasType;
}

void SeamBreak(lvlInstance* b, lvlInstance* a, phImpact& impact) {
    ++g_Seam.m_Breaks;
    g_Seam.m_Banger = b;
    g_Seam.m_Other = a;
    g_Seam.m_ImpactB = impact.ColliderB;
}

// A heavy box driven into a standing prop: within its limit the prop stays and gives up the
// body it was lent; beyond it the prop is told to break loose, with an impact on its body.
TEST(BangerImpact, PhysicsManagerAsksTheBangerCodeOnlyForLimitAndBreak) {
    ImpactSettings settings(0.035f);
    float seconds = datTimeManager::Seconds;
    datTimeManager::Seconds = 1.0f / 60.0f;
    qvPhysManager::sm_Bangers = {SeamLimit, SeamBreak, nullptr};
    struct Case {
        const char* m_What;
        float m_Limit;
        bool m_HasType;
        bool m_Breaks;
    } cases[] = {{"holds", 1e9f, true, false},
                 {"breaks", 0.0f, true, true},
                 {"no type record", 0.0f, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_What);
        g_Seam = SeamRecord();
        g_Seam.m_Limit = c.m_Limit;
        g_Seam.m_HasType = c.m_HasType;
        BoxInstance mover(1000.0f, Vector3(2, 2, 2), Vector3(1.4f, 0, 0), true);
        BoxInstance prop(50.0f, Vector3(1, 1, 1), Vector3(0, 0, 0), false);
        mover.m_Box.m_Body.Velocity = Vector3(-2, 0, 0);
        mover.m_Box.m_Body.AngVelocity = Vector3(0, 0, 0);
        qvPhysManager manager;
        ASSERT_TRUE(manager.CollideInstances(&mover, &prop));
        EXPECT_EQ(c.m_Breaks ? 1 : 0, g_Seam.m_Breaks);
        if (c.m_Breaks) {
            EXPECT_EQ(&prop, g_Seam.m_Banger);
            EXPECT_EQ(&mover, g_Seam.m_Other);
            EXPECT_EQ(&prop.m_Box.m_Collider, g_Seam.m_ImpactB);
            EXPECT_EQ(&prop.m_Entity, prop.GetActive());
        } else if (c.m_HasType) {
            EXPECT_EQ(1, prop.m_Entity.m_Released);
            EXPECT_EQ(nullptr, prop.GetActive());
            // The mover is thrown back; the prop takes nothing it keeps.
            EXPECT_GT(mover.m_Box.m_Body.Impulse.x, 0.0f);
        }
    }
    qvPhysManager::sm_Bangers = {nullptr, nullptr, nullptr};
    datTimeManager::Seconds = seconds;
}

// A box on a resting prop (one without a body, not standing in its place): lying on it, as
// it meets it each step at the speed a step of gravity gives, it leaves it asleep and is held
// up as by the ground, and so does another prop meeting it slower than a resting body moves;
// a hit faster than that, or an overlap deeper than such a body sinks in a step, gives the
// prop its body. A standing prop is given one either way. A car (a mover that drives itself)
// creeping into a resting prop wakes it and pushes on, unless it barely moves.
TEST(BangerImpact, OnlyAHitWakesARestingProp) {
    ImpactSettings settings(0.035f);
    float seconds = datTimeManager::Seconds;
    datTimeManager::Seconds = 1.0f / 60.0f;
    const float step = 19.6f / 60.0f;
    const Vector3 prop(1, 1, 1);
    const Vector3 car(2, 2, 2);
    struct Case {
        const char* m_What;
        int m_Kind;  // as the mover is declared
        float m_Mass;
        Vector3 m_Size;
        Vector3 m_At;        // the mover's centre, touching the prop
        Vector3 m_Velocity;  // the mover's
        float m_Overlap;
        bool m_Placed;
        bool m_Wakes;
    } cases[] = {
        {"lying on it", 2, 20, prop, Vector3(0.2f, 1, 0), Vector3(0, -step, 0), 0.005f, false,
         false},
        {"hitting it", 2, 20, prop, Vector3(0.2f, 1, 0), Vector3(0, -2.0f, 0), 0.005f, false,
         true},
        {"deep in it", 2, 20, prop, Vector3(0.2f, 1, 0), Vector3(0, -step, 0), 0.03f, false,
         true},
        {"lying on a standing prop", 2, 20, prop, Vector3(0.2f, 1, 0), Vector3(0, -step, 0),
         0.005f, true, true},
        {"sliding into it slower than a resting body", 2, 20, prop, Vector3(1, 0.2f, 0),
         Vector3(-0.65f, 0, 0), 0.005f, false, false},
        {"sliding into it faster than a resting body", 2, 20, prop, Vector3(1, 0.2f, 0),
         Vector3(-0.75f, 0, 0), 0.005f, false, true},
        {"car creeping into it", 3, 1000, car, Vector3(1.5f, 0.2f, 0), Vector3(-0.3f, 0, 0),
         0.005f, false, true},
        {"car pushing into it", 3, 1000, car, Vector3(1.5f, 0.2f, 0), Vector3(-0.6f, 0, 0),
         0.005f, false, true},
        {"car resting against it", 3, 1000, car, Vector3(1.5f, 0.2f, 0), Vector3(-0.01f, 0, 0),
         0.005f, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_What);
        qvPhysManager manager;
        Vector3 back = c.m_At * (c.m_Overlap / c.m_At.Mag());
        BoxInstance mover(c.m_Mass, c.m_Size, c.m_At - back, true);
        BoxInstance resting(20.0f, prop, Vector3(0, 0, 0), false);
        if (!c.m_Placed) resting.SetFlags(0);
        ASSERT_NE(nullptr, manager.DeclareMover(&mover, c.m_Kind, 0));
        phInertialCS& body = mover.m_Box.m_Body;
        body.Velocity = c.m_Velocity;
        body.Momentum = c.m_Velocity * c.m_Mass;
        body.AngVelocity = Vector3(0, 0, 0);
        ASSERT_TRUE(manager.CollideInstances(&mover, &resting));
        EXPECT_EQ(c.m_Wakes, resting.GetActive() != nullptr);
        Vector3 after = body.Velocity + body.Impulse * body.InvMass;
        if (!c.m_Wakes) {
            // Stopped as by the ground.
            EXPECT_NEAR(after.Dot(c.m_Velocity), 0.0f, 1e-3f);
        } else if (c.m_Kind >= 3) {
            // The car pushes the prop on, all but unslowed.
            EXPECT_GT(after.Dot(c.m_Velocity), 0.9f * c.m_Velocity.Mag2());
        }
    }
    datTimeManager::Seconds = seconds;
}

// A resting prop that lies on a body does not push it down into what holds the body up (the
// ground's push lifted it back the next step, every step, and it never rested); the body is
// still stopped. A body lying on a resting prop is pushed up out of it, one beside it sideways.
TEST(BangerImpact, ARestingPropLyingOnABodyDoesNotPushItDown) {
    ImpactSettings settings(0.035f);
    float seconds = datTimeManager::Seconds;
    datTimeManager::Seconds = 1.0f / 60.0f;
    const Vector3 size(1, 1, 1);
    // Less deep than a resting body sinks in a step: the prop sleeps on. The boxes' shells
    // overlap by the margin as well, so that all of it is to be pushed out.
    const float overlap = 0.008f;
    struct Case {
        const char* m_What;
        Vector3 m_At;    // the body's centre, touching the prop
        Vector3 m_Into;  // the way the body moves into the prop
        Vector3 m_Push;
    } cases[] = {
        {"the prop on the body", Vector3(0.2f, -1, 0), Vector3(0, 1, 0), Vector3(0, 0, 0)},
        {"the body on the prop", Vector3(0.2f, 1, 0), Vector3(0, -1, 0), Vector3(0, overlap, 0)},
        {"the body beside it", Vector3(1, 0.2f, 0), Vector3(-1, 0, 0), Vector3(overlap, 0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_What);
        qvPhysManager manager;
        Vector3 back = c.m_At * (overlap / c.m_At.Mag());
        BoxInstance body(20.0f, size, c.m_At - back, true);
        BoxInstance resting(20.0f, size, Vector3(0, 0, 0), false);
        resting.SetFlags(0);
        ASSERT_NE(nullptr, manager.DeclareMover(&body, 2, 0));
        phInertialCS& ics = body.m_Box.m_Body;
        ics.Velocity = c.m_Into * 0.3f;
        ics.Momentum = ics.Velocity * 20.0f;
        ics.AngVelocity = Vector3(0, 0, 0);
        ASSERT_TRUE(manager.CollideInstances(&body, &resting));
        EXPECT_EQ(nullptr, resting.GetActive());
        EXPECT_NEAR(ics.Push.x, c.m_Push.x, 1e-3f);
        EXPECT_NEAR(ics.Push.y, c.m_Push.y, 1e-3f);
        EXPECT_NEAR(ics.Push.z, c.m_Push.z, 1e-3f);
        // Stopped, as by the ground.
        Vector3 after = ics.Velocity + ics.Impulse * ics.InvMass;
        EXPECT_NEAR(after.Dot(c.m_Into), 0.0f, 1e-3f);
    }
    datTimeManager::Seconds = seconds;
}

}  // namespace
