#ifndef CITYEDIT_TIFFIMAGE_H
#define CITYEDIT_TIFFIMAGE_H

class gfxImage;

// Each side of a TIFF image read whole into memory is at most this many pixels.
const int MaxTiffSide = 16384;

// The TIFF file (named as it stands) decoded whole, rows from the image's bottom one up: a
// 32-bit image (bytes red, green, blue, alpha) when it has alpha, else 24-bit. Null, with an
// error, when it does not open, is larger than MaxTiffSide, or libtiff reports any error
// while reading it; libtiff's errors and warnings go to the printer.
gfxImage* LoadTiffImage(const char* name);

#endif
