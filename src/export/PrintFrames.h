#pragma once
// Printing chosen animation frames: one document, one page per frame, on any
// paged device (a printer in the window, a PDF file from either side). Pages
// are laid out the same whatever resolution the device has: at the actual size
// a frame that fits the printable area at 300 pixels per inch prints at that
// density, centred; a larger one is rendered at the largest size of its
// proportions that fits there at 300 pixels per inch and fills the area's
// width or height, centred. Fit to page scales every frame so (a small one up).

#include "engine/PackedPicture.h"

#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QRect>
#include <QSize>

#include <functional>
#include <string>
#include <vector>

class CBigPicture;
class QPagedPaintDevice;

// The most pixels per inch a printed frame has.
inline constexpr int kPrintPixelsPerInch = 300;

// How a frame is placed on its page: at 300 pixels per inch (only a frame larger
// than the printable area is scaled down), or scaled to fill the printable
// area's width or height.
enum class PrintPlacement { ActualSize, FitToPage };

// Where a W x H frame lands in a printable area of AW x AH device pixels, one
// pixel per device pixel when it fits, otherwise scaled to fit; centred.
QRect PrintRect(int W, int H, int AW, int AH);
// The largest W x H rectangle of the frame's proportions that the area holds, centred.
QRect FitPrintRect(int W, int H, int AW, int AH);
// The same on a device of dpiX x dpiY dots per inch, the frame at 300 pixels per
// inch, or filling the area for FitToPage.
QRect PrintRect(int W, int H, int AW, int AH, int dpiX, int dpiY,
                PrintPlacement placement = PrintPlacement::ActualSize);
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

// Paints pictures on the pages of a paged device, one a page, where PrintRect
// puts them at the device's resolution. A printer is painted on the thread that
// owns it.
class PagePainter {
public:
    explicit PagePainter(QPagedPaintDevice& device, PrintPlacement placement = PrintPlacement::ActualSize)
            : m_device(device), m_placement(placement)
    {}
    PagePainter(const PagePainter&) = delete;
    PagePainter& operator=(const PagePainter&) = delete;

    // Starts the document; false, with Error(), when the device refuses a painter.
    bool Begin();
    bool Started() const { return m_painter.isActive(); }
    // Paints `picture` on a page of its own; false, with Error(), when the page
    // cannot be started.
    bool Paint(const QImage& picture);
    // Ends a started document; false when it could not be finished (Error() then
    // says so unless it already named an earlier failure).
    bool End();
    const std::string& Error() const { return m_error; }

private:
    QPagedPaintDevice& m_device;
    PrintPlacement m_placement;
    QPainter m_painter;
    int m_nPages = 0;
    std::string m_error;
};

// The page loop of printing: renders each chosen frame with the frame source
// (within its size limit) and hands the frame's picture to `paint`, which puts
// it on a page and answers false to end the loop. Progress and cancelling go
// through the frame source's observer after every page. A frame that cannot be
// drawn (no memory for its picture) ends the loop with an error. Counts the
// pages into `result` and sets its cancelled flag and error.
using PageSink = std::function<bool(const QImage& picture)>;
void RenderPrintPages(CBigPicture& big, const std::vector<int>& frames, const PageSink& paint, PrintResult& result,
                      const FrameImage& image = PackedPictureImage);

// Renders each chosen frame with the frame source, at most at the size it takes
// on the page, and prints it on a page of its own. Progress and cancelling go
// through the frame source's observer after every page. A device that does not
// start, a page that cannot be begun and a frame that cannot be drawn (no
// memory for its picture) end printing with an error.
PrintResult PrintFrames(CBigPicture& big, QPagedPaintDevice& device, const std::vector<int>& frames,
                        const FrameImage& image = PackedPictureImage,
                        PrintPlacement placement = PrintPlacement::ActualSize);

// The pages of a PDF file and what it says about itself.
struct PdfDocument {
    QPageLayout layout;
    std::string title;    // the project's name
    std::string creator;  // the program's
    PrintPlacement placement = PrintPlacement::ActualSize;
};
// A4 or US Letter with margins of 10 mm.
QPageLayout PdfPageLayout(bool letter, QPageLayout::Orientation orientation);

// Prints the chosen frames into a PDF file at 300 dots per inch. The file is
// written atomically, and only when every chosen page was printed. Throws
// FileError when the file cannot be written.
inline constexpr int kPdfDotsPerInch = 300;
PrintResult PrintFramesToPdf(CBigPicture& big, const std::string& path, const std::vector<int>& frames,
                             const PdfDocument& document, const FrameImage& image = PackedPictureImage);
