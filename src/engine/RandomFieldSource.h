#pragma once
// A smooth random field of x and y offsets, handed out row by row: value noise
// on a lattice whose node spacing is the spread, node values drawn uniformly
// from the caller's generator, smoothstep interpolation between the nodes. All
// arithmetic is integer, so the same numbers from the generator give the same
// field bit for bit; a new initialisation draws new nodes.
//
// Call order: InitSmoothGenerator once, then PrepareSmooth for the rows in turn,
// then ShutupRandomGenerator (the destructor shuts down too, so a source left by
// an exception releases what it holds).

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

class RandomFieldSource {
public:
    // The two offset arrays of one row, rowLength entries each, valid until the
    // next PrepareSmooth or ShutupRandomGenerator.
    struct SmoothRow {
        std::span<const int16_t> xs;
        std::span<const int16_t> ys;
    };

    // rand yields numbers in 0..32767; it must outlive the source's use.
    explicit RandomFieldSource(std::function<int()> rand);
    ~RandomFieldSource();
    RandomFieldSource(const RandomFieldSource&) = delete;
    RandomFieldSource& operator=(const RandomFieldSource&) = delete;

    // Node values lie in -amplitude/2 .. amplitude/2; nodes are ySpread rows and
    // xSpread columns apart (a spread below 1 counts as 1).
    void InitSmoothGenerator(int rowLength, int amplitude, int ySpread, int xSpread);
    // The offsets of row `row` (rows below 0 count as row 0). Before
    // initialisation, or after shut-down, every entry is 0.
    SmoothRow PrepareSmooth(int rowLength, int row);
    void ShutupRandomGenerator();

    bool Initialised() const { return m_bInitialised; }

private:
    // One lattice row: node values for x and y offsets, m_nNodeColumns each.
    struct NodeRow {
        std::vector<int16_t> xs;
        std::vector<int16_t> ys;
    };
    const NodeRow& LatticeRow(int index);
    int DrawNode();
    void FillRow(int rowLength, int row);

    std::function<int()> m_rand;
    bool m_bInitialised = false;
    int m_nRowLength = 0;
    int m_nAmplitude = 0;
    int m_nSpreadX = 1;
    int m_nSpreadY = 1;
    int m_nNodeColumns = 0;
    // Lattice rows drawn so far, in order; rows are drawn as the field reaches them.
    std::vector<NodeRow> m_lattice;
    std::vector<int16_t> m_rowX;
    std::vector<int16_t> m_rowY;
};

// Smoothstep weight 0..1024 for a position 0..1024 between two nodes.
int SmoothWeight(int t);
