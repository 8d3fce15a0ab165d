#ifndef GFX_IMAGEREAD_H
#define GFX_IMAGEREAD_H

#include "gfx/image.h"

#include <memory>

struct Stream;

// What the image readers share: a file in "texture" that is closed on every path, whose
// size is known before anything is allocated, and an image that is released unless handed out.
class gfxImageFile {
public:
    gfxImageFile(const char* name, const char* extension, bool quiet = true);
    ~gfxImageFile();
    gfxImageFile(const gfxImageFile&) = delete;
    gfxImageFile& operator=(const gfxImageFile&) = delete;

    bool IsOpen() const { return m_Stream != nullptr; }
    // False when the file holds fewer bytes.
    bool Read(void* bytes, int count);
    bool Seek(int position);
    // Bytes from the read position to the end.
    int64_t Left() const;
    int64_t Size() const { return m_Size; }

private:
    Stream* m_Stream;
    int64_t m_Size;
};

struct gfxImageReleaser {
    void operator()(gfxImage* image) const { gfxReleaseImage(image); }
};
using gfxImageRef = std::unique_ptr<gfxImage, gfxImageReleaser>;

#endif
