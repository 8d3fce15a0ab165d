// The 24-bit ".bmp" writer of screen shots and the raw bitmap stream of frame capture.
#include "gfx/imagebytes.h"
#include "gfx/imagefile.h"

#include "data/asset.h"
#include "data/printer.h"
#include "data/stream.h"

#include <cstring>
#include <vector>

bool gfxUse565 = true;

namespace {

const int HeaderSize = 54;

// Rows are padded to whole 4-byte words, as every reader of bitmaps expects; widths whose
// rows already fill whole words (640, 800, ...) are unchanged by it.
int PaddedRow(int width) { return (3 * width + 3) & ~3; }

std::vector<unsigned char> BmpHeader(int width, int height) {
    std::vector<unsigned char> header;
    header.push_back('B');
    header.push_back('M');
    PutU32(header, (uint32_t)(PaddedRow(width) * height + HeaderSize));
    PutU16(header, 0);
    PutU16(header, 0);
    PutU32(header, HeaderSize);
    PutU32(header, 40);
    PutU32(header, (uint32_t)width);
    PutU32(header, (uint32_t)height);
    PutU16(header, 1);
    PutU16(header, 24);
    PutU32(header, 0);
    PutU32(header, 0);
    PutU32(header, (uint32_t)width);
    PutU32(header, (uint32_t)height);
    PutU32(header, 0);
    PutU32(header, 0);
    return header;
}

// One row of the image as three bytes per pixel; screen images already hold blue, green, red.
void BmpRow(const gfxImage* image, int y, unsigned char* out) {
    const unsigned char* in = image->Row(y);
    for (int x = 0; x < image->m_XRes; ++x, out += 3) {
        if (image->m_Format == gfxImage::rif8888 || image->m_Format == gfxImage::rif888) {
            int bytes = image->m_Format == gfxImage::rif8888 ? 4 : 3;
            out[0] = in[x * bytes];
            out[1] = in[x * bytes + 1];
            out[2] = in[x * bytes + 2];
        } else if (gfxUse565) {
            uint16_t word = image->Word(x, y);
            out[0] = Expand5(word & 31);
            out[1] = Expand6((word >> 5) & 63);
            out[2] = Expand5(word >> 11);
        } else {
            uint16_t word = image->Word(x, y);
            out[0] = Expand5(word & 31);
            out[1] = Expand5((word >> 5) & 31);
            out[2] = Expand5((word >> 10) & 31);
        }
    }
}

const char* SavingMessage(int format) {
    switch (format) {
    case gfxImage::rif8888:
        return "Saving a rif8888 image";
    case gfxImage::rif888:
        return "Saving a rif888 image";
    case gfxImage::rif5551:
    case gfxImage::rif555:
        return "Saving a rif555 image";
    default:
        return nullptr;
    }
}

}  // namespace

bool gfxSaveBmp(const char* fileName, gfxImage* image) {
    const char* saving = SavingMessage(image->m_Format);
    // A header without pixels would be a broken file reported as saved.
    if (!saving) {
        PrintError("gfxSaveBmp: can't save image format %d as a bitmap.", image->m_Format);
        return false;
    }
    Stream* stream = datAssetManager::CreateReplacing(nullptr, fileName, "bmp");
    if (!stream) {
        return false;
    }
    PrintMessage("%s", saving);
    std::vector<unsigned char> bytes = BmpHeader(image->m_XRes, image->m_YRes);
    int rowSize = PaddedRow(image->m_XRes);
    size_t at = bytes.size();
    bytes.resize(at + (size_t)rowSize * image->m_YRes, 0);
    for (int y = image->m_YRes - 1; y >= 0; --y, at += rowSize) {
        BmpRow(image, y, bytes.data() + at);
    }
    bool wrote = StreamWrite(stream, bytes.data(), (int)bytes.size()) == (int)bytes.size();
    return StreamClose(stream) == 0 && wrote;
}

Stream* gfxOpenRawBmpStream(const char* fileName, int width, int height) {
    PrintLevel0("gfxOpenRawBmpStream: opening bmp stream %s width(%d) height(%d)\n", fileName,
                 width, height);
    Stream* stream = datAssetManager::CreateReplacing(nullptr, fileName, "bmp");
    if (stream) {
        std::vector<unsigned char> header = BmpHeader(width, height);
        StreamWrite(stream, header.data(), (int)header.size());
    }
    return stream;
}

void gfxWriteRawBmpFrame(Stream* stream, const uint32_t* pixels, int count) {
    std::vector<unsigned char> bytes((size_t)count * 3);
    for (int i = 0; i < count; ++i) {
        bytes[3 * i] = (unsigned char)pixels[i];
        bytes[3 * i + 1] = (unsigned char)(pixels[i] >> 8);
        bytes[3 * i + 2] = (unsigned char)(pixels[i] >> 16);
    }
    StreamWrite(stream, bytes.data(), (int)bytes.size());
}

void gfxCloseRawBmpStream(Stream* stream) {
    PrintLevel0("gfxCloseRawBmpStream: well, closing the stream\n");
    // The capture is replaced whole or not at all; the frames lost are worth a word.
    char name[Stream::MaxName + 1];
    strcpy(name, stream->m_Name);
    if (StreamClose(stream) < 0) {
        PrintError("gfxCloseRawBmpStream: could not write all of '%s'.", name);
    }
}
