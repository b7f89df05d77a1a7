// The quality choices of the loop formats: which a set of files uses, each codec's
// own constant-rate factor, and what reaches the writers' options.

#include "export/LoopQuality.h"

#include <gtest/gtest.h>

TEST(LoopQuality, TheRowsFollowTheFilesAndAVideosCodecIsResolvedByItsName)
{
    EXPECT_FALSE(QualityRowsFor({{"a.gif", LoopFileFormat::HighGif}, {"a.apng", LoopFileFormat::Apng}}).Any());

    const LoopQualityRows several = QualityRowsFor(
        {{"a.gif", LoopFileFormat::HighGif}, {"a.webp", LoopFileFormat::Webp}, {"a.mp4", LoopFileFormat::Video}});
    EXPECT_TRUE(several.webp);
    EXPECT_FALSE(several.avif);
    EXPECT_EQ(several.video, VideoCodec::H264);

    EXPECT_EQ(QualityRowsFor({{"a.webm", LoopFileFormat::Video}}).video, VideoCodec::Vp9);
    EXPECT_EQ(QualityRowsFor({{"a.mp4", LoopFileFormat::Video, VideoCodec::Av1}}).video, VideoCodec::Av1);
    EXPECT_TRUE(QualityRowsFor({{"a.avif", LoopFileFormat::Avif}}).avif);
}

TEST(LoopQuality, EachCodecKeepsItsOwnConstantRateFactorWithinItsRange)
{
    LoopQuality quality;
    EXPECT_EQ(quality.Crf(VideoCodec::H264), 23);
    EXPECT_EQ(quality.Crf(VideoCodec::Vp9), 32);
    quality.SetCrf(VideoCodec::Vp9, 60);  // beyond H.264's 51, inside VP9's 63
    quality.SetCrf(VideoCodec::H264, 99);
    EXPECT_EQ(quality.Crf(VideoCodec::Vp9), 60);
    EXPECT_EQ(quality.Crf(VideoCodec::H264), 51);
    EXPECT_EQ(quality.Crf(VideoCodec::Av1), 35);

    std::vector<LoopTarget> targets{
        {"a.mp4", LoopFileFormat::Video}, {"b.webm", LoopFileFormat::Video}, {"c.webp", LoopFileFormat::Webp}};
    quality.ApplyTo(targets);
    EXPECT_EQ(targets[0].crf, 51);
    EXPECT_EQ(targets[1].crf, 60);
    EXPECT_EQ(targets[2].crf, -1);

    quality.webpLossless = true;
    quality.webpQuality = 140;
    quality.avifQuality = 12;
    LoopWriterOptions options;
    quality.ApplyTo(options);
    EXPECT_TRUE(options.webp.lossless);
    EXPECT_EQ(options.webp.quality, 100);
    EXPECT_EQ(options.avif.quality, 12);
}
