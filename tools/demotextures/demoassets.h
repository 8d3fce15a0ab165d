#ifndef TOOLS_DEMOTEXTURES_DEMOASSETS_H
#define TOOLS_DEMOTEXTURES_DEMOASSETS_H

// The parts of the demo city's generator. Each writes its files below the asset root that the
// asset manager holds, the same bytes on every run.

#include "data/bytes.h"

#include <cstdint>
#include <string>

// The textures of "texture".
bool WriteDemoTextures();
// The model packages of "geometry", their join lines in "scene" and bounds in "bound".
bool WriteDemoModels();
// The path set "city/demo.pathset" and the light-map image "city/demolight.tif".
bool WriteDemoPathSet();
bool WriteDemoLightImage();

// A file's bytes, little-endian, built field by field.
class DemoBytes {
public:
    void U8(uint32_t value) { m_Bytes += char(value & 0xFF); }
    void U16(uint32_t value) {
        U8(value);
        U8(value >> 8);
    }
    void U32(uint32_t value) {
        U16(value);
        U16(value >> 16);
    }
    void F32(float value) { U32(BitsFromFloat(value)); }
    void Text(const std::string& text) { m_Bytes += text; }
    // The text and its zero, padded with zeros to size bytes.
    void Name(const std::string& text, size_t size) {
        std::string field = text;
        field.resize(size, '\0');
        m_Bytes += field;
    }
    size_t Size() const { return m_Bytes.size(); }
    const std::string& Bytes() const { return m_Bytes; }

private:
    std::string m_Bytes;
};

// Writes the bytes to "<directory>/<name>.<extension>" through a replacing stream.
bool WriteDemoFile(const char* directory, const char* name, const char* extension,
                   const std::string& bytes);

#endif
