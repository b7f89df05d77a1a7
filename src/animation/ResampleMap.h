#pragma once
// Bilinear resampling of a displacement map to another size, in 1/16 element.
// Displacement values are not rescaled: they keep their value in 1/64 pixel.

#include "engine/Displacement.h"

#include <vector>

// Resamples the W x H map `source` to W2 x H2. The last destination row and
// column copy their source element; every other element blends four source
// elements with weights (16 - fx)(16 - fy), fx(16 - fy), (16 - fx)fy, fx fy and
// divides by 256, truncating toward zero.
std::vector<Displacement> ResampleMap(const Displacement* source, int W, int H, int W2, int H2);
