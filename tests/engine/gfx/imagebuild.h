#ifndef TESTS_ENGINE_GFX_IMAGEBUILD_H
#define TESTS_ENGINE_GFX_IMAGEBUILD_H

#include <cstdint>
#include <vector>

// Image files made byte by byte for the reader tests and as seeds of their mutation runs.

using Bytes = std::vector<unsigned char>;

inline void Put16(Bytes& out, unsigned v) {
    out.push_back((unsigned char)v);
    out.push_back((unsigned char)(v >> 8));
}

inline void Put32(Bytes& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

inline Bytes TexHeader(int width, int height, int type, int levels, uint32_t flags) {
    Bytes out;
    Put16(out, width);
    Put16(out, height);
    Put16(out, type);
    Put16(out, levels);
    Put16(out, 0);
    Put32(out, flags);
    return out;
}

inline Bytes TgaHeader(int width, int height, int depth, int descriptor, int type = 2, int idLength = 0) {
    Bytes out = {(unsigned char)idLength, 0, (unsigned char)type, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Put16(out, width);
    Put16(out, height);
    out.push_back((unsigned char)depth);
    out.push_back((unsigned char)descriptor);
    return out;
}

// A bitmap with a 40-byte header; rows as given (already padded), palette entries of 4 bytes.
inline Bytes BmpFile(int width, int height, int bits, const Bytes& palette, const Bytes& rows,
              uint32_t compression = 0) {
    Bytes out = {'B', 'M'};
    uint32_t offset = 54 + (uint32_t)palette.size();
    Put32(out, offset + (uint32_t)rows.size());
    Put32(out, 0);
    Put32(out, offset);
    Put32(out, 40);
    Put32(out, width);
    Put32(out, height);
    Put16(out, 1);
    Put16(out, bits);
    Put32(out, compression);
    for (int i = 0; i < 5; ++i) {
        Put32(out, 0);
    }
    out.insert(out.end(), palette.begin(), palette.end());
    out.insert(out.end(), rows.begin(), rows.end());
    return out;
}

#endif
