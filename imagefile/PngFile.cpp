// PNG through Qt's reader and writer (libpng underneath): every depth and colour type a
// PNG may have opens as our 24 bits, and pictures save as 8-bit RGB with an optional text
// chunk.
#include "ImageFile.h"
#include "PictureSize.h"
#include "SafeFile.h"

#include "app/Settings.h"
#include "document/Dib.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

namespace {

// The reader's own cap on what it allocates, in MiB: the largest picture we take, decoded
// at 8 bytes a pixel (16-bit RGBA), the widest format Qt gives for a PNG.
constexpr int kPngAllocationLimitMiB = static_cast<int>(kMaxDibBytes / 3 * 8 >> 20) + 1;

// The reader's allocation limit is process-wide: ours holds for one read only.
class CAllocationLimit
{
public:
    explicit CAllocationLimit(int nMiB) : m_nOld(QImageReader::allocationLimit())
    {
        QImageReader::setAllocationLimit(nMiB);
    }
    ~CAllocationLimit() { QImageReader::setAllocationLimit(m_nOld); }
    CAllocationLimit(const CAllocationLimit&) = delete;
    CAllocationLimit& operator=(const CAllocationLimit&) = delete;

private:
    int m_nOld;
};

// Alpha over the background, channel by channel, rounded.
inline BYTE Over(int channel, int background, int alpha)
{
    return static_cast<BYTE>((channel * alpha + background * (255 - alpha) + 127) / 255);
}

}

const char* const kPngRecipeKey = "Skyloom recipe";

BOOL CDib::LoadPNG(const char* pszFileName, QString* pRecipe)
{
    SetImageReadError(QString());
    const CFilePtr file = OpenRegularFile(pszFileName);
    if (!file)
        return FALSE;
    QFile device;
    if (!device.open(file.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle) ||
        !PngChunksWithinFile(device))
        return FALSE;
    QImageReader reader(&device, "png");
    reader.setAutoDetectImageFormat(false);
    reader.setAutoTransform(false);
    // The header alone tells the size: a hostile one is refused before anything is
    // allocated, and the reader's own limit backs this up.
    const QSize size = reader.size();
    if (!size.isValid() || !DibSizeAllowed(size.width(), size.height()))
        return FALSE;
    QImage image;
    {
        const CAllocationLimit limit(kPngAllocationLimitMiB);
        if (!reader.read(&image) || image.size() != size)
            return FALSE;
    }
    // Palette, grey and 16-bit files all come to 8-bit channels with straight alpha.
    if (!image.hasAlphaChannel())
        image.convertTo(QImage::Format_RGB32);
    else
        image.convertTo(QImage::Format_ARGB32);
    if (image.isNull())
        return FALSE;
    CDib dib;
    if (!dib.Create(size.width(), size.height()))
        return FALSE;
    const int bgRed = GetRValue(g_crBkgndColor), bgGreen = GetGValue(g_crBkgndColor),
              bgBlue = GetBValue(g_crBkgndColor);
    const bool bAlpha = image.hasAlphaChannel();
    for (int y = 0; y < size.height(); ++y) {
        const QRgb* pIn = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        BYTE* pOut = dib.PixelAddress(0, size.height() - 1 - y);
        for (int x = 0; x < size.width(); ++x, pOut += 3) {
            const QRgb c = pIn[x];
            const int a = bAlpha ? qAlpha(c) : 255;
            pOut[0] = Over(qBlue(c), bgBlue, a);
            pOut[1] = Over(qGreen(c), bgGreen, a);
            pOut[2] = Over(qRed(c), bgRed, a);
        }
    }
    // From the image, not the reader: the reader's text() folds runs of spaces.
    if (pRecipe)
        *pRecipe = image.text(QLatin1String(kPngRecipeKey));
    Swap(dib);
    return TRUE;
}

BOOL CDib::SavePNG(const char* pszFileName, const QString& recipe) const
{
    if (!m_pBits)
        return FALSE;
    CSafeFileWriter file(pszFileName);
    if (!file.IsOpen())
        return FALSE;
    // Our rows are bottom-up blue-green-red; Qt's are top-down red-green-blue.
    QImage image(m_nWidth, m_nHeight, QImage::Format_RGB888);
    if (image.isNull())
        return FALSE;
    for (int y = 0; y < m_nHeight; ++y) {
        const BYTE* pIn = PixelAddress(0, m_nHeight - 1 - y);
        BYTE* pOut = image.scanLine(y);
        for (int x = 0; x < m_nWidth; ++x, pIn += 3, pOut += 3) {
            pOut[0] = pIn[2];
            pOut[1] = pIn[1];
            pOut[2] = pIn[0];
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    // Set on the image: the writer's own setText would fold the text's runs of spaces.
    if (!recipe.isEmpty())
        image.setText(QLatin1String(kPngRecipeKey), recipe);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image))
        return FALSE;
    return file.Write(bytes.constData(), static_cast<size_t>(bytes.size())) && file.Commit();
}
