#ifndef TESTS_ENGINE_MODEL_MODELFIXTURE_H
#define TESTS_ENGINE_MODEL_MODELFIXTURE_H

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

// Little-endian pieces of package items, and the items themselves.
inline std::string U32(uint32_t n) {
    return std::string{(char)n, (char)(n >> 8), (char)(n >> 16), (char)(n >> 24)};
}

inline std::string F32(float f) {
    uint32_t bits;
    memcpy(&bits, &f, 4);
    return U32(bits);
}

inline std::string PackageItem(const std::string& name, const std::string& payload) {
    return "FILE" + std::string(1, (char)(name.size() + 1)) + name + '\0' +
           U32((uint32_t)payload.size()) + payload;
}

// An unpacked shader record: the name (none when empty), diffuse, an ambient the reader
// ignores, specular and emissive colours, and the power.
inline std::string ShaderRecord(const std::string& name, const float diffuse[4], float power,
                                float specular = 0.0f) {
    std::string record(1, name.empty() ? '\0' : (char)(name.size() + 1));
    if (!name.empty()) {
        record += name + '\0';
    }
    for (int i = 0; i < 4; ++i) {
        record += F32(diffuse[i]);
    }
    for (int i = 0; i < 4; ++i) {
        record += F32(0.25f);
    }
    for (int colour = 0; colour < 2; ++colour) {
        for (int i = 0; i < 4; ++i) {
            record += F32(colour == 0 ? specular : 0.0f);
        }
    }
    return record + F32(power);
}

// A geometry item of packets in format 0x142 (position, colour, one coordinate pair): each a
// triangle of three vertices, colour stored 0xAABBGGRR, with its shader index.
inline std::string GeometryItem(const std::vector<uint32_t>& shaders, uint32_t indexCount = 3) {
    std::string item = U32((uint32_t)shaders.size()) + U32(3 * (uint32_t)shaders.size()) + U32(0) +
                       U32(0) + U32(0x142);
    for (size_t p = 0; p < shaders.size(); ++p) {
        item += U32(1) + U32(shaders[p]) + U32(3) + U32(3);
        for (int v = 0; v < 3; ++v) {
            item += F32(float(v + p)) + F32(float(2 * v)) + F32(-3.0f) + U32(0xFF332211) +
                    F32(0.0f) + F32(1.0f);
        }
        item += U32(indexCount);
        for (uint32_t i = 0; i < indexCount; ++i) {
            item += std::string{(char)(i % 3), 0};
        }
    }
    return item;
}

#endif
