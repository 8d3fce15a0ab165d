// The box against a box. The face dot pattern of the two orientations tells, for every face
// of either box, whether the other box meets it with a face, an edge or a corner. Each box in
// turn is the reference: every face turned towards the other box gives a candidate contact
// direction with the contacts of the other box's deepest corner (the face outlines' overlap
// when the faces are parallel, the corner and its edges otherwise). Edge pairs that both
// passes met are then tried edge against edge. The candidates are scored by depth and by how
// recently their contact began, and the best one's contacts become the impacts.
#include "phbound/boundbox.h"

#include <cfloat>
#include <cmath>

#include "data/assert.h"
#include "data/timemgr.h"
#include "phbound/impact.h"
#include "phbound/polypair.h"
#include "phcore/convexpoly.h"
#include "vector/geometry.h"
#include "vector/vector2.h"

namespace {

const float DeadZone = 0.035f;
// Enough for any one candidate: a face outline overlap has at most 8 corners, a corner with
// its three edges at most 7 contacts.
const int MaxContacts = 8;
// Marks in the edge-pair table (A's edges by row, B's by column).
const uint8_t FirstPass = 1, SecondPass = 2, FaceContact = 4;

int Sign(float value) {
    return value > 0.0f ? 1 : value < 0.0f ? -1 : 0;
}

float Component(const Vector3& v, int axis) {
    return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

Vector3 AxisVector(int axis, float length) {
    return Vector3(axis == 0 ? length : 0.0f, axis == 1 ? length : 0.0f,
                   axis == 2 ? length : 0.0f);
}

int CornerOfSigns(const int signs[3]) {
    return phBoundBox::SignVertex[(signs[0] > 0) + 2 * (signs[1] > 0) + 4 * (signs[2] > 0)];
}

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

// One box as the collision sees it: centre, axes and half extents in the world, and its
// matrices of this and the previous step.
struct Box {
    Vector3 Centre;
    Vector3 Axis[3];
    Vector3 Half;
    const Matrix34* Current;
    const Matrix34* Last;

    Box(const phBoundBox& bound, const Matrix34& matrix, const Matrix34& last)
        : Current(&matrix), Last(&last) {
        Centre = bound.CentroidOffset;
        Centre.Transform(matrix);
        Axis[0] = matrix.a;
        Axis[1] = matrix.b;
        Axis[2] = matrix.c;
        Half = bound.Size * 0.5f;
    }

    Vector3 ToWorld(const Vector3& local) const {
        return Centre + Axis[0] * local.x + Axis[1] * local.y + Axis[2] * local.z;
    }
    Vector3 DirectionToWorld(const Vector3& local) const {
        return Axis[0] * local.x + Axis[1] * local.y + Axis[2] * local.z;
    }
    Vector3 ToLocal(const Vector3& world) const {
        Vector3 r = world - Centre;
        return Vector3(r.Dot(Axis[0]), r.Dot(Axis[1]), r.Dot(Axis[2]));
    }
    Vector3 LocalCorner(int vertex) const {
        const Vector3& c = phBoundBox::CornerDirections[vertex];
        return Vector3(c.x * Half.x, c.y * Half.y, c.z * Half.z);
    }
    Vector3 Corner(int vertex) const { return ToWorld(LocalCorner(vertex)); }
    // Where the body point at world position point was on the previous step.
    Vector3 Motion(const Vector3& point) const {
        Vector3 motion;
        phPointMotion(*Current, *Last, point, motion);
        return motion;
    }
};

// A contact in the world before it becomes an impact: the normal from B towards A and the
// depth before the margin comes off.
struct Contact {
    Vector3 Position;
    int Type;
    int FeatureA;
    int FeatureB;
    float Depth;
};

// The contacts of one candidate direction, with what the scoring needs: the direction's
// depth and the point whose motion says how fast that depth grows.
struct Candidate {
    Vector3 Normal;
    Vector3 Point;
    float Depth = 0.0f;
    Contact Contacts[MaxContacts];
    int Count = 0;

    void Add(const Vector3& position, float depth, int type, int featureA, int featureB) {
        if (Count < MaxContacts) {
            Contacts[Count++] = {position, type, featureA, featureB, depth};
        }
    }
};

// Storage of one collision: the pair, the dot pattern, the edge-pair marks and the best
// candidate so far. It lives in the call, so that collisions may run side by side.
struct BoxPair {
    const Box* A;
    const Box* B;
    float Dots[3][3];  // A's axis i against B's axis j
    int Pattern[3][3];
    uint8_t EdgePairs[12][12] = {};
    float Margin;
    float Gate;
    Candidate Best;
    phBoundBox::AxisScore BestScore;
    bool HaveBest = false;

    // Scores a candidate and keeps it when it beats the best so far.
    void Offer(const Candidate& candidate) {
        if (candidate.Count == 0) {
            return;
        }
        Vector3 closing = B->Motion(candidate.Point) - A->Motion(candidate.Point);
        phBoundBox::AxisScore score = phBoundBox::ScoreAxis(
            candidate.Depth, Margin, closing.Dot(candidate.Normal) * phPhysicsRate);
        if (!HaveBest || phBoundBox::TakesAxis(BestScore, score, Gate)) {
            Best = candidate;
            BestScore = score;
            HaveBest = true;
        }
    }

    void Mark(int edgeA, int edgeB, uint8_t bit) { EdgePairs[edgeA][edgeB] |= bit; }
};

// One pass of the corner routine: the reference box's faces turned towards the other box.
class CornerPass {
public:
    CornerPass(BoxPair& pair, bool referenceIsA)
        : m_Pair(pair),
          m_RefIsA(referenceIsA),
          m_Ref(referenceIsA ? *pair.A : *pair.B),
          m_Other(referenceIsA ? *pair.B : *pair.A) {
        for (int v = 0; v < 8; ++v) {
            m_Corners[v] = m_Ref.ToLocal(m_Other.Corner(v));
        }
    }

    // False when a face shows the boxes apart.
    bool Run() {
        Vector3 direction = m_Ref.ToLocal(m_Other.Centre);
        for (int i = 0; i < 3; ++i) {
            // A centre level with the face pair takes the plus face.
            float side = Component(direction, i) >= 0.0f ? 1.0f : -1.0f;
            if (!Face(i, side)) {
                return false;
            }
        }
        return true;
    }

private:
    float Dot(int i, int j) const { return m_RefIsA ? m_Pair.Dots[i][j] : m_Pair.Dots[j][i]; }
    int Pattern(int i, int j) const {
        return m_RefIsA ? m_Pair.Pattern[i][j] : m_Pair.Pattern[j][i];
    }
    void Mark(int refEdge, int otherEdge, uint8_t bit) {
        if (m_RefIsA) {
            m_Pair.Mark(refEdge, otherEdge, bit);
        } else {
            m_Pair.Mark(otherEdge, refEdge, bit);
        }
    }
    // Contacts are kept as A and B see them, whichever box is the reference.
    void AddEdges(Candidate& c, const Vector3& local, float depth, int refEdge, int otherEdge) {
        c.Add(ToWorld(local, depth), depth, phImpact::EDGE_EDGE, m_RefIsA ? refEdge : otherEdge,
              m_RefIsA ? otherEdge : refEdge);
    }
    // A corner of one box on a face of the other.
    void AddCorner(Candidate& c, const Vector3& local, float depth, bool refCorner, int vertex,
                   int face) {
        const bool cornerOfA = refCorner == m_RefIsA;
        c.Add(ToWorld(local, depth), depth, cornerOfA ? phImpact::A_ON_FACE : phImpact::B_ON_FACE,
              cornerOfA ? vertex : face, cornerOfA ? face : vertex);
    }
    // A point of the other box, moved halfway up to the reference face.
    Vector3 ToWorld(const Vector3& local, float depth) const {
        return m_Ref.ToWorld(local + m_Normal * (0.5f * depth));
    }
    float DepthOf(const Vector3& local) const {
        return Component(m_Ref.Half, m_Axis) - m_Normal.Dot(local);
    }

    bool Face(int i, float side) {
        m_Axis = i;
        m_Normal = AxisVector(i, side);
        m_Face = 2 * i + (side < 0.0f ? 1 : 0);
        // The other box's corner deepest behind the face; an axis in the dead zone still
        // takes its plain sign, so the corner is the deepest one.
        int signs[3];
        int zeros = 0;
        int parallel = -1;
        for (int j = 0; j < 3; ++j) {
            signs[j] = -int(side) * Sign(Dot(i, j));
            if (Pattern(i, j) == 0) {
                ++zeros;
            } else {
                parallel = j;
            }
        }
        int deepest = CornerOfSigns(signs);
        float depth = DepthOf(m_Corners[deepest]);
        if (depth < 0.0f) {
            return false;
        }
        Candidate candidate;
        candidate.Normal = m_Ref.DirectionToWorld(m_RefIsA ? m_Normal * -1.0f : m_Normal);
        candidate.Point = m_Other.Corner(deepest);
        candidate.Depth = depth;
        if (zeros == 2) {
            int facing = -int(side) * Sign(Dot(i, parallel));
            if (!FaceAgainstFace(candidate, 2 * parallel + (facing < 0 ? 1 : 0))) {
                return false;
            }
        } else {
            CornerAndEdges(candidate, deepest);
        }
        m_Pair.Offer(candidate);
        return true;
    }

    // Two parallel faces: the overlap of their outlines seen along the reference face's axis.
    bool FaceAgainstFace(Candidate& candidate, int otherFace) {
        const int u = (m_Axis + 1) % 3, v = (m_Axis + 2) % 3;
        Vector3 refCorners[4], otherCorners[4];
        Vector2 refFlat[4], otherFlat[4];
        for (int k = 0; k < 4; ++k) {
            refCorners[k] = m_Ref.LocalCorner(phBoundBox::FaceCorners[m_Face][k]);
            otherCorners[k] = m_Corners[phBoundBox::FaceCorners[otherFace][k]];
            refFlat[k] = Vector2(Component(refCorners[k], u), Component(refCorners[k], v));
            otherFlat[k] = Vector2(Component(otherCorners[k], u), Component(otherCorners[k], v));
            for (int e = 0; e < 12; ++e) {
                Mark(phBoundBox::FaceEdges[m_Face][k], e, FaceContact);
            }
        }
        ConvexPolyIsect isects[8];
        int points = ConvexPolyIntersect(4, refFlat, 4, otherFlat, isects);
        if (points < 0) {
            return false;
        }
        // The other face's plane, for points found on the reference outline.
        Vector3 otherNormal;
        otherNormal.Cross(otherCorners[1] - otherCorners[0], otherCorners[2] - otherCorners[0]);
        const float across = Component(otherNormal, m_Axis);
        for (int p = 0; p < points; ++p) {
            const ConvexPolyIsect& is = isects[p];
            Vector3 point;
            if (is.Kind == ConvexPolyIsect::CORNER_B) {
                point = otherCorners[is.IndexB];
            } else if (is.Kind == ConvexPolyIsect::EDGES) {
                const Vector3& from = otherCorners[is.IndexB];
                point = from + (otherCorners[(is.IndexB + 1) & 3] - from) * is.TB;
            } else {
                point = refCorners[is.IndexA];
                MoveAlongAxis(point, (otherCorners[0] - point).Dot(otherNormal) / across);
            }
            float depth = DepthOf(point);
            if (depth < 0.0f) {
                continue;
            }
            if (is.Kind == ConvexPolyIsect::EDGES) {
                AddEdges(candidate, point, depth, phBoundBox::FaceEdges[m_Face][is.IndexA],
                         phBoundBox::FaceEdges[otherFace][is.IndexB]);
            } else if (is.Kind == ConvexPolyIsect::CORNER_A) {
                AddCorner(candidate, point, depth, true,
                          phBoundBox::FaceCorners[m_Face][is.IndexA], otherFace);
            } else {
                AddCorner(candidate, point, depth, false,
                          phBoundBox::FaceCorners[otherFace][is.IndexB], m_Face);
            }
        }
        return true;
    }

    void MoveAlongAxis(Vector3& point, float along) const { point += AxisVector(m_Axis, along); }

    bool WithinFace(const Vector3& local) const {
        const int u = (m_Axis + 1) % 3, v = (m_Axis + 2) % 3;
        return std::fabs(Component(local, u)) <= Component(m_Ref.Half, u) &&
               std::fabs(Component(local, v)) <= Component(m_Ref.Half, v);
    }

    void CornerOnFace(Candidate& candidate, int vertex) {
        const Vector3& corner = m_Corners[vertex];
        float depth = DepthOf(corner);
        if (depth >= 0.0f && WithinFace(corner)) {
            AddCorner(candidate, corner, depth, false, vertex, m_Face);
        }
    }

    // The edge of the reference face that the segment test's outline side k stands for.
    int RimEdge(int k) const {
        // The test's 2D frame of each face: which axes its u and v are.
        static const int UAxis[6] = {1, 2, 2, 0, 0, 1};
        static const int VAxis[6] = {2, 1, 0, 2, 1, 0};
        int across = (k & 1) ? VAxis[m_Face] : UAxis[m_Face];
        int signs[3];
        signs[m_Axis] = Sign(Component(m_Normal, m_Axis));
        signs[across] = k < 2 ? 1 : -1;
        int along = 3 - m_Axis - across;
        signs[along] = 1;
        int first = CornerOfSigns(signs);
        signs[along] = -1;
        return EdgeOf(first, CornerOfSigns(signs));
    }

    // The deepest corner, the far ends of its edges, and where its edges cross the face's
    // outline.
    void CornerAndEdges(Candidate& candidate, int deepest) {
        CornerOnFace(candidate, deepest);
        for (int k = 0; k < 3; ++k) {
            const int edge = phBoundBox::VertexEdges[deepest][k];
            const uint16_t* ends = phBoundBox::EdgeVertices[edge];
            const int far = ends[0] == deepest ? ends[1] : ends[0];
            CornerOnFace(candidate, far);
            for (int s = 0; s < 4; ++s) {
                Mark(phBoundBox::FaceEdges[m_Face][s], edge,
                     m_RefIsA ? FirstPass : SecondPass);
            }
            const Vector3& p = m_Corners[deepest];
            const Vector3 d = m_Corners[far] - p;
            float t[2];
            int rim[2];
            if (!geomSegmentBox(p, d, m_Normal, m_Ref.Half, t[0], t[1], rim[0], rim[1])) {
                continue;
            }
            for (int h = 0; h < 2; ++h) {
                if (t[h] < 0.0f || t[h] > 1.0f || (h == 1 && rim[1] == rim[0])) {
                    continue;
                }
                Vector3 point = p + d * t[h];
                float depth = DepthOf(point);
                if (depth >= 0.0f) {
                    AddEdges(candidate, point, depth, RimEdge(rim[h]), edge);
                }
            }
        }
    }

    BoxPair& m_Pair;
    const bool m_RefIsA;
    const Box& m_Ref;
    const Box& m_Other;
    Vector3 m_Corners[8];  // the other box's corners in the reference frame
    int m_Axis = 0;
    int m_Face = 0;
    Vector3 m_Normal;  // outward normal of the face, reference frame
};

// The outward direction of a box edge (unnormalised), from its corners' directions.
Vector3 EdgeOutward(const Box& box, int edge) {
    const uint16_t* ends = phBoundBox::EdgeVertices[edge];
    return box.DirectionToWorld(phBoundBox::CornerDirections[ends[0]] +
                                phBoundBox::CornerDirections[ends[1]]);
}

// Whether a direction lies in the cone of directions out of an edge: between the outward
// normals of the two faces beside it.
bool WithinEdgeCone(const Box& box, int edge, const Vector3& direction) {
    for (int k = 0; k < 2; ++k) {
        int face = phBoundBox::EdgeFaces[edge][k];
        if (box.DirectionToWorld(phBoundBox::FaceNormals[face]).Dot(direction) < 0.0f) {
            return false;
        }
    }
    return true;
}

// Edge against edge for the pairs both passes met and no face contact covers. False when a
// pair shows the boxes apart.
bool EdgeAgainstEdge(BoxPair& pair) {
    const Box& a = *pair.A;
    const Box& b = *pair.B;
    for (int ea = 0; ea < 12; ++ea) {
        for (int eb = 0; eb < 12; ++eb) {
            if (pair.EdgePairs[ea][eb] != (FirstPass | SecondPass)) {
                continue;
            }
            const Vector3 a0 = a.Corner(phBoundBox::EdgeVertices[ea][0]);
            const Vector3 a1 = a.Corner(phBoundBox::EdgeVertices[ea][1]);
            const Vector3 b0 = b.Corner(phBoundBox::EdgeVertices[eb][0]);
            const Vector3 b1 = b.Corner(phBoundBox::EdgeVertices[eb][1]);
            Vector3 normal, pointA, pointB;
            float distance;
            if (!phEdgeEdgeClosest(a0, a1, a1 - a0, b0, b1, b1 - b0, normal, pointA, pointB,
                                   distance)) {
                continue;
            }
            // Out of B's edge, into A's.
            if (normal.Dot(EdgeOutward(b, eb)) < 0.0f) {
                normal.Negate();
            }
            if (!WithinEdgeCone(b, eb, normal) || !WithinEdgeCone(a, ea, normal * -1.0f)) {
                continue;
            }
            // Both edges lead their boxes along the normal, so their gap is the boxes' gap.
            float depth = (pointB - pointA).Dot(normal);
            if (depth < 0.0f) {
                return false;
            }
            Candidate candidate;
            candidate.Normal = normal;
            candidate.Point = (pointA + pointB) * 0.5f;
            candidate.Depth = depth;
            candidate.Add(candidate.Point, depth, phImpact::EDGE_EDGE, ea, eb);
            pair.Offer(candidate);
        }
    }
    return true;
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
            if (Targeti >= 0) {
                pattern[Targeti][Targetj] = Sign(dots[Targeti][Targetj]);
            }
            AssertText(CheckFourFaceDotPattern(pattern),
                       "\"your colliding object has a bad orientation matrix\" && "
                       "phBoundBox::CheckFourFaceDotPattern()");
            return;
        }
        AssertText(Targeti >= 0 && Targetj >= 0,
                   "\"your colliding object has a bad orientation matrix\" && "
                   "Targeti>=0 && Targetj>=0");
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
    AssertText(VerifyFaceDotPattern(pattern),
               "\"your colliding object has a bad orientation matrix\" && "
               "VerifyFaceDotPattern()");
}

phBoundBox::AxisScore phBoundBox::ScoreAxis(float depth, float margin, float speed) {
    AxisScore score;
    score.Depth = depth - margin;
    if (speed > 0.0f && score.Depth <= 0.0f) {
        score.Depth = 0.0f;
        score.Time = 0.0f;
    } else if (speed > 0.0f) {
        score.Time = score.Depth / speed;
    } else {
        score.Time = FLT_MAX;
    }
    return score;
}

bool phBoundBox::TakesAxis(const AxisScore& best, const AxisScore& candidate, float gate) {
    if (best.Time < gate && best.Time <= candidate.Time) {
        return false;
    }
    return best.Depth > candidate.Depth;
}

int phBoundBox::CollideBox(phBoundBox* other, const Matrix34& matrix, const Matrix34& last,
                           const Matrix34& otherMatrix, const Matrix34& otherLast,
                           phColliderBase* colliderA, phColliderBase* colliderB,
                           phImpact* impacts, int maxnumimpacts) {
    if (maxnumimpacts < MaxContacts) {
        return 0;
    }
    // Centroid offsets are taken in by the boxes' centres, so one routine serves both kinds.
    const Box a(*this, matrix, last);
    const Box b(*other, otherMatrix, otherLast);
    BoxPair pair;
    pair.A = &a;
    pair.B = &b;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            pair.Dots[i][j] = a.Axis[i].Dot(b.Axis[j]);
        }
    }
    FaceDotPattern(pair.Dots, pair.Pattern);
    pair.Margin = SmallerMargin(*this, *other);
    pair.Gate = 1.5f * datTimeManager::Seconds;

    if (!CornerPass(pair, true).Run() || !CornerPass(pair, false).Run() ||
        !EdgeAgainstEdge(pair) || !pair.HaveBest) {
        return 0;
    }
    AssertText(maxnumimpacts >= MaxContacts, "maxnumimpacts>=8");
    for (int k = 0; k < pair.Best.Count; ++k) {
        const Contact& c = pair.Best.Contacts[k];
        impacts[k].SetAll(colliderA, colliderB, c.Position, pair.Best.Normal, c.Depth - pair.Margin,
                          this, other, c.Type, c.FeatureA, c.FeatureB);
    }
    return pair.Best.Count;
}
