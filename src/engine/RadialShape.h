#pragma once
// The star-shaped remap shared by the shape brushes (collapse, explosion, pinch,
// punch) and the splash and dune tools: a random closed profile of lobes around a
// centre pulls each direction toward the centre or pushes it away.

#include "engine/Displacement.h"

#include <functional>
#include <vector>

class RadialShape {
public:
    // Builds the profile for a frame of size N with the profile sign (+1 or -1),
    // amplitude and number of lobes, drawing numbers in 0..32767 from rand.
    void Build(int N, int sign, int amplitude, int lobes, const std::function<int()>& rand);

    // The whole-pixel offset from element (a, b) of a frame N1 wide and N2 high
    // to its target.
    Displacement Element(int a, int b, int N1, int N2) const;

    bool Built() const { return !m_profile.empty(); }

private:
    std::vector<int> m_profile;  // 2*S entries
    int m_nS = 0;
};
