// The box against a box: the face dot pattern of the two orientations, a separating-axis
// search over the 15 axes of the pair, and the contacts of the axis found: the outline where
// two faces meet (through the convex polygon intersection), or the closest points of two
// edges.
#include "phbound/boundbox.h"

#include <cmath>

#include "data/assert.h"
#include "phbound/impact.h"
#include "phcore/convexpoly.h"
#include "vector/geometry.h"
#include "vector/vector2.h"

namespace {

const float DeadZone = 0.035f;
// An edge axis wins over the best face axis only when clearly shallower, so that resting
// boxes keep their face contacts through rounding.
const float EdgeAxisPreference = 0.95f;
const float EdgeAxisSlack = 0.001f;

// The fixed assertion texts of a pattern that no orientation matrix can give.
#define OrientationAssert(ok, text)                                                 \
    do {                                                                           \
        if (!(ok)) {                                                               \
            static constexpr ModulePath assertPath_ = MakeModulePath(__FILE__);     \
            AssertFailed(text, assertPath_.m_Text, __LINE__);                      \
        }                                                                          \
    } while (0)

int Sign(float value) {
    return value > 0.0f ? 1 : value < 0.0f ? -1 : 0;
}

bool VerifyFaceDotPattern(const int pattern[3][3]) {
    for (int i = 0; i < 3; ++i) {
        int row = 0, column = 0;
        for (int j = 0; j < 3; ++j) {
            row += pattern[i][j] == 0;
            column += pattern[j][i] == 0;
        }
        if (row == 3 || column == 3) {
            return false;
        }
    }
    return true;
}

// One box as the collision sees it: centre, axes and half extents in world space.
struct Box {
    Vector3 Centre;
    Vector3 Axis[3];
    float Half[3];

    Box(const phBoundBox& bound, const Matrix34& matrix) {
        Centre = bound.CentroidOffset;
        Centre.Transform(matrix);
        Axis[0] = matrix.a;
        Axis[1] = matrix.b;
        Axis[2] = matrix.c;
        Half[0] = 0.5f * bound.Size.x;
        Half[1] = 0.5f * bound.Size.y;
        Half[2] = 0.5f * bound.Size.z;
    }

    float Reach(const Vector3& direction) const {
        return Half[0] * std::fabs(Axis[0].Dot(direction)) +
               Half[1] * std::fabs(Axis[1].Dot(direction)) +
               Half[2] * std::fabs(Axis[2].Dot(direction));
    }

    Vector3 Corner(int vertex) const {
        const Vector3& c = phBoundBox::CornerDirections[vertex];
        return Centre + Axis[0] * (c.x * Half[0]) + Axis[1] * (c.y * Half[1]) +
               Axis[2] * (c.z * Half[2]);
    }

    // The corner furthest along direction.
    int Support(const Vector3& direction) const {
        int signs = (Axis[0].Dot(direction) > 0.0f ? 1 : 0) +
                    (Axis[1].Dot(direction) > 0.0f ? 2 : 0) +
                    (Axis[2].Dot(direction) > 0.0f ? 4 : 0);
        return phBoundBox::SignVertex[signs];
    }

    // The face whose outward normal is nearest to direction.
    int Face(const Vector3& direction) const {
        int best = 0;
        float bestDot = -2.0f;
        for (int k = 0; k < 3; ++k) {
            float dot = Axis[k].Dot(direction);
            if (std::fabs(dot) > bestDot) {
                bestDot = std::fabs(dot);
                best = 2 * k + (dot > 0.0f ? 0 : 1);
            }
        }
        return best;
    }

    Vector3 FaceNormal(int face) const {
        return Axis[face / 2] * ((face & 1) ? -1.0f : 1.0f);
    }
};

// The edge of the box joining two corners.
int EdgeOf(int a, int b) {
    for (int e = 0; e < 12; ++e) {
        const uint16_t* v = phBoundBox::EdgeVertices[e];
        if ((v[0] == a && v[1] == b) || (v[0] == b && v[1] == a)) {
            return e;
        }
    }
    return -1;
}

// The corner next to vertex along axis.
int Neighbour(int vertex, int axis) {
    const Vector3& c = phBoundBox::CornerDirections[vertex];
    float s[3] = {c.x, c.y, c.z};
    s[axis] = -s[axis];
    return phBoundBox::SignVertex[(s[0] > 0.0f ? 1 : 0) + (s[1] > 0.0f ? 2 : 0) +
                                  (s[2] > 0.0f ? 4 : 0)];
}

}  // namespace

bool phBoundBox::CheckFourFaceDotPattern(const int pattern[3][3]) {
    for (int i = 0; i < 3; ++i) {
        int row = 0, column = 0;
        for (int j = 0; j < 3; ++j) {
            row += pattern[i][j] == 0;
            column += pattern[j][i] == 0;
        }
        if (row < 1 || row > 2 || column < 1 || column > 2) {
            return false;
        }
    }
    return true;
}

void phBoundBox::FaceDotPattern(const float dots[3][3], int pattern[3][3]) {
    int zeros = 0;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            pattern[i][j] = dots[i][j] > DeadZone ? 1 : dots[i][j] < -DeadZone ? -1 : 0;
            zeros += pattern[i][j] == 0;
        }
    }
    // Fills the zero entry of the largest |dot| with its sign; with check, only among those
    // whose filling makes every row and column hold one or two zeros.
    auto fillLargest = [&](bool check) {
        int Targeti = -1, Targetj = -1;
        float largest = -1.0f;
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                if (pattern[i][j] != 0 || Sign(dots[i][j]) == 0 ||
                    std::fabs(dots[i][j]) <= largest) {
                    continue;
                }
                if (check) {
                    pattern[i][j] = Sign(dots[i][j]);
                    bool fits = CheckFourFaceDotPattern(pattern);
                    pattern[i][j] = 0;
                    if (!fits) {
                        continue;
                    }
                }
                largest = std::fabs(dots[i][j]);
                Targeti = i;
                Targetj = j;
            }
        }
        if (check) {
            OrientationAssert(Targeti >= 0 && Targetj >= 0,
                              "\"your colliding object has a bad orientation matrix\" && "
                              "phBoundBox::CheckFourFaceDotPattern()");
        } else {
            Assert("your colliding object has a bad orientation matrix" && Targeti >= 0 &&
                   Targetj >= 0);
        }
        pattern[Targeti][Targetj] = Sign(dots[Targeti][Targetj]);
    };
    if (zeros == 2) {
        fillLargest(false);
    } else if (zeros == 3) {
        fillLargest(false);
        fillLargest(false);
    } else if (zeros == 4 && !CheckFourFaceDotPattern(pattern)) {
        fillLargest(false);
        fillLargest(false);
        fillLargest(false);
    } else if (zeros == 5) {
        fillLargest(true);
    }
    OrientationAssert(VerifyFaceDotPattern(pattern),
                      "\"your colliding object has a bad orientation matrix\" && "
                      "VerifyFaceDotPattern()");
}

int phBoundBox::CollideBox(phBoundBox* other, const Matrix34& matrix, const Matrix34& otherMatrix,
                           phColliderBase* colliderA, phColliderBase* colliderB,
                           phImpact* impacts, int maxnumimpacts) {
    if (maxnumimpacts < 8) {
        return 0;
    }
    const Box a(*this, matrix);
    const Box b(*other, otherMatrix);
    float dots[3][3];
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            dots[i][j] = a.Axis[i].Dot(b.Axis[j]);
        }
    }
    int pattern[3][3];
    FaceDotPattern(dots, pattern);
    const float margin = SmallerMargin(*this, *other);

    // The axis of least overlap; face axes first, each from A to B.
    const Vector3 between = b.Centre - a.Centre;
    float bestFace = 3.4028235e38f, bestEdge = 3.4028235e38f;
    Vector3 faceAxis, edgeAxis;
    int faceOwner = 0, edgeAxisA = 0, edgeAxisB = 0;
    auto overlapOn = [&](Vector3 axis, float& overlap) {
        if (axis.Dot(between) < 0.0f) {
            axis.Negate();
        }
        overlap = a.Reach(axis) + b.Reach(axis) - axis.Dot(between);
        return axis;
    };
    for (int box = 0; box < 2; ++box) {
        for (int k = 0; k < 3; ++k) {
            float overlap;
            Vector3 axis = overlapOn(box == 0 ? a.Axis[k] : b.Axis[k], overlap);
            if (overlap < 0.0f) {
                return 0;
            }
            if (overlap < bestFace) {
                bestFace = overlap;
                faceAxis = axis;
                faceOwner = box;
            }
        }
    }
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            Vector3 axis;
            axis.Cross(a.Axis[i], b.Axis[j]);
            if (axis.Mag2() < 1e-6f) {
                continue;
            }
            axis.Normalize();
            float overlap;
            axis = overlapOn(axis, overlap);
            if (overlap < 0.0f) {
                return 0;
            }
            if (overlap < bestEdge) {
                bestEdge = overlap;
                edgeAxis = axis;
                edgeAxisA = i;
                edgeAxisB = j;
            }
        }
    }

    int count = 0;
    if (bestEdge < EdgeAxisPreference * bestFace - EdgeAxisSlack) {
        // Edge against edge: the edge of each box nearest the other along the axis.
        int cornerA = a.Support(edgeAxis);
        int cornerB = b.Support(edgeAxis * -1.0f);
        int endA = Neighbour(cornerA, edgeAxisA), endB = Neighbour(cornerB, edgeAxisB);
        Vector3 pA = a.Corner(cornerA), dA = a.Corner(endA) - pA;
        Vector3 pB = b.Corner(cornerB), dB = b.Corner(endB) - pB;
        float sA = 0.0f, sB = 0.0f;
        geomSegmentSegment(pA, dA, pB, dB, sA, sB);
        Vector3 mid = (pA + dA * sA + pB + dB * sB) * 0.5f;
        impacts[count++].SetAll(colliderA, colliderB, mid, edgeAxis * -1.0f, bestEdge - margin,
                                this, other, phImpact::EDGE_EDGE, EdgeOf(cornerA, endA),
                                EdgeOf(cornerB, endB));
        return count;
    }

    // Face against face: the reference face's outline clipped by the incident face's.
    const bool referenceIsA = faceOwner == 0;
    const Box& ref = referenceIsA ? a : b;
    const Box& inc = referenceIsA ? b : a;
    const Vector3 out = referenceIsA ? faceAxis : faceAxis * -1.0f;
    const int refFace = ref.Face(out);
    const int incFace = inc.Face(out * -1.0f);
    const Vector3 incNormal = inc.FaceNormal(incFace);
    const int axisU = (refFace / 2 + 1) % 3, axisV = (refFace / 2 + 2) % 3;
    Vector3 refCorners[4], incCorners[4];
    Vector2 refFlat[4], incFlat[4];
    for (int k = 0; k < 4; ++k) {
        refCorners[k] = ref.Corner(FaceCorners[refFace][k]);
        incCorners[k] = inc.Corner(FaceCorners[incFace][k]);
        Vector3 r = refCorners[k] - ref.Centre, i = incCorners[k] - ref.Centre;
        refFlat[k] = Vector2(r.Dot(ref.Axis[axisU]), r.Dot(ref.Axis[axisV]));
        incFlat[k] = Vector2(i.Dot(ref.Axis[axisU]), i.Dot(ref.Axis[axisV]));
    }
    ConvexPolyIsect isects[8];
    int points = ConvexPolyIntersect(4, refFlat, 4, incFlat, isects);
    if (points < 0) {
        return 0;
    }
    const Vector3 normal = faceAxis * -1.0f;
    const float incDrop = out.Dot(incNormal);
    for (int p = 0; p < points && count < maxnumimpacts; ++p) {
        const ConvexPolyIsect& is = isects[p];
        Vector3 point;
        if (is.Kind == ConvexPolyIsect::CORNER_B) {
            point = incCorners[is.IndexB];
        } else {
            // On the reference face, then along its normal onto the incident face.
            Vector3 onRef = is.Kind == ConvexPolyIsect::CORNER_A
                                ? refCorners[is.IndexA]
                                : refCorners[is.IndexA] +
                                      (refCorners[(is.IndexA + 1) & 3] - refCorners[is.IndexA]) *
                                          is.TA;
            float along = incDrop != 0.0f ? (incCorners[0] - onRef).Dot(incNormal) / incDrop : 0.0f;
            point = onRef + out * along;
        }
        float depth = (refCorners[0] - point).Dot(out);
        if (depth < 0.0f) {
            continue;
        }
        int refFeature, incFeature, kind;
        if (is.Kind == ConvexPolyIsect::EDGES) {
            refFeature = FaceEdges[refFace][is.IndexA];
            incFeature = FaceEdges[incFace][is.IndexB];
            kind = phImpact::EDGE_EDGE;
        } else if (is.Kind == ConvexPolyIsect::CORNER_A) {
            refFeature = FaceCorners[refFace][is.IndexA];
            incFeature = incFace;
            kind = referenceIsA ? phImpact::A_ON_FACE : phImpact::B_ON_FACE;
        } else {
            refFeature = refFace;
            incFeature = FaceCorners[incFace][is.IndexB];
            kind = referenceIsA ? phImpact::B_ON_FACE : phImpact::A_ON_FACE;
        }
        impacts[count++].SetAll(colliderA, colliderB, point + out * (0.5f * depth), normal,
                                depth - margin, this, other, kind,
                                referenceIsA ? refFeature : incFeature,
                                referenceIsA ? incFeature : refFeature);
    }
    return count;
}
