#ifndef MODEL_STATIC_H
#define MODEL_STATIC_H

#include <cstdint>

class gfxPacket;
class gfxTexture;
struct Matrix34;
struct modShader;

// Called with each vertex of a geometry as it is read, before it goes into its packet.
typedef void (*modVertexCallback)(void* vertex, uint32_t format, void* context);

// Static geometry: indexed triangle-list packets, each drawn with one shader of a table.
class modStatic {
public:
    static constexpr uint8_t Kept = 1;         // loaded for keeping: packets hold their vertices
    static constexpr uint8_t Translucent = 2;  // some packet's shader is see-through

    modStatic() = default;
    ~modStatic();
    modStatic(const modStatic&) = delete;
    modStatic& operator=(const modStatic&) = delete;

    // The geometry item of that name from the innermost open package; null when it is not
    // the next item there or is damaged.
    static modStatic* Load(const char* itemName, modVertexCallback callback = nullptr,
                           void* context = nullptr, bool keep = false);
    // The largest distance of a vertex from the origin; 0 when the item is not there.
    static float Radius(const char* itemName);
    // Load, measuring the radius on the way (0 when the item is not there).
    static modStatic* LoadMeasured(const char* itemName, float& radius);

    // Each packet with its shader; blending goes on for the translucent packets of a
    // translucent geometry and back off after them.
    void Draw(const modShader* shaders) const;
    // The same, blending left as it is.
    void DrawNoAlpha(const modShader* shaders) const;
    // Every packet in the fade alpha as the texture factor.
    void DrawFaded(const modShader* shaders, uint8_t alpha) const;
    // Every packet with the state as it stands.
    void DrawNoState() const;
    void CheckAlpha(const modShader* shaders);
    // The environment-mapped pass around DrawNoState: stage 0 takes the environment texture at
    // coordinates made from each vertex's reflection of the view, turned back into the world
    // by the camera and mapped into 0 to 1 (y reversed). EndEnvMap returns stage 0 to the
    // vertices' own coordinates.
    static void BeginEnvMap(const gfxTexture* environment);
    static void EndEnvMap();
    modStatic* Clone() const;
    uint32_t GetVertexCount() const;
    uint32_t GetTriangleCount() const;

    uint8_t m_PacketCount = 0;
    uint8_t m_Flags = 0;
    uint16_t m_Format = 0;
    uint8_t* m_ShaderIndices = nullptr;
    gfxPacket** m_Packets = nullptr;

private:
    void DrawPackets(const modShader* shaders, bool blend) const;
};

// The placement matrix "<a>_<b>.mtx" of directory "geometry"; false when there is none.
bool modLoadMatrix(Matrix34& matrix, const char* a, const char* b);

#endif
