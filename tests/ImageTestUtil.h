// Pictures, temporary folders and ImageMagick's convert for the file-format tests.
#pragma once

#include "document/Dib.h"
#include "PictureAssertions.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace imagetest {

constexpr DWORD kRed = 0xFF0000;
constexpr DWORD kBlue = 0x0000FF;

// A red "F" on blue, 6 x 5 pixels, each pixel a scale x scale block: no symmetry, so a flip,
// a mirror or a red/blue swap shows at once.
inline void MakeF(CDib& dib, int scale = 1)
{
    static const char* const kRows[5] = {".RRRR.", ".R....", ".RRR..", ".R....", ".R...."};
    dib.Create(6 * scale, 5 * scale);
    for (int y = 0; y < 5 * scale; ++y)
        for (int x = 0; x < 6 * scale; ++x)
            dib.SetPixel(x, 5 * scale - 1 - y, kRows[y / scale][x / scale] == 'R' ? kRed : kBlue);
}

// Pixel (x, y) counted from the top line, as files and viewers count.
inline DWORD TopPixel(const CDib& dib, int x, int y)
{
    return dib.GetPixel(x, dib.m_nHeight - 1 - y);
}

// The middle of every block of a scaled F against a reference F of that scale.
inline ::testing::AssertionResult BlockMiddlesMatch(const CDib& got, int scale, int tolerance)
{
    CDib want;
    MakeF(want, scale);
    if (got.GetSize() != want.GetSize())
        return ::testing::AssertionFailure() << "size " << got.m_nWidth << " x " << got.m_nHeight;
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            const DWORD a = TopPixel(got, scale * x + scale / 2, scale * y + scale / 2);
            const DWORD b = TopPixel(want, scale * x + scale / 2, scale * y + scale / 2);
            for (int c = 0; c < 24; c += 8)
                if (std::abs(int((a >> c) & 0xFF) - int((b >> c) & 0xFF)) > tolerance)
                    return ::testing::AssertionFailure() << "block (" << x << ", " << y
                                                         << ") is " << Hex(a) << ", expected "
                                                         << Hex(b);
        }
    return ::testing::AssertionSuccess();
}

inline std::vector<BYTE> ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFileBytes(const std::string& path, const std::vector<BYTE>& data)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
}

// A binary PPM of the picture, top line first: what convert reads.
inline void WritePpm(const CDib& dib, const std::string& path)
{
    std::string text = "P6\n" + std::to_string(dib.m_nWidth) + " " +
                       std::to_string(dib.m_nHeight) + "\n255\n";
    std::vector<BYTE> data(text.begin(), text.end());
    for (int y = 0; y < dib.m_nHeight; ++y)
        for (int x = 0; x < dib.m_nWidth; ++x) {
            const DWORD c = TopPixel(dib, x, y);
            data.push_back(BYTE(c >> 16));
            data.push_back(BYTE(c >> 8));
            data.push_back(BYTE(c));
        }
    WriteFileBytes(path, data);
}

inline bool HaveConvert()
{
    static const bool have = std::system("convert -version >/dev/null 2>&1") == 0;
    return have;
}

// convert <input> <options> <format>:<output>; true when it succeeded and wrote the file.
inline bool RunConvert(const std::string& input, const std::string& options,
                       const std::string& format, const std::string& output)
{
    std::remove(output.c_str());
    const std::string command = "convert '" + input + "' " + options + " '" +
                                (format.empty() ? "" : format + ":") + output +
                                "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0 && std::ifstream(output).good();
}

class TempFolder
{
public:
    TempFolder() { EXPECT_TRUE(m_dir.isValid()); }
    std::string Path(const std::string& name) const
    {
        return m_dir.filePath(QString::fromStdString(name)).toStdString();
    }

private:
    QTemporaryDir m_dir;
};

}
