#pragma once
// The video size table and the stored Windows Media encoding profiles.
//
// Each table entry names a video frame size, the stored profile used for it and
// a frame rate. The profiles are XML texts embedded as Qt resources; the writer
// takes its encoder settings from the profile it loads (ParseWmvProfile).

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include <QByteArray>
#include <QByteArrayView>

struct VideoSizeEntry {
    int index = 0;
    int width = 0;
    int height = 0;
    int profileResource = 0;
    int fps = 0;
};

// Tried in this order: the first entry at least as large as the frame wins.
inline constexpr std::array<VideoSizeEntry, 3> kVideoSizeTable{{
    {0, 320, 240, 376, 30},
    {1, 640, 480, 375, 29},
    {2, 720, 576, 374, 25},
}};

// The first entry whose width >= width and height >= height; the last entry when none fits.
const VideoSizeEntry& ChooseVideoSize(int width, int height);

// The size of the video a table entry's stored profile encodes: the size the file has,
// and the box the pictures are letterboxed into (768 x 576 for the 720 x 576 entry,
// whose profile has square pixels). The entry's own size when the profile cannot be read.
struct VideoFrameSize {
    int width = 0;
    int height = 0;
};
VideoFrameSize EncodedVideoSize(const VideoSizeEntry& entry);

// The entry tried when the first frame at `entry` cannot be written: the next smaller
// one, except that 640 x 480 and the smallest entry have no fallback.
std::optional<VideoSizeEntry> FallbackVideoSize(const VideoSizeEntry& entry);

// The profile version written in the stored profiles (0x90000).
inline constexpr uint32_t kWmvProfileVersion = 589824;

struct WmvAudioStream {
    std::string streamName;
    std::string inputName;
    int64_t bitRate = 0;
    int bufferWindowMs = 0;
    int formatTag = 0;
    int channels = 0;
    int samplesPerSecond = 0;
    int avgBytesPerSecond = 0;
    int blockAlign = 0;
    int bitsPerSample = 0;
    std::string codecData;  // hexadecimal
    std::string language;
};

struct WmvVideoStream {
    std::string streamName;
    std::string inputName;
    int64_t bitRate = 0;
    int bufferWindowMs = 0;
    int width = 0;  // encoded size
    int height = 0;
    int bitsPerPixel = 0;
    int64_t timePerFrame = 0;     // 100-ns units
    int quality = 0;              // 0 (smooth) .. 100 (crisp)
    int64_t keyFrameSpacing = 0;  // 100-ns units
    std::string compression;      // four-character code, "WMV3"
    std::string subtype;
    std::string decoderComplexity;
    std::string language;
};

struct WmvProfile {
    uint32_t version = 0;
    int storageFormat = 0;
    std::string name;
    std::optional<WmvAudioStream> audio;
    std::optional<WmvVideoStream> video;
};

// Reads a profile text. On malformed XML or a video stream without a usable size,
// bit rate or frame time, returns nothing and, when `error` is given, says why.
std::optional<WmvProfile> ParseWmvProfile(QByteArrayView xml, std::string* error = nullptr);

// The stored profile text of a resource number (374, 375, 376); empty when there is none.
QByteArray LoadWmvProfileText(int profileResource);
