#include "phys/levelbound.h"
#include <vector>

#include "city/materialmgr.h"
#include "data/assert.h"
#include "data/printer.h"
#include "phbound/boundpolygonal.h"
#include "phbound/impact.h"
#include "phbound/polypair.h"
#include "phcore/isect.h"
#include "phcore/poly.h"

lvlLevelBound* lvlLevelBound::sm_Instance = nullptr;
uint32_t lvlLevelBound::sm_ShadeTable[SHADE_COUNT];
lvlLevelBound::RoomQuery lvlLevelBound::sm_RoomQuery = nullptr;

// The game's manager must hold the material slot before the first bound asks for it.
lvlLevelBound::lvlLevelBound() : phBound((qvMaterialMgr::CreateInstance(), LEVEL)) {
    NumMaterials = 1;
    Assert(!sm_Instance);
    sm_Instance = this;
    for (uint32_t& shade : sm_ShadeTable) {
        shade = 0xFFFFFFFF;
    }
}

lvlLevelBound::~lvlLevelBound() {
    sm_Instance = nullptr;
}

phMaterial* lvlLevelBound::GetMaterial(int index) {
    if (index == 0) {
        return phMaterialMgr::DefaultMaterial;
    }
    return qvMaterialMgr::Instance()->GetMaterial(index - 1);
}

int lvlLevelBound::TestEdgeSegment(phSegment&, phIsect*, int) {
    Assert(0);
    return 0;
}

// The rooms answer segments through TestSegmentRooms instead.
bool lvlLevelBound::TestProbeSegment(phSegment&, phIsect*, float) {
    Assert(0);
    return false;
}

// The level keeps no edges of its own.
float lvlLevelBound::GetEdgeAngle(int, int) {
    Assert(0);
    return 0.0f;
}

// Nor edge normals: the colliding bounds bring their own.
Vector3 lvlLevelBound::GetEdgeNormal(int, int, Vector3& out) {
    Assert(0);
    return out;
}

// Point tests, like segment tests, go to the rooms.
bool lvlLevelBound::TestProbePoint(phSegment&, phIsect*, float) {
    Assert(0);
    return false;
}

// AI segments as well.
bool lvlLevelBound::TestAIPoint(phSegment&, phIsect*) {
    Assert(0);
    return false;
}

bool lvlLevelBound::TestSphere(const Vector3&, float, Vector3*, Vector3*, float*) {
    return false;
}

int lvlLevelBound::CountQuery(int, int, int) {
    return 0;
}

bool lvlLevelBound::TestQuery(int, int, int) {
    return false;
}

bool lvlLevelBound::PairTest(int, int) {
    return false;
}

phPolygonCache* lvlLevelBound::CreatePolygonCache() {
    phPolygonCache* cache = new phPolygonCache;
    phPolygon& polygon = cache->Polygon;
    polygon.Normal.Zero();
    polygon.Area = 0.0f;
    polygon.MaterialIndex = 0;
    for (int k = 0; k < 4; ++k) {
        polygon.EdgeNormals[k].Set(0.0f, 0.0f, 0.0f, 0.0f);
        polygon.VertexIndex[k] = 0;
        polygon.EdgeIndex[k] = 0;
    }
    return cache;
}

float lvlLevelBound::ValueQuery(int) {
    return 0.0f;
}

float lvlLevelBound::PassThrough(int, float value) {
    return value;
}

bool lvlLevelBound::AnySegmentHits(phBoundPolygonal* other, const Matrix34& current,
                                   const Matrix34& last) {
    phCollisionMargin = SmallerMargin(*this, *other);
    phSegmentState state;
    other->BeginSegments(true, current, last, state);
    phSegment segment;
    int index = 0;
    while (phBoundPolygonal::NextSegment(segment, index, state) !=
           phBoundPolygonal::SEGMENT_END) {
        if (SegmentHits(segment)) {
            return true;
        }
    }
    return false;
}

namespace {

// What every record of one test segment of the colliding bound carries.
void MarkRecords(phIsect* records, int hits, const phSegment& segment, uint32_t id,
                 phBound* level, int feature, int vertexA, int vertexB, bool vertexPath,
                 const Vector3& edgeNormal) {
    for (int h = 0; h < hits; ++h) {
        phIsect& record = records[h];
        record.SegStart = segment.Start;
        record.SegEnd = segment.End;
        record.Id = id;
        record.Flags &= uint16_t(~(phIsect::VertexPath | phIsect::InteriorEdgeFlag));
        if (vertexPath) {
            record.Flags |= phIsect::VertexPath;
        } else {
            record.EdgeNormal = edgeNormal;
        }
        record.MovingBound = level;
        record.HitBound = level;
        record.FeatureIndex = feature;
        record.VertexA = vertexA;
        record.VertexB = vertexB;
    }
}

}  // namespace

void lvlLevelBound::CollidePolygonal(phBoundPolygonal* other, uint32_t user, uint32_t id,
                                     const Matrix34& current, const Matrix34& last,
                                     phIsect* isects, int maxIsects, int& count,
                                     bool vertexPaths) {
    std::vector<Vector3> positions(other->NumVertices);
    for (int i = 0; i < other->NumVertices; ++i) {
        positions[i] = other->GetVertex(i);
        positions[i].Transform(current);
    }
    count = 0;
    phSegment segment;
    for (int e = 0; e < other->NumEdges && count < maxIsects; ++e) {
        int i0 = other->Edges[e][0];
        int i1 = other->Edges[e][1];
        segment.Set(positions[i0], positions[i1], phSegment::EDGE, user);
        Vector3 edgeNormal = other->GetWorldEdgeNormal(e, current);
        int hits = TestSegmentIsects(segment, isects + count, maxIsects - count);
        MarkRecords(isects + count, hits, segment, id, this, e, i0, i1, false, edgeNormal);
        count += hits;
    }
    for (int i = 0; vertexPaths && i < other->NumVertices && count < maxIsects; ++i) {
        Vector3 from = other->GetVertex(i);
        from.Transform(last);
        segment.Set(from, positions[i], phSegment::PROBE, user);
        int hits = TestSegmentIsects(segment, isects + count, maxIsects - count);
        MarkRecords(isects + count, hits, segment, id, this, i, -1, i, true, Vector3::sm_Zero);
        count += hits;
    }
}

int lvlLevelBound::CollideRoom(int, phBoundPolygonal*, const Matrix34&, const Matrix34&,
                               phColliderBase*, phImpact*, int) {
    return 0;
}

int lvlLevelBound::CollideRoomOffset(int, phBoundPolygonal*, const Matrix34&, const Matrix34&,
                                     phColliderBase*, phImpact*, int, const Vector3&,
                                     const Matrix34&, const Matrix34&) {
    return 0;
}

int lvlLevelBound::FindImpacts(phBound* other, const Matrix34& current, const Matrix34& last,
                               phColliderBase* collider, phColliderBase* levelCollider,
                               int otherMaterial, phIsect* isects, int count, phImpact* impacts,
                               int maxImpacts) {
    phCollisionMargin = SmallerMargin(*this, *other);
    phPrepareIsects(isects, count);
    phPairSide moving;
    moving.Bound = other;
    moving.Collider = collider;
    moving.Current = current;
    moving.Last = last;
    moving.Isects = isects;
    moving.Count = count;
    phPairSide level;
    level.Bound = this;
    level.Collider = levelCollider;
    level.Current = Matrix34::sm_Identity;
    level.Last = Matrix34::sm_Identity;
    phImpactCursor cursor;
    cursor.Next = impacts;
    cursor.Left = maxImpacts;

    phIsect* record = isects;
    for (int i = 0; i < count && cursor.Left > 0;) {
        bool paired = phIsectIsPaired(isects, count, i);
        if (!paired && !(record->Flags & phIsect::Used)) {
            phIsectsToImpacts(moving, level, record->VertexB, isects, count, cursor, true);
        }
        phAdvanceIsect(i, record, paired);
    }
    for (int i = 0; i < count && cursor.Left > 0; ++i) {
        phIsect& contact = isects[i];
        if ((contact.Flags & phIsect::Used) || !phIsectComputeContact(contact)) {
            continue;
        }
        bool second = i > 0 && phIsectIsPaired(isects, count, i - 1);
        // The level is side A here, so the level's outward normal turns round to point at it.
        phImpact& impact = *cursor.Next;
        impact.SetColliders(levelCollider, collider);
        impact.Type = second ? phImpact::A_ON_FACE : phImpact::EDGE_EDGE;
        impact.ComponentA = -1;
        impact.ComponentB = -1;
        impact.FeatureA = contact.PolyIndex;
        impact.FeatureB = contact.FeatureIndex;
        impact.Position = contact.Position;
        impact.Normal = contact.Normal * -1.0f;
        impact.Depth = contact.Depth;
        impact.Margin = phCollisionMargin;
        impact.Friction = 1.0f;
        impact.Elasticity = 0.25f;
        contact.Flags |= phIsect::Used;
        ++cursor.Next;
        --cursor.Left;
    }
    if (cursor.Left <= 0) {
        PrintWarning("FindImpacts: Completely filled intersection table!");
    }
    int made = maxImpacts - cursor.Left;
    for (int i = 0; i < made; ++i) {
        if (impacts[i].ColliderA == collider) {
            impacts[i].ComponentA = otherMaterial;
        } else {
            impacts[i].ComponentB = otherMaterial;
        }
    }
    return made;
}

int lvlLevelBound::CollideRoomSet(phBoundPolygonal* other, const Matrix34& current,
                                  const Matrix34& last, float radius, const Vector3* offset,
                                  phColliderBase* collider, phImpact* impacts, int maxImpacts) {
    if (!sm_RoomQuery) {
        return 0;
    }
    int rooms[1 + MAX_ROOMS_AROUND];
    int found = sm_RoomQuery(current.d, radius, rooms, 1 + MAX_ROOMS_AROUND);
    Matrix34 movedCurrent = current;
    Matrix34 movedLast = last;
    if (offset) {
        movedCurrent.d += *offset;
        movedLast.d += *offset;
    }
    int total = 0;
    for (int r = 0; r < found && r <= MAX_ROOMS_AROUND && total < maxImpacts; ++r) {
        total += offset ? CollideRoomOffset(rooms[r], other, current, last, collider,
                                            impacts + total, maxImpacts - total, *offset,
                                            movedCurrent, movedLast)
                        : CollideRoom(rooms[r], other, current, last, collider, impacts + total,
                                      maxImpacts - total);
    }
    return total;
}

int lvlLevelBound::CollideRooms(phBoundPolygonal* other, const Matrix34& current,
                                const Matrix34& last, float radius, phColliderBase* collider,
                                phImpact* impacts, int maxImpacts) {
    return CollideRoomSet(other, current, last, radius, nullptr, collider, impacts, maxImpacts);
}

int lvlLevelBound::CollideRoomsOffset(phBoundPolygonal* other, const Matrix34& current,
                                      const Matrix34& last, float radius, const Vector3& offset,
                                      phColliderBase* collider, phImpact* impacts,
                                      int maxImpacts) {
    return CollideRoomSet(other, current, last, radius, &offset, collider, impacts, maxImpacts);
}
