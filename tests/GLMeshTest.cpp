#include "GLTestSupport.h"
#include "effects/Color.h"
#include "gl/GLMesh.h"

#include <cmath>

namespace {

GLVertex PointAt(float x, float y, BYTE r, BYTE g, BYTE b)
{
    GLVertex v{};
    v.position[0] = x;
    v.position[1] = y;
    v.color[0] = r;
    v.color[1] = g;
    v.color[2] = b;
    v.color[3] = 255;
    return v;
}

}

TEST(GLMesh, AllocationRules)
{
    CGLMesh mesh;
    EXPECT_EQ(mesh.GetVertexCount(), 0);
    EXPECT_EQ(mesh.GetMaterial(), nullptr);
    ASSERT_EQ(mesh.Allocate(4, 0), 1);
    EXPECT_EQ(mesh.GetVertexCount(), 12) << "three vertices a triangle when none are given";
    EXPECT_EQ(mesh.GetTriangleCount(), 4);
    for (int i = 0; i < 12; ++i) {
        const GLVertex v = mesh.GetVertex(i);
        ASSERT_EQ(v.position[0], 0);
        ASSERT_EQ(v.color[3], 0);
    }
    ASSERT_EQ(mesh.Allocate(2, 5), 1);
    EXPECT_EQ(mesh.GetVertexCount(), 5);
    EXPECT_EQ(mesh.Allocate(-1, 5), 0);
    EXPECT_EQ(mesh.GetVertexCount(), 0) << "a failed allocation leaves the mesh empty";
    EXPECT_EQ(mesh.Allocate(1 << 30, 0), 0);
    ASSERT_EQ(mesh.AllocatePoints(7), 1);
    EXPECT_EQ(mesh.GetVertexCount(), 7);
    EXPECT_EQ(mesh.GetTriangleCount(), 0);

    mesh.SetVertex(6, PointAt(1, 2, 3, 4, 5));
    mesh.SetVertex(7, PointAt(9, 9, 9, 9, 9)); // past the end: ignored
    EXPECT_EQ(mesh.GetVertex(6).position[1], 2);
    EXPECT_EQ(mesh.GetVertex(6).color[2], 5);
    EXPECT_EQ(mesh.GetVertex(-1).position[0], 0);

    CGLMaterial* material = mesh.CreateMaterial();
    ASSERT_NE(material, nullptr);
    EXPECT_EQ(mesh.GetMaterial(), material);
    EXPECT_EQ(material->m_bDepthWrite, 1);
    EXPECT_EQ(material->m_nTexEnv, GL_MODULATE);
    EXPECT_EQ(material->m_texture, -1);
}

TEST(GLMesh, TransformMovesNormalsOnlyWhenFlagged)
{
    CGLMesh mesh;
    ASSERT_EQ(mesh.AllocatePoints(2), 1);
    GLVertex v = PointAt(1, 0, 0, 0, 0);
    v.normal[0] = 1;
    mesh.SetVertex(0, v);
    mesh.SetVertex(1, v);
    const CMatrix4 turn = CMatrix4::Translation(0, 0, 5) * CMatrix4::Rotation(90, 0, 0, 1);
    mesh.Transform(turn);
    EXPECT_NEAR(mesh.GetVertex(0).position[1], 1, 1e-6);
    EXPECT_NEAR(mesh.GetVertex(0).position[2], 5, 1e-6);
    EXPECT_EQ(mesh.GetVertex(0).normal[0], 1) << "normals flag off";

    mesh.m_bNormals = 1;
    mesh.TransformVertex(1, turn);
    EXPECT_NEAR(mesh.GetVertex(1).normal[0], 0, 1e-6);
    EXPECT_NEAR(mesh.GetVertex(1).normal[1], 1, 1e-6);
    EXPECT_NEAR(mesh.GetVertex(1).normal[2], 0, 1e-6) << "directions are not translated";
    EXPECT_NEAR(mesh.GetVertex(1).position[0], -1, 1e-6) << "vertex 1 turned twice";
    EXPECT_NEAR(mesh.GetVertex(1).position[2], 10, 1e-6);
    EXPECT_NEAR(mesh.GetVertex(0).position[1], 1, 1e-6) << "vertex 0 moved only once";
}

TEST(GLDiscMesh, BuildsAFanWithTexturedRim)
{
    CGLDiscMesh disc;
    EXPECT_EQ(disc.BuildDisc(0, 1, CColor(), CColor()), 0);
    ASSERT_EQ(disc.BuildDisc(8, 10, CColor(10, 20, 30), CColor(200, 100, 50)), 1);
    ASSERT_EQ(disc.GetVertexCount(), 9);
    ASSERT_EQ(disc.GetTriangleCount(), 8);
    const GLVertex centre = disc.GetVertex(0);
    EXPECT_EQ(centre.color[0], 10);
    EXPECT_EQ(centre.color[2], 30);
    EXPECT_EQ(centre.color[3], 64);
    EXPECT_EQ(centre.texCoord[0], 0.5f);
    EXPECT_EQ(centre.texCoord[1], 0.5f);
    const GLVertex first = disc.GetVertex(1), third = disc.GetVertex(3);
    EXPECT_FLOAT_EQ(first.position[0], 10);
    EXPECT_NEAR(first.position[1], 0, 1e-6);
    EXPECT_NEAR(third.position[0], 0, 1e-5); // a quarter turn
    EXPECT_FLOAT_EQ(third.position[1], 10);
    EXPECT_FLOAT_EQ(third.texCoord[1], 1);
    EXPECT_EQ(third.color[0], 200);
    EXPECT_EQ(third.color[3], 64);
    const GLTriangle* t = disc.GetTriangles();
    EXPECT_EQ(t[0].index[1], 1);
    EXPECT_EQ(t[0].index[2], 2);
    EXPECT_EQ(t[6].index[2], 8);
    EXPECT_EQ(t[7].index[0], 0);
    EXPECT_EQ(t[7].index[1], 8);
    EXPECT_EQ(t[7].index[2], 1) << "the last triangle closes the disc";
}

using GLDrawing = GLTest;

TEST_F(GLDrawing, PointRangesAreClampedToTheBatch)
{
    CDib dib;
    ASSERT_TRUE(dib.Create(8, 2));
    ASSERT_TRUE(dib.CreateGLContext());
    CGLMesh batch;
    ASSERT_EQ(batch.AllocatePoints(5), 1);
    ASSERT_NE(batch.CreateMaterial(), nullptr);
    for (int i = 0; i < 5; ++i)
        batch.SetVertex(i, PointAt(i + 0.5f, 0.5f, BYTE(50 * (i + 1)), 0, 0));

    auto draw = [&](int first, int count) {
        dib.Fill(0);
        CGLCurrentScope scope(dib);
        ASSERT_TRUE(scope.IsCurrent());
        PixelProjection(8, 2);
        CGLStateCache cache;
        cache.Reset();
        batch.RenderPoints(cache, 1.0f, first, count);
    };
    auto drawn = [&] {
        std::string s;
        for (int x = 0; x < 8; ++x)
            s += dib.GetPixel(x, 0) ? 'x' : '.';
        return s;
    };
    draw(0, 0);
    EXPECT_EQ(drawn(), "xxxxx...") << "count 0 draws the whole batch";
    EXPECT_TRUE(PixelIs(dib, 2, 0, 0x960000));
    draw(3, 10);
    EXPECT_EQ(drawn(), "...xx...") << "a range past the end stops at the last vertex";
    draw(1, 2);
    EXPECT_EQ(drawn(), ".xx.....");
    draw(5, 1);
    EXPECT_EQ(drawn(), "........");
}

TEST_F(GLDrawing, DiscAndMeshLandWhereTheirVerticesSay)
{
    CDib dib;
    ASSERT_TRUE(dib.Create(40, 40));
    ASSERT_TRUE(dib.CreateGLContext());
    CGLDiscMesh disc;
    ASSERT_EQ(disc.BuildDisc(6, 10, CColor(255, 255, 255), CColor(255, 255, 255)), 1);
    disc.Transform(CMatrix4::Translation(20, 20, 0));
    ASSERT_NE(disc.CreateMaterial(), nullptr);

    CGLMesh quad;
    ASSERT_EQ(quad.Allocate(2, 4), 1);
    quad.SetVertex(0, PointAt(0, 0, 0, 0, 255));
    quad.SetVertex(1, PointAt(6, 0, 0, 0, 255));
    quad.SetVertex(2, PointAt(6, 4, 0, 0, 255));
    quad.SetVertex(3, PointAt(0, 4, 0, 0, 255));
    quad.GetTriangles()[0] = GLTriangle{{0, 1, 2}};
    quad.GetTriangles()[1] = GLTriangle{{0, 2, 3}};
    CGLMesh broken;
    ASSERT_EQ(broken.Allocate(1, 3), 1);
    broken.SetVertex(0, PointAt(30, 30, 0, 255, 0));
    broken.SetVertex(1, PointAt(40, 30, 0, 255, 0));
    broken.SetVertex(2, PointAt(40, 40, 0, 255, 0));
    broken.GetTriangles()[0] = GLTriangle{{0, 1, 3}}; // index past the vertices
    {
        CGLCurrentScope scope(dib);
        ASSERT_TRUE(scope.IsCurrent());
        PixelProjection(40, 40);
        CGLStateCache cache;
        cache.Reset();
        disc.Draw(cache);
        quad.Draw(cache);
        broken.Draw(cache);
    }
    EXPECT_TRUE(PixelIs(dib, 20, 20, 0xFFFFFF));
    EXPECT_TRUE(PixelIs(dib, 28, 19, 0xFFFFFF)) << "the closing wedge, just below vertex 1";
    EXPECT_TRUE(PixelIs(dib, 12, 20, 0xFFFFFF));
    EXPECT_TRUE(PixelIs(dib, 20, 31, 0)) << "outside the radius";
    EXPECT_TRUE(PixelIs(dib, 1, 1, 0x0000FF));
    EXPECT_TRUE(PixelIs(dib, 5, 3, 0x0000FF));
    EXPECT_TRUE(PixelIs(dib, 7, 5, 0));
    EXPECT_TRUE(PixelIs(dib, 38, 32, 0)) << "a mesh with a bad index draws nothing";
}
