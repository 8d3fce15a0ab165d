// The file side shared by the image readers.
#include "gfx/imageread.h"

#include "data/asset.h"
#include "data/stream.h"
#include "gfx/texreg.h"

gfxImageFile::gfxImageFile(const char* name, const char* extension, bool quiet)
    : m_Stream(datAssetManager::Open("texture", name, extension, quiet)), m_Size(0) {
    if (m_Stream) {
        m_Size = StreamSize(m_Stream);
    }
}

gfxImageFile::~gfxImageFile() {
    if (m_Stream) {
        StreamClose(m_Stream);
    }
}

bool gfxImageFile::Read(void* bytes, int count) {
    if (count < 0 || count > Left() || StreamRead(m_Stream, bytes, count) != count) {
        return false;
    }
    gfxImageBytesRead += uint32_t(count);
    return true;
}

bool gfxImageFile::Seek(int position) {
    return position >= 0 && position <= m_Size && StreamSeek(m_Stream, position) >= 0;
}

int64_t gfxImageFile::Left() const { return m_Size - StreamTell(m_Stream); }
