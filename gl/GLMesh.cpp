#include "GLMesh.h"

#include "GLContext.h"
#include "GLRenderWatch.h"
#include "effects/Color.h"
#include "effects/RenderThreads.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

int CGLMesh::Allocate(int triangles, int vertices)
{
    m_pVertices.reset();
    m_pTriangles.reset();
    m_nVertices = m_nTriangles = 0;
    // Beyond 2^26 vertices (2.5 GiB) a request is a fault, not a scene.
    constexpr int kMaxCount = 1 << 26;
    if (triangles < 0 || vertices < 0 || triangles > kMaxCount || vertices > kMaxCount)
        return 0;
    if (vertices == 0)
        vertices = 3 * triangles;
    if (vertices > kMaxCount)
        return 0;
    std::unique_ptr<GLVertex[]> v(new (std::nothrow) GLVertex[static_cast<size_t>(vertices)]());
    std::unique_ptr<GLTriangle[]> t(
        new (std::nothrow) GLTriangle[static_cast<size_t>(triangles)]());
    if ((vertices > 0 && !v) || (triangles > 0 && !t))
        return 0;
    m_pVertices = std::move(v);
    m_pTriangles = std::move(t);
    m_nVertices = vertices;
    m_nTriangles = triangles;
    return 1;
}

int CGLMesh::AllocatePoints(int vertices)
{
    if (vertices == 0) { // Allocate would read 0 as "3 per triangle"
        Allocate(0, 0);
        return 1;
    }
    return Allocate(0, vertices);
}

CGLMaterial* CGLMesh::CreateMaterial()
{
    m_pMaterial.reset(new (std::nothrow) CGLMaterial());
    return m_pMaterial.get();
}

void CGLMesh::SetVertex(int i, const GLVertex& vertex)
{
    if (i >= 0 && i < m_nVertices)
        m_pVertices[i] = vertex;
}

GLVertex CGLMesh::GetVertex(int i) const
{
    if (i >= 0 && i < m_nVertices)
        return m_pVertices[i];
    return GLVertex{};
}

void CGLMesh::Transform(const CMatrix4& matrix)
{
    for (int i = 0; i < m_nVertices; ++i)
        TransformVertex(i, matrix);
}

void CGLMesh::TransformVertex(int i, const CMatrix4& matrix)
{
    if (i < 0 || i >= m_nVertices)
        return;
    GLVertex& v = m_pVertices[i];
    matrix.TransformPoint(v.position, v.position);
    if (m_bNormals)
        matrix.TransformDirection(v.normal, v.normal);
}

void CGLMesh::ApplyMaterial(CGLStateCache& cache) const
{
    if (m_pMaterial)
        cache.Apply(*m_pMaterial);
}

void CGLMesh::Draw(CGLStateCache& cache)
{
    ApplyMaterial(cache);
    if (m_nTriangles == 0 || m_nVertices == 0)
        return;
    // GL would read past the vertex array for an index out of range.
    for (int i = 0; i < m_nTriangles; ++i)
        for (int32_t index : m_pTriangles[i].index)
            if (index < 0 || index >= m_nVertices)
                return;
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    const GLsizei stride = sizeof(GLVertex);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, stride, m_pVertices[0].position);
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_UNSIGNED_BYTE, stride, m_pVertices[0].color);
    if (m_bNormals) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, stride, m_pVertices[0].normal);
    }
    if (cache.m_bTexturing) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, stride, m_pVertices[0].texCoord);
    }
    glDrawElements(GL_TRIANGLES, 3 * m_nTriangles, GL_UNSIGNED_INT, m_pTriangles.get());
    glPopClientAttrib();
}

namespace {
long long s_nPointsSent = 0;

// Where the current modelview, projection and viewport put a point, in window coordinates.
class CWindowProjection
{
public:
    CWindowProjection()
    {
        GLdouble mv[16], proj[16];
        glGetDoublev(GL_MODELVIEW_MATRIX, mv);
        glGetDoublev(GL_PROJECTION_MATRIX, proj);
        glGetIntegerv(GL_VIEWPORT, m_viewport);
        for (int c = 0; c < 4; ++c)
            for (int r = 0; r < 4; ++r) {
                double sum = 0;
                for (int k = 0; k < 4; ++k)
                    sum += proj[k * 4 + r] * mv[c * 4 + k];
                m_mvp[c * 4 + r] = sum;
            }
    }
    // False when the point lies behind the eye (OpenGL decides those itself).
    bool Project(const float* p, double& x, double& y) const
    {
        double clip[4];
        for (int r = 0; r < 4; ++r)
            clip[r] = m_mvp[r] * p[0] + m_mvp[4 + r] * p[1] + m_mvp[8 + r] * p[2] + m_mvp[12 + r];
        if (!(clip[3] > 0))
            return false;
        x = m_viewport[0] + (clip[0] / clip[3] + 1) * m_viewport[2] / 2;
        y = m_viewport[1] + (clip[1] / clip[3] + 1) * m_viewport[3] / 2;
        return true;
    }

private:
    double m_mvp[16];
    GLint m_viewport[4];
};

// Points a render-thread task makes ready: a few thousand, so that the tasks are worth
// handing out and GL gets them in long arrays.
constexpr int kPointsPerTask = 4096;
// Tasks a batch holds: what the threads compute while the batch before is drawn.
constexpr int kTasksPerBatch = kGLPointBatch / kPointsPerTask;

constexpr GLsizei kPointsPerDraw = 512;

void DrawPointArray(const std::vector<GLPoint>& points)
{
    if (points.empty())
        return;
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    constexpr GLsizei stride = sizeof(GLPoint);
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_FLOAT, stride, points[0].colour);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, stride, points[0].position);
    // In short draws: the software renderer turns each smooth point into a quad and, each
    // time its buffer of quads fills, walks every vertex of the draw, so a long draw costs
    // in proportion to its square.
    const GLsizei count = static_cast<GLsizei>(points.size());
    for (GLsizei first = 0; first < count; first += kPointsPerDraw)
        glDrawArrays(GL_POINTS, first, std::min(kPointsPerDraw, count - first));
    glPopClientAttrib();
}

}

long long DrawPointsInBatches(float pointSize, int count,
                              const std::function<void(int, GLPoint&)>& point,
                              const CRect* pWindow, const std::function<void(int, int)>& prepare)
{
    if (count <= 0)
        return 0;
    const CWindowProjection projection;
    // Far more than the point's half size and any rounding between our sums and the GL's.
    const double margin = pointSize + 4;
    auto visible = [&](const float* p) {
        double x, y;
        return !pWindow || !projection.Project(p, x, y) ||
               (x >= pWindow->left - margin && x <= pWindow->right + margin &&
                y >= pWindow->top - margin && y <= pWindow->bottom + margin);
    };
    const int nTasks = (count + kPointsPerTask - 1) / kPointsPerTask;
    // Two batches of tasks: one being computed while the other is drawn.
    // Made here, so that the render threads never allocate (each would take an arena of
    // its own).
    std::vector<std::vector<GLPoint>> taskPoints(2 * kTasksPerBatch);
    for (auto& points : taskPoints)
        points.reserve(kPointsPerTask);
    auto computeTask = [&](int task) {
        std::vector<GLPoint>& out = taskPoints[static_cast<size_t>(task % (2 * kTasksPerBatch))];
        out.clear();
        const int last = std::min(count, (task + 1) * kPointsPerTask);
        GLPoint p;
        for (int i = task * kPointsPerTask; i < last; ++i) {
            point(i, p);
            if (visible(p.position))
                out.push_back(p);
        }
    };
    auto prepareBatch = [&](int firstTask, int lastTask) {
        if (prepare)
            prepare(firstTask * kPointsPerTask, std::min(count, lastTask * kPointsPerTask));
    };
    long long sent = 0;
    glPointSize(pointSize);
    // Not stopped by a cancel by itself: a watched render stops between batches.
    CRowTeam team(false);
    CGLDrawPipeline pipeline;
    prepareBatch(0, std::min(kTasksPerBatch, nTasks));
    team.Start(0, std::min(kTasksPerBatch, nTasks), computeTask);
    team.Finish();
    for (int first = 0; first < nTasks; first += kTasksPerBatch) {
        const int last = std::min(first + kTasksPerBatch, nTasks);
        const int next = std::min(last + kTasksPerBatch, nTasks);
        if (last < nTasks) {
            prepareBatch(last, next);
            team.Start(last, next, computeTask);
        }
        for (int task = first; task < last; ++task) {
            const auto& points = taskPoints[static_cast<size_t>(task % (2 * kTasksPerBatch))];
            DrawPointArray(points);
            sent += static_cast<long long>(points.size());
            // Unhanded, the binned points of a million stars would hold a hundred megabytes.
            pipeline.Submit();
        }
        team.Finish();
        if (!CGLRenderWatch::BatchDrawn(std::min(count, last * kPointsPerTask) -
                                        first * kPointsPerTask))
            break;
    }
    pipeline.Drain();
    s_nPointsSent += sent;
    return sent;
}

long long CGLMesh::PointsSent()
{
    return s_nPointsSent;
}

void CGLMesh::RenderPoints(CGLStateCache& cache, float pointSize, int first, int count,
                           const CRect* pWindow)
{
    ApplyMaterial(cache);
    if (first < 0 || first >= m_nVertices || count < 0)
        return;
    if (count == 0 || count > m_nVertices - first)
        count = m_nVertices - first;
    const GLVertex* pVertices = m_pVertices.get() + first;
    DrawPointsInBatches(
        pointSize, count,
        [pVertices](int i, GLPoint& p) {
            const GLVertex& v = pVertices[i];
            std::copy(v.position, v.position + 3, p.position);
            p.SetColour(v.color);
        },
        pWindow);
}

int CGLDiscMesh::BuildDisc(int segments, double radius, const CColor& centre, const CColor& rim)
{
    if (segments < 1 || !Allocate(segments, segments + 1))
        return 0;
    GLVertex& middle = m_pVertices[0];
    middle.color[0] = static_cast<uint8_t>(centre.Red());
    middle.color[1] = static_cast<uint8_t>(centre.Green());
    middle.color[2] = static_cast<uint8_t>(centre.Blue());
    middle.color[3] = 64;
    middle.texCoord[0] = middle.texCoord[1] = 0.5f;
    for (int i = 1; i <= segments; ++i) {
        const double a = (i - 1) * 2 * 3.1415927 / segments;
        const double c = std::cos(a), s = std::sin(a);
        GLVertex& v = m_pVertices[i];
        v.position[0] = static_cast<float>(radius * c);
        v.position[1] = static_cast<float>(radius * s);
        v.color[0] = static_cast<uint8_t>(rim.Red());
        v.color[1] = static_cast<uint8_t>(rim.Green());
        v.color[2] = static_cast<uint8_t>(rim.Blue());
        v.color[3] = 64;
        v.texCoord[0] = static_cast<float>((c + 1) / 2);
        v.texCoord[1] = static_cast<float>((s + 1) / 2);
    }
    for (int i = 0; i < segments - 1; ++i)
        m_pTriangles[i] = GLTriangle{{0, i + 1, i + 2}};
    m_pTriangles[segments - 1] = GLTriangle{{0, segments, 1}};
    return 1;
}

void CGLDiscMesh::Draw(CGLStateCache& cache)
{
    ApplyMaterial(cache);
    if (m_nVertices == 0)
        return;
    const bool textured = cache.m_bTexturing != 0;
    auto send = [&](const GLVertex& v) {
        glColor4ubv(v.color);
        if (textured)
            glTexCoord2fv(v.texCoord);
        glVertex3fv(v.position);
    };
    glBegin(GL_TRIANGLE_FAN);
    for (int i = 0; i < m_nVertices; ++i)
        send(m_pVertices[i]);
    if (m_nVertices > 1)
        send(m_pVertices[1]); // closes the fan
    glEnd();
}
