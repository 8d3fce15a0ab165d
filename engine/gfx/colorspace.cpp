// Hue, saturation and value against red, green and blue, and the integer logarithm of sizes.
#include "gfx/image.h"

#include <algorithm>

void gfxHsvToRgb(Vector3& rgb, const Vector3& hsv) {
    float hue = hsv.x;
    float saturation = hsv.y;
    float value = hsv.z;
    if (saturation == 0.0f) {
        rgb.Set(value, value, value);
        return;
    }
    int i = (int)(hue * 6.0f);
    float f = hue * 6.0f - (float)i;
    float p = value * (1.0f - saturation);
    float q = value * (1.0f - f * saturation);
    float t = value * (1.0f - (1.0f - f) * saturation);
    // A hue of exactly 1 is the same colour as 0.
    switch (i % 6) {
    case 0:
        rgb.Set(value, t, p);
        break;
    case 1:
        rgb.Set(q, value, p);
        break;
    case 2:
        rgb.Set(p, value, t);
        break;
    case 3:
        rgb.Set(p, q, value);
        break;
    case 4:
        rgb.Set(t, p, value);
        break;
    default:
        rgb.Set(value, p, q);
        break;
    }
}

void gfxRgbToHsv(Vector3& hsv, const Vector3& rgb) {
    float largest = std::max(rgb.x, std::max(rgb.y, rgb.z));
    float smallest = std::min(rgb.x, std::min(rgb.y, rgb.z));
    if (largest == 0.0f) {
        hsv.Set(0.0f, 0.0f, 0.0f);
        return;
    }
    float saturation = (largest - smallest) / largest;
    float span = largest - smallest;
    float hue = 0.0f;
    if (span > 0.0f) {
        if (rgb.x == largest) {
            hue = (rgb.y - rgb.z) / span;
        } else if (rgb.y == largest) {
            hue = 2.0f + (rgb.z - rgb.x) / span;
        } else {
            hue = 4.0f + (rgb.x - rgb.y) / span;
        }
        if (hue < 0.0f) {
            hue += 6.0f;
        }
    }
    hsv.Set(hue * (1.0f / 6.0f), saturation, largest);
}

int gfxLog2(int n) {
    int halvings = 0;
    while (n > 1) {
        n >>= 1;
        ++halvings;
    }
    return halvings;
}
