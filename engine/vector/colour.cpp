#include "vector/colour.h"

#include "vector/vector3.h"

namespace {

// The low 8 bits of the channel times 255, truncated. Out of the 32-bit range (and NaN) the
// conversion is undefined in C++; the result there is what the hardware conversion gives
// (0x80000000), so the channel is 0.
uint32_t PackChannel(float value) {
    float scaled = value * 255.0f;
    if (!(scaled > -2147483648.0f && scaled < 2147483648.0f)) {
        return 0;
    }
    return (uint32_t)(int32_t)scaled & 0xFF;
}

}  // namespace

uint32_t PackColor(float r, float g, float b, float a) {
    return PackChannel(a) << 24 | PackChannel(r) << 16 | PackChannel(g) << 8 | PackChannel(b);
}

void Vector3::RGBtoHSV() {
    float value = Maxf(Maxf(x, y), z);
    float minimum = std::fmin(std::fmin(x, y), z);
    float delta = value - minimum;
    if (delta <= 0.0f) {
        Set(0.0f, 0.0f, value);
        return;
    }
    float saturation = delta / value;
    float hue;
    if (x == value) {
        hue = (y - z) / delta;
    } else if (y == value) {
        hue = 2.0f + (z - x) / delta;
    } else {
        hue = 4.0f + (x - y) / delta;
    }
    if (hue < 0.0f) {
        hue += 6.0f;
    }
    Set(hue * 0.16666667f, saturation, value);
}

void Vector3::HSVtoRGB() {
    float v = z;
    float s = y;
    if (s == 0.0f) {
        Set(v, v, v);
        return;
    }
    float h6 = std::fmod(x, 1.0f) * 6.0f;
    // Negative hues (and NaN) have no sector; truncation alone would put (-1/6, 0) in sector 0.
    if (!(h6 >= 0.0f && h6 < 6.0f)) {
        return;
    }
    int sector = (int)h6;
    float f = h6 - (float)sector;
    float p = v * (1.0f - s);
    float q = v * (1.0f - f * s);
    float t = v * (1.0f - (1.0f - f) * s);
    switch (sector) {
        case 0:
            Set(v, t, p);
            break;
        case 1:
            Set(q, v, p);
            break;
        case 2:
            Set(p, v, t);
            break;
        case 3:
            Set(p, q, v);
            break;
        case 4:
            Set(t, p, v);
            break;
        default:
            Set(v, p, q);
            break;
    }
}
