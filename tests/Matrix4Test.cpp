#include "GLTestSupport.h"
#include "gl/Matrix4.h"

#include <GL/gl.h>

using Matrix4 = GLTest;

// The matrix must agree with GL's own stack, element for element, so that a transform
// done on the vertices and one done by glMultMatrixf give the same picture.
TEST_F(Matrix4, ComposesAsTheGLMatrixStackDoes)
{
    CCurrentPicture picture(4, 4);
    ASSERT_TRUE(picture.IsCurrent());

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, -2, 3);
    glRotatef(30, 0, 0, 1);
    glRotatef(-75, 1, 2, 0.5f);
    glScalef(2, 3, 0.5f);
    float gl[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, gl);

    const CMatrix4 m = CMatrix4::Translation(1, -2, 3) * CMatrix4::Rotation(30, 0, 0, 1) *
                       CMatrix4::Rotation(-75, 1, 2, 0.5) * CMatrix4::Scaling(2, 3, 0.5f);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(m.Data()[i], gl[i], 1e-5) << "element " << i;

    glLoadMatrixf(m.Data());
    float back[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, back);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(back[i], m.Data()[i]);
}

TEST(Matrix4Math, PointsMoveAndDirectionsOnlyTurn)
{
    const CMatrix4 m = CMatrix4::Translation(10, 20, 30) * CMatrix4::Rotation(90, 0, 0, 1);
    float p[3] = {1, 0, 0};
    m.TransformPoint(p, p);
    EXPECT_NEAR(p[0], 10, 1e-6);
    EXPECT_NEAR(p[1], 21, 1e-6);
    EXPECT_NEAR(p[2], 30, 1e-6);
    float d[3] = {1, 0, 0};
    m.TransformDirection(d, d);
    EXPECT_NEAR(d[0], 0, 1e-6);
    EXPECT_NEAR(d[1], 1, 1e-6);
    EXPECT_NEAR(d[2], 0, 1e-6);

    const CMatrix4 still = CMatrix4::Rotation(45, 0, 0, 0);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(still.Data()[i], CMatrix4().Data()[i]) << "a zero axis turns nothing";
}
