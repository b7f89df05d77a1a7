#pragma once
// Loops of the kind the program makes, for the export benchmarks: a photograph-like
// picture drawn procedurally (there are no photographs in the tree), fitted to the
// working size as an opened picture is, deformed with the engine's tools into four
// keyframes of 12 frames each, and rendered frame by frame as the export renders
// them: 48 frames, two seconds at 24 frames per second.
//
// The pictures imitate what makes photographs hard for a palette: smooth skies and
// shading, fine texture (grass, wood grain, skin of fruit), soft out-of-focus light,
// sharp edges, a little sensor noise, drawn at twice the size and scaled down.

#include "animation/KeyframeStore.h"
#include "animation/ThumbnailHeader.h"
#include "engine/Displacement.h"
#include "engine/PackedPicture.h"
#include "engine/RandomSource.h"
#include "engine/Rendering.h"
#include "engine/ToolTable.h"
#include "engine/WorkPicture.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace loopscenes {

// Smooth value noise with octaves, in [0, 1].
class Noise {
public:
    explicit Noise(uint32_t seed)
    {
        std::mt19937 rng(seed);
        for (float& v : m_values)
            v = float(rng()) / float(rng.max());
    }

    double At(double x, double y) const
    {
        const double fx = std::floor(x), fy = std::floor(y);
        const int ix = int(fx), iy = int(fy);
        const double tx = Smooth(x - fx), ty = Smooth(y - fy);
        const double a = Lattice(ix, iy), b = Lattice(ix + 1, iy), c = Lattice(ix, iy + 1), d = Lattice(ix + 1, iy + 1);
        return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
    }

    double Fractal(double x, double y, int octaves) const
    {
        double sum = 0, amplitude = 0.5, total = 0;
        for (int o = 0; o < octaves; ++o) {
            sum += amplitude * At(x, y);
            total += amplitude;
            x = x * 2.03 + 17.1;
            y = y * 2.03 + 5.3;
            amplitude *= 0.5;
        }
        return sum / total;
    }

private:
    static double Smooth(double t) { return t * t * (3 - 2 * t); }
    double Lattice(int x, int y) const
    {
        const uint32_t h = uint32_t(x) * 73856093u ^ uint32_t(y) * 19349663u;
        return m_values[(h ^ (h >> 13)) % m_values.size()];
    }
    std::array<float, 4096> m_values{};
};

struct Colour {
    double r = 0, g = 0, b = 0;
};

inline Colour Mix(const Colour& a, const Colour& b, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

inline double SmoothStep(double e0, double e1, double x)
{
    const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// Draws width x height through `shade(u, v)` (u, v in [0, 1)) at twice the size, then
// averages 2 x 2 blocks and adds sensor noise of standard deviation `noise` levels.
template <typename Shade>
PackedPicture Draw(int width, int height, uint32_t seed, Shade shade, double noise = 1.6)
{
    PackedPicture picture(width, height);
    std::mt19937 rng(seed);
    std::normal_distribution<double> grain(0.0, noise);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            Colour sum;
            for (int s = 0; s < 4; ++s) {
                const Colour c = shade((x + 0.25 + 0.5 * (s % 2)) / width, (y + 0.25 + 0.5 * (s / 2)) / height);
                sum = {sum.r + c.r / 4, sum.g + c.g / 4, sum.b + c.b / 4};
            }
            uint8_t* px = picture.Pixel(x, y);
            px[0] = uint8_t(std::clamp(int(std::lround(sum.b + grain(rng))), 0, 255));
            px[1] = uint8_t(std::clamp(int(std::lround(sum.g + grain(rng))), 0, 255));
            px[2] = uint8_t(std::clamp(int(std::lround(sum.r + grain(rng))), 0, 255));
        }
    return picture;
}

// A lake under a cloudy evening sky: mountains in haze, their reflection, a tree and
// a meadow with flowers in front.
inline PackedPicture Landscape(int width, int height)
{
    const Noise n(11);
    const double aspect = double(width) / height;
    return Draw(width, height, 21, [&](double u, double v) {
        const double horizon = 0.47;
        const auto sky = [&](double su, double sv) {
            Colour c = Mix({38, 78, 150}, {214, 196, 178}, std::pow(sv / horizon, 1.4));
            const double sunDistance = std::hypot((su - 0.72) * aspect, sv - 0.30);
            c = Mix(c, {255, 224, 170}, 0.85 * std::exp(-sunDistance * sunDistance * 60));
            const double cloud = SmoothStep(0.52, 0.72, n.Fractal(su * 4 * aspect, sv * 9, 6));
            const Colour cloudColour = Mix({250, 240, 235}, {150, 140, 150}, n.Fractal(su * 9, sv * 15 + 3, 4));
            return Mix(c, cloudColour, cloud * (1 - sv / horizon * 0.6));
        };
        const auto mountains = [&](double mu, double mv, Colour above) {
            const double far = 0.30 + 0.10 * n.Fractal(mu * 3 * aspect + 40, 0.5, 5);
            const double near = 0.38 + 0.07 * n.Fractal(mu * 5 * aspect + 90, 2.5, 5);
            if (mv > near) {
                const double t = n.Fractal(mu * 60, mv * 60, 4);
                return Mix({52, 74, 58}, {88, 106, 72}, t + (mv - near) * 3);
            }
            if (mv > far) {
                const double t = n.Fractal(mu * 30 + 7, mv * 30, 4);
                return Mix({96, 110, 140}, {130, 140, 160}, t);
            }
            return above;
        };
        Colour c;
        if (v < horizon) {
            c = mountains(u, v, sky(u, v));
        } else if (v < 0.72) {
            // The lake: the scene mirrored at the horizon, darker, broken by ripples.
            const double depth = (v - horizon) / (0.72 - horizon);
            const double ripple = 0.004 * std::sin(v * 900 + 40 * n.At(u * 8, v * 40)) * (0.3 + depth);
            const double mv = 2 * horizon - v;
            Colour mirrored = mountains(u + ripple, mv, sky(u + ripple, mv));
            mirrored = Mix(mirrored, {20, 40, 60}, 0.25 + 0.35 * depth);
            const double glint = SmoothStep(0.75, 0.95, n.At(u * 60, v * 300)) * std::exp(-std::pow((u - 0.72) * 6, 2));
            c = Mix(mirrored, {255, 236, 200}, glint * 0.8);
        } else {
            // The meadow: grass in two greens, dry patches, flowers.
            const double t = n.Fractal(u * 120, v * 50, 3);
            c = Mix({46, 92, 30}, {150, 160, 60}, t * 0.8 + n.Fractal(u * 6, v * 4, 3) * 0.5 - 0.15);
            c = Mix(c, {18, 40, 12}, SmoothStep(0.6, 0.9, n.At(u * 400, v * 150)) * 0.6);
            const double flower = n.At(u * 260 + 3, v * 220 + 9);
            if (flower > 0.93)
                c = Mix(c, flower > 0.965 ? Colour{235, 40, 50} : Colour{250, 240, 120}, (flower - 0.93) * 20);
        }
        // A tree on the left: trunk and a round, leafy crown.
        const double tu = (u - 0.17) * aspect, tv = v - 0.42;
        if (std::abs(tu) < 0.018 && v > 0.40 && v < 0.80)
            c = Mix({60, 42, 30}, {95, 70, 50}, n.At(u * 400, v * 30));
        const double crown = std::hypot(tu / 0.17, tv / 0.22) + 0.25 * (n.Fractal(u * 30, v * 30, 4) - 0.5);
        if (crown < 1) {
            const double leaf = n.Fractal(u * 150, v * 150, 3);
            c = Mix({24, 54, 20}, {110, 150, 50}, leaf * 0.8 + (0.5 - tv) * 0.4 - 0.1 + (tu < 0 ? 0 : 0.15));
        }
        return c;
    });
}

// A still life by a window: three pieces of fruit on a wooden table before soft,
// out-of-focus lights.
inline PackedPicture StillLife(int width, int height)
{
    const Noise n(5);
    const double aspect = double(width) / height;
    struct Fruit {
        double u, v, radius;
        Colour colour, blush;
    };
    const Fruit fruits[3] = {{0.30, 0.58, 0.17, {235, 120, 25}, {250, 160, 50}},
                             {0.57, 0.62, 0.15, {170, 25, 30}, {230, 200, 60}},
                             {0.79, 0.57, 0.12, {130, 165, 50}, {200, 200, 80}}};
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> unit(0, 1);
    struct Light {
        double u, v, radius;
        Colour colour;
    };
    std::vector<Light> lights;
    for (int i = 0; i < 14; ++i)
        lights.push_back(
            {unit(rng), unit(rng) * 0.55, 0.03 + 0.06 * unit(rng), Mix({255, 200, 120}, {160, 200, 255}, unit(rng))});
    return Draw(width, height, 33, [&](double u, double v) {
        Colour c = Mix({70, 48, 36}, {24, 18, 20}, v * 1.3 + 0.2 * n.Fractal(u * 3, v * 3, 3));
        for (const Light& l : lights) {
            const double d = std::hypot((u - l.u) * aspect, v - l.v) / l.radius;
            c = Mix(c, l.colour, 0.35 * (1 - SmoothStep(0.85, 1.0, d)));
        }
        const double table = 0.66;
        if (v > table) {
            const double grain = std::sin((v * 90 + 25 * n.Fractal(u * 4, v * 12, 4)) * 3.0);
            c = Mix({120, 74, 40}, {170, 118, 70}, 0.5 + 0.3 * grain + 0.2 * n.At(u * 300, v * 20));
            c = Mix(c, {40, 26, 18}, (v - table) * 0.8);
        }
        for (const Fruit& f : fruits) {
            // Shadow on the table, then the fruit lit from the upper left.
            const double sd = std::hypot((u - f.u - 0.03) * aspect / 1.3, (v - (f.v + f.radius * 0.85)) / 0.35);
            if (v > table - 0.02)
                c = Mix(c, {25, 16, 12}, 0.6 * (1 - SmoothStep(0.6 * f.radius, f.radius * 1.1, sd)));
        }
        for (const Fruit& f : fruits) {
            const double dx = (u - f.u) * aspect / f.radius, dy = (v - f.v) / f.radius;
            const double r2 = dx * dx + dy * dy;
            if (r2 >= 1)
                continue;
            const double dz = std::sqrt(1 - r2);
            const double light = std::max(0.0, -0.5 * dx - 0.6 * dy + 0.62 * dz);
            Colour skin = Mix(f.colour, f.blush, n.Fractal(u * 12, v * 12, 4) * 1.2 - 0.3);
            skin = Mix(skin, {0, 0, 0}, 0.08 * n.At(u * 900, v * 900));
            Colour lit = {skin.r * (0.25 + 0.85 * light), skin.g * (0.25 + 0.85 * light),
                          skin.b * (0.25 + 0.85 * light)};
            const double highlight = std::pow(std::max(0.0, -0.45 * dx - 0.55 * dy + 0.70 * dz), 40);
            lit = Mix(lit, {255, 250, 240}, highlight);
            c = Mix(c, lit, SmoothStep(1.0, 0.96, r2));
        }
        return c;
    });
}

// A flat logo: a ring, a rounded square and a word mark in four flat colours on white,
// with only the edges' antialiasing between them.
inline PackedPicture FlatLogo(int width, int height)
{
    const double aspect = double(width) / height;
    return Draw(
        width, height, 7,
        [&](double u, double v) {
            const double x = (u - 0.5) * aspect, y = v - 0.42;
            Colour c{255, 255, 255};
            const double ring = std::hypot(x + 0.16, y);
            if (ring < 0.30 && ring > 0.17)
                c = {242, 101, 34};
            const double qx = std::abs(x - 0.20) - 0.15, qy = std::abs(y + 0.02) - 0.15;
            const double rounded = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0);
            if (rounded < 0.05)
                c = ring < 0.30 && ring > 0.17 ? Colour{0, 98, 110} : Colour{0, 150, 136};
            // The word mark: letter-sized blocks with gaps between them.
            if (v > 0.82 && v < 0.90 && std::abs(x) < 0.55 && std::fmod((x + 0.55) * 18, 1.0) < 0.72)
                c = {33, 37, 64};
            return c;
        },
        0.0);
}

// A clear sky at dusk: deep blue overhead fading to a warm horizon, with a broad glow
// where the sun has set; nothing but smooth gradients and a little grain.
inline PackedPicture SkyGradient(int width, int height)
{
    const double aspect = double(width) / height;
    return Draw(
        width, height, 9,
        [&](double u, double v) {
            Colour c = Mix({22, 56, 140}, {120, 170, 225}, std::pow(v, 0.8));
            c = Mix(c, {250, 196, 140}, SmoothStep(0.55, 1.0, v));
            const double glow = std::hypot((u - 0.65) * aspect, (v - 1.05) * 1.6);
            return Mix(c, {255, 150, 90}, 0.7 * std::exp(-glow * glow * 5));
        },
        0.6);
}

// A window's screenshot at its own pixels: a title bar, a menu, a list with one row
// selected, paragraphs of small pixel-font text with links, a code block and a button.
// The letters are made-up 5 x 7 glyphs: what matters is their sharp one-pixel strokes.
inline PackedPicture Screenshot(int width, int height)
{
    PackedPicture picture(width, height);
    const auto fill = [&](int x0, int y0, int x1, int y1, Colour c) {
        for (int y = std::max(0, y0); y < std::min(height, y1); ++y)
            for (int x = std::max(0, x0); x < std::min(width, x1); ++x) {
                uint8_t* px = picture.Pixel(x, y);
                px[0] = uint8_t(c.b);
                px[1] = uint8_t(c.g);
                px[2] = uint8_t(c.r);
            }
    };
    const auto glyph = [&](int x, int y, uint32_t letter, Colour c) {
        uint32_t h = letter * 2654435761u + 0x9e3779b9u;
        const bool tall = (h >> 29) == 0;
        for (int row = tall ? 0 : 2; row < 7; ++row)
            for (int col = 0; col < 5; ++col) {
                h = h * 1664525u + 1013904223u;
                const bool stem = col == 0 && row >= 2 && (letter % 3) != 0;
                if (stem || (h >> 24) < 110)
                    fill(x + col, y + row, x + col + 1, y + row + 1, c);
            }
    };
    // Words of 2 to 9 letters from `seed`, from x to `right` on the line at y.
    const auto text = [&](int x, int y, int right, uint32_t seed, Colour c, Colour link = {}) {
        std::mt19937 rng(seed);
        while (true) {
            const int letters = 2 + int(rng() % 8);
            if (x + letters * 6 > right)
                return;
            const bool linked = link.r + link.g + link.b > 0 && rng() % 7 == 0;
            for (int i = 0; i < letters; ++i, x += 6)
                glyph(x, y, rng() % 26, linked ? link : c);
            if (linked)
                fill(x - letters * 6, y + 8, x - 1, y + 9, link);
            x += 5;
        }
    };
    fill(0, 0, width, height, {255, 255, 255});
    fill(0, 0, width, 18, {48, 84, 140});
    text(8, 5, width / 2, 1, {255, 255, 255});
    fill(0, 18, width, 32, {236, 236, 236});
    text(6, 21, width - 6, 2, {40, 40, 40});
    const int side = width / 4;
    fill(0, 32, side, height, {246, 246, 246});
    fill(side, 32, side + 1, height, {200, 200, 200});
    for (int row = 0, y = 38; y + 12 < height - 16; ++row, y += 14) {
        if (row == 3)
            fill(0, y - 3, side, y + 11, {51, 122, 214});
        text(8, y, side - 4, 10 + uint32_t(row), row == 3 ? Colour{255, 255, 255} : Colour{50, 50, 50});
    }
    int y = 40;
    for (int line = 0; y + 10 < height - 40; ++line, y += 11) {
        if (line % 6 == 5)
            y += 6;  // between paragraphs
        text(side + 10, y, width - 10, 100 + uint32_t(line), {30, 30, 30}, {20, 90, 200});
    }
    fill(side + 10, y, width - 10, y + 22, {244, 244, 238});
    text(side + 16, y + 3, width - 40, 300, {120, 40, 90});
    text(side + 16, y + 12, width - 80, 301, {40, 110, 40});
    fill(0, height - 16, width, height, {240, 240, 240});
    text(6, height - 12, width / 3, 400, {90, 90, 90});
    fill(width - 70, height - 15, width - 8, height - 2, {170, 170, 170});
    fill(width - 69, height - 14, width - 9, height - 3, {226, 226, 226});
    text(width - 60, height - 12, width - 12, 401, {20, 20, 20});
    return picture;
}

// The picture with every value scaled by `factor`, as an underexposed photograph.
inline PackedPicture Darkened(PackedPicture picture, double factor)
{
    for (uint8_t& value : picture.Bits())
        value = uint8_t(std::lround(value * factor));
    return picture;
}

// One brush stroke: button down, `ticks` timer steps at each point, moves between them.
// Points are fractions of the picture's width and height.
struct Stroke {
    int tool = 0;
    std::vector<std::pair<double, double>> points;
    int ticks = 0;
};

struct Scene {
    std::string name;
    int width = 0;
    int height = 0;
    PackedPicture source;               // the work picture
    std::vector<PackedPicture> frames;  // one loop at 24 frames per second
};

inline constexpr int kFramesPerSecond = 24;
inline constexpr int kFramesPerKey = 12;

// The picture fitted to the working size, keyframe 0 the identity and each further
// keyframe the one before with its strokes applied, every frame rendered smoothly.
inline Scene MakeScene(std::string name, const PackedPicture& photo, const std::vector<std::vector<Stroke>>& keys)
{
    Scene scene;
    scene.name = std::move(name);
    WorkPicture work;
    work.SetLoadedPicture(photo);
    scene.source = work.Source();
    const int W = work.Width(), H = work.Height();
    scene.width = W;
    scene.height = H;

    RandomSource random{1};
    ToolTable table(&random);
    DisplacementMap map(W, H);
    std::vector<std::unique_ptr<CMMask>> masks;
    masks.push_back(std::make_unique<CMMask>(W, H, 0));
    for (const std::vector<Stroke>& strokes : keys) {
        work.AttachMap(map.Ref());
        for (const Stroke& s : strokes) {
            CTool* tool = table.Find(s.tool);
            tool->SetPictureSize(W, H);
            work.SetActiveTool(nullptr);
            work.SetActiveTool(tool);
            const auto at = [&](size_t i) {
                return std::pair<int, int>{int(s.points[i].first * W), int(s.points[i].second * H)};
            };
            work.ButtonDown(at(0).first, at(0).second, false);
            for (size_t i = 0; i < s.points.size(); ++i) {
                if (i > 0)
                    work.MouseMove(at(i).first, at(i).second);
                for (int t = 0; t < s.ticks; ++t)
                    work.TimerTick(at(i).first, at(i).second);
            }
            work.ButtonUp(false);
        }
        auto mask = std::make_unique<CMMask>(W, H, 0);
        mask->Map() = map.Elements();
        masks.push_back(std::move(mask));
    }
    for (auto& mask : masks)
        mask->SetDuration(kFramesPerKey);
    KeyframeStore store;
    store.Assign(std::move(masks), ZeroThumbnailHeader());
    for (int f = 0; f < store.GetTotalFrames(); ++f) {
        work.AttachMap(store.GetFrameMapAt(f));
        work.RenderMap(64, true);
        scene.frames.push_back(work.Display());
    }
    return scene;
}

// Photographs from Debian's mate-backgrounds package (scripts/install-deps --bench
// installs it), where it is installed.
inline constexpr const char* kPhotoFolder = "/usr/share/backgrounds/mate/nature/";

// Keyframes that bulge, turn and pull a few regions, leaving most of the picture still.
inline std::vector<std::vector<Stroke>> BulgeTurnPull()
{
    return {{{1020, {{0.70, 0.35}}, 12}},
            {{1032, {{0.35, 0.70}}, 15}, {1020, {{0.70, 0.35}}, 6}},
            {{1038, {{0.20, 0.45}, {0.22, 0.42}, {0.24, 0.40}, {0.26, 0.38}}, 2}}};
}

// Keyframes that bulge and pinch, ending in a whole-picture wave in which everything moves.
inline std::vector<std::vector<Stroke>> BulgePinchWave()
{
    return {{{1020, {{0.40, 0.40}}, 12}},
            {{1079, {{0.60, 0.60}}, 10}, {1020, {{0.40, 0.40}}, 4}},
            {{1100, {{0.50, 0.50}}, 1}}};
}

// Keyframes in which the whole picture moves: a tornado, a zoom and a wave.
inline std::vector<std::vector<Stroke>> WholePictureMotion()
{
    return {{{1094, {{0.50, 0.50}}, 1}}, {{1105, {{0.45, 0.55}}, 1}}, {{1100, {{0.50, 0.50}}, 1}}};
}

using PictureLoader = std::function<std::optional<PackedPicture>(const std::string&)>;

// The loops: each photograph (or, without them, each drawn picture) deformed with
// brushes, and two of them ending in a whole-picture wave, in which everything moves.
inline std::vector<Scene> MakeScenes(const PictureLoader& load)
{
    const std::vector<std::vector<Stroke>> bulgeTurnPull = BulgeTurnPull(), bulgePinchWave = BulgePinchWave();
    std::vector<Scene> scenes;
    const struct {
        const char* name;
        const char* file;
        const std::vector<std::vector<Stroke>>& keys;
    } photos[] = {{"dune", "Dune.jpg", bulgeTurnPull},
                  {"garden", "Garden.jpg", bulgePinchWave},
                  {"ladybird", "LadyBird.jpg", bulgeTurnPull},
                  {"storm", "Storm.jpg", bulgePinchWave}};
    for (const auto& photo : photos) {
        if (const std::optional<PackedPicture> picture = load(std::string(kPhotoFolder) + photo.file))
            scenes.push_back(MakeScene(photo.name, *picture, photo.keys));
    }
    if (scenes.empty()) {
        scenes.push_back(MakeScene("drawn landscape", Landscape(600, 400), bulgeTurnPull));
        scenes.push_back(MakeScene("drawn still life", StillLife(600, 400), bulgePinchWave));
    }
    return scenes;
}

// A painting of 5640 x 3172 in the same package, brought to 4096 pixels across.
inline constexpr const char* kLargePicture = "/usr/share/backgrounds/mate/abstract/Elephants_5640x3172.jpg";
inline constexpr int kLargeSide = 4096;

// Seven loops of 48 frames on content unlike the program's own tests: two photographs,
// a flat logo, a smooth sky gradient, a screenshot with text, a dark photograph and a
// picture 4096 pixels across, each fitted to the working size as an opened picture is.
// In the first photograph and the dark one the whole picture moves in every frame; the
// others move in places, two of them ending in a whole-picture wave.
// Without the photographs, drawn pictures stand in for them (the landscape and the
// still life, the landscape darkened, the landscape drawn 4096 pixels across).
inline std::vector<Scene> MakeUnseenScenes(const PictureLoader& load)
{
    const std::vector<std::vector<Stroke>> bulgeTurnPull = BulgeTurnPull(), bulgePinchWave = BulgePinchWave();
    const auto photo = [&](const char* file, const std::function<PackedPicture()>& standIn) {
        std::optional<PackedPicture> picture = load(std::string(kPhotoFolder) + file);
        return picture ? std::move(*picture) : standIn();
    };
    std::vector<Scene> scenes;
    scenes.push_back(
        MakeScene("photo_dune", photo("Dune.jpg", [] { return Landscape(600, 400); }), WholePictureMotion()));
    scenes.push_back(
        MakeScene("photo_garden", photo("Garden.jpg", [] { return StillLife(600, 400); }), bulgePinchWave));
    scenes.push_back(MakeScene("logo", FlatLogo(800, 600), bulgeTurnPull));
    scenes.push_back(MakeScene("sky", SkyGradient(600, 400), bulgePinchWave));
    scenes.push_back(MakeScene("screenshot", Screenshot(kWorkingSide, 290), bulgeTurnPull));
    scenes.push_back(
        MakeScene("dark_photo", Darkened(photo("Storm.jpg", [] { return Landscape(600, 400); }), 0.3), bulgePinchWave));
    std::optional<PackedPicture> large = load(kLargePicture);
    PackedPicture big =
        large ? FitPicture(*large, kLargeSide, int(int64_t(large->Height()) * kLargeSide / large->Width()))
              : Landscape(kLargeSide, kLargeSide * 9 / 16);
    scenes.push_back(MakeScene("large_4096", big, bulgeTurnPull));
    return scenes;
}

// Measuring a coded loop against its lossless frames with the ffmpeg program.

// Runs a shell command: its standard output and error, or nothing when it failed.
inline std::optional<std::string> RunCommand(const std::string& command)
{
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return std::nullopt;
    std::string output;
    char buffer[4096];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, n);
    if (::pclose(pipe) != 0)
        return std::nullopt;
    return output;
}

// `s` as one shell word.
inline std::string Quoted(const std::string& s)
{
    std::string quoted = "'";
    for (const char c : s)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Writes the scene's frames one after the other as top-down rgb24 rows.
inline bool WriteRawFrames(const Scene& scene, const std::string& path)
{
    std::ofstream raw(path, std::ios::binary);
    std::vector<char> row(size_t(scene.width) * 3);
    for (const PackedPicture& frame : scene.frames)
        for (int y = 0; y < frame.Height(); ++y) {
            const uint8_t* px = frame.Row(y);
            for (int x = 0; x < frame.Width(); ++x) {
                row[size_t(x) * 3] = char(px[3 * x + 2]);
                row[size_t(x) * 3 + 1] = char(px[3 * x + 1]);
                row[size_t(x) * 3 + 2] = char(px[3 * x]);
            }
            raw.write(row.data(), std::streamsize(row.size()));
        }
    return bool(raw.flush());
}

// ffmpeg's input options reading the frames WriteRawFrames wrote, at 24 per second.
inline std::string RawInput(const Scene& scene, const std::string& rawPath)
{
    return "-f rawvideo -pix_fmt rgb24 -s " + std::to_string(scene.width) + "x" + std::to_string(scene.height) +
           " -framerate " + std::to_string(kFramesPerSecond) + " -i " + Quoted(rawPath);
}

// SSIM ("All") and PSNR ("average", in dB) of a coded loop against the lossless frames,
// both in rgb24, the coded frames taken at 24 per second from their timestamps (so a
// frame shown twice as long counts twice). Negative when it could not be measured or
// the coded loop does not last exactly as many frames as the scene.
struct Fidelity {
    double ssim = -1;
    double psnr = -1;
    bool Measured() const { return ssim >= 0 && psnr >= 0; }
};

inline Fidelity Compare(const Scene& scene, const std::string& rawPath, const std::string& coded,
                        const std::string& codedInputOptions = "")
{
    const std::string ssimStats = coded + ".ssim", psnrStats = coded + ".psnr";
    const std::string fps = std::to_string(kFramesPerSecond);
    const std::optional<std::string> out =
        RunCommand("ffmpeg -hide_banner -nostats " + codedInputOptions + " -i " + Quoted(coded) + " " +
                   RawInput(scene, rawPath) + " -lavfi \"[0:v]fps=" + fps + ",format=rgb24,split[a1][a2];" +
                   "[1:v]format=rgb24,split[b1][b2];[a1][b1]ssim=shortest=1:stats_file=" + Quoted(ssimStats) +
                   ";[a2][b2]psnr=shortest=1:stats_file=" + Quoted(psnrStats) + "\" -f null -");
    const auto lines = [](const std::string& path) {
        std::ifstream in(path);
        return std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n');
    };
    const std::ptrdiff_t frames = std::ptrdiff_t(scene.frames.size());
    const bool counted = lines(ssimStats) == frames && lines(psnrStats) == frames;
    std::remove(ssimStats.c_str());
    std::remove(psnrStats.c_str());
    if (!out || !counted)
        return {};
    const size_t all = out->rfind("All:"), average = out->rfind("average:");
    if (all == std::string::npos || average == std::string::npos)
        return {};
    return {std::atof(out->c_str() + all + 4), std::atof(out->c_str() + average + 8)};
}

}  // namespace loopscenes
