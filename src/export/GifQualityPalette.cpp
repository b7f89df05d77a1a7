#include "export/GifQualityPalette.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>
#include <numeric>
#include <queue>

ColourHistogram::ColourHistogram() : m_cells(size_t(1) << (3 * kBits)) {}

void ColourHistogram::AddExact(const uint8_t* p)
{
    const uint32_t colour = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    if (colour == m_lastExact)
        return;
    m_lastExact = colour;
    const auto at = std::lower_bound(m_exact.begin(), m_exact.end(), colour);
    if (at != m_exact.end() && *at == colour)
        return;
    if (m_exact.size() == 256) {
        m_manyColours = true;
        m_exact = {};
        return;
    }
    m_exact.insert(at, colour);
}

void ColourHistogram::AddPixel(const uint8_t* p, uint32_t weight)
{
    if (!m_manyColours)
        AddExact(p);
    Cell& cell = m_cells[CellOf(p)];
    cell.count += weight;
    for (int c = 0; c < 3; ++c)
        cell.sum[c] += uint64_t(p[c]) * weight;
    m_total += weight;
}

void ColourHistogram::Add(const uint8_t* rgb, size_t count, uint32_t weight)
{
    for (size_t i = 0; i < count; ++i)
        AddPixel(rgb + 3 * i, weight);
}

void ColourHistogram::AddPicture(const uint8_t* rgb, int width, int height)
{
    const size_t stride = size_t(width) * 3;
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = rgb + size_t(y) * stride;
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = row + 3 * size_t(x);
            int step = 0;
            const auto compare = [&](const uint8_t* q) {
                for (int c = 0; c < 3; ++c)
                    step = std::max(step, std::abs(p[c] - q[c]));
            };
            if (x > 0)
                compare(p - 3);
            if (x + 1 < width)
                compare(p + 3);
            if (y > 0)
                compare(p - stride);
            if (y + 1 < height)
                compare(p + stride);
            AddPixel(p, step < kSmoothStep ? kSmoothWeight : 1);
        }
    }
}

namespace {

// A histogram cell as a weighted point: its mean colour.
struct Point {
    double weight = 0;
    std::array<double, 3> mean{};
};

// Weighted sums over a set of points, from which its squared error follows.
struct Moments {
    double weight = 0;
    std::array<double, 3> sum{};
    double squares = 0;  // sum of weight x |mean|^2

    void Add(const Point& p)
    {
        weight += p.weight;
        for (int c = 0; c < 3; ++c) {
            sum[size_t(c)] += p.weight * p.mean[size_t(c)];
            squares += p.weight * p.mean[size_t(c)] * p.mean[size_t(c)];
        }
    }
    Moments operator-(const Moments& other) const
    {
        Moments m;
        m.weight = weight - other.weight;
        for (size_t c = 0; c < 3; ++c)
            m.sum[c] = sum[c] - other.sum[c];
        m.squares = squares - other.squares;
        return m;
    }
    // Sum of weight x squared distance to the weighted mean.
    double Error() const
    {
        if (weight <= 0)
            return 0;
        return squares - (sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]) / weight;
    }
};

// The points [begin, end) of the shared order, and their squared error.
struct Box {
    size_t begin = 0;
    size_t end = 0;
    double error = 0;
    bool operator<(const Box& other) const { return error < other.error; }
};

double AxisSpread(const std::vector<Point>& points, const std::vector<uint32_t>& order, const Box& box, int axis)
{
    double w = 0, s = 0, q = 0;
    for (size_t i = box.begin; i < box.end; ++i) {
        const Point& p = points[order[i]];
        w += p.weight;
        s += p.weight * p.mean[size_t(axis)];
        q += p.weight * p.mean[size_t(axis)] * p.mean[size_t(axis)];
    }
    return w > 0 ? q - s * s / w : 0;
}

Moments MomentsOf(const std::vector<Point>& points, const std::vector<uint32_t>& order, size_t begin, size_t end)
{
    Moments m;
    for (size_t i = begin; i < end; ++i)
        m.Add(points[order[i]]);
    return m;
}

// Splits a box along its widest axis where the two halves' errors add up least.
std::pair<Box, Box> SplitBox(const std::vector<Point>& points, std::vector<uint32_t>& order, const Box& box)
{
    int axis = 0;
    double widest = -1;
    for (int c = 0; c < 3; ++c) {
        const double spread = AxisSpread(points, order, box, c);
        if (spread > widest) {
            widest = spread;
            axis = c;
        }
    }
    std::sort(order.begin() + std::ptrdiff_t(box.begin), order.begin() + std::ptrdiff_t(box.end),
              [&](uint32_t a, uint32_t b) { return points[a].mean[size_t(axis)] < points[b].mean[size_t(axis)]; });
    const Moments all = MomentsOf(points, order, box.begin, box.end);
    Moments left;
    size_t bestSplit = box.begin + 1;
    double bestError = std::numeric_limits<double>::max();
    for (size_t i = box.begin; i + 1 < box.end; ++i) {
        left.Add(points[order[i]]);
        const double error = left.Error() + (all - left).Error();
        if (error < bestError) {
            bestError = error;
            bestSplit = i + 1;
        }
    }
    Box a{box.begin, bestSplit, 0}, b{bestSplit, box.end, 0};
    a.error = MomentsOf(points, order, a.begin, a.end).Error();
    b.error = MomentsOf(points, order, b.begin, b.end).Error();
    return {a, b};
}

std::array<double, 3> MeanOf(const Moments& m)
{
    return {m.sum[0] / m.weight, m.sum[1] / m.weight, m.sum[2] / m.weight};
}

std::vector<std::array<double, 3>> MedianCut(const std::vector<Point>& points, int colours)
{
    std::vector<uint32_t> order(points.size());
    std::iota(order.begin(), order.end(), 0u);
    std::priority_queue<Box> open;  // boxes that can still be split, largest error first
    std::vector<Box> done;
    Box whole{0, points.size(), MomentsOf(points, order, 0, points.size()).Error()};
    open.push(whole);
    while (!open.empty() && int(open.size() + done.size()) < colours) {
        const Box box = open.top();
        open.pop();
        if (box.end - box.begin < 2 || box.error <= 0) {
            done.push_back(box);
            continue;
        }
        const auto [a, b] = SplitBox(points, order, box);
        open.push(a);
        open.push(b);
    }
    for (; !open.empty(); open.pop())
        done.push_back(open.top());
    std::vector<std::array<double, 3>> centres;
    for (const Box& box : done)
        centres.push_back(MeanOf(MomentsOf(points, order, box.begin, box.end)));
    return centres;
}

// Rounds of k-means: each point to its nearest centre, each centre to the mean of its points.
void Refine(const std::vector<Point>& points, std::vector<std::array<double, 3>>& centres, int rounds)
{
    for (int round = 0; round < rounds; ++round) {
        const NearestColourSearch search(centres);
        std::vector<Moments> sums(centres.size());
        for (const Point& p : points)
            sums[search.Nearest(p.mean)].Add(p);
        for (size_t k = 0; k < centres.size(); ++k) {
            if (sums[k].weight > 0)
                centres[k] = MeanOf(sums[k]);
        }
    }
}

double SquaredDistance(const ColourPoint& a, const ColourPoint& b)
{
    const double dr = a[0] - b[0], dg = a[1] - b[1], db = a[2] - b[2];
    return dr * dr + dg * dg + db * db;
}

uint8_t RoundComponent(double v)
{
    return uint8_t(std::clamp(int(v + 0.5), 0, 255));
}

}  // namespace

std::vector<Rgb> ColourHistogram::Palette(int colours, int refineRounds) const
{
    colours = std::clamp(colours, 1, 256);
    if (m_total == 0)
        return {Rgb{}};
    if (!m_manyColours && int(m_exact.size()) <= colours) {
        std::vector<Rgb> exact;
        for (const uint32_t c : m_exact)
            exact.push_back(Rgb{uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
        return exact;
    }
    std::vector<Point> points;
    for (const Cell& cell : m_cells) {
        if (cell.count == 0)
            continue;
        Point p;
        p.weight = double(cell.count);
        for (size_t c = 0; c < 3; ++c)
            p.mean[c] = double(cell.sum[c]) / double(cell.count);
        points.push_back(p);
    }

    std::vector<std::array<double, 3>> centres = MedianCut(points, colours);
    Refine(points, centres, refineRounds);
    std::vector<Rgb> palette;
    for (const auto& c : centres)
        palette.push_back(Rgb{RoundComponent(c[0]), RoundComponent(c[1]), RoundComponent(c[2])});
    return palette;
}

size_t reference::NearestColour(const std::vector<ColourPoint>& colours, const ColourPoint& colour)
{
    size_t best = 0;
    double bestDistance = std::numeric_limits<double>::max();
    for (size_t k = 0; k < colours.size(); ++k) {
        const double d = SquaredDistance(colours[k], colour);
        if (d < bestDistance) {
            bestDistance = d;
            best = k;
        }
    }
    return best;
}

NearestColourSearch::NearestColourSearch(const std::vector<ColourPoint>& colours)
{
    std::vector<size_t> order(colours.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return colours[a][1] < colours[b][1]; });
    for (const size_t k : order) {
        m_colours.push_back(colours[k]);
        m_greens.push_back(colours[k][1]);
        m_index.push_back(k);
    }
}

size_t NearestColourSearch::Nearest(const ColourPoint& colour) const
{
    size_t best = 0;
    double bestDistance = std::numeric_limits<double>::max();
    const auto consider = [&](size_t i) {
        const double d = SquaredDistance(m_colours[i], colour);
        if (d < bestDistance || (d == bestDistance && m_index[i] < best)) {
            bestDistance = d;
            best = m_index[i];
        }
    };
    const size_t start = size_t(std::lower_bound(m_greens.begin(), m_greens.end(), colour[1]) - m_greens.begin());
    // Upwards and downwards from the query's green; a colour whose green alone is
    // farther than the best cannot be nearer (an equal one may tie with a lower index).
    for (size_t i = start; i < m_colours.size(); ++i) {
        const double dg = m_greens[i] - colour[1];
        if (dg * dg > bestDistance)
            break;
        consider(i);
    }
    for (size_t i = start; i-- > 0;) {
        const double dg = colour[1] - m_greens[i];
        if (dg * dg > bestDistance)
            break;
        consider(i);
    }
    return best;
}
