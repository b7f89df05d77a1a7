#include "engine/RadialShape.h"

// Placeholder bodies until the shape generator lands.
void RadialShape::Build(int, int, int, int, const std::function<int()>&) {}
Displacement RadialShape::Element(int, int, int, int) const { return {}; }
