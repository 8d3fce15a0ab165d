// The own device's rasterizer: routine selection by render state, triangle set-up with
// culling, the edge walker and the span routines.
#include "gfx/keshraster.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Render states the rasterizer reads. Perspective correction (4) would select a set-up that
// behaves the same, so it is not read.
const int StateZEnable = 7;
const int StateShadeMode = 9;
const int StatePlaneMask = 13;
const int StateZWrite = 14;
const int StateDestBlend = 20;
const int StateCullMode = 22;
const int StateAlphaBlend = 27;
const int StateSubpixel = 31;
const int StateSubpixelX = 32;
const uint32_t CullClockwise = 2;
const uint32_t CullCounterClockwise = 3;
const uint32_t ShadeGouraud = 2;
const uint32_t BlendOne = 2;

const int ChunkSize = 16;
const int MaxTemplate = 8;
// Vertices further out than this are not drawn: the snapping and the fixed-point edge
// arithmetic hold for coordinates well inside it.
const float MaxCoordinate = 32768.0f;

const float UScale = 4294967296.0f;
const float ZScale = 4.2949018e+09f;

// The value a scaled attribute takes at pixel (x, y), kept as a plane through the integers.
// Texture coordinates use the low 32 bits, so that they wrap; depth keeps all of them and is
// clamped to the 16-bit range per pixel, so that a pixel centre just past a vertex does not
// wrap around.
struct Gradient {
    int64_t m_Base;  // at the walk's reference pixel
    int64_t m_DX;
    int64_t m_DY;

    int64_t At(int64_t x, int64_t row) const { return m_Base + m_DX * x + m_DY * row; }
};

int64_t Rounded(float value) {
    return (int64_t)llrintf(value);
}

uint16_t DepthOf(int64_t z) {
    int64_t d = z >> 16;
    return (uint16_t)(d < 0 ? 0 : (d > 0xFFFF ? 0xFFFF : d));
}

// Ceiling of n / d for d > 0.
int64_t CeilDiv(int64_t n, int64_t d) {
    return n >= 0 ? (n + d - 1) / d : -((-n) / d);
}

// One edge from a to b (sixteenths of a pixel, a above b): the first pixel column whose centre
// lies at or right of the edge, row by row, as an integer step plus an error term.
struct EdgeStepper {
    int64_t m_Column;
    int64_t m_Error;  // in [0, m_Denominator)
    int64_t m_Step;
    int64_t m_StepError;
    int64_t m_Denominator;

    void Start(const int32_t a[2], const int32_t b[2], int row) {
        int64_t dy = b[1] - a[1];
        int64_t dx = b[0] - a[0];
        m_Denominator = 16 * dy;
        // Column = ceil(N / D) with N = xa dy + (16 row - ya) dx.
        int64_t n = (int64_t)a[0] * dy + (16 * (int64_t)row - a[1]) * dx + m_Denominator - 1;
        m_Column = FloorDiv(n, m_Denominator);
        m_Error = n - m_Column * m_Denominator;
        int64_t step = 16 * dx;
        m_Step = FloorDiv(step, m_Denominator);
        m_StepError = step - m_Step * m_Denominator;
    }

    void NextRow() {
        m_Column += m_Step;
        m_Error += m_StepError;
        if (m_Error >= m_Denominator) {
            m_Error -= m_Denominator;
            ++m_Column;
        }
    }

    static int64_t FloorDiv(int64_t n, int64_t d) {
        int64_t q = n / d;
        return (n % d != 0 && n < 0) ? q - 1 : q;
    }
};

// Pairs of pixels as 32-bit words, a lone pixel at either end when needed.
void FillFlat(uint16_t* p, int count, uint16_t colour) {
    if (((uintptr_t)p & 2) && count) {
        *p++ = colour;
        --count;
    }
    uint32_t pair = (uint32_t)colour << 16 | colour;
    for (; count >= 2; count -= 2, p += 2) {
        memcpy(p, &pair, 4);
    }
    if (count) {
        *p = colour;
    }
}

// Sixteen unrolled pixel steps of texture template k, entered at the step that leaves count of
// them to run.
template <int K>
void FillTextured(uint16_t* p, int count, const keshTexture& texture, uint32_t& u, uint32_t& v,
                  uint32_t du, uint32_t dv) {
    const uint16_t* texels = texture.m_Texels;
    const uint32_t pitch = (uint32_t)texture.m_Pitch;
    const uint32_t rows = texture.m_RowMask;
#define KESH_TEXEL_STEP                                                               \
    *p++ = texels[((v >> 16) & rows) * pitch + (K ? (u >> ((32 - K) & 31)) : 0)];    \
    u += du;                                                                          \
    v += dv;
    switch (count) {
    case 16: KESH_TEXEL_STEP  // fall through
    case 15: KESH_TEXEL_STEP  // fall through
    case 14: KESH_TEXEL_STEP  // fall through
    case 13: KESH_TEXEL_STEP  // fall through
    case 12: KESH_TEXEL_STEP  // fall through
    case 11: KESH_TEXEL_STEP  // fall through
    case 10: KESH_TEXEL_STEP  // fall through
    case 9: KESH_TEXEL_STEP   // fall through
    case 8: KESH_TEXEL_STEP   // fall through
    case 7: KESH_TEXEL_STEP   // fall through
    case 6: KESH_TEXEL_STEP   // fall through
    case 5: KESH_TEXEL_STEP   // fall through
    case 4: KESH_TEXEL_STEP   // fall through
    case 3: KESH_TEXEL_STEP   // fall through
    case 2: KESH_TEXEL_STEP   // fall through
    case 1: KESH_TEXEL_STEP
    default:
        break;
    }
#undef KESH_TEXEL_STEP
}

typedef void (*TexturedFiller)(uint16_t*, int, const keshTexture&, uint32_t&, uint32_t&,
                               uint32_t, uint32_t);
const TexturedFiller TexturedFillers[MaxTemplate + 1] = {
    FillTextured<0>, FillTextured<1>, FillTextured<2>, FillTextured<3>, FillTextured<4>,
    FillTextured<5>, FillTextured<6>, FillTextured<7>, FillTextured<8>};

}  // namespace

// The interpolants of one span at its current pixel and their steps per pixel.
struct keshRaster::Span {
    uint16_t m_Colour;
    uint32_t m_U, m_V;
    uint32_t m_DU, m_DV;
    int64_t m_Z, m_DZ;
};

keshRaster::keshRaster()
    : m_Target(),
      m_Texture(),
      m_States(),
      m_Selected(false),
      m_Cull(0),
      m_SubpixelBits(0),
      m_SpanKind(SpanFlat),
      m_DepthKind(DepthNone),
      m_SubtexelCorrection(false) {}

uint16_t keshRaster::Pack(uint32_t colour) const {
    uint32_t r = (colour >> 16) & 0xFF, g = (colour >> 8) & 0xFF, b = colour & 0xFF;
    if (m_Target.m_Is565) {
        return (uint16_t)((r >> 3) << 11 | (g >> 2) << 5 | b >> 3);
    }
    return (uint16_t)((r >> 3) << 10 | (g >> 3) << 5 | b >> 3);
}

void keshRaster::Select() {
    // Cull 0 and shade 0 are what the table holds before anyone sets them: none and flat.
    switch (m_States[StateCullMode]) {
    case CullClockwise:
        m_Cull = 1;
        break;
    case CullCounterClockwise:
        m_Cull = -1;
        break;
    default:
        m_Cull = 0;
        break;
    }
    m_SubpixelBits = m_States[StateSubpixel] ? 4 : 0;
    m_SubtexelCorrection = m_States[StateSubpixelX] != 0;
    if (!m_States[StatePlaneMask]) {
        m_SpanKind = SpanNothing;
    } else if (m_States[StateAlphaBlend] == 1 && m_States[StateDestBlend] == BlendOne &&
               !m_States[StateZEnable]) {
        m_SpanKind = SpanAdditive;
    } else if (m_Texture.m_Texels) {
        m_SpanKind = SpanTextured;
    } else {
        // Untextured Gouraud spans write nothing.
        m_SpanKind = m_States[StateShadeMode] == ShadeGouraud ? SpanNothing : SpanFlat;
    }
    if (!m_Target.m_Depth) {
        m_DepthKind = DepthNone;
    } else if (m_States[StateZEnable]) {
        m_DepthKind = m_States[StateZWrite] ? DepthTestWrite : DepthTest;
    } else {
        m_DepthKind = m_States[StateZWrite] ? DepthWrite : DepthNone;
    }
    m_Selected = true;
}

void keshRaster::DrawTriangle(const keshVertex& a, const keshVertex& b, const keshVertex& c,
                              bool reverse) {
    if (!m_Target.m_Pixels) {
        return;
    }
    if (!m_Selected) {
        Select();
    }
    if (m_SpanKind == SpanNothing) {
        return;
    }
    const keshVertex* v[3] = {&a, &b, &c};
    const float snap = m_SubpixelBits ? 786432.0f : 12582912.0f;
    int32_t snapped[3][2];
    for (int i = 0; i < 3; ++i) {
        float xy[2] = {v[i]->m_X, v[i]->m_Y};
        for (int k = 0; k < 2; ++k) {
            if (!(xy[k] > -MaxCoordinate && xy[k] < MaxCoordinate)) {
                return;
            }
            float s = (xy[k] + snap) - snap;
            snapped[i][k] = (int32_t)(s * 16.0f);
        }
    }
    int64_t area = (int64_t)(snapped[2][1] - snapped[0][1]) * (snapped[1][0] - snapped[0][0]) -
                   (int64_t)(snapped[1][1] - snapped[0][1]) * (snapped[2][0] - snapped[0][0]);
    int cull = reverse ? -m_Cull : m_Cull;
    if (area == 0 || (cull > 0 && area > 0) || (cull < 0 && area < 0)) {
        return;
    }
    uint16_t colour = Pack(a.m_Diffuse);
    int order[3] = {0, 1, 2};
    std::stable_sort(order, order + 3, [&](int i, int j) { return snapped[i][1] < snapped[j][1]; });
    int32_t sorted[3][2];
    for (int i = 0; i < 3; ++i) {
        sorted[i][0] = snapped[order[i]][0];
        sorted[i][1] = snapped[order[i]][1];
    }
    Walk(v[order[0]], v[order[1]], v[order[2]], sorted, colour);
}

void keshRaster::Walk(const keshVertex* top, const keshVertex* middle, const keshVertex* bottom,
                      const int32_t s[3][2], uint16_t colour) {
    float dx1 = middle->m_X - top->m_X, dy1 = middle->m_Y - top->m_Y;
    float dx2 = bottom->m_X - top->m_X, dy2 = bottom->m_Y - top->m_Y;
    float d = dy2 * dx1 - dx2 * dy1;
    if (d == 0) {
        return;
    }
    int firstRow = (int)CeilDiv(s[0][1], 16);
    int middleRow = (int)CeilDiv(s[1][1], 16);
    int endRow = (int)CeilDiv(s[2][1], 16);
    int row = std::max(firstRow, 0);
    int lastRow = std::min(endRow, m_Target.m_Height);
    if (row >= lastRow) {
        return;
    }

    // Attribute planes, referred to the pixel (0, row).
    const bool textured = m_SpanKind == SpanTextured;
    const bool depth = m_DepthKind != DepthNone;
    float refX = m_SubtexelCorrection ? top->m_X : (float)s[0][0] / 16.0f;
    float refY = m_SubtexelCorrection ? top->m_Y : (float)s[0][1] / 16.0f;
    auto plane = [&](float a0, float a1, float a2) {
        float da1 = a1 - a0, da2 = a2 - a0;
        float perX = (da1 * dy2 - da2 * dy1) / d;
        float perY = (da2 * dx1 - da1 * dx2) / d;
        Gradient g;
        g.m_DX = Rounded(perX);
        g.m_DY = Rounded(perY);
        double offset = (double)perX * (0.0 - refX) + (double)perY * ((double)row - refY);
        g.m_Base = Rounded(a0) + (int64_t)llrint(offset);
        return g;
    };
    Gradient gu = {}, gv = {}, gz = {};
    if (textured) {
        float vScale = m_Texture.m_Height * 65536.0f;
        gu = plane(top->m_U * UScale, middle->m_U * UScale, bottom->m_U * UScale);
        gv = plane(top->m_V * vScale, middle->m_V * vScale, bottom->m_V * vScale);
    }
    if (depth) {
        auto scaled = [](float z) { return std::min(std::max(z, 0.0f), 1.0f) * ZScale; };
        gz = plane(scaled(top->m_Z), scaled(middle->m_Z), scaled(bottom->m_Z));
    }

    // Which side the long edge is on: the middle vertex right of it puts it on the left.
    int64_t side = (int64_t)(s[1][0] - s[0][0]) * (s[2][1] - s[0][1]) -
                   (int64_t)(s[1][1] - s[0][1]) * (s[2][0] - s[0][0]);
    bool longLeft = side > 0;
    EdgeStepper longEdge, shortEdge;
    longEdge.Start(s[0], s[2], row);
    bool upper = row < middleRow;
    if (upper) {
        shortEdge.Start(s[0], s[1], row);
    } else {
        shortEdge.Start(s[1], s[2], row);
    }
    Span span = {};
    span.m_Colour = colour;
    span.m_DU = (uint32_t)gu.m_DX;
    span.m_DV = (uint32_t)gv.m_DX;
    span.m_DZ = gz.m_DX;
    int64_t rowIndex = 0;
    for (; row < lastRow; ++row, ++rowIndex) {
        if (upper && row >= middleRow) {
            upper = false;
            shortEdge.Start(s[1], s[2], row);
        }
        int64_t left = longLeft ? longEdge.m_Column : shortEdge.m_Column;
        int64_t right = longLeft ? shortEdge.m_Column : longEdge.m_Column;
        left = std::max<int64_t>(left, 0);
        right = std::min<int64_t>(right, m_Target.m_Width);
        if (left < right) {
            span.m_U = (uint32_t)gu.At(left, rowIndex);
            span.m_V = (uint32_t)gv.At(left, rowIndex);
            span.m_Z = gz.At(left, rowIndex);
            DrawSpan(row, (int)left, (int)right, span);
        }
        longEdge.NextRow();
        shortEdge.NextRow();
    }
}

void keshRaster::FillChunk(uint16_t* p, int count, Span& span) const {
    switch (m_SpanKind) {
    case SpanFlat:
        FillFlat(p, count, span.m_Colour);
        break;
    case SpanAdditive:
        // Each pixel its own 16-bit sum, without clamping.
        for (int i = 0; i < count; ++i) {
            p[i] = (uint16_t)(p[i] + span.m_Colour);
        }
        break;
    case SpanTextured:
        TexturedFillers[m_Texture.m_Log2Width](p, count, m_Texture, span.m_U, span.m_V,
                                               span.m_DU, span.m_DV);
        break;
    default:
        break;
    }
}

void keshRaster::DrawSpan(int y, int left, int right, Span& span) {
    uint16_t* pixels = m_Target.m_Pixels + (size_t)y * m_Target.m_Pitch + left;
    uint16_t* depth =
        m_Target.m_Depth ? m_Target.m_Depth + (size_t)y * m_Target.m_DepthPitch + left : nullptr;
    int n = right - left;
    while (n > 0) {
        // Chunks of 16 from the left, the last one holding the remaining 1 to 16.
        int count = std::min(n, ChunkSize);
        switch (m_DepthKind) {
        case DepthNone:
            FillChunk(pixels, count, span);
            break;
        case DepthWrite:
            FillChunk(pixels, count, span);
            for (int i = 0; i < count; ++i) {
                depth[i] = DepthOf(span.m_Z + span.m_DZ * i);
            }
            break;
        default: {
            bool pass[ChunkSize];
            bool any = false;
            for (int i = 0; i < count; ++i) {
                pass[i] = DepthOf(span.m_Z + span.m_DZ * i) <= depth[i];
                any |= pass[i];
            }
            if (!any) {
                span.m_U += span.m_DU * (uint32_t)count;
                span.m_V += span.m_DV * (uint32_t)count;
                break;
            }
            uint16_t scratch[ChunkSize];
            memcpy(scratch, pixels, count * sizeof(uint16_t));
            FillChunk(scratch, count, span);
            for (int i = 0; i < count; ++i) {
                if (pass[i]) {
                    pixels[i] = scratch[i];
                    if (m_DepthKind == DepthTestWrite) {
                        depth[i] = DepthOf(span.m_Z + span.m_DZ * i);
                    }
                }
            }
            break;
        }
        }
        span.m_Z += span.m_DZ * count;
        pixels += count;
        if (depth) {
            depth += count;
        }
        n -= count;
    }
}
