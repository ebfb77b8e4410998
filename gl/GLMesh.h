// Vertex-array meshes, point batches and the flat disc the 3D effects draw with.
#pragma once

#include "GLMaterial.h"
#include "Matrix4.h"

#include <cstdint>
#include <functional>
#include <memory>

class CColor;

// One vertex; every mesh and point batch shares this layout.
struct GLVertex
{
    float position[3];
    float normal[3];   // transformed only when the mesh's normals flag is set
    float texCoord[3]; // s, t, r; only s and t reach GL
    uint8_t color[4];  // red, green, blue, alpha
};

struct GLTriangle
{
    int32_t index[3];
};

// A point as glDrawArrays takes it: the position, and the colour as GL makes it of the
// bytes of a GLVertex (each divided by 255).
struct GLPoint
{
    float position[3];
    float colour[4];

    void SetColour(const uint8_t rgba[4])
    {
        for (int i = 0; i < 4; ++i)
            colour[i] = rgba[i] / 255.0f;
    }
};

// The most points DrawPointsInBatches prepares at once.
constexpr int kGLPointBatch = 65536;

// Draws count points, 0 .. count - 1 in that order, as points of the given size with the
// current state, in batches of vertex arrays. point(i, out) gives point i; it runs on the
// render threads, several at once, and must only read shared data. prepare(first, last),
// when given, runs on the calling thread before points first .. last - 1 are asked for,
// in order, while earlier points are drawn: the place for work that must stay in
// sequence. It covers at most kGLPointBatch points, and point(i) is only asked for points
// of the last two ranges prepared. With pWindow (window coordinates, bottom-up, right and top
// exclusive), points whose centre the current matrices put more than a few pixels outside it are
// not sent: they could not show there. Returns the points sent.
long long DrawPointsInBatches(float pointSize, int count,
                              const std::function<void(int, GLPoint&)>& point,
                              const CRect* pWindow,
                              const std::function<void(int, int)>& prepare = nullptr);

class CGLMesh
{
public:
    CGLMesh() = default;
    // Virtual, unlike the mesh of old: a disc deleted through a mesh pointer must free
    // as a disc.
    virtual ~CGLMesh() = default;
    CGLMesh(const CGLMesh&) = delete;
    CGLMesh& operator=(const CGLMesh&) = delete;

    // Room for the given triangles and vertices (3 per triangle when vertices is 0), all
    // zero. Returns 1, or 0 with the mesh left empty when memory runs out or a count is
    // negative.
    int Allocate(int triangles, int vertices);
    // A point batch: vertices only.
    int AllocatePoints(int vertices);
    // Gives the mesh its material with the initial state; null when memory runs out.
    CGLMaterial* CreateMaterial();
    CGLMaterial* GetMaterial() const { return m_pMaterial.get(); }

    // Out-of-range indices are ignored (Get gives a zero vertex).
    void SetVertex(int i, const GLVertex& vertex);
    GLVertex GetVertex(int i) const;
    int GetVertexCount() const { return m_nVertices; }
    int GetTriangleCount() const { return m_nTriangles; }
    GLVertex* GetVertices() { return m_pVertices.get(); }
    GLTriangle* GetTriangles() { return m_pTriangles.get(); }

    // Multiplies every position (and, with the normals flag, every normal as a direction).
    void Transform(const CMatrix4& matrix);
    void TransformVertex(int i, const CMatrix4& matrix);

    // Applies the material and draws the triangles from the vertex array, with colours,
    // the normals when flagged and texture coordinates when texturing.
    virtual void Draw(CGLStateCache& cache);
    // Draws vertices first .. first + count - 1 as points of the given size. A count of 0
    // means up to the last vertex; a range past the end is cut there. With pWindow (window
    // coordinates, bottom-up, right and top exclusive), points whose centre the current
    // matrices put more than a few pixels outside it are not sent: they could not show there.
    void RenderPoints(CGLStateCache& cache, float pointSize, int first, int count,
                      const CRect* pWindow = nullptr);
    // Points sent to OpenGL by RenderPoints and DrawPointsInBatches since the program
    // started.
    static long long PointsSent();

    int m_bNormals = 0;

protected:
    void ApplyMaterial(CGLStateCache& cache) const;

    std::unique_ptr<GLVertex[]> m_pVertices;
    int m_nVertices = 0;
    std::unique_ptr<GLTriangle[]> m_pTriangles;
    int m_nTriangles = 0;
    std::unique_ptr<CGLMaterial> m_pMaterial;
};

// A flat disc in the x-y plane, drawn as a triangle fan around vertex 0.
class CGLDiscMesh : public CGLMesh
{
public:
    // segments triangles around the centre; the centre and rim colours get alpha 64 and
    // texture coordinates map the disc onto the unit square. Returns 1, or 0 when
    // segments is below 1 or memory runs out.
    int BuildDisc(int segments, double radius, const CColor& centre, const CColor& rim);
    void Draw(CGLStateCache& cache) override;
};
