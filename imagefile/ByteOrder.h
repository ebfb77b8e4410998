// Numbers in file headers, independent of the machine's byte order: little-endian (BMP,
// TGA) and big-endian (PNG, JPEG).
#pragma once

#include "document/WinTypes.h"

inline WORD GetLE16(const BYTE* p)
{
    return static_cast<WORD>(p[0] | (p[1] << 8));
}

inline DWORD GetLE32(const BYTE* p)
{
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) |
           (static_cast<DWORD>(p[2]) << 16) | (static_cast<DWORD>(p[3]) << 24);
}

inline WORD GetBE16(const BYTE* p)
{
    return static_cast<WORD>((p[0] << 8) | p[1]);
}

inline DWORD GetBE32(const BYTE* p)
{
    return (static_cast<DWORD>(p[0]) << 24) | (static_cast<DWORD>(p[1]) << 16) |
           (static_cast<DWORD>(p[2]) << 8) | static_cast<DWORD>(p[3]);
}

inline BYTE* PutLE16(BYTE* p, DWORD v)
{
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
    return p + 2;
}

inline BYTE* PutLE32(BYTE* p, DWORD v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<BYTE>(v >> (8 * i));
    return p + 4;
}
