// A picture file's size as its header states it, read before anything is decoded, so that a
// caller can refuse a picture that would cost too much to read.
#pragma once

#include "document/WinTypes.h"

// The largest width and the largest height the file's header states under every type it may
// be read as: the one its name gives and the one its first bytes show (BMP, JPEG, PNG; TGA
// has no signature). Reads a regular file or a compiled-in resource (":/..."). False when no
// such header is found, or it states a size of zero or less.
bool ReadStatedPictureSize(const char* pszFileName, CSize& size);
