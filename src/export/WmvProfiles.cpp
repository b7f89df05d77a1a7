#include "export/WmvProfiles.h"

#include <QFile>
#include <QString>
#include <QXmlStreamReader>

namespace {

// The media major types of the profile's stream configurations.
constexpr QStringView kAudioMajorType = u"{73647561-0000-0010-8000-00AA00389B71}";
constexpr QStringView kVideoMajorType = u"{73646976-0000-0010-8000-00AA00389B71}";

class AttributeReader {
public:
    explicit AttributeReader(const QXmlStreamAttributes& attributes) : m_attributes(attributes) {}

    std::string Text(const char* name) const
    {
        return m_attributes.value(QLatin1StringView(name)).toString().toStdString();
    }

    int64_t Number(const char* name) const
    {
        bool ok = false;
        const qlonglong value = m_attributes.value(QLatin1StringView(name)).toLongLong(&ok);
        return ok ? value : 0;
    }

    int Int(const char* name) const { return int(Number(name)); }

private:
    const QXmlStreamAttributes& m_attributes;
};

enum class StreamKind { Other, Audio, Video };

StreamKind ReadStreamConfig(const QXmlStreamAttributes& attributes, WmvProfile& profile)
{
    const AttributeReader a(attributes);
    const QString majorType = attributes.value(QLatin1StringView("majortype")).toString();
    if (majorType.compare(kVideoMajorType, Qt::CaseInsensitive) == 0) {
        WmvVideoStream& v = profile.video.emplace();
        v.streamName = a.Text("streamname");
        v.inputName = a.Text("inputname");
        v.bitRate = a.Number("bitrate");
        v.bufferWindowMs = a.Int("bufferwindow");
        v.decoderComplexity = a.Text("decodercomplexity");
        v.language = a.Text("rfc1766langid");
        return StreamKind::Video;
    }
    if (majorType.compare(kAudioMajorType, Qt::CaseInsensitive) == 0) {
        WmvAudioStream& s = profile.audio.emplace();
        s.streamName = a.Text("streamname");
        s.inputName = a.Text("inputname");
        s.bitRate = a.Number("bitrate");
        s.bufferWindowMs = a.Int("bufferwindow");
        s.language = a.Text("rfc1766langid");
        return StreamKind::Audio;
    }
    return StreamKind::Other;
}

void ReadVideoElement(QStringView element, const QXmlStreamAttributes& attributes, WmvVideoStream& v)
{
    const AttributeReader a(attributes);
    if (element == u"videomediaprops") {
        v.keyFrameSpacing = a.Number("maxkeyframespacing");
        v.quality = a.Int("quality");
    } else if (element == u"wmmediatype") {
        v.subtype = a.Text("subtype");
    } else if (element == u"videoinfoheader") {
        v.timePerFrame = a.Number("avgtimeperframe");
    } else if (element == u"bitmapinfoheader") {
        v.width = a.Int("biwidth");
        v.height = a.Int("biheight");
        v.bitsPerPixel = a.Int("bibitcount");
        v.compression = a.Text("bicompression");
    }
}

void ReadAudioElement(QStringView element, const QXmlStreamAttributes& attributes, WmvAudioStream& s)
{
    if (element != u"waveformatex")
        return;
    const AttributeReader a(attributes);
    s.formatTag = a.Int("wFormatTag");
    s.channels = a.Int("nChannels");
    s.samplesPerSecond = a.Int("nSamplesPerSec");
    s.avgBytesPerSecond = a.Int("nAvgBytesPerSec");
    s.blockAlign = a.Int("nBlockAlign");
    s.bitsPerSample = a.Int("wBitsPerSample");
    s.codecData = a.Text("codecdata");
}

bool Fail(std::string* error, std::string text)
{
    if (error)
        *error = std::move(text);
    return false;
}

bool CheckVideo(const WmvProfile& profile, std::string* error)
{
    if (!profile.video)
        return true;  // a profile without video is valid; the writer refuses it
    const WmvVideoStream& v = *profile.video;
    if (v.width <= 0 || v.height <= 0 || v.width > 8192 || v.height > 8192)
        return Fail(error, "the video stream has no usable encoded size");
    if (v.bitRate <= 0)
        return Fail(error, "the video stream has no bit rate");
    if (v.timePerFrame <= 0)
        return Fail(error, "the video stream has no time per frame");
    return true;
}

}  // namespace

const VideoSizeEntry& ChooseVideoSize(int width, int height)
{
    for (const VideoSizeEntry& entry : kVideoSizeTable) {
        if (entry.width >= width && entry.height >= height)
            return entry;
    }
    return kVideoSizeTable.back();
}

VideoFrameSize EncodedVideoSize(const VideoSizeEntry& entry)
{
    const std::optional<WmvProfile> profile = ParseWmvProfile(LoadWmvProfileText(entry.profileResource));
    if (!profile || !profile->video)
        return {entry.width, entry.height};
    return {profile->video->width, profile->video->height};
}

std::optional<VideoSizeEntry> FallbackVideoSize(const VideoSizeEntry& entry)
{
    if (entry.index <= 0 || (entry.width == 640 && entry.height == 480))
        return std::nullopt;
    return kVideoSizeTable[size_t(entry.index - 1)];
}

std::optional<WmvProfile> ParseWmvProfile(QByteArrayView xml, std::string* error)
{
    QXmlStreamReader reader(xml.toByteArray());
    WmvProfile profile;
    bool sawProfile = false;
    StreamKind stream = StreamKind::Other;
    int streamDepth = 0;  // element depth inside the current <streamconfig>, 0 outside
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::EndElement) {
            if (streamDepth > 0)
                --streamDepth;
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QStringView element = reader.name();
        const QXmlStreamAttributes attributes = reader.attributes();
        if (streamDepth > 0) {
            ++streamDepth;
            if (stream == StreamKind::Video)
                ReadVideoElement(element, attributes, *profile.video);
            else if (stream == StreamKind::Audio)
                ReadAudioElement(element, attributes, *profile.audio);
        } else if (element == u"profile") {
            const AttributeReader a(attributes);
            profile.version = uint32_t(a.Number("version"));
            profile.storageFormat = a.Int("storageformat");
            profile.name = a.Text("name");
            sawProfile = true;
        } else if (element == u"streamconfig") {
            // Streams of other kinds are skipped.
            streamDepth = 1;
            stream = ReadStreamConfig(attributes, profile);
        }
    }
    if (reader.hasError()) {
        Fail(error, "malformed profile: " + reader.errorString().toStdString());
        return std::nullopt;
    }
    if (!sawProfile) {
        Fail(error, "the text holds no profile");
        return std::nullopt;
    }
    if (!CheckVideo(profile, error))
        return std::nullopt;
    return profile;
}

QByteArray LoadWmvProfileText(int profileResource)
{
    QFile file(QStringLiteral(":/export/profiles/%1.prx").arg(profileResource));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}
