// The room's primitives as records of kind, count and positions: the geometry export.
#include "city/sdl.h"

#include "city/sdlwalk.h"
#include "data/assert.h"

#include <cstring>

namespace {

class RecordSink : public lvlRoomSink {
public:
    RecordSink(uint32_t* buffer, int size) : m_Write(buffer), bufsize(size) {}

    void Texture(uint32_t) override {}
    void Color(uint32_t) override {}
    void Primitive(uint32_t kind, const lvlRoomVertex* vertices, uint32_t count) override {
        AssertText((bufsize -= 2) >= 0, "bufsize-=2 >= 0");
        *m_Write++ = kind;
        *m_Write++ = count;
        for (uint32_t i = 0; i < count; ++i) {
            AssertText((bufsize -= 3) >= 0, "bufsize-=3 >= 0");
            memcpy(m_Write, &vertices[i].x, 12);
            m_Write += 3;
        }
        ++m_Records;
    }

    int m_Records = 0;

private:
    uint32_t* m_Write;
    // Words left, named as the assertions report it.
    int bufsize;
};

}  // namespace

int lvlSDL::GetRoomTriangles(int lod, uint32_t* buffer, int bufsize) const {
    RecordSink sink(buffer, bufsize);
    lvlWalkRoom(*this, lod, 0xFFFFFFFF, sink);
    return sink.m_Records;
}
