#pragma once
// A freeze mask from a picture: its alpha, or its grey where it has none, with
// white or opaque frozen (255 -> 64) and black or transparent free, scaled to
// the work picture's size.

#include "engine/FreezeMask.h"

#include <string>

class QImage;

// value = (v * 64 + 127) / 255 of the picture scaled smoothly to W x H, where v
// is the alpha of a picture with an alpha channel and the grey (qGray) of one
// without.
FreezeMask FreezeMaskFromImage(const QImage& image, int width, int height);

// The same for the picture file at `path`; FileError naming it when it cannot
// be read or decoded.
FreezeMask FreezeMaskFromPictureFile(const std::string& path, int width, int height);
