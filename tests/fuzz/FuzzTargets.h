// What each fuzz target does with one input, shared by the fuzzers and by the test that
// replays its corpus. Every input must end in true or false (whether the reader took it),
// never a crash.
#pragma once

#include "cli/RecipeReplay.h"
#include "cli/RenderCommand.h"
#include "document/ClipboardDib.h"
#include "document/Dib.h"
#include "document/Recipe.h"
#include "imagefile/ImageFile.h"
#include "imagefile/PictureSize.h"

#include <QDir>

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace fuzz {

// The readers of TGA and JPEG files take a file name: the input goes through a file of this
// process's own in the temporary folder.
inline std::string WriteInput(const BYTE* data, size_t size, const char* extension)
{
    const std::string path = QDir::tempPath().toStdString() + "/skyloom-fuzz-" +
                             std::to_string(getpid()) + extension;
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size)
            std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return path;
}

inline bool Bmp(const BYTE* data, size_t size)
{
    CDib dib;
    return dib.FromBitmapHandle(ReadBmpSection(std::vector<BYTE>(data, data + size)));
}

inline bool Tga(const BYTE* data, size_t size)
{
    const std::string path = WriteInput(data, size, ".tga");
    CDib dib;
    // The reader itself: Load would hand inputs that start like another format elsewhere.
    const bool bRead = dib.LoadTGA(path.c_str());
    std::remove(path.c_str());
    return bRead;
}

inline bool Jpeg(const BYTE* data, size_t size)
{
    const std::string path = WriteInput(data, size, ".jpg");
    CDib dib;
    const bool bRead = dib.LoadJPEG(path.c_str());
    std::remove(path.c_str());
    return bRead;
}

// With the size check of the gas textures, which reads the same file's header under every
// type its first bytes may show.
inline bool Png(const BYTE* data, size_t size)
{
    const std::string path = WriteInput(data, size, ".png");
    CSize stated;
    ReadStatedPictureSize(path.c_str(), stated);
    CDib dib;
    QString recipe, recipeError;
    const bool bRead = dib.LoadPNG(path.c_str(), &recipe, &recipeError);
    // A small picture is written again with its recipe: the writer's calls into libpng
    // (the text chunk among them) run under the sanitizers too.
    if (bRead && int64_t(dib.m_nWidth) * dib.m_nHeight <= 64 * 64)
        dib.SavePNG(path.c_str(), recipe.isEmpty() ? QStringLiteral("x") : recipe);
    std::remove(path.c_str());
    return bRead;
}

// A recipe as a PNG carries it, through everything a replay does before it paints: the
// recipe read, turned into arguments and those checked as a command line.
inline bool Recipe(const BYTE* data, size_t size)
{
    CRecipe recipe;
    QStringList recipeArgs, warnings;
    QString error;
    if (!CRecipe::FromText(QString::fromUtf8(reinterpret_cast<const char*>(data),
                                             static_cast<int>(size)),
                           recipe, error) ||
        !RecipeToRenderArguments(recipe, recipeArgs, warnings, error))
        return false;
    CRenderOptions options;
    const QList<QByteArray> command{"--replay", "in.png", "-o", "out.png"};
    return ParseRenderArguments(ReplayArguments(recipeArgs, command), options, error) &&
           !options.bHelp;
}

// What a paste takes from the clipboard: the bytes of "image/bmp" (a BMP file), or a packed
// bitmap as other systems' clipboards hand one over. The same bytes go to both.
inline bool Clipboard(const BYTE* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<int>(size));
    const bool bFile = DibFromBmpFile(bytes) != nullptr;
    const bool bPacked = DibFromPackedBitmap(bytes) != nullptr;
    return bFile || bPacked;
}

// A packed bitmap as the clipboard hands one over: a 40-byte header, then the colour
// table and the rows. The header's sizes are kept small and the buffers made as long as the
// header says, as a caller must; what is in them, and every other header field, is the
// input's.
inline bool PackedBits(const BYTE* data, size_t size)
{
    BITMAPINFOHEADER bmih{};
    std::memcpy(&bmih, data, std::min(size, sizeof bmih));
    data += std::min(size, sizeof bmih);
    size -= std::min(size, sizeof bmih);
    bmih.biWidth = 1 + static_cast<LONG>(static_cast<DWORD>(bmih.biWidth) % 64);
    const LONG rows = 1 + static_cast<LONG>(static_cast<DWORD>(bmih.biHeight) % 64);
    bmih.biHeight = (bmih.biHeight < 0) ? -rows : rows;
    bmih.biClrUsed %= 1024;
    std::vector<RGBQUAD> colors(ColorTableLength(bmih) % 70000);
    const size_t colorBytes = std::min(size, colors.size() * sizeof(RGBQUAD));
    if (colorBytes)
        std::memcpy(colors.data(), data, colorBytes);
    data += colorBytes;
    size -= colorBytes;
    std::vector<BYTE> bits(static_cast<size_t>(DibStride(bmih.biWidth, bmih.biBitCount)) * rows);
    if (!bits.empty())
        std::memcpy(bits.data(), data, std::min(size, bits.size()));
    CDib dib;
    return dib.FromPackedBits(&bmih, bits.empty() ? nullptr : bits.data(),
                       colors.empty() ? nullptr : colors.data());
}

}
