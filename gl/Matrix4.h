// A 4 x 4 transformation in OpenGL's column order: element (row r, column c) sits at
// m[c * 4 + r], so Data() goes straight to glLoadMatrixf or glMultMatrixf.
#pragma once

#include <cmath>

class CMatrix4
{
public:
    // The identity.
    CMatrix4()
    {
        for (int i = 0; i < 16; ++i)
            m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
    }
    // Sixteen values in column order.
    explicit CMatrix4(const float columns[16])
    {
        for (int i = 0; i < 16; ++i)
            m[i] = columns[i];
    }

    static CMatrix4 Identity() { return CMatrix4(); }
    static CMatrix4 Translation(float x, float y, float z)
    {
        CMatrix4 t;
        t(0, 3) = x;
        t(1, 3) = y;
        t(2, 3) = z;
        return t;
    }
    static CMatrix4 Scaling(float x, float y, float z)
    {
        CMatrix4 t;
        t(0, 0) = x;
        t(1, 1) = y;
        t(2, 2) = z;
        return t;
    }
    // Counter-clockwise by angle degrees about the axis (x, y, z), as glRotatef turns.
    // A zero axis gives the identity.
    static CMatrix4 Rotation(double angle, double x, double y, double z)
    {
        return RotationRadians(angle * 3.14159265358979323846 / 180.0, x, y, z);
    }
    // The same by an angle in radians, for callers whose angle is already a radian value
    // (a conversion through degrees would not give back the same number).
    static CMatrix4 RotationRadians(double a, double x, double y, double z)
    {
        CMatrix4 r;
        const double len = std::sqrt(x * x + y * y + z * z);
        if (len == 0)
            return r;
        x /= len;
        y /= len;
        z /= len;
        const double c = std::cos(a), s = std::sin(a), k = 1 - c;
        r(0, 0) = float(x * x * k + c);
        r(0, 1) = float(x * y * k - z * s);
        r(0, 2) = float(x * z * k + y * s);
        r(1, 0) = float(y * x * k + z * s);
        r(1, 1) = float(y * y * k + c);
        r(1, 2) = float(y * z * k - x * s);
        r(2, 0) = float(x * z * k - y * s);
        r(2, 1) = float(y * z * k + x * s);
        r(2, 2) = float(z * z * k + c);
        return r;
    }

    float& operator()(int row, int column) { return m[column * 4 + row]; }
    float operator()(int row, int column) const { return m[column * 4 + row]; }
    const float* Data() const { return m; }

    // this x other: other acts first, as glMultMatrixf(other) after this.
    CMatrix4 operator*(const CMatrix4& other) const
    {
        CMatrix4 p;
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) {
                float sum = 0;
                for (int k = 0; k < 4; ++k)
                    sum += (*this)(r, k) * other(k, c);
                p(r, c) = sum;
            }
        return p;
    }
    CMatrix4& operator*=(const CMatrix4& other) { return *this = *this * other; }

    // A position (w = 1); the result's w is dropped, as affine transforms keep it 1.
    void TransformPoint(const float in[3], float out[3]) const { Apply(in, 1.0f, out); }
    // A direction (w = 0): translation does not move it; the length is not restored.
    void TransformDirection(const float in[3], float out[3]) const { Apply(in, 0.0f, out); }

private:
    // in and out may be the same array.
    void Apply(const float in[3], float w, float out[3]) const
    {
        float v[3];
        for (int r = 0; r < 3; ++r)
            v[r] = m[r] * in[0] + m[4 + r] * in[1] + m[8 + r] * in[2] + m[12 + r] * w;
        out[0] = v[0];
        out[1] = v[1];
        out[2] = v[2];
    }

    float m[16];
};
