#include "export/PrintFrames.h"

#include "export/BigPicture.h"

#include "io/AtomicFile.h"

#include <QBuffer>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <climits>
#include <span>

QRect PrintRect(int W, int H, int AW, int AH)
{
    if (W <= 0 || H <= 0 || AW <= 0 || AH <= 0)
        return {};
    if (W <= AW && H <= AH)
        return QRect((AW - W) / 2, (AH - H) / 2, W, H);
    return FitPrintRect(W, H, AW, AH);
}

QRect FitPrintRect(int W, int H, int AW, int AH)
{
    if (W <= 0 || H <= 0 || AW <= 0 || AH <= 0)
        return {};
    const int64_t w = W, h = H;
    if (AH * w < h * AW) {
        // Fills the height.
        const int width = int(AH * w / h);
        return QRect((AW - width) / 2, 0, width, AH);
    }
    const int height = int(h * AW / w);
    return QRect(0, (AH - height) / 2, AW, height);
}

QRect PrintRect(int W, int H, int AW, int AH, int dpiX, int dpiY, PrintPlacement placement)
{
    if (W <= 0 || H <= 0 || dpiX <= 0 || dpiY <= 0)
        return {};
    // The frame's size on the page in device pixels, at least one.
    const auto onPage = [](int pixels, int dpi) {
        return int(std::clamp<int64_t>(int64_t(pixels) * dpi / kPrintPixelsPerInch, 1, INT_MAX));
    };
    const int w = onPage(W, dpiX), h = onPage(H, dpiY);
    return placement == PrintPlacement::FitToPage ? FitPrintRect(w, h, AW, AH) : PrintRect(w, h, AW, AH);
}

QSize PrintPixelLimit(const QPageLayout& layout)
{
    return layout.paintRectPixels(kPrintPixelsPerInch).size();
}

QPageLayout::Orientation PrintOrientation(int workWidth, int workHeight)
{
    return workWidth < workHeight ? QPageLayout::Portrait : QPageLayout::Landscape;
}

QImage PackedPictureImage(const PackedPicture& picture)
{
    if (picture.Empty())
        return {};
    const QImage view(picture.Bits().data(), picture.Width(), picture.Height(), picture.Stride(),
                      QImage::Format_BGR888);
    return view.mirrored(false, true);
}

bool PagePainter::Begin()
{
    if (m_painter.begin(&m_device))
        return true;
    m_error = "printing could not start";
    return false;
}

bool PagePainter::Paint(const QImage& picture)
{
    if (m_nPages > 0 && !m_device.newPage()) {
        m_error = "page " + std::to_string(m_nPages + 1) + " could not be started";
        return false;
    }
    const QRect area = m_painter.viewport();
    m_painter.drawImage(PrintRect(picture.width(), picture.height(), area.width(), area.height(),
                                  m_device.logicalDpiX(), m_device.logicalDpiY(), m_placement),
                        picture);
    ++m_nPages;
    return true;
}

bool PagePainter::End()
{
    if (m_painter.end())
        return true;
    if (m_error.empty())
        m_error = "the document could not be finished";
    return false;
}

void RenderPrintPages(CBigPicture& big, const std::vector<int>& frames, const PageSink& paint, PrintResult& result,
                      const FrameImage& image)
{
    ExportObserver* observer = big.Observer();
    const int total = int(frames.size());
    if (observer)
        observer->Progress(0, total);
    for (size_t i = 0; i < frames.size(); ++i) {
        big.PrepareFrame(frames[i]);
        big.RenderFrame(frames[i]);
        big.ShowFrame();
        const QImage picture = image(big.Frame());
        if (picture.isNull()) {
            result.error = "frame " + std::to_string(frames[i]) + " cannot be drawn: not enough memory";
            return;
        }
        if (!paint(picture))
            return;
        ++result.pages;
        if (observer) {
            observer->Progress(int(i) + 1, total);
            if (observer->CheckCancel()) {
                result.cancelled = i + 1 < frames.size();
                return;
            }
        }
    }
}

PrintResult PrintFrames(CBigPicture& big, QPagedPaintDevice& device, const std::vector<int>& frames,
                        const FrameImage& image, PrintPlacement placement)
{
    PrintResult result;
    if (big.TotalFrames() <= 0 || frames.empty())
        return result;
    PagePainter pages(device, placement);
    if (!pages.Begin()) {
        result.error = pages.Error();
        return result;
    }
    result.started = true;
    const QSize limit = PrintPixelLimit(device.pageLayout());
    big.SetSizeLimit(limit.width(), limit.height());
    RenderPrintPages(
        big, frames, [&pages](const QImage& picture) { return pages.Paint(picture); }, result, image);
    pages.End();
    if (!result.Failed())
        result.error = pages.Error();
    return result;
}

QPageLayout PdfPageLayout(bool letter, QPageLayout::Orientation orientation)
{
    return QPageLayout(QPageSize(letter ? QPageSize::Letter : QPageSize::A4), orientation, QMarginsF(10, 10, 10, 10),
                       QPageLayout::Millimeter);
}

PrintResult PrintFramesToPdf(CBigPicture& big, const std::string& path, const std::vector<int>& frames,
                             const PdfDocument& document, const FrameImage& image)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    PrintResult result;
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(QString::fromStdString(document.title));
        writer.setCreator(QString::fromStdString(document.creator));
        writer.setResolution(kPdfDotsPerInch);
        writer.setPageLayout(document.layout);
        result = PrintFrames(big, writer, frames, image, document.placement);
    }
    // A cancelled, failed or empty print leaves no file (and an older one as it was).
    if (result.started && result.pages > 0 && !result.cancelled && !result.Failed()) {
        const QByteArray& bytes = buffer.data();
        WriteFileAtomically(path, std::span(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())));
    }
    return result;
}
