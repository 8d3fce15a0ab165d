#ifndef CITY_MATERIALS_H
#define CITY_MATERIALS_H

class HashTable;

// The position of the named material in the game's material manager (0 is its default
// material, "default"), or -1 when the manager does not hold it.
int FindMaterialPosition(const char* name);

// Reads the material table "materials.csv" of "city" into texture name -> material index
// (the material's position + 1; the first line for a texture wins). Returns the largest index,
// 0 when the table is missing or names no known material.
int LoadMaterialTable(HashTable& indices);

#endif
