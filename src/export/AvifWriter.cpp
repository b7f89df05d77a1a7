#include "export/AvifWriter.h"

#include <algorithm>
#include <thread>

#if defined(WARPLET_HAVE_AVIF)
#include <avif/avif.h>
#endif

namespace {

[[maybe_unused]] const char* kNoAvif =
    "this program was built without animated AVIF support (libavif was not installed)";

// The encoders by the names libavif gives them.
constexpr const char* kEncoderNames[] = {"aom", "rav1e", "svt"};

}  // namespace

#if defined(WARPLET_HAVE_AVIF)

struct AvifWriter::Encoder {
    avifEncoder* encoder = nullptr;
    avifImage* image = nullptr;
    ~Encoder()
    {
        if (image)
            avifImageDestroy(image);
        if (encoder)
            avifEncoderDestroy(encoder);
    }
    // libavif's text for a result, with its detail where it has one.
    std::string Error(avifResult result) const
    {
        std::string text = avifResultToString(result);
        if (encoder && encoder->diag.error[0])
            text += std::string(" (") + encoder->diag.error + ")";
        return text;
    }
};

std::vector<std::string> AvifEncoders()
{
    std::vector<std::string> names;
    for (const char* name : kEncoderNames) {
        const avifCodecChoice choice = avifCodecChoiceFromName(name);
        if (choice != AVIF_CODEC_CHOICE_AUTO && avifCodecName(choice, AVIF_CODEC_FLAG_CAN_ENCODE))
            names.push_back(name);
    }
    return names;
}

namespace {

// The codec choice for an encoder name, or a NoLibrary result naming what there is.
LoopResult ChooseCodec(const std::string& name, avifCodecChoice& choice)
{
    const std::vector<std::string> available = AvifEncoders();
    if (available.empty())
        return LoopResult::Fail(LoopStatus::NoLibrary, "libavif has no AV1 encoder (it was built with decoders only)");
    if (name == "auto") {
        choice = AVIF_CODEC_CHOICE_AUTO;
        return {};
    }
    if (std::find(available.begin(), available.end(), name) != available.end()) {
        choice = avifCodecChoiceFromName(name.c_str());
        return {};
    }
    std::string list;
    for (const std::string& a : available)
        list += (list.empty() ? "" : ", ") + a;
    const bool known = std::find(std::begin(kEncoderNames), std::end(kEncoderNames), name) != std::end(kEncoderNames);
    return LoopResult::Fail(known ? LoopStatus::NoLibrary : LoopStatus::BadOptions,
                            "the AV1 encoder \"" + name + "\" is " + (known ? "not in this libavif" : "unknown") +
                                "; AVIF encoders here: auto, " + list);
}

}  // namespace

#else

struct AvifWriter::Encoder {};

std::vector<std::string> AvifEncoders()
{
    return {};
}

#endif

int AvifQuantizerForQuality(int quality)
{
    constexpr int kWorst = 63;  // AVIF_QUANTIZER_WORST_QUALITY
    return ((AvifOptions::kMaxQuality - quality) * kWorst + 50) / 100;
}

int AvifSpeedFor(int speed, int width, int height)
{
    if (speed != AvifOptions::kAutoSpeed)
        return speed;
    return int64_t(width) * height > AvifOptions::kSlowSpeedMaxPixels ? AvifOptions::kLargeFrameSpeed
                                                                      : AvifOptions::kDefaultSpeed;
}

AvifWriter::AvifWriter(AvifOptions options) : m_options(std::move(options)) {}

AvifWriter::~AvifWriter() = default;

void AvifWriter::Abandon()
{
    m_encoder.reset();
    CloseFile();
    m_frames = 0;
}

LoopResult AvifWriter::Begin(const std::string& path, const LoopShape& shape)
{
    Abandon();
    if (LoopResult r =
            CheckRange("AVIF quality", m_options.quality, AvifOptions::kMinQuality, AvifOptions::kMaxQuality);
        !r)
        return r;
    const int speed = AvifSpeedFor(m_options.speed, shape.width, shape.height);
    if (LoopResult r = CheckRange("AVIF speed", speed, AvifOptions::kMinSpeed, AvifOptions::kMaxSpeed); !r)
        return r;
    if (speed < AvifOptions::kLargeFrameSpeed && int64_t(shape.width) * shape.height > AvifOptions::kSlowSpeedMaxPixels)
        return LoopResult::Fail(LoopStatus::BadOptions,
                                "AVIF speed " + std::to_string(speed) + " takes about 400 bytes of memory a pixel, " +
                                    std::to_string(int64_t(shape.width) * shape.height * 400 >> 20) +
                                    " MiB for frames of " + std::to_string(shape.width) + " x " +
                                    std::to_string(shape.height) + "; speeds 0 to 6 take frames of at most " +
                                    std::to_string(AvifOptions::kSlowSpeedMaxPixels) +
                                    " pixels (2048 x 1152): choose AVIF speed 7 or more for " + path);
    if (LoopResult r = CheckRange("AVIF threads", m_options.threads, 0, 256); !r)
        return r;
    if (LoopResult r = CheckShape(shape, kMaxSide, "AVIF"); !r)
        return r;
#if defined(WARPLET_HAVE_AVIF)
    avifCodecChoice choice = AVIF_CODEC_CHOICE_AUTO;
    if (LoopResult r = ChooseCodec(m_options.encoder, choice); !r)
        return r;
    auto encoder = std::make_unique<Encoder>();
    encoder->encoder = avifEncoderCreate();
    encoder->image = avifImageCreate(shape.width, shape.height, 8, AVIF_PIXEL_FORMAT_YUV420);
    if (!encoder->encoder || !encoder->image)
        return LoopResult::Fail(LoopStatus::OutOfMemory, "out of memory for the AVIF encoder of " + path);
    avifEncoder& e = *encoder->encoder;
    e.codecChoice = choice;
    e.maxThreads = m_options.threads > 0 ? m_options.threads : int(std::max(1u, std::thread::hardware_concurrency()));
    e.speed = speed;
    e.timescale = uint64_t(shape.framesPerSecond);  // one tick per frame
    // Quality 100 is quantiser 0; 0 is the coarsest, 63.
    static_assert(AVIF_QUANTIZER_WORST_QUALITY == 63);
    e.minQuantizer = e.maxQuantizer = AvifQuantizerForQuality(m_options.quality);
    encoder->image->yuvRange = AVIF_RANGE_FULL;
    LoopResult opened = OpenFile(path, shape);
    if (opened)
        m_encoder = std::move(encoder);
    return opened;
#else
    return LoopResult::Fail(LoopStatus::NoLibrary, std::string(kNoAvif) + ": " + path);
#endif
}

LoopResult AvifWriter::AddFrame(const PackedPicture& frame)
{
    if (!m_encoder)
        return LoopResult::Fail(LoopStatus::NoFrames, "the AVIF file was not begun: " + Path());
    if (LoopResult r = CheckFrame(frame, Shape()); !r)
        return r;
#if defined(WARPLET_HAVE_AVIF)
    std::vector<uint8_t> rgb = PictureToRgb(frame);
    avifRGBImage pixels;
    avifRGBImageSetDefaults(&pixels, m_encoder->image);
    pixels.format = AVIF_RGB_FORMAT_RGB;
    pixels.depth = 8;
    pixels.pixels = rgb.data();
    pixels.rowBytes = uint32_t(Shape().width) * 3;
    avifResult result = avifImageRGBToYUV(m_encoder->image, &pixels);
    if (result == AVIF_RESULT_OK)
        result = avifEncoderAddImage(m_encoder->encoder, m_encoder->image, 1, AVIF_ADD_IMAGE_FLAG_NONE);
    if (result != AVIF_RESULT_OK)
        return LoopResult::Fail(
            result == AVIF_RESULT_OUT_OF_MEMORY ? LoopStatus::OutOfMemory : LoopStatus::EncodeFailed,
            "AVIF: " + m_encoder->Error(result) + ": " + Path());
    ++m_frames;
    return {};
#else
    return LoopResult::Fail(LoopStatus::NoLibrary, kNoAvif);
#endif
}

LoopResult AvifWriter::Finish()
{
    if (!m_encoder || m_frames == 0) {
        Abandon();
        return LoopResult::Fail(LoopStatus::NoFrames, "no frames to write to " + Path());
    }
#if defined(WARPLET_HAVE_AVIF)
    LoopResult result;
    avifRWData data = AVIF_DATA_EMPTY;
    const avifResult finished = avifEncoderFinish(m_encoder->encoder, &data);
    if (finished != AVIF_RESULT_OK)
        result = LoopResult::Fail(LoopStatus::EncodeFailed, "AVIF: " + m_encoder->Error(finished) + ": " + Path());
    else if (result = Append({data.data, data.size}); result)
        result = Commit();
    avifRWDataFree(&data);
    Abandon();
    return result;
#else
    return LoopResult::Fail(LoopStatus::NoLibrary, kNoAvif);
#endif
}
