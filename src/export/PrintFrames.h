#pragma once
// Printing chosen animation frames: one document, one page per frame, on any
// paged device (a printer in the window, a PDF file from either side). Pages
// are laid out the same whatever resolution the device has: a frame that fits
// the printable area at 300 pixels per inch prints at that density, centred; a
// larger one is rendered at the largest size of its proportions that fits
// there at 300 pixels per inch and fills the area's width or height, centred.

#include "engine/PackedPicture.h"

#include <QImage>
#include <QPageLayout>
#include <QRect>
#include <QSize>

#include <functional>
#include <string>
#include <vector>

class CBigPicture;
class QPagedPaintDevice;

// The most pixels per inch a printed frame has.
inline constexpr int kPrintPixelsPerInch = 300;

// Where a W x H frame lands in a printable area of AW x AH device pixels, one
// pixel per device pixel when it fits, otherwise scaled to fit; centred.
QRect PrintRect(int W, int H, int AW, int AH);
// The same on a device of dpiX x dpiY dots per inch, the frame at 300 pixels per inch.
QRect PrintRect(int W, int H, int AW, int AH, int dpiX, int dpiY);
// The largest frame the printable area of `layout` holds at 300 pixels per inch;
// larger frames are rendered within it.
QSize PrintPixelLimit(const QPageLayout& layout);

// Portrait when the work picture is narrower than high, otherwise landscape.
QPageLayout::Orientation PrintOrientation(int workWidth, int workHeight);

// A packed picture (bottom-up BGR rows) as a top-down image; a null image when
// there is no memory for it.
QImage PackedPictureImage(const PackedPicture& picture);
using FrameImage = std::function<QImage(const PackedPicture&)>;

struct PrintResult {
    bool started = false;  // the device accepted a painter
    int pages = 0;         // pages printed
    bool cancelled = false;
    std::string error;  // why printing failed; empty when it did not
    bool Failed() const { return !error.empty(); }
};

// Renders each chosen frame with the frame source, at most at the size it takes
// on the page, and prints it on a page of its own. Progress and cancelling go
// through the frame source's observer after every page. A device that does not
// start, a page that cannot be begun and a frame that cannot be drawn (no
// memory for its picture) end printing with an error. The work picture edits
// the active keyframe again afterwards.
PrintResult PrintFrames(CBigPicture& big, QPagedPaintDevice& device, const std::vector<int>& frames,
                        const FrameImage& image = PackedPictureImage);

// The pages of a PDF file and what it says about itself.
struct PdfDocument {
    QPageLayout layout;
    std::string title;    // the project's name
    std::string creator;  // the program's
};
// A4 or US Letter with margins of 10 mm.
QPageLayout PdfPageLayout(bool letter, QPageLayout::Orientation orientation);

// Prints the chosen frames into a PDF file at 300 dots per inch. The file is
// written atomically, and only when every chosen page was printed. Throws
// FileError when the file cannot be written.
inline constexpr int kPdfDotsPerInch = 300;
PrintResult PrintFramesToPdf(CBigPicture& big, const std::string& path, const std::vector<int>& frames,
                             const PdfDocument& document, const FrameImage& image = PackedPictureImage);
