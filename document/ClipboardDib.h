// Pictures on the clipboard. Skyloom puts a packed 24-bit bitmap there (as a BMP file,
// "image/bmp", and as an image for programs that want one) and takes back packed bitmaps,
// BMP files or any image Qt can read, as 24-bit pictures.
#pragma once

#include "Dib.h"

#include <QByteArray>

#include <memory>

class QImage;

// The BMP file of a packed bitmap: a 14-byte file header, then the block without its
// 4 trailing zero bytes.
QByteArray BmpFileFromPackedDib(const CGlobalBlock& block);

// A picture from a BMP file held in memory; null when the bytes are not a BMP we read, or
// claim more than they hold, or a size past the picture limit.
std::unique_ptr<CDib> DibFromBmpFile(const QByteArray& file);

// A picture from a packed bitmap (header, colour table, rows) held in memory, checked
// against the block's real length; null when it does not fit.
std::unique_ptr<CDib> DibFromPackedBitmap(const QByteArray& block);

// A picture from any image, converted to 24 bits (alpha dropped); null for a null image or
// one past the picture limit.
std::unique_ptr<CDib> DibFromImage(const QImage& image);
