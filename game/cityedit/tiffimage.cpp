// TIFF images through libtiff.
#include "cityedit/tiffimage.h"

#include "data/printer.h"
#include "gfx/image.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <memory>

namespace {

const int MessageSize = 512;

// Set by every error libtiff reports while an image is read.
bool sTiffFailed = false;

void Format(char* text, const char* module, const char* format, va_list args) {
    int length = snprintf(text, MessageSize, "%s: ", module ? module : "TIFF");
    if (length < 0 || length >= MessageSize) {
        length = 0;
    }
    vsnprintf(text + length, size_t(MessageSize - length), format, args);
}

void TiffError(const char* module, const char* format, va_list args) {
    char text[MessageSize];
    Format(text, module, format, args);
    PrintError("%s", text);
    sTiffFailed = true;
}

void TiffWarning(const char* module, const char* format, va_list args) {
    char text[MessageSize];
    Format(text, module, format, args);
    PrintWarning("%s", text);
}

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

struct RasterFree {
    void operator()(uint32_t* raster) const { _TIFFfree(raster); }
};

bool HasAlpha(TIFF* tiff) {
    uint16_t samples = 0;
    uint16_t extraCount = 0;
    uint16_t* extra = nullptr;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extra);
    return samples == 4 || (extraCount == 1 && extra && extra[0] != 0);
}

// The packed raster (red in the low byte) into the image's rows, in the raster's order.
void CopyRaster(const uint32_t* raster, gfxImage& image) {
    int bytes = image.m_Format == gfxImage::rif8888 ? 4 : 3;
    for (int y = 0; y < image.m_YRes; ++y) {
        unsigned char* out = image.Row(y);
        const uint32_t* in = raster + size_t(y) * image.m_XRes;
        for (int x = 0; x < image.m_XRes; ++x) {
            for (int b = 0; b < bytes; ++b) {
                out[x * bytes + b] = (unsigned char)(in[x] >> (8 * b));
            }
        }
    }
}

}  // namespace

gfxImage* LoadTiffImage(const char* name) {
    TIFFSetErrorHandler(TiffError);
    TIFFSetWarningHandler(TiffWarning);
    sTiffFailed = false;
    std::unique_ptr<TIFF, TiffCloser> tiff(TIFFOpen(name, "rb"));
    if (!tiff) {
        return nullptr;
    }
    uint32_t width = 0;
    uint32_t height = 0;
    TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
    bool alpha = HasAlpha(tiff.get());
    PrintMessage("File '%s' alpha = %d", name, alpha ? 1 : 0);
    int format = alpha ? gfxImage::rif8888 : gfxImage::rif888;
    // The whole raster is held at once: its size is known before anything is allocated.
    if (width < 1 || height < 1 || width > uint32_t(MaxTiffSide) ||
        height > uint32_t(MaxTiffSide) || !gfxImage::Fits(int(width), int(height), format)) {
        PrintError("File '%s' is %u x %u pixels; images of 1 x 1 to %d x %d are read.", name,
                   width, height, MaxTiffSide, MaxTiffSide);
        return nullptr;
    }
    std::unique_ptr<uint32_t, RasterFree> raster(
        static_cast<uint32_t*>(_TIFFmalloc(tmsize_t(width) * height * sizeof(uint32_t))));
    if (!raster) {
        PrintError("File '%s': no memory for its %u x %u pixels.", name, width, height);
        return nullptr;
    }
    int decoded = TIFFReadRGBAImage(tiff.get(), width, height, raster.get(), 0);
    if (!decoded || sTiffFailed) {
        PrintError("File '%s' could not be read whole.", name);
        return nullptr;
    }
    gfxImage* image = gfxImage::Create(int(width), int(height), format, 0, 0);
    if (image) {
        CopyRaster(raster.get(), *image);
    }
    return image;
}
