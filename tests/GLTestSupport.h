// Shared by the tests that draw with OpenGL: loads the entry points once per process and
// says which pixel differs when a picture is not as expected.
#pragma once

#include "document/Dib.h"
#include "PictureAssertions.h"
#include "gl/GLContext.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

class GLTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { LoadGLEntryPoints(TRUE); }
    void SetUp() override { ASSERT_TRUE(AreGLEntryPointsLoaded()) << "no EGL library"; }
};

// A picture whose off-screen context stays current while the object lives.
class CCurrentPicture
{
public:
    CCurrentPicture(int width, int height)
    {
        if (m_dib.Create(width, height) && m_dib.CreateGLContext())
            m_scope = std::make_unique<CGLCurrentScope>(m_dib);
    }
    BOOL IsCurrent() const { return m_scope && m_scope->IsCurrent(); }
    CDib& Dib() { return m_dib; }

private:
    CDib m_dib;
    std::unique_ptr<CGLCurrentScope> m_scope;
};

// Pixel units with row 0 at the bottom, as the picture keeps its rows.
inline void PixelProjection(int width, int height)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, 0, height, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// Points the temporary folder (where the logs go) at a folder of this test alone, so that
// tests running side by side do not read each other's logs.
class CScopedTempFolder
{
public:
    CScopedTempFolder()
    {
        const char* old = std::getenv("TMPDIR");
        m_bHadOld = old != nullptr;
        if (old)
            m_strOld = old;
        ::setenv("TMPDIR", m_dir.path().toLocal8Bit().constData(), 1);
    }
    ~CScopedTempFolder()
    {
        if (m_bHadOld)
            ::setenv("TMPDIR", m_strOld.c_str(), 1);
        else
            ::unsetenv("TMPDIR");
    }
    QString FilePath(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }

    // The file's lines without their newlines.
    QStringList ReadLines(const char* name) const
    {
        QFile file(FilePath(name));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLocal8Bit(file.readAll()).split('\n');
    }

private:
    QTemporaryDir m_dir;
    bool m_bHadOld = false;
    std::string m_strOld;
};
