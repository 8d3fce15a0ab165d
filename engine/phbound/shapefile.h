#ifndef PHBOUND_SHAPEFILE_H
#define PHBOUND_SHAPEFILE_H

#include <cstdint>

#include "phcore/material.h"
#include "vector/vector3.h"

// Whether counts read from a text bound file can be true: none negative, and their records
// (each takes a few bytes at the least) no longer than the file.
bool phBoundTextCountsFit(int64_t fileSize, int numVertices, int numMaterials, int numEdges,
                          int numPolygons);

// Whether a vertex read from a bound file is one the bound can compute with (finite, within
// MaxCoordinate); when it is not, says so in the words of className::function.
bool phCheckBoundVertex(const char* className, const char* function, const char* name,
                        const char* extension, int index, const Vector3& vertex);

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

// For the shapes with one material of their own: each block's name and properties are
// copied into it, so the last block wins.
struct phOwnMaterialFile : phShapeFile {
    explicit phOwnMaterialFile(phMaterial& material) : m_Material(material) {}
    void TakeMaterial(int index, phMaterial* material) override;
    phMaterial& m_Material;
};

#endif
