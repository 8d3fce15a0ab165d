// The root solvers, the matrix inverses and the pivoted solve against double-precision
// references: thousands of seeded random cases each, and the degenerate ones in tables.
// Tolerances are in float steps, scaled by the size of the input or the condition of the
// problem.

#include "vector/matrix34.h"
#include "vector/matrix44.h"
#include "vector/matrix66.h"
#include "vector/numeric.h"

#include "tests/engine/vector/oracle.h"
#include "tests/support/console.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const int Cases = 4000;
// Zero: only the rounding of the coefficients decides between a double root and two.
const float SolverTolerance = 0.0f;

// Calls the solver for a monic polynomial of degree 2, 3 or 4 with float coefficients.
int Solve(const std::vector<float>& c, float roots[4]) {
    if (c.size() == 2) {
        return SolveQuadratic(c[0], c[1], roots[0], roots[1], SolverTolerance);
    }
    if (c.size() == 3) {
        return SolveCubic(c[0], c[1], c[2], roots[0], roots[1], roots[2], SolverTolerance);
    }
    return SolveQuartic(c[0], c[1], c[2], c[3], roots, SolverTolerance);
}

// The float coefficients of the monic polynomial with the given roots and complex pairs
// (real part, imaginary part).
std::vector<float> FromRoots(const std::vector<double>& roots,
                             const std::vector<std::pair<double, double>>& pairs) {
    std::vector<double> p = {1.0};
    auto times = [&p](const std::vector<double>& factor) {
        std::vector<double> r(p.size() + factor.size() - 1, 0.0);
        for (size_t i = 0; i < p.size(); ++i) {
            for (size_t j = 0; j < factor.size(); ++j) {
                r[i + j] += p[i] * factor[j];
            }
        }
        p = r;
    };
    for (double x : roots) {
        times({1.0, -x});
    }
    for (const auto& pair : pairs) {
        times({1.0, -2.0 * pair.first, pair.first * pair.first + pair.second * pair.second});
    }
    return std::vector<float>(p.begin() + 1, p.end());
}

// Every true real root found once, each within its tolerance; the count is checked only
// where float coefficients settle it.
::testing::AssertionResult RootsMatch(const std::vector<float>& coefficients, double steps) {
    std::vector<double> c(coefficients.begin(), coefficients.end());
    bool near = false;
    std::vector<double> expected = RealRoots(c, &near);
    float found[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    int count = Solve(coefficients, found);
    std::vector<double> got(found, found + count);
    std::sort(got.begin(), got.end());
    std::string text = "coefficients";
    for (float k : coefficients) {
        text += " " + std::to_string(k);
    }
    if (near) {
        // A double root: whatever is returned must still be a root, to the root's own
        // (square-root) conditioning.
        for (double x : got) {
            double scale = PolyScale(c, x);
            if (!(std::fabs(Poly(c, x)) <= 1024.0 * FloatStep * scale)) {
                return ::testing::AssertionFailure() << text << ": " << x << " is no root";
            }
        }
        return ::testing::AssertionSuccess();
    }
    if (got.size() != expected.size()) {
        return ::testing::AssertionFailure()
               << text << ": " << count << " roots, expected " << expected.size();
    }
    for (size_t i = 0; i < got.size(); ++i) {
        double tolerance = RootTolerance(c, expected[i], steps);
        if (!(std::fabs(got[i] - expected[i]) <= tolerance)) {
            return ::testing::AssertionFailure() << text << ": root " << got[i] << ", expected "
                                                 << expected[i] << " within " << tolerance;
        }
    }
    return ::testing::AssertionSuccess();
}

double RandomRoot(CaseRandom& random) { return random.Magnitude(-3.0, 3.0, true); }

}  // namespace

TEST(NumericDifferential, RandomPolynomials) {
    CaseRandom random(16);
    for (int i = 0; i < Cases; ++i) {
        double x1 = RandomRoot(random);
        double x2 = RandomRoot(random);
        double x3 = RandomRoot(random);
        double x4 = RandomRoot(random);
        std::pair<double, double> pair1(RandomRoot(random), random.Magnitude(-3.0, 3.0));
        std::pair<double, double> pair2(RandomRoot(random), random.Magnitude(-3.0, 3.0));
        const std::vector<float> polynomials[] = {
            FromRoots({x1, x2}, {}),           FromRoots({}, {pair1}),
            FromRoots({x1, x2, x3}, {}),       FromRoots({x1}, {pair1}),
            FromRoots({x1, x2, x3, x4}, {}),   FromRoots({x1, x2}, {pair1}),
            FromRoots({}, {pair1, pair2}),
        };
        for (const std::vector<float>& c : polynomials) {
            EXPECT_TRUE(RootsMatch(c, 16.0));
        }
    }
}

TEST(NumericDifferential, PolynomialTable) {
    const std::vector<float> cases[] = {
        // x² + 10⁴x + 1: the small root −10⁻⁴ cancels in −b/2 + √d.
        {1e4f, 1.0f},
        {-1e6f, 1e-3f},
        // One real root where the two cube roots nearly cancel (−0.644091).
        {-4.71127558f, 7.3660841f, 6.96612501f},
        // Real roots 1.248842 and −0.116253, far from the resolvent root's float rounding.
        {-1.75553167f, 6.97892141f, -7.17915535f, -0.931857467f},
        // Double and triple roots, biquadratics, roots of very different sizes.
        {-2.0f, 1.0f},
        {-3.0f, 3.0f, -1.0f},
        {0.0f, -5.0f, 0.0f, 4.0f},
        {0.0f, 2.0f, 0.0f, 1.0f},
        {-4.0f, 6.0f, -4.0f, 1.0f},
        {-1001.0f, 1000.0f},
        {-1000.001f, 1.0f, -1000.0f, 0.0f},
        {0.0f, 0.0f, 0.0f, -1e-8f},
        {1e3f, 0.0f, 0.0f, -1.0f},
    };
    for (const std::vector<float>& c : cases) {
        EXPECT_TRUE(RootsMatch(c, 16.0));
    }
}

namespace {

// A random float matrix of the given condition and scale, its double inverse and condition.
struct MatrixCase {
    Dmatrix m;
    Dmatrix inverse;
    double condition;
};

MatrixCase MakeCase(const Dmatrix& exact, int n) {
    MatrixCase c;
    c.m = exact;
    for (double& v : c.m) {
        v = (float)v;
    }
    c.inverse = Invert(c.m, n);
    c.condition = c.inverse.empty() ? 0.0 : Condition(c.m, c.inverse, n);
    return c;
}

// Every element of got within steps · condition float steps of the largest element of the
// true inverse.
::testing::AssertionResult InverseMatches(const MatrixCase& c, const Dmatrix& got, double steps) {
    double tolerance = steps * FloatStep * c.condition * MaxAbs(c.inverse);
    for (size_t i = 0; i < got.size(); ++i) {
        if (!(std::fabs(got[i] - c.inverse[i]) <= tolerance)) {
            return ::testing::AssertionFailure()
                   << "element " << i << ": " << got[i] << ", expected " << c.inverse[i]
                   << " within " << tolerance << " (condition " << c.condition << ")";
        }
    }
    return ::testing::AssertionSuccess();
}

Matrix34 To34(const Dmatrix& m) {
    return Matrix34(Vector3(m[0], m[1], m[2]), Vector3(m[3], m[4], m[5]),
                    Vector3(m[6], m[7], m[8]), Vector3(0.0f, 0.0f, 0.0f));
}

Dmatrix From34(const Matrix34& m) {
    return {m.a.x, m.a.y, m.a.z, m.b.x, m.b.y, m.b.z, m.c.x, m.c.y, m.c.z};
}

Matrix44 To44(const Dmatrix& m) {
    return Matrix44(Vector4(m[0], m[1], m[2], m[3]), Vector4(m[4], m[5], m[6], m[7]),
                    Vector4(m[8], m[9], m[10], m[11]), Vector4(m[12], m[13], m[14], m[15]));
}

Dmatrix From44(const Matrix44& m) {
    const Vector4* rows[4] = {&m.a, &m.b, &m.c, &m.d};
    Dmatrix r;
    for (const Vector4* row : rows) {
        r.insert(r.end(), {row->x, row->y, row->z, row->w});
    }
    return r;
}

float& Element66(Matrix66& m, int row, int column) {
    Matrix33& block = row < 3 ? (column < 3 ? m.A : m.B) : (column < 3 ? m.C : m.D);
    Vector3& line = (row % 3) == 0 ? block.a : (row % 3) == 1 ? block.b : block.c;
    return (column % 3) == 0 ? line.x : (column % 3) == 1 ? line.y : line.z;
}

Matrix66 To66(const Dmatrix& m) {
    Matrix66 r;
    for (int i = 0; i < 36; ++i) {
        Element66(r, i / 6, i % 6) = (float)m[i];
    }
    return r;
}

Dmatrix From66(Matrix66 m) {
    Dmatrix r(36);
    for (int i = 0; i < 36; ++i) {
        r[i] = Element66(m, i / 6, i % 6);
    }
    return r;
}

Dmatrix Invert34(const Dmatrix& m) {
    Matrix34 inverse;
    inverse.Inverse(To34(m));
    return From34(inverse);
}

Dmatrix Invert44(const Dmatrix& m) {
    Matrix44 inverse;
    To44(m).Inverse(inverse);
    return From44(inverse);
}

Dmatrix Invert66(const Dmatrix& m) {
    Matrix66 inverse;
    inverse.Inverse(To66(m));
    return From66(inverse);
}

// A 6x6 rotation whose two diagonal blocks are nearly singular: a turn by nearly a right
// angle between coordinates 2 and 5, between random turns of each half.
Dmatrix NearlySingularBlocks(CaseRandom& random, double closeness) {
    Dmatrix halves[2];
    for (Dmatrix& half : halves) {
        Dmatrix u = RandomOrthogonal(random, 3);
        Dmatrix v = RandomOrthogonal(random, 3);
        half.assign(36, 0.0);
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                half[i * 6 + j] = u[i * 3 + j];
                half[(i + 3) * 6 + j + 3] = v[i * 3 + j];
            }
        }
    }
    Dmatrix turn(36, 0.0);
    for (int i = 0; i < 6; ++i) {
        turn[i * 6 + i] = 1.0;
    }
    double angle = 1.5707963267948966 - closeness;
    turn[2 * 6 + 2] = turn[5 * 6 + 5] = std::cos(angle);
    turn[2 * 6 + 5] = std::sin(angle);
    turn[5 * 6 + 2] = -std::sin(angle);
    return Multiply(Multiply(halves[0], turn, 6), halves[1], 6);
}

}  // namespace

TEST(NumericDifferential, RandomInverses) {
    ConsoleCapture capture;
    CaseRandom random(33);
    for (int i = 0; i < Cases; ++i) {
        double condition = random.Magnitude(0.0, 3.0);
        double scale = random.Magnitude(-12.0, 12.0);
        MatrixCase c3 = MakeCase(RandomConditioned(random, 3, condition, scale), 3);
        EXPECT_TRUE(InverseMatches(c3, Invert34(c3.m), 8.0)) << "3x3 case " << i;
        MatrixCase c4 = MakeCase(RandomConditioned(random, 4, condition, scale), 4);
        EXPECT_TRUE(InverseMatches(c4, Invert44(c4.m), 16.0)) << "4x4 case " << i;
        // Every fourth 6x6 has nearly singular diagonal blocks.
        Dmatrix exact6 = (i % 4) == 0 ? NearlySingularBlocks(random, random.Magnitude(-7.0, -1.0))
                                      : RandomConditioned(random, 6, condition, 1.0);
        for (double& v : exact6) {
            v *= scale;
        }
        MatrixCase c6 = MakeCase(exact6, 6);
        EXPECT_TRUE(InverseMatches(c6, Invert66(c6.m), 64.0)) << "6x6 case " << i;
    }
    EXPECT_EQ("", capture.Take());
}

TEST(NumericDifferential, InverseTable) {
    ConsoleCapture capture;
    // Tiny and huge but perfectly conditioned: the determinant leaves the float range.
    const double sizes[] = {1e-13, 1e-20, 1e12};
    for (double size : sizes) {
        SCOPED_TRACE(size);
        Dmatrix d3(9, 0.0);
        Dmatrix d4(16, 0.0);
        for (int i = 0; i < 3; ++i) {
            d3[i * 3 + i] = size;
        }
        for (int i = 0; i < 4; ++i) {
            d4[i * 4 + i] = size;
        }
        d3[1] = size / 2;
        d4[1] = size / 2;
        EXPECT_TRUE(InverseMatches(MakeCase(d3, 3), Invert34(d3), 8.0));
        EXPECT_TRUE(InverseMatches(MakeCase(d4, 4), Invert44(d4), 16.0));
        // Only the 3x3 part small: 1e-13 in the 4x4 with a 1 on the last row.
        d4[15] = 1.0;
        EXPECT_TRUE(InverseMatches(MakeCase(d4, 4), Invert44(d4), 16.0));
    }
    EXPECT_EQ("", capture.Take());

    // The translation row follows the 3x3 inverse.
    Matrix34 placed(Vector3(1e-13f, 0.0f, 0.0f), Vector3(0.0f, 1e-13f, 0.0f),
                    Vector3(0.0f, 0.0f, 1e-13f), Vector3(1.0f, 2.0f, 3.0f));
    Matrix34 inverse;
    inverse.Inverse(placed);
    EXPECT_FLOAT_EQ(inverse.a.x, 1e13f);
    EXPECT_FLOAT_EQ(inverse.d.z, -3e13f);

    // An inverse that does not fit in a float, or a singular matrix, is refused with the
    // warning and the output is left as it was.
    const Matrix34 unchanged(Vector3(7.0f, 7.0f, 7.0f), Vector3(7.0f, 7.0f, 7.0f),
                             Vector3(7.0f, 7.0f, 7.0f), Vector3(7.0f, 7.0f, 7.0f));
    const Matrix34 refused[] = {
        Matrix34(Vector3(1e-39f, 0.0f, 0.0f), Vector3(0.0f, 1.0f, 0.0f),
                 Vector3(0.0f, 0.0f, 1.0f), Vector3(0.0f, 0.0f, 0.0f)),
        Matrix34(Vector3(1e-20f, 0.0f, 0.0f), Vector3(0.0f, 1.0f, 0.0f),
                 Vector3(0.0f, 0.0f, 1.0f), Vector3(1e30f, 0.0f, 0.0f)),
        Matrix34(Vector3(1.0f, 2.0f, 3.0f), Vector3(1.0f, 2.0f, 3.0f),
                 Vector3(0.0f, 0.0f, 1.0f), Vector3(0.0f, 0.0f, 0.0f)),
    };
    for (const Matrix34& m : refused) {
        Matrix34 result = unchanged;
        result.Inverse(m);
        EXPECT_EQ(0, memcmp(&result, &m, sizeof(m)));
        EXPECT_EQ("Warning: Matrix34::Inverse()- Matrix not invertable\n", capture.Take());
    }
    Matrix44 result44(Vector4(7, 7, 7, 7), Vector4(7, 7, 7, 7), Vector4(7, 7, 7, 7),
                      Vector4(7, 7, 7, 7));
    const Matrix44 before44 = result44;
    To44({1e-39, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}).Inverse(result44);
    EXPECT_EQ(0, memcmp(&result44, &before44, sizeof(before44)));
    EXPECT_EQ("Warning: Matrix44::Inverse()- Matrix not invertable\n", capture.Take());

    // Well conditioned 6x6 matrices whose diagonal blocks are nearly singular.
    CaseRandom random(66);
    const double closeness[] = {1e-2, 1e-4, 1e-6, 0.0};
    for (double c : closeness) {
        SCOPED_TRACE(c);
        MatrixCase c6 = MakeCase(NearlySingularBlocks(random, c), 6);
        EXPECT_TRUE(InverseMatches(c6, Invert66(c6.m), 64.0));
    }
    EXPECT_EQ("", capture.Take());
}

TEST(NumericDifferential, SolvePivoted) {
    CaseRandom random(13);
    auto check = [](const MatrixCase& c, Vector3 rhs, double steps) {
        Vector3 x;
        To34(c.m).SolvePivoted(x, rhs);
        // x·M = rhs for row vectors: x = rhs·M⁻¹.
        const double r[3] = {rhs.x, rhs.y, rhs.z};
        double expected[3] = {0.0, 0.0, 0.0};
        double largest = 0.0;
        for (int j = 0; j < 3; ++j) {
            for (int k = 0; k < 3; ++k) {
                expected[j] += r[k] * c.inverse[k * 3 + j];
            }
            largest = std::max(largest, std::fabs(expected[j]));
        }
        double tolerance = steps * FloatStep * c.condition * largest;
        const double got[3] = {x.x, x.y, x.z};
        for (int j = 0; j < 3; ++j) {
            EXPECT_NEAR(got[j], expected[j], tolerance) << "condition " << c.condition;
        }
    };
    for (int i = 0; i < Cases; ++i) {
        MatrixCase c = MakeCase(RandomConditioned(random, 3, random.Magnitude(0.0, 3.0),
                                                  random.Magnitude(-12.0, 12.0)),
                                3);
        check(c, random.Floats(random.UnitVector() * random.Magnitude(-5.0, 5.0)), 16.0);
    }
    // Well conditioned and small: the determinant test must not depend on the scale.
    const double sizes[] = {1e-8, 1e-12, 1e-3, 1e8};
    for (double size : sizes) {
        SCOPED_TRACE(size);
        Dmatrix m = {2 * size, 1 * size, 0, -1 * size, 3 * size, 0.5 * size, 0, 0.25 * size,
                     size};
        check(MakeCase(m, 3), Vector3(1.0f, -2.0f, 0.5f), 16.0);
    }
}
