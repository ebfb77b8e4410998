// Draws the galaxy textures the program ships with: four gas discs (one per spiral
// subtype, 256 x 256, 8-bit grey palette), the dust disc, and the "Loose spiral" JPEG
// offered in the gas texture folder. Everything is procedural and deterministic, so the
// build makes the same files on every machine.
//
//   make_galaxy_textures <output folder> <jpeg path>
//
// Writes the gas discs of Sa to Sd as 168.bmp to 171.bmp and the dust as 173.bmp into the
// folder: the names of their bitmap resources.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

const int kSide = 256;

// Value noise on an integer lattice, hashed so that no table is needed.
double Lattice(int x, int y, uint32_t seed)
{
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
                 seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xFFFFFF) / double(0xFFFFFF);
}

double Smooth(double t) { return t * t * (3 - 2 * t); }

double ValueNoise(double x, double y, uint32_t seed)
{
    const int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
    const double fx = Smooth(x - ix), fy = Smooth(y - iy);
    const double a = Lattice(ix, iy, seed), b = Lattice(ix + 1, iy, seed);
    const double c = Lattice(ix, iy + 1, seed), d = Lattice(ix + 1, iy + 1, seed);
    return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}

// Sum of octaves in [0, 1].
double Fractal(double x, double y, uint32_t seed, int octaves)
{
    double sum = 0, amplitude = 1, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * ValueNoise(x, y, seed + 17u * i);
        total += amplitude;
        amplitude *= 0.5;
        x *= 2.03;
        y *= 2.03;
    }
    return sum / total;
}

double Clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

// How one gas disc looks.
struct SpiralStyle
{
    double wind;        // radians of arm turn per unit of ln r: large is tightly wound
    double armSharpness;
    double bulge;       // brightness of the central bulge
    double bulgeRadius; // as a fraction of the disc radius
    double patchiness;  // 0 smooth .. 1 broken into clumps
    uint32_t seed;
};

// Brightness in [0, 1] of a two-armed swirl at (u, v), the disc's rim at radius 1.
double SpiralBrightness(const SpiralStyle& s, double u, double v)
{
    const double r = std::sqrt(u * u + v * v);
    if (r >= 1)
        return 0;
    const double theta = std::atan2(v, u);
    // Noise bends the arms a little so that they do not look drawn with a compass.
    const double wobble = (Fractal(u * 3 + 7, v * 3 + 3, s.seed, 3) - 0.5) * (0.6 + 2 * s.patchiness);
    const double phase = 2 * (theta - s.wind * std::log(r + 0.02)) + wobble;
    const double arm = std::pow(0.5 + 0.5 * std::cos(phase), s.armSharpness);

    const double clumps = Fractal(u * 9 + 11, v * 9 + 5, s.seed + 101, 4);
    const double patch = (1 - s.patchiness) + s.patchiness * Clamp01((clumps - 0.35) * 2.4);

    const double envelope = std::exp(-r * 2.6) * (1 - Smooth(Clamp01((r - 0.78) / 0.22)));
    const double haze = 0.18 * envelope;
    const double bulge = s.bulge * std::exp(-(r * r) / (s.bulgeRadius * s.bulgeRadius));
    return Clamp01(bulge + envelope * (haze + 0.95 * arm * patch));
}

// Multiplier of the dust disc: white where clear, darker along ragged lanes.
double DustTransmission(double u, double v)
{
    const double r = std::sqrt(u * u + v * v);
    const double theta = std::atan2(v, u);
    const double wobble = (Fractal(u * 4 + 2, v * 4 + 9, 77, 3) - 0.5) * 1.5;
    const double lane = std::pow(0.5 + 0.5 * std::cos(2 * (theta - 3.2 * std::log(r + 0.02)) + wobble), 6);
    const double grain = Fractal(u * 14 + 1, v * 14 + 1, 91, 4);
    const double fade = 1 - Smooth(Clamp01((r - 0.7) / 0.3));
    const double core = Smooth(Clamp01(r / 0.15));
    const double opacity = lane * Clamp01((grain - 0.3) * 2) * fade * core * 0.75;
    return 1 - opacity;
}

template <typename F>
std::vector<uint8_t> DrawGrey(F brightness)
{
    std::vector<uint8_t> pixels(kSide * kSide);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            const double u = (x + 0.5 - kSide / 2.0) / (kSide / 2.0);
            const double v = (y + 0.5 - kSide / 2.0) / (kSide / 2.0);
            pixels[y * kSide + x] = static_cast<uint8_t>(Clamp01(brightness(u, v)) * 255 + 0.5);
        }
    return pixels;
}

void Put16(std::vector<uint8_t>& out, unsigned v)
{
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// An 8-bit palettised BMP with a grey ramp as its palette; pixels are top-down rows.
bool WriteGreyBmp(const std::string& path, const std::vector<uint8_t>& pixels)
{
    const uint32_t stride = (kSide + 3) / 4 * 4;
    const uint32_t offset = 14 + 40 + 256 * 4;
    const uint32_t size = offset + stride * kSide;
    std::vector<uint8_t> out;
    out.reserve(size);
    out.push_back('B');
    out.push_back('M');
    Put32(out, size);
    Put32(out, 0);
    Put32(out, offset);
    Put32(out, 40);
    Put32(out, kSide);
    Put32(out, kSide); // positive: bottom-up rows
    Put16(out, 1);
    Put16(out, 8);
    Put32(out, 0);     // BI_RGB
    Put32(out, stride * kSide);
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, 256);
    Put32(out, 0);
    for (int i = 0; i < 256; ++i) {
        out.push_back(static_cast<uint8_t>(i));
        out.push_back(static_cast<uint8_t>(i));
        out.push_back(static_cast<uint8_t>(i));
        out.push_back(0);
    }
    for (int row = kSide - 1; row >= 0; --row) {
        out.insert(out.end(), pixels.begin() + row * kSide, pixels.begin() + (row + 1) * kSide);
        out.resize(out.size() + (stride - kSide), 0);
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}

// A colour JPEG of the given top-down RGB rows.
bool WriteJpeg(const std::string& path, const std::vector<uint8_t>& rgb, int width, int height)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, f);
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(&rgb[cinfo.next_scanline * width * 3]);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(f) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <output folder> <jpeg path>\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];

    // Sa to Sd: arms wound tightest for Sa, loosest and patchiest for Sd.
    const SpiralStyle styles[4] = {
        {9.0, 3.0, 0.95, 0.22, 0.10, 11},
        {5.0, 3.0, 0.80, 0.17, 0.30, 23},
        {3.0, 2.5, 0.60, 0.13, 0.55, 37},
        {1.8, 2.0, 0.40, 0.09, 0.85, 53},
    };
    const char* names[4] = {"168.bmp", "169.bmp", "170.bmp", "171.bmp"};
    for (int i = 0; i < 4; ++i) {
        const SpiralStyle& s = styles[i];
        if (!WriteGreyBmp(folder + "/" + names[i],
                          DrawGrey([&s](double u, double v) { return SpiralBrightness(s, u, v); }))) {
            std::fprintf(stderr, "cannot write %s/%s\n", folder.c_str(), names[i]);
            return 1;
        }
    }
    if (!WriteGreyBmp(folder + "/173.bmp", DrawGrey(DustTransmission))) {
        std::fprintf(stderr, "cannot write %s/173.bmp\n", folder.c_str());
        return 1;
    }

    // The loose spiral: open, patchy arms in a faint blue-white, warmer in the middle.
    const SpiralStyle loose = {1.4, 1.6, 0.55, 0.12, 0.7, 71};
    std::vector<uint8_t> rgb(kSide * kSide * 3);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            const double u = (x + 0.5 - kSide / 2.0) / (kSide / 2.0);
            const double v = (y + 0.5 - kSide / 2.0) / (kSide / 2.0);
            const double b = std::min(1.0, 1.5 * SpiralBrightness(loose, u, v));
            const double warm = std::exp(-(u * u + v * v) / 0.05);
            const double c[3] = {b * (0.85 + 0.15 * warm), b * (0.88 + 0.05 * warm), b * (1.0 - 0.2 * warm)};
            for (int k = 0; k < 3; ++k)
                rgb[(y * kSide + x) * 3 + k] = static_cast<uint8_t>(Clamp01(c[k]) * 255 + 0.5);
        }
    if (!WriteJpeg(argv[2], rgb, kSide, kSide)) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
