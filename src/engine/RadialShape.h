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
    // to its target. Before Build every element maps to itself.
    Displacement Element(int a, int b, int N1, int N2) const;

    bool Built() const { return !m_profile.empty(); }

    // The angular resolution S (the profile holds 2*S entries) and the number
    // of entries per segment.
    int Resolution() const { return m_nS; }
    int SegmentLength() const { return m_nSegment; }
    const std::vector<int>& Profile() const { return m_profile; }

    // number * numerator / denominator with a 64-bit intermediate, rounded to
    // the nearest integer with halves away from zero. A zero denominator gives 0
    // and a quotient beyond 32 bits is saturated, so no input is undefined.
    static int MulDiv(int number, int numerator, int denominator);

    // The angular resolution for a frame of size N, before it is rounded to a
    // whole number of segments.
    static int AngularResolution(int N);

private:
    std::vector<int> m_profile;  // 2*S entries, a closed ring
    int m_nS = 0;
    int m_nSegment = 0;
};
