#include "vector/matrix66.h"

#include "data/printer.h"

#include <cfloat>
#include <cmath>

namespace {

Matrix33 Product(const Matrix33& m1, const Matrix33& m2) {
    Matrix33 r;
    r.Dot(m1, m2);
    return r;
}

Matrix33 Difference(const Matrix33& m1, const Matrix33& m2) {
    Matrix33 r;
    r.Subtract(m1, m2);
    return r;
}

Matrix33 Negated(const Matrix33& m) {
    Matrix33 r = m;
    r.Negate();
    return r;
}

float& Element(Matrix66& m, int row, int column) {
    Matrix33& block = row < 3 ? (column < 3 ? m.A : m.B) : (column < 3 ? m.C : m.D);
    Vector3& line = (row % 3) == 0 ? block.a : (row % 3) == 1 ? block.b : block.c;
    return (column % 3) == 0 ? line.x : (column % 3) == 1 ? line.y : line.z;
}

float ElementOf(const Matrix66& m, int row, int column) {
    return Element(const_cast<Matrix66&>(m), row, column);
}

// Gauss-Jordan with partial pivoting, for matrices that the blocks cannot invert accurately.
bool InvertByElements(Matrix66& m) {
    float work[6][12];
    for (int row = 0; row < 6; ++row) {
        for (int column = 0; column < 6; ++column) {
            work[row][column] = Element(m, row, column);
            work[row][column + 6] = row == column ? 1.0f : 0.0f;
        }
    }
    for (int column = 0; column < 6; ++column) {
        int pivot = column;
        for (int row = column + 1; row < 6; ++row) {
            if (std::fabs(work[row][column]) > std::fabs(work[pivot][column])) {
                pivot = row;
            }
        }
        if (work[pivot][column] == 0.0f) {
            return false;
        }
        for (int k = 0; k < 12; ++k) {
            std::swap(work[pivot][k], work[column][k]);
        }
        float f = 1.0f / work[column][column];
        for (int k = 0; k < 12; ++k) {
            work[column][k] *= f;
        }
        for (int row = 0; row < 6; ++row) {
            float factor = work[row][column];
            if (row == column || factor == 0.0f) {
                continue;
            }
            for (int k = 0; k < 12; ++k) {
                work[row][k] -= factor * work[column][k];
            }
        }
    }
    for (int row = 0; row < 6; ++row) {
        for (int column = 0; column < 6; ++column) {
            Element(m, row, column) = work[row][column + 6];
        }
    }
    return true;
}

// Largest element of m·inverse − I, in double: how far an inverse is from exact.
double Residual(const Matrix66& m, const Matrix66& inverse) {
    double largest = 0.0;
    for (int row = 0; row < 6; ++row) {
        for (int column = 0; column < 6; ++column) {
            double sum = row == column ? -1.0 : 0.0;
            for (int k = 0; k < 6; ++k) {
                sum += (double)ElementOf(m, row, k) * (double)ElementOf(inverse, k, column);
            }
            largest = std::fmax(largest, std::fabs(sum));
        }
    }
    return largest;
}

enum BlockResult { BlocksInverted, BlocksSingular, BlocksFailed };

// The blocks of the inverse into r. Singular means that the whole matrix is; failed, that a
// diagonal block or its Schur complement could not be inverted although the matrix may be
// regular.
BlockResult InvertByBlocks(const Matrix66& m, Matrix66& r) {
    Matrix33 inverseA = m.A;
    Matrix33 inverseD = m.D;
    bool regularA = TryInverse(inverseA);
    bool regularD = TryInverse(inverseD);
    if (m.B.IsZero() || m.C.IsZero()) {
        // Block triangular: regular only when both diagonal blocks are.
        if (!regularA || !regularD) {
            return BlocksSingular;
        }
        r.A = inverseA;
        r.D = inverseD;
        r.B = Negated(Product(Product(inverseA, m.B), inverseD));
        r.C = Negated(Product(Product(inverseD, m.C), inverseA));
    } else if (regularA && regularD) {
        // Both Schur complements.
        Matrix33 schurA = Difference(m.A, Product(Product(m.B, inverseD), m.C));
        Matrix33 schurD = Difference(m.D, Product(Product(m.C, inverseA), m.B));
        if (!TryInverse(schurA) || !TryInverse(schurD)) {
            return BlocksFailed;
        }
        r.A = schurA;
        r.D = schurD;
        r.B = Negated(Product(Product(inverseA, m.B), schurD));
        r.C = Negated(Product(Product(inverseD, m.C), schurA));
    } else if (regularA) {
        Matrix33 schurD = Difference(m.D, Product(Product(m.C, inverseA), m.B));
        if (!TryInverse(schurD)) {
            return BlocksFailed;
        }
        Matrix33 aB = Product(inverseA, m.B);
        Matrix33 cA = Product(m.C, inverseA);
        r.D = schurD;
        r.B = Negated(Product(aB, schurD));
        r.C = Negated(Product(schurD, cA));
        r.A.Subtract(inverseA, Product(r.B, cA));
    } else if (regularD) {
        Matrix33 schurA = Difference(m.A, Product(Product(m.B, inverseD), m.C));
        if (!TryInverse(schurA)) {
            return BlocksFailed;
        }
        Matrix33 dC = Product(inverseD, m.C);
        Matrix33 bD = Product(m.B, inverseD);
        r.A = schurA;
        r.C = Negated(Product(dC, schurA));
        r.B = Negated(Product(schurA, bD));
        r.D.Subtract(inverseD, Product(r.C, bD));
    } else {
        return BlocksFailed;
    }
    return BlocksInverted;
}

}  // namespace

void Matrix66::Set(const Matrix33& a, const Matrix33& b, const Matrix33& c, const Matrix33& d) {
    A = a;
    B = b;
    C = c;
    D = d;
}

void Matrix66::Set(const Matrix66& m) {
    *this = m;
}

void Matrix66::Add(const Matrix66& m) {
    Add(*this, m);
}

void Matrix66::Add(const Matrix66& m1, const Matrix66& m2) {
    A.Add(m1.A, m2.A);
    B.Add(m1.B, m2.B);
    C.Add(m1.C, m2.C);
    D.Add(m1.D, m2.D);
}

void Matrix66::Subtract(const Matrix66& m) {
    Subtract(*this, m);
}

void Matrix66::Subtract(const Matrix66& m1, const Matrix66& m2) {
    A.Subtract(m1.A, m2.A);
    B.Subtract(m1.B, m2.B);
    C.Subtract(m1.C, m2.C);
    D.Subtract(m1.D, m2.D);
}

void Matrix66::Dot(const Matrix66& m) {
    Matrix66 r;
    r.A.Add(Product(A, m.A), Product(B, m.C));
    r.B.Add(Product(A, m.B), Product(B, m.D));
    r.C.Add(Product(C, m.A), Product(D, m.C));
    r.D.Add(Product(C, m.B), Product(D, m.D));
    *this = r;
}

void Matrix66::Transpose() {
    Matrix33 b = B;
    A.Transpose();
    D.Transpose();
    B.Transpose(C);
    C.Transpose(b);
}

void Matrix66::Inverse() {
    // The block formulas lose everything when a diagonal block is nearly singular, even if the
    // whole matrix is well conditioned: their result is kept only when it checks out, and
    // otherwise pivoting by elements is tried and the better of the two kept.
    const double AccurateResidual = 64.0 * FLT_EPSILON;
    Matrix66 blocks;
    BlockResult result = InvertByBlocks(*this, blocks);
    if (result == BlocksSingular) {
        PrintWarning("Matrix34::Inverse()- Matrix not invertable");
        return;
    }
    double blocksResidual = result == BlocksInverted ? Residual(*this, blocks) : HUGE_VAL;
    if (blocksResidual <= AccurateResidual) {
        *this = blocks;
        return;
    }
    Matrix66 elements = *this;
    if (InvertByElements(elements) && Residual(*this, elements) < blocksResidual) {
        *this = elements;
    } else if (result == BlocksInverted) {
        *this = blocks;
    } else {
        PrintWarning("Matrix34::Inverse()- Matrix not invertable");
    }
}

void Matrix66::Inverse(const Matrix66& m) {
    Set(m);
    Inverse();
}
