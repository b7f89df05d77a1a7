#include "export/BigPicture.h"

#include "engine/Rendering.h"
#include "export/BigPictureRender.h"
#include "io/FileError.h"

#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

void CheckOutputSize(int64_t W, int64_t H)
{
    if (W < 1 || H < 1)
        throw ExportSizeError("the frame size " + std::to_string(W) + " x " + std::to_string(H) +
                              " is smaller than one pixel");
    if (W > CBigPicture::kMaxSide || H > CBigPicture::kMaxSide || W * H > CBigPicture::kMaxPixels)
        throw ExportSizeError("the frame size " + std::to_string(W) + " x " + std::to_string(H) + " is too large");
}

class VideoAdapter : public IVideoFrameSource {
public:
    explicit VideoAdapter(CBigPicture& big) : m_big(big) {}
    int OutputWidth() const override { return m_big.Width(); }
    int OutputHeight() const override { return m_big.Height(); }
    int TotalFrames() const override { return m_big.TotalFrames(); }
    const PackedPicture& RenderVideoFrame(int subFrame) override { return m_big.RenderSubFrame(subFrame); }
    void ShowFrame() override { m_big.ShowFrame(); }
    bool CheckCancel() override { return m_big.Observer() && m_big.Observer()->CheckCancel(); }
    void Progress(int done, int total) override
    {
        if (m_big.Observer())
            m_big.Observer()->Progress(done, total);
    }

private:
    CBigPicture& m_big;
};

class GifAdapter : public GifFrameSource {
public:
    explicit GifAdapter(CBigPicture& big) : m_big(big) {}
    const PackedPicture& PaletteSource() override { return m_big.GifPaletteSource(); }
    int FrameCount() const override { return m_big.TotalFrames(); }
    const PackedPicture& RenderGifFrame(int f) override { return *(m_last = &m_big.RenderGifFrame(f)); }
    void ShowFrame() override
    {
        if (m_big.Observer() && m_last)
            m_big.Observer()->ShowFrame(*m_last);
    }
    bool CheckCancel() override { return m_big.Observer() && m_big.Observer()->CheckCancel(); }
    void Progress(int done, int total) override
    {
        if (m_big.Observer())
            m_big.Observer()->Progress(done, total);
    }

private:
    CBigPicture& m_big;
    const PackedPicture* m_last = nullptr;
};

}  // namespace

CBigPicture::CBigPicture(ExportAnimation animation, ExportObserver* observer)
        : m_animation(std::move(animation)), m_pObserver(observer)
{}

int CBigPicture::TotalFrames() const
{
    return m_animation.Keys().GetTotalFrames();
}

void CBigPicture::SetSource(const std::string& picturePath, int setting)
{
    m_map = MapRef{};
    if (setting == kPicture || setting == kCustom)
        SetFullSizeSource(picturePath, setting);
    else
        SetScreenSource();
}

void CBigPicture::SetFullSizeSource(const std::string& picturePath, int setting)
{
    std::optional<PackedPicture> loaded = LoadPictureFile(picturePath);
    if (!loaded || loaded->Empty())
        throw UndecodablePicture(picturePath);

    int64_t W = loaded->Width(), H = loaded->Height();
    if (setting == kCustom) {
        const std::optional<int> percent = m_percentQuery ? m_percentQuery(int(W), int(H)) : std::optional<int>(100);
        if (!percent)
            throw ExportSizeCancelled();
        if (*percent < 1)
            throw ExportSizeError("the size percentage " + std::to_string(*percent) + " is not positive");
        W = *percent * W / 100;
        H = *percent * H / 100;
    }
    CheckOutputSize(W, H);
    ApplySizeLimit(W, H);

    m_header = MakePictureHeader(int(W), int(H));
    if (setting == kPicture && W == loaded->Width() && H == loaded->Height()) {
        loaded->Header() = m_header;
        m_source = std::move(*loaded);
    } else {
        m_source = FitPicture(*loaded, int(W), int(H));
        m_source.Header() = m_header;
    }
    loaded.reset();
    m_frame = m_source;
    m_nSetting = setting;
}

void CBigPicture::ApplySizeLimit(int64_t& W, int64_t& H) const
{
    if (m_nMaxWidth <= 0 || m_nMaxHeight <= 0 || (W <= m_nMaxWidth && H <= m_nMaxHeight))
        return;
    if (W * m_nMaxHeight > H * m_nMaxWidth) {
        H = std::max<int64_t>(1, H * m_nMaxWidth / W);
        W = m_nMaxWidth;
    } else {
        W = std::max<int64_t>(1, W * m_nMaxHeight / H);
        H = m_nMaxHeight;
    }
}

void CBigPicture::SetSizeLimit(int maxWidth, int maxHeight)
{
    m_nMaxWidth = std::max(maxWidth, 0);
    m_nMaxHeight = std::max(maxHeight, 0);
    if (m_nSetting == kScreen || m_source.Empty())
        return;
    int64_t W = Width(), H = Height();
    ApplySizeLimit(W, H);
    if (W == Width() && H == Height())
        return;
    m_map = MapRef{};
    m_frame = PackedPicture();  // given back before the smaller pictures are made
    m_header = MakePictureHeader(int(W), int(H));
    m_source = FitPicture(m_source, int(W), int(H));
    m_source.Header() = m_header;
    m_frame = m_source;
}

void CBigPicture::SetScreenSource()
{
    const WorkPicture& work = m_animation.Picture();
    if (!work.HasPicture())
        throw ExportSizeError("there is no work picture to export");
    m_header = work.Header();
    m_frame = work.Display();
    m_source = PackedPicture();
    m_nSetting = kScreen;
}

void CBigPicture::PrepareFrame(int64_t f)
{
    if (m_nSetting == kScreen)
        return;
    m_map = m_animation.Keys().GetFrameMapAt(f);
}

void CBigPicture::RenderFrame(int64_t f)
{
    if (m_nSetting == kScreen) {
        RenderThroughWorkPicture(m_animation.Keys().GetFrameMapAt(f), m_frame);
        return;
    }
    if (!m_map.Attached())
        PrepareFrame(f);
    RenderFullSize(m_source, m_frame, m_map, m_nThreads);
}

const PackedPicture& CBigPicture::RenderSubFrame(int64_t subFrame)
{
    const MapRef map = m_animation.Keys().GetFrameMap(subFrame);
    if (m_nSetting == kScreen) {
        RenderThroughWorkPicture(map, m_frame);
    } else {
        m_map = map;
        RenderFullSize(m_source, m_frame, m_map, m_nThreads);
    }
    return m_frame;
}

void CBigPicture::RenderThroughWorkPicture(MapRef map, PackedPicture& into)
{
    WorkPicture& work = m_animation.Picture();
    work.AttachMap(map);
    work.RenderMap(64, true);
    into = work.Display();
}

void CBigPicture::ShowFrame()
{
    if (m_pObserver)
        m_pObserver->ShowFrame(m_frame);
}

PictureSaveResult CBigPicture::SaveFrame(const std::string& path, int64_t f, AtomicFileBatch* batch)
{
    PrepareFrame(f);
    RenderFrame(f);
    ShowFrame();
    return SavePicture(path, m_header, m_frame.Bits(), batch);
}

const PackedPicture& CBigPicture::GifPaletteSource() const
{
    return m_nSetting == kScreen ? m_animation.Picture().Source() : m_source;
}

const PackedPicture& CBigPicture::RenderGifFrame(int f)
{
    RenderThroughWorkPicture(m_animation.Keys().GetFrameMapAt(f), m_gifFrame);
    return m_gifFrame;
}

VideoExportResult CBigPicture::WriteVideo(const std::string& path, int speed)
{
    if (TotalFrames() <= 0) {
        VideoExportResult nothing;
        nothing.error = "No Frames to Write";
        return nothing;
    }
    VideoAdapter adapter(*this);
    return ::WriteVideo(path, speed, adapter, m_videoWriters);
}

GifExportResult CBigPicture::WriteAnimatedGif(const std::string& path, int speed, GifWriteError* error)
{
    if (TotalFrames() <= 0)
        return GifExportResult::NoFrames;
    GifAdapter adapter(*this);
    return ::WriteAnimatedGif(path, speed, adapter, error);
}

std::string FrameFileName(const std::string& path, const std::vector<int>& frames, size_t i)
{
    if (i >= frames.size())
        throw std::out_of_range("FrameFileName: frame index outside the chosen frames");
    if (frames.size() == 1)
        return path;
    const size_t slash = path.find_last_of('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.find_last_of('.');
    const size_t extStart = dot == std::string::npos || dot < nameStart ? path.size() : dot;

    const int digits = int(std::to_string(frames.size()).size());
    char number[32];
    std::snprintf(number, sizeof number, "%0*i", digits, frames[i]);
    return path.substr(0, extStart) + number + path.substr(extStart);
}
