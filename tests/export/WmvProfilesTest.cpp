#include <gtest/gtest.h>

#include "export/WmvProfiles.h"
#include "export/WmvWriter.h"

namespace {

WmvProfile LoadStored(int resource)
{
    const QByteArray text = LoadWmvProfileText(resource);
    std::string error;
    const std::optional<WmvProfile> profile = ParseWmvProfile(text, &error);
    EXPECT_TRUE(profile.has_value()) << resource << ": " << error;
    return profile.value_or(WmvProfile{});
}

TEST(WmvProfiles, TableChoosesFirstEntryThatHoldsTheFrame)
{
    // A work picture of 412 x 300 needs the NTSC entry; 300 x 200 fits the smallest.
    EXPECT_EQ(ChooseVideoSize(412, 300).index, 1);
    EXPECT_EQ(ChooseVideoSize(412, 300).profileResource, 375);
    EXPECT_EQ(ChooseVideoSize(412, 300).fps, 29);
    EXPECT_EQ(ChooseVideoSize(300, 200).index, 0);
    EXPECT_EQ(ChooseVideoSize(300, 200).fps, 30);
    // Exactly the entry's size still fits it; one pixel more in either direction does not.
    EXPECT_EQ(ChooseVideoSize(320, 240).index, 0);
    EXPECT_EQ(ChooseVideoSize(321, 240).index, 1);
    EXPECT_EQ(ChooseVideoSize(320, 241).index, 1);
    // Tall pictures: the height decides.
    EXPECT_EQ(ChooseVideoSize(100, 500).index, 2);
    // Too large for every entry: the largest one, PAL at 25 frames per second.
    const VideoSizeEntry& big = ChooseVideoSize(2000, 1500);
    EXPECT_EQ(big.index, 2);
    EXPECT_EQ(big.profileResource, 374);
    EXPECT_EQ(big.fps, 25);
}

TEST(WmvProfiles, OnlyThePalEntryFallsBackToASmallerSize)
{
    const std::optional<VideoSizeEntry> smaller = FallbackVideoSize(kVideoSizeTable[2]);
    ASSERT_TRUE(smaller.has_value());
    EXPECT_EQ(smaller->width, 640);
    EXPECT_EQ(smaller->height, 480);
    EXPECT_FALSE(FallbackVideoSize(kVideoSizeTable[1]).has_value());
    EXPECT_FALSE(FallbackVideoSize(kVideoSizeTable[0]).has_value());
}

TEST(WmvProfiles, StoredProfilesCarryTheirSettings)
{
    struct Expected {
        int resource;
        const char* name;
        int64_t audioRate, videoRate;
        int window, width, height;
        int64_t timePerFrame;
        int quality;
        int64_t keySpacing;
        int audioBytesPerSecond, blockAlign;
        const char* codecData;
    };
    const Expected table[] = {
        {376, "WMV for DSLCable (500 Kbps)", 64040, 427000, 5000, 320, 240, 333333, 75, 10000000, 8005, 1487,
         "008800000F00792E0000"},
        {375, "WMV NTSC CBR (2 Mbps total)", 192040, 1799000, 1000, 640, 480, 344827, 83, 30000000, 24005, 4459,
         "008800000F00598B0000"},
        {374, "WMV PAL CBR (2 Mbps total)", 192040, 1799000, 1000, 768, 576, 400000, 82, 10000000, 24005, 4459,
         "008800000F00598B0000"},
    };
    for (const Expected& e : table) {
        SCOPED_TRACE(e.resource);
        const WmvProfile p = LoadStored(e.resource);
        EXPECT_EQ(p.version, kWmvProfileVersion);
        EXPECT_EQ(p.storageFormat, 1);
        EXPECT_EQ(p.name, e.name);
        ASSERT_TRUE(p.audio && p.video);
        EXPECT_EQ(p.audio->streamName, "Audio Stream");
        EXPECT_EQ(p.audio->inputName, "Audio409");
        EXPECT_EQ(p.audio->bitRate, e.audioRate);
        EXPECT_EQ(p.audio->bufferWindowMs, e.window);
        EXPECT_EQ(p.audio->formatTag, 353);
        EXPECT_EQ(p.audio->samplesPerSecond, 44100);
        EXPECT_EQ(p.audio->channels, 2);
        EXPECT_EQ(p.audio->bitsPerSample, 16);
        EXPECT_EQ(p.audio->avgBytesPerSecond, e.audioBytesPerSecond);
        EXPECT_EQ(p.audio->blockAlign, e.blockAlign);
        EXPECT_EQ(p.audio->codecData, e.codecData);
        EXPECT_EQ(p.audio->language, "en-us");
        EXPECT_EQ(p.video->streamName, "Video Stream");
        EXPECT_EQ(p.video->inputName, "Video409");
        EXPECT_EQ(p.video->bitRate, e.videoRate);
        EXPECT_EQ(p.video->bufferWindowMs, e.window);
        EXPECT_EQ(p.video->width, e.width);
        EXPECT_EQ(p.video->height, e.height);
        EXPECT_EQ(p.video->bitsPerPixel, 24);
        EXPECT_EQ(p.video->timePerFrame, e.timePerFrame);
        EXPECT_EQ(p.video->quality, e.quality);
        EXPECT_EQ(p.video->keyFrameSpacing, e.keySpacing);
        EXPECT_EQ(p.video->compression, "WMV3");
        EXPECT_EQ(p.video->decoderComplexity, "AU");
        EXPECT_EQ(p.video->language, "en-us");
    }
}

TEST(WmvProfiles, WriterSettingsComeFromTheProfile)
{
    // The PAL profile encodes at 768 x 576 although its table entry is 720 x 576.
    const VideoEncodingSettings s = WmvSettingsFromProfile(LoadStored(374));
    EXPECT_EQ(s.muxer, "asf");
    ASSERT_EQ(s.encoders.size(), 1u);
    EXPECT_EQ(s.encoders[0].name, "wmv2");
    EXPECT_EQ(s.width, 768);
    EXPECT_EQ(s.height, 576);
    EXPECT_EQ(s.bitRate, 1799000);
    EXPECT_EQ(s.bufferWindowMs, 1000);
    EXPECT_EQ(s.timePerFrame, 400000);
    EXPECT_EQ(s.quality, 82);
    EXPECT_EQ(s.keyFrameSpacing, 10000000);
    // Higher quality caps the quantiser lower, within the encoder's range up to 31.
    EXPECT_LT(QuantiserLimitForQuality(83), QuantiserLimitForQuality(75));
    EXPECT_EQ(QuantiserLimitForQuality(0), 31);
    EXPECT_EQ(QuantiserLimitForQuality(100), 15);
    EXPECT_EQ(QuantiserLimitForQuality(500), 15);
    EXPECT_EQ(QuantiserLimitForQuality(-5), 31);
}

TEST(WmvProfiles, BadProfileTextsAreRefusedWithAReason)
{
    std::string error;
    EXPECT_FALSE(ParseWmvProfile(QByteArray("<profile version=\"589824\"><streamconfig"), &error));
    EXPECT_NE(error.find("malformed"), std::string::npos) << error;
    EXPECT_FALSE(ParseWmvProfile(QByteArray("<other/>"), &error));
    EXPECT_EQ(error, "the text holds no profile");
    EXPECT_FALSE(ParseWmvProfile(QByteArray(), &error));

    // A video stream without a size cannot be encoded.
    const QByteArray noSize =
        "<profile version=\"589824\"><streamconfig majortype=\"{73646976-0000-0010-8000-00AA00389B71}\" "
        "bitrate=\"1000\"><wmmediatype><videoinfoheader avgtimeperframe=\"400000\"/></wmmediatype>"
        "</streamconfig></profile>";
    EXPECT_FALSE(ParseWmvProfile(noSize, &error));
    EXPECT_NE(error.find("size"), std::string::npos) << error;

    // Audio only is a valid profile; the writer is the one to refuse it.
    const QByteArray audioOnly =
        "<profile version=\"589824\"><streamconfig majortype=\"{73647561-0000-0010-8000-00AA00389B71}\" "
        "bitrate=\"64040\"><wmmediatype><waveformatex nChannels=\"2\"/></wmmediatype></streamconfig></profile>";
    const std::optional<WmvProfile> p = ParseWmvProfile(audioOnly, &error);
    ASSERT_TRUE(p.has_value());
    EXPECT_FALSE(p->video.has_value());
    ASSERT_TRUE(p->audio.has_value());
    EXPECT_EQ(p->audio->channels, 2);

    EXPECT_TRUE(LoadWmvProfileText(999).isEmpty());
}

}  // namespace
