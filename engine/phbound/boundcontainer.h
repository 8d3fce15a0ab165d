#ifndef PHBOUND_BOUNDCONTAINER_H
#define PHBOUND_BOUNDCONTAINER_H

#include "phbound/bound.h"
#include "vector/matrix34.h"

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

    phBound* SingleBound = nullptr;
    phBound** Bounds = nullptr;
    Matrix34* Matrices = nullptr;
    int NumBounds = 0;
};

#endif
