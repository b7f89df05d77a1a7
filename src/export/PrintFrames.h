#pragma once
// Printing chosen animation frames: one document, one page per frame, on any
// paged device (a printer in the window, a PDF file from the command line).
// A frame that fits the printable area is printed one picture pixel per
// device pixel, centred; a larger one is scaled to fit and centred.

#include "engine/PackedPicture.h"

#include <QImage>
#include <QPageLayout>
#include <QRect>

#include <string>
#include <vector>

class CBigPicture;
class QPagedPaintDevice;

// Where a W x H frame lands in a printable area of AW x AH device pixels.
QRect PrintRect(int W, int H, int AW, int AH);

// Portrait when the work picture is narrower than high, otherwise landscape.
QPageLayout::Orientation PrintOrientation(int workWidth, int workHeight);

// A packed picture (bottom-up BGR rows) as a top-down image.
QImage PackedPictureImage(const PackedPicture& picture);

struct PrintResult {
    bool started = false;  // the device accepted a painter
    int pages = 0;         // pages printed
    bool cancelled = false;
};

// Renders each chosen frame with the frame source and prints it on a page of its
// own. Progress and cancelling go through the frame source's observer after every
// page. The work picture edits the active keyframe again afterwards.
PrintResult PrintFrames(CBigPicture& big, QPagedPaintDevice& device, const std::vector<int>& frames);

// Prints the chosen frames into a PDF file of A4 or US Letter pages at 300 dots
// per inch. The file is written atomically, and only when every chosen page was
// printed. Throws FileError when the file cannot be written.
inline constexpr int kPdfDotsPerInch = 300;
PrintResult PrintFramesToPdf(CBigPicture& big, const std::string& path, const std::vector<int>& frames,
                             bool letter, QPageLayout::Orientation orientation, const std::string& title);
