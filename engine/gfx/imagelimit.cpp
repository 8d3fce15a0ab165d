// The largest side a loaded texture keeps: larger images lose their top levels, or are halved.
#include "gfx/image.h"

namespace {

int sm_MaxImageSize = 0;

// Every second pixel of every second row; a side of 1 stays 1. Only a level without lower
// levels is halved: one with them gives way to them instead.
void HalveInPlace(gfxImage* image) {
    int bits = gfxImage::BitsPerPixel(image->m_Format);
    int stepX = image->m_XRes > 1 ? 2 : 1;
    int stepY = image->m_YRes > 1 ? 2 : 1;
    int width = image->m_XRes / stepX;
    int height = image->m_YRes / stepY;
    int stride = (bits * width) >> 3;
    for (int y = 0; y < height; ++y) {
        const unsigned char* in = image->Row(stepY * y);
        unsigned char* out = image->m_Pixels + y * stride;
        for (int x = 0; x < width; ++x) {
            int from = stepX * x;
            if (bits >= 8) {
                int bytes = bits >> 3;
                for (int b = 0; b < bytes; ++b) {
                    out[x * bytes + b] = in[from * bytes + b];
                }
            } else {
                unsigned char index = (in[from >> 1] >> (4 * (from & 1))) & 0x0F;
                out[x >> 1] = x & 1 ? (unsigned char)((out[x >> 1] & 0x0F) | index << 4)
                                    : (unsigned char)((out[x >> 1] & 0xF0) | index);
            }
        }
    }
    image->m_XRes = (uint16_t)width;
    image->m_YRes = (uint16_t)height;
    image->m_Stride = (uint16_t)stride;
}

}  // namespace

int gfxSetMaxImageSize(int size) {
    int previous = sm_MaxImageSize;
    sm_MaxImageSize = size;
    return previous;
}

gfxImage* gfxLimitImageSize(gfxImage* image) {
    int limit = sm_MaxImageSize;
    while (limit > 0 && image && (image->m_XRes > limit || image->m_YRes > limit)) {
        if (image->m_Next) {
            // The top level goes; the next one, already counted once by its parent, becomes
            // the image with the reference the caller held.
            gfxImage* next = image->m_Next;
            delete[] image->m_Pixels;
            next->m_Flags = image->m_Flags;
            delete image;
            image = next;
        } else {
            HalveInPlace(image);
        }
    }
    return image;
}
