#include "engine/RandomFieldSource.h"

#include <algorithm>
#include <utility>

namespace {

constexpr int kOne = 1024;  // the scale of interpolation positions and weights
// Rows past this one repeat it, so a wild row number cannot grow the lattice without bound.
constexpr int kMaxRow = 65535;

// Position 0..1024 of offset f inside a cell of `spread` (f < spread).
int CellPosition(int64_t f, int64_t spread)
{
    return int(f * kOne / spread);
}

int Lerp(int a, int b, int weight)
{
    return a + (b - a) * weight / kOne;
}

}  // namespace

int SmoothWeight(int t)
{
    const int64_t tt = std::clamp(t, 0, kOne);
    return int(tt * tt * (3 * kOne - 2 * tt) / (int64_t(kOne) * kOne));
}

RandomFieldSource::RandomFieldSource(std::function<int()> rand) : m_rand(std::move(rand)) {}

RandomFieldSource::~RandomFieldSource()
{
    ShutupRandomGenerator();
}

void RandomFieldSource::InitSmoothGenerator(int rowLength, int amplitude, int ySpread, int xSpread)
{
    m_nRowLength = std::max(rowLength, 0);
    m_nAmplitude = std::clamp(amplitude, 0, 32767);
    m_nSpreadX = std::max(xSpread, 1);
    m_nSpreadY = std::max(ySpread, 1);
    m_nNodeColumns = std::max(m_nRowLength - 1, 0) / m_nSpreadX + 2;
    m_lattice.clear();
    m_bInitialised = true;
}

void RandomFieldSource::ShutupRandomGenerator()
{
    m_bInitialised = false;
    m_lattice = {};
    m_rowX = {};
    m_rowY = {};
}

int RandomFieldSource::DrawNode()
{
    return m_rand() % (m_nAmplitude + 1) - m_nAmplitude / 2;
}

const RandomFieldSource::NodeRow& RandomFieldSource::LatticeRow(int index)
{
    while (int(m_lattice.size()) <= index) {
        NodeRow row;
        row.xs.resize(size_t(m_nNodeColumns));
        row.ys.resize(size_t(m_nNodeColumns));
        for (int i = 0; i < m_nNodeColumns; ++i) {
            row.xs[size_t(i)] = int16_t(DrawNode());
            row.ys[size_t(i)] = int16_t(DrawNode());
        }
        m_lattice.push_back(std::move(row));
    }
    return m_lattice[size_t(index)];
}

void RandomFieldSource::FillRow(int rowLength, int row)
{
    row = std::clamp(row, 0, kMaxRow);
    const int j = row / m_nSpreadY;
    const int wy = SmoothWeight(CellPosition(row % m_nSpreadY, m_nSpreadY));
    // Both rows first: drawing the lower one may reallocate the lattice.
    LatticeRow(j + 1);
    const NodeRow& top = m_lattice[size_t(j)];
    const NodeRow& bottom = m_lattice[size_t(j) + 1];
    for (int x = 0; x < rowLength; ++x) {
        const int i = std::min(x / m_nSpreadX, m_nNodeColumns - 2);
        const int wx = x / m_nSpreadX > i ? kOne : SmoothWeight(CellPosition(x % m_nSpreadX, m_nSpreadX));
        const size_t a = size_t(i), b = size_t(i) + 1;
        const int upperX = Lerp(top.xs[a], top.xs[b], wx), lowerX = Lerp(bottom.xs[a], bottom.xs[b], wx);
        const int upperY = Lerp(top.ys[a], top.ys[b], wx), lowerY = Lerp(bottom.ys[a], bottom.ys[b], wx);
        m_rowX[size_t(x)] = int16_t(Lerp(upperX, lowerX, wy));
        m_rowY[size_t(x)] = int16_t(Lerp(upperY, lowerY, wy));
    }
}

RandomFieldSource::SmoothRow RandomFieldSource::PrepareSmooth(int rowLength, int row)
{
    const size_t n = size_t(std::max(rowLength, 0));
    m_rowX.assign(n, 0);
    m_rowY.assign(n, 0);
    if (m_bInitialised)
        FillRow(int(n), row);
    return SmoothRow{std::span<const int16_t>(m_rowX), std::span<const int16_t>(m_rowY)};
}
