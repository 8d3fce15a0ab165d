#ifndef PHBOUND_SHAPEFILE_H
#define PHBOUND_SHAPEFILE_H

#include "vector/vector3.h"

class phMaterial;

// What the shape bounds (box, sphere, hotdog) take from a text bound file: the box round its
// vertices and its material blocks. Edges and polygons are read and dropped.
struct phShapeFile {
    Vector3 BoxMin;
    Vector3 BoxMax;
    int NumMaterials = 0;
    // Called with each material block in file order, as the material manager registered it.
    virtual void TakeMaterial(int index, phMaterial* material) = 0;
    virtual ~phShapeFile() {}

    // Reads "bound\<name>.bnd"; className names the bound in the messages. False, with the
    // message, for a missing or damaged file.
    bool Read(const char* className, const char* name);
};

#endif
