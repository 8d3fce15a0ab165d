#ifndef CITYEDIT_FACADEDRAW_H
#define CITYEDIT_FACADEDRAW_H

struct Vector3;
class SurfaceElement;

// One wall span from corner a to corner b between two heights, covered with a walls element:
// a plain element as a tiled facade, a custom one as instances of its model, a composite one
// as its components stacked. Textures are selected only when textured is set. variant holds
// one 4-bit variant per component (a custom element uses bits 0-3); break1 and break2, when
// not 0, are the heights where a composite's components meet.
void DrawFacade(SurfaceElement& element, bool textured, const Vector3& a, const Vector3& b,
                float bottom, float top, float wallTile, int variant, int level, float break1,
                float break2);

// The element's texture for what follows; none for a null element.
void SelectElementTexture(SurfaceElement* element);

#endif
