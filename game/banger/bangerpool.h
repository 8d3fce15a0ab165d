#ifndef BANGER_BANGERPOOL_H
#define BANGER_BANGERPOOL_H

#include <memory>

#include "banger/banger.h"
#include "node/node.h"

class gfxTexture;

// What stands in for a banger once it has broken loose: a full-matrix banger driven by an
// active body. It keeps the base's reset and bound (the record's bound when it has one), and
// leaving the active rooms releases its body and parks it in room 0. Owned by the pool.
class qvBangerLooseInstance : public qvBangerMatrixInstance {
public:
    qvBangerLooseInstance();

    void Reset() override {}
    phBound* GetBound(int lod = 3) override;
    void LeaveActiveRooms() override { Release(); }
    // Lets go of the active body and parks the instance in room 0.
    void Release();
    size_t SizeOf() const override { return sizeof(*this); }
};

// The loose instances, handed out in turn; the one process-wide pool, with the glow
// texture that every banger draws its glows with.
class qvBangerInstancePool : public ovNode {
public:
    qvBangerInstancePool();
    ~qvBangerInstancePool() override;
    static qvBangerInstancePool* GetInstance() { return sm_Instance; }

    // A fresh array of count loose instances; answers the count, 0 when none could be made.
    int Init(int count);
    // The next loose instance, freed of its active body and out of its room; none from an
    // empty pool.
    qvBangerLooseInstance* Take();
    // Every loose instance freed and parked, the turn back at the first.
    void Reset() override;
    // Only while no glow texture is set.
    void SetGlowTexture(const char* name);
    static gfxTexture* GetGlowTexture() { return sm_GlowTexture; }

    int GetCount() const { return m_Count; }
    qvBangerLooseInstance* GetLoose(int i) { return &m_Loose[i]; }

private:
    void Free();

    static qvBangerInstancePool* sm_Instance;
    static gfxTexture* sm_GlowTexture;

    std::unique_ptr<qvBangerLooseInstance[]> m_Loose;
    int m_Count = 0;
    int m_Next = 0;
};

#endif
