#ifndef TESTS_ENGINE_PHCOLLIDE_CONTAINERS_H
#define TESTS_ENGINE_PHCOLLIDE_CONTAINERS_H

#include <vector>

#include "phbound/boundcontainer.h"

// A wrapper and a composite with nothing of their own but what collisions use; the wrapper
// counts how often it was brought up to date.
class TestWrapper : public phBoundWrapper {
public:
    void PrepareWrapped() override { ++m_Prepared; }
    phMaterial* GetMaterial(int) override { return nullptr; }
    bool TestProbePoint(phSegment&, phIsect*, float) override { return false; }
    bool TestAIPoint(phSegment&, phIsect*) override { return false; }
    int TestEdgeSegment(phSegment&, phIsect*, int) override { return 0; }
    bool TestProbeSegment(phSegment&, phIsect*, float) override { return false; }
    int m_Prepared = 0;
};

class TestComposite : public phBoundComposite {
public:
    phMaterial* GetMaterial(int) override { return nullptr; }
    bool TestProbePoint(phSegment&, phIsect*, float) override { return false; }
    bool TestAIPoint(phSegment&, phIsect*) override { return false; }
    int TestEdgeSegment(phSegment&, phIsect*, int) override { return 0; }
    bool TestProbeSegment(phSegment&, phIsect*, float) override { return false; }

    // The parts and their places; the last places are the same until set apart.
    void SetParts(std::vector<phBound*> parts, std::vector<Matrix34> matrices) {
        m_Parts = parts;
        m_Matrices = matrices;
        m_LastMatrices = matrices;
        Bounds = m_Parts.data();
        Matrices = m_Matrices.data();
        LastMatrices = m_LastMatrices.data();
        NumBounds = int(m_Parts.size());
    }

    std::vector<phBound*> m_Parts;
    std::vector<Matrix34> m_Matrices;
    std::vector<Matrix34> m_LastMatrices;
};

#endif
