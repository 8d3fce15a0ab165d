#ifndef PHBOUND_BOUNDCONTAINER_H
#define PHBOUND_BOUNDCONTAINER_H

#include "phbound/bound.h"
#include "vector/matrix34.h"

class phMaterial;

// Bounds that only hold other bounds. The shapes that use them supply the rest; collisions
// rely on these members alone.

// Stands for one other bound, which it brings up to date before each use.
class phBoundWrapper : public phBound {
public:
    phBoundWrapper() : phBound(WRAPPER) {}
    virtual void PrepareWrapped() = 0;

    phBound* Wrapped = nullptr;
};

// Parts placed in the composite's frame; or, with SingleBound set, just that one bound.
class phBoundComposite : public phBound {
public:
    phBoundComposite() : phBound(COMPOSITE) {}
    int GetNumBounds() const { return NumBounds; }
    // The material of a part, as impacts on that part see it: by default the part's own.
    virtual phMaterial* GetComponentMaterial(int index, int component) {
        return Bounds[component]->GetMaterial(index);
    }

    phBound* SingleBound = nullptr;
    phBound** Bounds = nullptr;
    Matrix34* Matrices = nullptr;
    // Where each part stood a frame ago, for parts that move within the composite; null when
    // they do not.
    Matrix34* LastMatrices = nullptr;
    int NumBounds = 0;
};

#endif
