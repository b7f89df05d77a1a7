#include "export/WebpWriter.h"

#if defined(WARPLET_HAVE_WEBP)
#include <webp/encode.h>
#include <webp/mux.h>
#endif

namespace {

[[maybe_unused]] const char* kNoWebp =
    "this program was built without animated WebP support (libwebp was not installed)";

}  // namespace

#if defined(WARPLET_HAVE_WEBP)

struct WebpWriter::Encoder {
    WebPAnimEncoder* encoder = nullptr;
    WebPConfig config{};
    ~Encoder()
    {
        if (encoder)
            WebPAnimEncoderDelete(encoder);
    }
    std::string Error() const
    {
        const char* text = encoder ? WebPAnimEncoderGetError(encoder) : nullptr;
        return text && *text ? text : "the encoder failed";
    }
};

bool WebpAvailable()
{
    return true;
}

#else

struct WebpWriter::Encoder {};

bool WebpAvailable()
{
    return false;
}

#endif

WebpWriter::WebpWriter(WebpOptions options) : m_options(options) {}

WebpWriter::~WebpWriter() = default;

void WebpWriter::Abandon()
{
    m_encoder.reset();
    CloseFile();
    m_frames = 0;
}

LoopResult WebpWriter::Begin(const std::string& path, const LoopShape& shape)
{
    Abandon();
    if (LoopResult r =
            CheckRange("WebP quality", m_options.quality, WebpOptions::kMinQuality, WebpOptions::kMaxQuality);
        !r)
        return r;
    if (LoopResult r = CheckRange("WebP effort", m_options.effort, WebpOptions::kMinEffort, WebpOptions::kMaxEffort);
        !r)
        return r;
    if (LoopResult r = CheckShape(shape, kMaxSide, "WebP"); !r)
        return r;
#if defined(WARPLET_HAVE_WEBP)
    auto encoder = std::make_unique<Encoder>();
    if (!WebPConfigInit(&encoder->config))
        return LoopResult::Fail(LoopStatus::NoLibrary, "the installed libwebp does not match the one built against");
    encoder->config.lossless = m_options.lossless ? 1 : 0;
    encoder->config.quality = float(m_options.quality);
    encoder->config.method = m_options.effort;
    if (!WebPValidateConfig(&encoder->config))
        return LoopResult::Fail(LoopStatus::BadOptions, "libwebp refused the settings");
    WebPAnimEncoderOptions options;
    if (!WebPAnimEncoderOptionsInit(&options))
        return LoopResult::Fail(LoopStatus::NoLibrary, "the installed libwebp does not match the one built against");
    options.anim_params.loop_count = 0;  // for ever
    options.allow_mixed = 0;
    encoder->encoder = WebPAnimEncoderNew(shape.width, shape.height, &options);
    if (!encoder->encoder)
        return LoopResult::Fail(LoopStatus::OutOfMemory, "out of memory for the WebP encoder of " + path);
    LoopResult opened = OpenFile(path, shape);
    if (opened)
        m_encoder = std::move(encoder);
    return opened;
#else
    return LoopResult::Fail(LoopStatus::NoLibrary, std::string(kNoWebp) + ": " + path);
#endif
}

LoopResult WebpWriter::AddFrame(const PackedPicture& frame)
{
    if (!m_encoder)
        return LoopResult::Fail(LoopStatus::NoFrames, "the WebP file was not begun: " + Path());
    if (LoopResult r = CheckFrame(frame, Shape()); !r)
        return r;
#if defined(WARPLET_HAVE_WEBP)
    WebPPicture picture;
    if (!WebPPictureInit(&picture))
        return LoopResult::Fail(LoopStatus::NoLibrary, "the installed libwebp does not match the one built against");
    picture.width = Shape().width;
    picture.height = Shape().height;
    picture.use_argb = 1;  // the animation encoder compares frames in ARGB
    // A large frame takes seconds to code: the coder asks for a stop as it goes.
    picture.user_data = this;
    picture.progress_hook = [](int, const WebPPicture* coded) {
        return static_cast<const WebpWriter*>(coded->user_data)->StopRequested() ? 0 : 1;
    };
    const std::vector<uint8_t> rgb = PictureToRgb(frame);
    const bool imported = WebPPictureImportRGB(&picture, rgb.data(), Shape().width * 3) != 0;
    const bool added =
        imported && WebPAnimEncoderAdd(m_encoder->encoder, &picture,
                                       int(FrameStart(m_frames, Shape().framesPerSecond, 1000)), &m_encoder->config);
    WebPPictureFree(&picture);
    if (!imported)
        return LoopResult::Fail(LoopStatus::OutOfMemory, "out of memory for a WebP frame of " + Path());
    if (!added && StopRequested())
        return LoopResult::Fail(LoopStatus::Stopped, "stopped; nothing was written to " + Path());
    if (!added)
        return LoopResult::Fail(LoopStatus::EncodeFailed, "WebP: " + m_encoder->Error() + ": " + Path());
    ++m_frames;
    return {};
#else
    return LoopResult::Fail(LoopStatus::NoLibrary, kNoWebp);
#endif
}

LoopResult WebpWriter::Finish()
{
    if (!m_encoder || m_frames == 0) {
        Abandon();
        return LoopResult::Fail(LoopStatus::NoFrames, "no frames to write to " + Path());
    }
#if defined(WARPLET_HAVE_WEBP)
    // A last call without a picture gives the last frame its duration.
    LoopResult result;
    WebPData data;
    WebPDataInit(&data);
    if (!WebPAnimEncoderAdd(m_encoder->encoder, nullptr, int(FrameStart(m_frames, Shape().framesPerSecond, 1000)),
                            nullptr) ||
        !WebPAnimEncoderAssemble(m_encoder->encoder, &data))
        result = LoopResult::Fail(LoopStatus::EncodeFailed, "WebP: " + m_encoder->Error() + ": " + Path());
    else if (result = Append({data.bytes, data.size}); result)
        result = Commit();
    WebPDataClear(&data);
    Abandon();
    return result;
#else
    return LoopResult::Fail(LoopStatus::NoLibrary, kNoWebp);
#endif
}
