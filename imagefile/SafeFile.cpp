#include "SafeFile.h"

#include <QFile>
#include <QSaveFile>

namespace {

int64_t g_nFailAfterBytes = -1;

}

void CSafeFileWriter::FailAfterBytesForTesting(int64_t nBytes)
{
    g_nFailAfterBytes = nBytes;
}

CSafeFileWriter::CSafeFileWriter(const char* pszFileName)
{
    if (!pszFileName || !*pszFileName)
        return;
    m_pFile = std::make_unique<QSaveFile>(QFile::decodeName(pszFileName));
    // Writing straight into the target when its folder cannot take a temporary file would
    // bring back the half-written file this class exists to prevent.
    m_pFile->setDirectWriteFallback(false);
    if (!m_pFile->open(QIODevice::WriteOnly))
        m_pFile.reset();
}

CSafeFileWriter::~CSafeFileWriter()
{
    if (m_pFile)
        m_pFile->cancelWriting();
}

bool CSafeFileWriter::IsOpen() const
{
    return m_pFile != nullptr;
}

bool CSafeFileWriter::Write(const void* pData, size_t nBytes)
{
    if (!m_pFile || m_bFailed)
        return false;
    if (g_nFailAfterBytes >= 0) {
        if (static_cast<uint64_t>(g_nFailAfterBytes) < nBytes) {
            m_bFailed = true;
            return false;
        }
        g_nFailAfterBytes -= static_cast<int64_t>(nBytes);
    }
    const char* p = static_cast<const char*>(pData);
    while (nBytes > 0) {
        const qint64 n = m_pFile->write(p, static_cast<qint64>(nBytes));
        if (n <= 0) {
            m_bFailed = true;
            return false;
        }
        p += n;
        nBytes -= static_cast<size_t>(n);
    }
    return true;
}

bool CSafeFileWriter::Commit()
{
    if (!m_pFile)
        return false;
    if (m_bFailed) {
        m_pFile->cancelWriting();
        m_pFile.reset();
        return false;
    }
    const bool ok = m_pFile->commit();
    m_pFile.reset();
    return ok;
}
