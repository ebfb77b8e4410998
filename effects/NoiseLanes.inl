// Gradient noise and its octave sums for a vector of points at once, one point per lane.
// Written once over a lane type `Lanes` and compiled once per instruction set: the including
// file defines Lanes (the vector types and operations), SKYLOOM_LANES_TARGET (the target
// attribute every function here needs) and SKYLOOM_LANES_INLINE inside a namespace of its
// own. Functions with a target attribute are compiled for it alone, so the rest of the
// program runs on any x86 CPU.
//
// Each lane does exactly the operations of CGradientNoise3D::Noise and
// CFractalNoise3D::Value on its point, in their order, with the same truncation: the results
// are bit for bit the scalar ones. Keep it so: no reordering, no fused multiply-add.

using D = Lanes::D;
using I = Lanes::I;

// The lower lattice cell of one axis and the fractions, as detail::NoiseAxis. The upper
// cell b0 + 1 (wrapped to 0 after 255) is never needed apart: entries 256 on of both tables
// repeat entries 0 on, so the entry after b0 (or after i + b0 of the permutation, i being at
// most 255) is always the one the upper cell picks. Each lookup therefore reads a pair of
// adjacent entries for both cells.
struct Axis
{
    I b0;
    D r0, r1;
};

SKYLOOM_LANES_TARGET SKYLOOM_LANES_INLINE Axis MakeAxis(D v)
{
    const D t = Lanes::Add(v, Lanes::Set(4096));
    const I i = Lanes::Truncate(t);
    Axis a;
    a.b0 = Lanes::AndInt(i, Lanes::SetInt(255));
    a.r0 = Lanes::Sub(t, Lanes::ToDouble(i));
    a.r1 = Lanes::Sub(a.r0, Lanes::Set(1));
    return a;
}

SKYLOOM_LANES_TARGET inline D SCurve(D t)
{
    return Lanes::Mul(Lanes::Mul(t, t), Lanes::Sub(Lanes::Set(3), Lanes::Mul(Lanes::Set(2), t)));
}

SKYLOOM_LANES_TARGET inline D Lerp(D t, D p, D q)
{
    return Lanes::Add(p, Lanes::Mul(t, Lanes::Sub(q, p)));
}

// Where one noise lookup falls: the axes' cells and fractions, and the table rows of the
// corners of the z0 plane; the z1 plane's row of each is the one after it.
struct Cell
{
    Axis ax, ay, az;
    // Byte offsets of the rows: corners x0 y0 and x0 y1 of each lane in turn in the first,
    // x1 y0 and x1 y1 in the second.
    alignas(64) int rows[2][2 * Lanes::kWidth];
};

// The lookups of Noise up to the gradient rows: split from Blend so that a sum can find
// the rows of its next octave while this one is blended.
SKYLOOM_LANES_TARGET SKYLOOM_LANES_INLINE void Locate(const NoiseTables& tables, D x, D y, D z,
                                                      Cell& cell)
{
    cell.ax = MakeAxis(x);
    cell.ay = MakeAxis(y);
    cell.az = MakeAxis(z);
    const int* perm = tables.perm;
    const Lanes::P ij = Lanes::GatherPairs(perm, cell.ax.b0);
    // The z cell is added to the table index, not looked up in the permutation.
    const auto corners = [&](I k, int* rows) SKYLOOM_LANES_TARGET {
        Lanes::StoreRowOffsets(
            Lanes::AddToPairs(Lanes::GatherPairs(perm, Lanes::AddInt(k, cell.ay.b0)), cell.az.b0),
            rows);
    };
    corners(Lanes::Firsts(ij), cell.rows[0]);
    corners(Lanes::Seconds(ij), cell.rows[1]);
}

// The noise of a located cell.
SKYLOOM_LANES_TARGET SKYLOOM_LANES_INLINE D Blend(const NoiseTables& tables, const Cell& cell)
{
    const Axis &ax = cell.ax, &ay = cell.ay, &az = cell.az;
    // Both planes' dots of a corner, its gradients dotted with (rx, ry, rz).
    auto dots = [&](const int* rows, D rx, D ry, D (&out)[2]) SKYLOOM_LANES_TARGET {
        D g[2][3];
        Lanes::GradientPairs(tables.gradient, rows, g);
        const D rz[2] = {az.r0, az.r1};
        for (int p = 0; p < 2; ++p)
            out[p] = Lanes::Add(Lanes::Add(Lanes::Mul(g[p][0], rx), Lanes::Mul(g[p][1], ry)),
                                Lanes::Mul(g[p][2], rz[p]));
    };
    D d00[2], d10[2], d01[2], d11[2];
    dots(cell.rows[0], ax.r0, ay.r0, d00);
    dots(cell.rows[0] + 1, ax.r0, ay.r1, d01);
    dots(cell.rows[1], ax.r1, ay.r0, d10);
    dots(cell.rows[1] + 1, ax.r1, ay.r1, d11);
    const D sx = SCurve(ax.r0), sy = SCurve(ay.r0), sz = SCurve(az.r0);
    const D c = Lerp(sy, Lerp(sx, d00[0], d10[0]), Lerp(sx, d01[0], d11[0]));
    const D d = Lerp(sy, Lerp(sx, d00[1], d10[1]), Lerp(sx, d01[1], d11[1]));
    return Lerp(sz, c, d);
}

SKYLOOM_LANES_TARGET inline D Noise(const NoiseTables& tables, D x, D y, D z)
{
    Cell cell;
    Locate(tables, x, y, z, cell);
    return Blend(tables, cell);
}

SKYLOOM_LANES_TARGET inline D OctaveSum(const NoiseTables& tables, const OctaveTerms& terms,
                                        D x, D y, D z)
{
    D sum = Lanes::Set(terms.start);
    const int count = terms.count > 0 ? terms.count : 0;
    const int octaves = count + (terms.fraction > 0 ? 1 : 0);
    if (octaves == 0)
        return sum;
    const D lacunarity = Lanes::Set(terms.lacunarity);
    // The next octave is located before this one is blended: their lookups overlap.
    Cell cells[2];
    Locate(tables, x, y, z, cells[0]);
    for (int k = 0; k < octaves; ++k) {
        if (k + 1 < octaves) {
            x = Lanes::Mul(x, lacunarity);
            y = Lanes::Mul(y, lacunarity);
            z = Lanes::Mul(z, lacunarity);
            Locate(tables, x, y, z, cells[(k + 1) & 1]);
        }
        const D noise = Blend(tables, cells[k & 1]);
        if (k < count)
            sum = Lanes::Add(sum, Lanes::Mul(noise, Lanes::Set(terms.weights[k])));
        else
            sum = Lanes::Add(sum, Lanes::Mul(Lanes::Mul(noise, Lanes::Set(terms.fraction)),
                                             Lanes::Set(terms.weights[count])));
    }
    return sum;
}

// Runs f over the n points a vector at a time; the last, partial vector is padded with
// zeros and only its real lanes are kept.
template <class F>
SKYLOOM_LANES_TARGET inline void ForVectors(const double* x, const double* y, const double* z,
                                            double* out, size_t n, F f)
{
    constexpr size_t w = Lanes::kWidth;
    size_t i = 0;
    for (; i + w <= n; i += w)
        Lanes::Store(out + i, f(Lanes::Load(x + i), Lanes::Load(y + i), Lanes::Load(z + i)));
    if (i == n)
        return;
    alignas(64) double px[w] = {}, py[w] = {}, pz[w] = {}, po[w];
    for (size_t k = i; k < n; ++k) {
        px[k - i] = x[k];
        py[k - i] = y[k];
        pz[k - i] = z[k];
    }
    Lanes::Store(po, f(Lanes::Load(px), Lanes::Load(py), Lanes::Load(pz)));
    for (size_t k = i; k < n; ++k)
        out[k] = po[k - i];
}

SKYLOOM_LANES_TARGET void NoisePoints(const NoiseTables& tables, const double* x,
                                      const double* y, const double* z, double* out, size_t n)
{
    ForVectors(x, y, z, out, n, [&](D vx, D vy, D vz) SKYLOOM_LANES_TARGET {
        return Noise(tables, vx, vy, vz);
    });
}

SKYLOOM_LANES_TARGET void OctaveSumPoints(const NoiseTables& tables,
                                          const OctaveTerms& terms, const double* x,
                                          const double* y, const double* z, double* out, size_t n)
{
    ForVectors(x, y, z, out, n, [&](D vx, D vy, D vz) SKYLOOM_LANES_TARGET {
        return OctaveSum(tables, terms, vx, vy, vz);
    });
}
