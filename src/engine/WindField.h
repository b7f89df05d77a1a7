#pragma once
// The streak field of the wind tool: a coarse grid of random node values laid
// along a direction (u across the wind, v along it), sampled with a cubic
// through four nodes in each direction. Cells are 8 pixels across the wind and
// 102 pixels along it, so the push changes at random from streak to streak.

#include <cstdint>
#include <functional>
#include <vector>

class WindField {
public:
    static constexpr int kCellU = 8;    // pixels across the wind
    static constexpr int kCellV = 102;  // pixels along the wind

    struct Offset {
        int dx = 0;
        int dy = 0;
        friend bool operator==(const Offset&, const Offset&) = default;
    };

    // Lays the grid for the direction angleDegrees over an area width x height
    // and draws every node's values from rand (numbers in 0..32767): a in
    // -16..16 as rand() % 33 - 16, then b in 0..amplitude-1 as rand() % amplitude,
    // node by node, rows along v top first, columns along u left first.
    void Setup(int amplitude, int angleDegrees, int width, int height, const std::function<int()>& rand);

    // The offset at pixel (x, y) of a W x H picture centred in the area, in
    // picture axes (before the tool's strength is applied).
    Offset Sample(int x, int y, int W, int H) const;

    // The cubic through y0..y3 at t (0..99 between y0 and y1), four separately
    // truncated terms.
    static int64_t Cubic(int64_t y0, int64_t y1, int64_t y2, int64_t y3, int64_t t);

    int Sin() const { return m_nSn; }
    int Cos() const { return m_nCs; }
    int ExtentU() const { return m_nEu; }
    int ExtentV() const { return m_nEv; }
    int Columns() const { return m_nColumns; }
    int Rows() const { return m_nRows; }
    int NodeA(int column, int row) const { return m_nodes[Index(column, row)].a; }
    int NodeB(int column, int row) const { return m_nodes[Index(column, row)].b; }

private:
    struct Node {
        int a = 0;
        int b = 0;
    };
    size_t Index(int column, int row) const { return size_t(row) * size_t(m_nColumns) + size_t(column); }

    int m_nSn = 0;
    int m_nCs = 1024;
    int m_nEu = 0;
    int m_nEv = 0;
    int m_nColumns = 0;
    int m_nRows = 0;
    std::vector<Node> m_nodes;
};
