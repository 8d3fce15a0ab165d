#ifndef LEVEL_INST_H
#define LEVEL_INST_H

#include <cstddef>
#include <cstdint>
#include <new>

#include "vector/matrix34.h"
#include "vector/vector3.h"

class bkBank;
class gfxViewport;
class modStatic;
class phBound;
class qvPhysEntity;
struct modShader;

// One geometry set: the models by level of detail, the shader tables of its package (one per
// variant), its collision bound and the radius that the level of detail is chosen by.
struct lvlGeomSet {
    static constexpr int High = 0;
    static constexpr int Medium = 1;
    static constexpr int Low = 2;
    static constexpr int VeryLow = 3;

    modStatic* m_Models[4];
    modShader** m_Shaders;
    phBound* m_Bound;
    float m_Radius;
    uint8_t m_Flags;
    uint8_t m_VariantCount;
};

// The base of every object placed in the level. Instances are carved from one instance heap
// (Create) and end with it: the level's teardown (DestroyAll) runs their destructors, frees
// the heap and forgets the geometry sets. A heap instance is never deleted on its own.
// Instances made elsewhere (the banger pool's loose ones) may derive from this class too;
// they are neither counted nor walked.
class lvlInstance {
public:
    // Flag bits.
    static constexpr uint16_t INST_REPORTED = 0x0010;
    static constexpr uint16_t INST_SHADOW = 0x0040;
    static constexpr uint16_t INST_NO_FACING = 0x0100;
    static constexpr uint16_t INST_BASE = 0x0200;
    static constexpr uint16_t INST_STATIC = 0x0400;

    // Flags that geometry loading takes: the set needs its bound files; a banger's set, whose
    // bound is optional (its tuning gives one); a companion set that may have no model.
    static constexpr int GEOM_BOUND = 1;
    static constexpr int GEOM_BANGER = 4;
    static constexpr int GEOM_OPTIONAL = 32;

    static constexpr uint32_t InstanceHeapSize = 0x280000;
    static constexpr int MaxGeomSets = 4096;
    static constexpr int HashSlots = 101;
    static constexpr float FarLimit = 9999.0f;

    lvlInstance();
    virtual ~lvlInstance();
    lvlInstance(const lvlInstance&) = delete;
    lvlInstance& operator=(const lvlInstance&) = delete;

    // A placed object returns to its placed state.
    virtual void Reset() {}
    virtual const Vector3& GetPosition() const = 0;
    // The placement; classes that keep a short form build it into scratch.
    virtual const Matrix34& GetMatrix(Matrix34& scratch) const = 0;
    virtual void SetMatrix(const Matrix34& matrix) = 0;
    // Whether a camera at this point sees the front of the instance.
    virtual bool Faces(const Vector3& camera) const;
    // The facing test as drawing applies it: only with the switch on and 0x0100 clear.
    bool PassesFacing(const Vector3& camera) const {
        return !sm_FacingTests || (m_Flags & INST_NO_FACING) || Faces(camera);
    }
    // The camera's position, as the facing tests of drawing take it.
    static Vector3 CameraPosition();
    // Loads the geometry set of the name (its package in "geometry"), sets the placement and
    // marks the instance; false when the package is missing (the instance keeps set 0).
    virtual bool Init(const char* name, const Matrix34& matrix, int flag);
    virtual void Draw(int lod);
    // The bytes of the object, as it was allocated: the heap walk steps by it.
    virtual size_t SizeOf() const = 0;
    uint16_t FlagQuery() const { return m_Flags & INST_REPORTED; }
    // The bound the instance collides with at a level of detail (0 finest, 3 the default); the
    // base has one bound for every level.
    virtual phBound* GetBound(int lod = 3);
    // The physics manager's view: the instance's active body (none for a static one), the
    // radius it is culled and paired by, and what it does when culled outside the active rooms.
    virtual qvPhysEntity* GetActive() { return nullptr; }
    virtual float GetRadius() const;
    virtual void LeaveActiveRooms() {}
    // Gives a static instance an active body when a mover first hits it; none by default.
    virtual qvPhysEntity* AttachEntity() { return nullptr; }

    // Keeps v modulo the set's variant count (0 without a set or without variants) and
    // returns v divided by the count for the caller's own use.
    int SetVariant(int v);
    int GetVariant() const { return m_Variant; }
    int GetRoom() const { return m_Room; }
    uint16_t GetFlags() const { return m_Flags; }
    void SetFlags(uint16_t flags) { m_Flags = flags; }
    void AddFlags(uint16_t flags) { m_Flags = uint16_t(m_Flags | flags); }
    int GetGeomIndex() const { return m_GeomIndex; }
    void SetGeomIndex(int index) { m_GeomIndex = uint16_t(index); }
    const lvlGeomSet* GetGeomSet() const;
    // The set's name, "(none)" for set 0.
    const char* GetGeomName() const;
    lvlInstance* GetNext() const { return m_Next; }
    lvlInstance* GetPrevious() const { return m_Previous; }

    // 0 not drawn, else 1 very low up to 4 high, for the viewport's camera.
    int ChooseLOD(const gfxViewport& viewport);
    // The set's model slot for a level of detail from ChooseLOD.
    static int ModelSlot(int lod) { return 4 - lod; }
    // The set's bound, loaded from "bound/<name>_bound" when it has none yet.
    void LoadBound(const char* name);

    // The instance heap: size rounded up to the pointer size.
    static void* Allocate(size_t size);
    template <class T, class... Args>
    static T* Create(Args&&... args) {
        return new (Allocate(sizeof(T))) T(static_cast<Args&&>(args)...);
    }
    static uint32_t HeapUsed() { return sm_HeapTop; }
    static int HeapInstanceCount() { return sm_HeapCount; }
    // Every heap instance in allocation order.
    static void ForEachHeapInstance(void (*func)(lvlInstance& instance, void* context),
                                    void* context);
    // The explicit teardown: destroys every heap instance, fills the used bytes with 0xFD,
    // frees the heap and forgets the geometry sets, names and cross-references.
    static void DestroyAll();

    // The shared boxes that GetBound lends to instances whose set has no bound.
    static void CreateSharedBounds();
    static void ReleaseSharedBounds();

    // Geometry loading, package by package: BeginGeom opens the package of the name in
    // "geometry" and loads its main set (a name seen before gives its set at once, a missing
    // package set 0); LoadGeom loads a further set from the open package; EndGeom reads the
    // shader tables and cross-references and closes it.
    static int BeginGeom(const char* name, const char* setName, int flags);
    static int LoadGeom(const char* setName, int flags);
    static void EndGeom();
    static bool IsGeomOpen();
    static int GetGeomSetCount() { return sm_GeomSetCount; }
    static lvlGeomSet* GetGeomSetAt(int index);
    static const char* GetGeomNameAt(int index);
    // The cross-reference block of a set's name: u32 count then count records of a Matrix34
    // and a 32-byte prop name; null when it has none. bytes gives its length.
    static const uint8_t* GetXrefs(const char* name, uint32_t& bytes);

    static void AddWidgets(bkBank* bank);

    // Tuning.
    static uint8_t sm_DrawSpheres;
    static uint8_t sm_EnableNoClip;
    static uint8_t sm_FacingTests;
    static float sm_VeryLowThreshold;
    static float sm_LowThreshold;
    static float sm_MediumThreshold;

protected:
    // Draws one model of a set with the shader table of the instance's variant.
    void DrawSetModel(int set, int slot, const Matrix34& matrix) const;

private:
    friend class lvlLevel;

    uint8_t m_Unused = 0;
    uint8_t m_Variant = 0;
    int32_t m_Room = -1;
    uint16_t m_Flags = INST_BASE;
    uint16_t m_GeomIndex = 0;
    lvlInstance* m_Previous = nullptr;
    lvlInstance* m_Next = nullptr;

    static bool IsInHeap(const void* p);
    static void ForgetGeomSets();

    static uint8_t* sm_Heap;
    static uint32_t sm_HeapTop;
    static int sm_HeapCount;
    static int sm_GeomSetCount;
};

#endif
