#include "export/PrintFrames.h"

#include "export/BigPicture.h"

#include "project/AtomicFile.h"

#include <QBuffer>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <span>

QRect PrintRect(int W, int H, int AW, int AH)
{
    if (W <= 0 || H <= 0 || AW <= 0 || AH <= 0)
        return {};
    if (W <= AW && H <= AH)
        return QRect((AW - W) / 2, (AH - H) / 2, W, H);
    const int64_t w = W, h = H;
    if (AH * w < h * AW) {
        // Fills the height.
        const int width = int(AH * w / h);
        return QRect((AW - width) / 2, 0, width, AH);
    }
    const int height = int(h * AW / w);
    return QRect(0, (AH - height) / 2, AW, height);
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

PrintResult PrintFrames(CBigPicture& big, QPagedPaintDevice& device, const std::vector<int>& frames)
{
    PrintResult result;
    if (big.TotalFrames() <= 0 || frames.empty())
        return result;
    QPainter painter;
    if (!painter.begin(&device))
        return result;
    result.started = true;
    const ActiveKeyRestorer restore(big);

    ExportObserver* observer = big.Observer();
    const int total = int(frames.size());
    if (observer)
        observer->Progress(0, total);
    for (size_t i = 0; i < frames.size(); ++i) {
        if (i > 0 && !device.newPage())
            break;
        big.PrepareFrame(frames[i]);
        big.RenderFrame(frames[i]);
        big.ShowFrame();
        const QRect area = painter.viewport();
        painter.drawImage(PrintRect(big.Width(), big.Height(), area.width(), area.height()),
                          PackedPictureImage(big.Frame()));
        ++result.pages;
        if (observer) {
            observer->Progress(int(i) + 1, total);
            if (observer->CheckCancel()) {
                result.cancelled = i + 1 < frames.size();
                break;
            }
        }
    }
    painter.end();
    return result;
}

PrintResult PrintFramesToPdf(CBigPicture& big, const std::string& path, const std::vector<int>& frames, bool letter,
                             QPageLayout::Orientation orientation, const std::string& title)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    PrintResult result;
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(QString::fromStdString(title));
        writer.setCreator(QString::fromStdString(title));
        writer.setResolution(kPdfDotsPerInch);
        writer.setPageSize(QPageSize(letter ? QPageSize::Letter : QPageSize::A4));
        writer.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
        writer.setPageOrientation(orientation);
        result = PrintFrames(big, writer, frames);
    }
    // A cancelled or empty print leaves no file (and an older one as it was).
    if (result.started && result.pages > 0 && !result.cancelled) {
        const QByteArray& bytes = buffer.data();
        WriteFileAtomically(path, std::span(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())));
    }
    return result;
}
