#include "export/LzwEncoder.h"

#include "GifTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <span>

using giftest::DecodeLzw;
using giftest::LzwTrace;
using giftest::SubBlocks;

namespace {

std::vector<uint8_t> RandomPixels(size_t n, int range, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> d(0, range - 1);
    std::vector<uint8_t> v(n);
    for (auto& p : v)
        p = uint8_t(d(rng));
    return v;
}

// Index data like a quantised photo: smooth areas and runs with a little noise.
std::vector<uint8_t> PhotoIndexes(int width, int height, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> noise(0, 9);
    std::vector<uint8_t> v(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int value = (x / 7 + y / 5 + (x * y) / 900) % 200;
            if (noise(rng) == 0)
                value += 1;
            v[size_t(y) * size_t(width) + size_t(x)] = uint8_t(value);
        }
    return v;
}

std::vector<uint8_t> Encode(const std::vector<uint8_t>& pixels, int minCodeSize = 8)
{
    std::vector<uint8_t> out;
    EXPECT_TRUE(LzwEncode(out, pixels.data(), minCodeSize, pixels.size()));
    return out;
}

// Splits encoder output into its code size byte and sub-blocks (appending the terminator
// that the caller normally writes).
SubBlocks Blocks(std::vector<uint8_t> encoded)
{
    encoded.push_back(0);
    SubBlocks blocks;
    size_t pos = 1;
    EXPECT_TRUE(giftest::ReadSubBlocks(encoded, pos, blocks));
    EXPECT_EQ(pos, encoded.size());
    return blocks;
}

void ExpectRoundTrip(const std::vector<uint8_t>& pixels, int minCodeSize, LzwTrace* trace = nullptr)
{
    const std::vector<uint8_t> encoded = Encode(pixels, minCodeSize);
    ASSERT_FALSE(encoded.empty());
    const int decoderSize = encoded[0];
    std::vector<uint8_t> decoded;
    ASSERT_TRUE(DecodeLzw(Blocks(encoded).data, decoderSize, decoded, trace));
    EXPECT_EQ(decoded, pixels);
}

}  // namespace

TEST(LzwEncoder, MatchesReferenceOnRandomData)
{
    LzwEncoder encoder;  // reused across calls, as the GIF writer does
    for (unsigned seed = 0; seed < 40; ++seed) {
        const int minCodeSize = 1 + int(seed % 8);
        const int range = minCodeSize == 1 ? 4 : 1 << minCodeSize;
        const size_t n = (seed * 7919u) % 30000u + seed % 3;
        // Narrow ranges give long strings, full ranges exhaust the lookup pool early.
        const int used = seed % 2 ? range : std::max(2, range / 8);
        const auto pixels = RandomPixels(n, used, seed);
        std::vector<uint8_t> fast;
        std::vector<uint8_t> reference;
        ASSERT_TRUE(encoder.Encode(pixels.data(), pixels.size(), minCodeSize, fast));
        ASSERT_TRUE(LzwEncodeReference(reference, pixels.data(), minCodeSize, pixels.size()));
        ASSERT_EQ(fast, reference) << "seed " << seed << " size " << n << " code size " << minCodeSize;
    }
}

// Every frame length over the first few sub-blocks: the last code and the end code then
// fall at every position of the final block, including where a 252-byte block is split
// off, and a reused encoder must not carry bits or bytes over from the previous frame.
TEST(LzwEncoder, MatchesReferenceAtEveryLength)
{
    LzwEncoder encoder;
    for (int minCodeSize : {8, 2, 1}) {
        const int range = minCodeSize == 1 ? 4 : 1 << minCodeSize;
        const auto pixels = RandomPixels(1400, range, unsigned(minCodeSize));
        for (size_t n = 0; n <= pixels.size(); n += minCodeSize == 8 ? 1 : 3) {
            std::vector<uint8_t> fast;
            std::vector<uint8_t> reference;
            ASSERT_TRUE(encoder.Encode(pixels.data(), n, minCodeSize, fast));
            ASSERT_TRUE(LzwEncodeReference(reference, pixels.data(), minCodeSize, n));
            ASSERT_EQ(fast, reference) << n << " pixels, code size " << minCodeSize;
        }
    }
}

TEST(LzwEncoder, MatchesReferenceOnPictureLikeData)
{
    for (unsigned seed = 0; seed < 3; ++seed) {
        const auto pixels = PhotoIndexes(412, 309, seed);
        std::vector<uint8_t> reference;
        ASSERT_TRUE(LzwEncodeReference(reference, pixels.data(), 8, pixels.size()));
        EXPECT_EQ(Encode(pixels), reference);
        ExpectRoundTrip(pixels, 8);
    }
}

TEST(LzwEncoder, RoundTripsShortAndDegenerateInputs)
{
    for (size_t n : {size_t(1), size_t(2), size_t(3), size_t(255), size_t(256), size_t(257), size_t(5000)}) {
        ExpectRoundTrip(std::vector<uint8_t>(n, 0), 8);
        ExpectRoundTrip(std::vector<uint8_t>(n, 255), 8);
        ExpectRoundTrip(RandomPixels(n, 256, unsigned(n)), 8);
        ExpectRoundTrip(RandomPixels(n, 4, unsigned(n)), 1);
        ExpectRoundTrip(RandomPixels(n, 4, unsigned(n)), 2);
    }
}

TEST(LzwEncoder, HeaderByteAndFirstCodesFollowTheMinimumCodeSize)
{
    // Code size 1 is written as 2, with clear code 4 in 3-bit codes.
    // Clear 4, pixel 1, end 5: 9 bits in a sub-block of two bytes.
    const std::vector<uint8_t> one = Encode({1}, 1);
    const int bits1 = 4 | (1 << 3) | (5 << 6);
    EXPECT_EQ(one, (std::vector<uint8_t>{2, 2, uint8_t(bits1 & 0xFF), uint8_t(bits1 >> 8)}));

    // Code size 8: clear 256, pixel 7, end 257, each 9 bits.
    const std::vector<uint8_t> eight = Encode({7}, 8);
    ASSERT_EQ(eight.size(), 1u + 1u + 4u);
    EXPECT_EQ(eight[0], 8);
    EXPECT_EQ(eight[1], 4);
    const uint32_t bits = eight[2] | (eight[3] << 8) | (eight[4] << 16) | (uint32_t(eight[5]) << 24);
    EXPECT_EQ(bits & 0x1FF, 256u);
    EXPECT_EQ((bits >> 9) & 0x1FF, 7u);
    EXPECT_EQ((bits >> 18) & 0x1FF, 257u);
}

TEST(LzwEncoder, RejectsPixelsOutsideTheCodeSizeAndAppendsNothing)
{
    std::vector<uint8_t> out{42};
    const std::vector<uint8_t> pixels{0, 1, 4};
    EXPECT_FALSE(LzwEncode(out, pixels.data(), 2, pixels.size()));
    EXPECT_FALSE(LzwEncode(out, pixels.data(), 0, pixels.size()));
    EXPECT_FALSE(LzwEncode(out, pixels.data(), 9, pixels.size()));
    EXPECT_EQ(out, std::vector<uint8_t>{42});
}

// The k-th code after a clear is emitted before code 258 + k - 1 is assigned, so it is 9
// bits wide up to k = 255 (code 512 assigned), 10 bits up to 767 (1024), 11 up to 1791
// (2048), then 12; after code 4094 (k = 3837) comes a 12-bit clear and 9 bits again.
TEST(LzwEncoder, CodeWidthGrowsAfter512And1024And2048AndClearsAfter4094)
{
    const auto pixels = RandomPixels(20000, 256, 99);
    LzwTrace trace;
    ExpectRoundTrip(pixels, 8, &trace);
    ASSERT_GE(trace.codes.size(), 2u * 3838u);
    ASSERT_EQ(trace.codes[0], 256);

    int clears = 0;
    size_t k = 0;
    for (size_t i = 1; i < trace.codes.size(); ++i) {
        if (trace.codes[i] == 256) {
            EXPECT_EQ(k, 3837u) << "a clear must follow exactly the code that assigned 4094";
            EXPECT_EQ(trace.widths[i], 12);
            EXPECT_EQ(trace.widths[i + 1], 9);
            ++clears;
            k = 0;
            continue;
        }
        if (trace.codes[i] == 257)
            break;
        ++k;
        const int expected = k <= 255 ? 9 : k <= 767 ? 10 : k <= 1791 ? 11 : 12;
        ASSERT_EQ(trace.widths[i], expected) << "code " << k << " after a clear";
    }
    EXPECT_GE(clears, 2);
    EXPECT_LE(trace.maxNext, 4095) << "code 4095 must never be assigned";
}

// The decoder widens its codes after the last data code too; the end code has to be
// written at that width even though the encoder assigns nothing more.
TEST(LzwEncoder, EndCodeFollowsTheDecodersWidthAtEveryBoundary)
{
    // Cutting the data where the m-th code after a clear ends makes that code the last
    // one. For m = 255, 767 and 1791 the decoder's table then reaches 512, 1024 or 2048
    // and it reads the end code one bit wider. Each table cycle starts at another bit
    // offset, so some cut leaves no padding bit: the decoder then finds the end code only
    // if it was written at the decoder's width.
    const auto pixels = RandomPixels(40000, 256, 5);
    LzwTrace trace;
    ExpectRoundTrip(pixels, 8, &trace);
    int cuts = 0;
    for (size_t c = 0; c < trace.codes.size(); ++c) {
        if (trace.codes[c] != 256)
            continue;
        for (size_t m : {255u, 767u, 1791u}) {
            if (c + m >= trace.codes.size() || trace.codes[c + m] >= 256)
                continue;
            const size_t cut = trace.endPixel[c + m];
            for (size_t n = cut - 1; n <= cut + 1; ++n, ++cuts) {
                std::vector<uint8_t> encoded;
                ASSERT_TRUE(LzwEncode(encoded, pixels.data(), 8, n));
                std::vector<uint8_t> decoded;
                ASSERT_TRUE(DecodeLzw(Blocks(encoded).data, 8, decoded)) << n << " pixels";
                ASSERT_EQ(decoded.size(), n);
                ASSERT_TRUE(std::equal(decoded.begin(), decoded.end(), pixels.begin()));
            }
        }
    }
    EXPECT_GE(cuts, 8 * 3 * 3);
}

TEST(LzwEncoder, SubBlocksCarry255BytesExceptAtMostTheLastTwo)
{
    for (unsigned seed = 0; seed < 30; ++seed) {
        const auto pixels = RandomPixels(3000 + seed * 977, seed % 2 ? 256 : 16, seed);
        const SubBlocks blocks = Blocks(Encode(pixels));
        ASSERT_GE(blocks.lengths.size(), 3u);
        for (size_t i = 0; i + 2 < blocks.lengths.size(); ++i)
            ASSERT_EQ(blocks.lengths[i], 255) << "block " << i;
        for (size_t i = blocks.lengths.size() - 2; i < blocks.lengths.size(); ++i) {
            EXPECT_GE(blocks.lengths[i], 1);
            EXPECT_LE(blocks.lengths[i], 255);
        }
    }
}

namespace {

// Offers each pixel the indexes of its pair (0 and 1, 2 and 3 ...), or nothing, and
// records what was taken.
class PairSubstitutes : public LzwSubstitutes {
public:
    // With `beyond`, an index above every code size's range is offered first.
    explicit PairSubstitutes(bool offer, bool beyond = false) : m_offer(offer), m_beyond(beyond) {}
    std::span<const uint8_t> For(size_t at, uint8_t pixel) override
    {
        ++asked;
        lastAt = at;
        m_offered = {255, uint8_t(pixel ^ 1)};
        if (!m_offer)
            return {};
        return m_beyond ? std::span<const uint8_t>(m_offered) : std::span<const uint8_t>(m_offered).subspan(1);
    }
    void Took(size_t at, uint8_t pixel, uint8_t substitute) override
    {
        EXPECT_EQ(at, lastAt);
        EXPECT_EQ(substitute, pixel ^ 1);
        taken.push_back(at);
    }

    int asked = 0;
    size_t lastAt = 0;
    std::vector<size_t> taken;

private:
    bool m_offer;
    bool m_beyond;
    std::array<uint8_t, 2> m_offered{};
};

}  // namespace

TEST(LzwEncoder, LossyCodingWithoutSubstitutesIsTheExactCoding)
{
    LzwEncoder encoder;
    for (const int minCodeSize : {2, 4, 8}) {
        std::vector<uint8_t> pixels = RandomPixels(20000, 1 << minCodeSize, unsigned(minCodeSize));
        const std::vector<uint8_t> original = pixels;
        PairSubstitutes none(false);
        std::vector<uint8_t> lossy;
        ASSERT_TRUE(encoder.EncodeLossy(pixels.data(), pixels.size(), minCodeSize, none, lossy));
        EXPECT_EQ(lossy, Encode(original, minCodeSize)) << minCodeSize;
        EXPECT_EQ(pixels, original);
        EXPECT_GT(none.asked, 0);
        EXPECT_TRUE(none.taken.empty());
    }
}

TEST(LzwEncoder, LossyCodingRewritesThePixelsToWhatIsDecodedAndCodesLess)
{
    LzwEncoder encoder;
    // Noise between two pairs of near indexes: nearly every pixel may take its pair's place.
    std::vector<uint8_t> pixels = RandomPixels(30000, 4, 9);
    const std::vector<uint8_t> original = pixels;
    PairSubstitutes pairs(true);
    std::vector<uint8_t> lossy;
    ASSERT_TRUE(encoder.EncodeLossy(pixels.data(), pixels.size(), 2, pairs, lossy));

    std::vector<uint8_t> decoded;
    ASSERT_TRUE(DecodeLzw(Blocks(lossy).data, 2, decoded));
    EXPECT_EQ(decoded, pixels);
    size_t changed = 0;
    for (size_t i = 0; i < pixels.size(); ++i) {
        ASSERT_TRUE(pixels[i] == original[i] || pixels[i] == (original[i] ^ 1)) << i;
        changed += pixels[i] != original[i];
    }
    EXPECT_EQ(changed, pairs.taken.size());
    EXPECT_EQ(pixels[0], original[0]);  // the first pixel starts the first string as it is
    // Two colours' worth of noise where there were four: far fewer bytes.
    EXPECT_LT(lossy.size(), Encode(original, 2).size() * 3 / 4);
    // An index the code size cannot hold is passed over, whatever is offered.
    pixels = original;
    PairSubstitutes beyond(true, true);
    std::vector<uint8_t> passedOver;
    ASSERT_TRUE(encoder.EncodeLossy(pixels.data(), pixels.size(), 2, beyond, passedOver));
    EXPECT_EQ(passedOver, lossy);
    EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](uint8_t p) { return p < 4; }));
}
