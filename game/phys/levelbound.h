#ifndef PHYS_LEVELBOUND_H
#define PHYS_LEVELBOUND_H

#include <cstdint>

#include "phbound/bound.h"
#include "vector/matrix34.h"
#include "vector/vector3.h"

class phBoundHotdog;
class phBoundPolygonal;
class phColliderBase;
struct phImpact;
struct phPolygonCache;

// The collision bound of a whole level, one at a time; the processed city derives from it.
// Most operations are defaults or refusals (assertion "0") for the concrete level to override.
class lvlLevelBound : public phBound {
public:
    static const int SHADE_COUNT = 64;
    static const int MAX_ROOMS_AROUND = 9;

    // The game level's room query: the room of a position and up to max rooms around it
    // within the radius; returns how many it wrote. The editor has no game level: null.
    typedef int (*RoomQuery)(const Vector3& position, float radius, int* rooms, int max);

    static lvlLevelBound* sm_Instance;
    static uint32_t sm_ShadeTable[SHADE_COUNT];
    static RoomQuery sm_RoomQuery;

    lvlLevelBound();
    // Refills the wall shades from the render state's ambient colour and up to eight of its
    // directional lights; until then every shade is white.
    static void ComputeShadeTable();
    ~lvlLevelBound() override;

    phMaterial* GetMaterial(int index) override;
    bool TestProbePoint(phSegment& segment, phIsect* isect, float tLimit) override;
    bool TestAIPoint(phSegment& segment, phIsect* isect) override;
    int TestEdgeSegment(phSegment& segment, phIsect* isects, int maxIsects) override;
    bool TestProbeSegment(phSegment& segment, phIsect* isect, float tLimit) override;
    bool TestSphere(const Vector3& centre, float radius, Vector3* position, Vector3* normal,
                    float* depth) override;

    virtual float GetEdgeAngle(int edge, int room);
    virtual Vector3 GetEdgeNormal(int edge, int room, Vector3& out);
    // Records of the segment's hits, at most maxIsects; returns how many were filled.
    virtual int TestSegmentIsects(phSegment& segment, phIsect* isects, int maxIsects) = 0;
    virtual bool TestSegmentRooms(phSegment& segment, phIsect* isect, float nearestT) = 0;
    virtual bool SegmentHits(phSegment& segment) = 0;
    virtual int CountQuery(int a, int b, int c);
    virtual bool TestQuery(int a, int b, int c);
    virtual bool PairTest(int a, int b);
    // A new cache record with its polygon part zeroed; the caller owns it.
    virtual phPolygonCache* CreatePolygonCache();
    virtual float ValueQuery(int a);
    virtual float PassThrough(int a, float value);
    // Whether any of the other bound's test segments (vertex paths, then edges) hits the level.
    virtual bool AnySegmentHits(phBoundPolygonal* other, const Matrix34& current,
                                const Matrix34& last);
    // The other bound's edges (and vertex paths when asked) as segments against the level;
    // the user word goes to every segment, the id to every record.
    virtual void CollidePolygonal(phBoundPolygonal* other, uint32_t user, uint32_t id,
                                  const Matrix34& current, const Matrix34& last, phIsect* isects,
                                  int maxIsects, int& count, bool vertexPaths);
    virtual int CollideRoom(int room, phBoundPolygonal* other, const Matrix34& current,
                            const Matrix34& last, phColliderBase* collider, phImpact* impacts,
                            int maxImpacts);
    virtual int CollideRoomOffset(int room, phBoundPolygonal* other, const Matrix34& current,
                                  const Matrix34& last, phColliderBase* collider,
                                  phImpact* impacts, int maxImpacts, const Vector3& offset,
                                  const Matrix34& offsetCurrent, const Matrix34& offsetLast);

    // The physics manager's terrain collision (levelimpacts.cpp).
    // Records of the other bound's vertex paths (when asked) and edges against the terrain
    // polygons of the listed rooms near it, every record with the id; returns the count, also
    // stored in count. A level without rooms of its own answers from all its polygons.
    virtual int CollidePolyToLevel(phBoundPolygonal* other, const int* rooms, int roomCount,
                                   uint32_t id, const Matrix34& current, const Matrix34& last,
                                   phIsect* isects, int maxIsects, int& count, bool vertexPaths);
    // Whether the box bound at its placement may reach the level: its world box overlaps the
    // level's.
    virtual bool TestBox(const phBound& box, const Matrix34& placement);
    // Impacts of a sphere bound at the position, the body's collider on side A; by default
    // the level's sphere test gives at most one.
    virtual int CollideSphereImpacts(phBound* sphere, const Vector3& position,
                                     phColliderBase* collider, phColliderBase* levelCollider,
                                     phImpact* impacts, int maxImpacts);
    // Impacts of a capsule bound at its matrix; by default its two end spheres through the
    // sphere test.
    virtual int CollideHotdogImpacts(phBoundHotdog* hotdog, const Matrix34& matrix,
                                     phColliderBase* collider, phColliderBase* levelCollider,
                                     phImpact* impacts, int maxImpacts);

    // Impacts of a collision of the other bound (at its matrices, with its collider and
    // material index) with the level, from the records of CollidePolygonal; returns the count.
    int FindImpacts(phBound* other, const Matrix34& current, const Matrix34& last,
                    phColliderBase* collider, phColliderBase* levelCollider, int otherMaterial,
                    phIsect* isects, int count, phImpact* impacts, int maxImpacts);
    // The room of the matrix position and the rooms around it, each through CollideRoom (or
    // CollideRoomOffset with the matrices moved by the offset); returns the impact count.
    int CollideRooms(phBoundPolygonal* other, const Matrix34& current, const Matrix34& last,
                     float radius, phColliderBase* collider, phImpact* impacts, int maxImpacts);
    int CollideRoomsOffset(phBoundPolygonal* other, const Matrix34& current,
                           const Matrix34& last, float radius, const Vector3& offset,
                           phColliderBase* collider, phImpact* impacts, int maxImpacts);

private:
    int CollideRoomSet(phBoundPolygonal* other, const Matrix34& current, const Matrix34& last,
                       float radius, const Vector3* offset, phColliderBase* collider,
                       phImpact* impacts, int maxImpacts);
};

#endif
