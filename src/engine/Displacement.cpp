#include "engine/Displacement.h"

void ScaleMap(MapRef map, int p)
{
    if (!map.Attached())
        return;
    const size_t n = map.Count();
    for (size_t i = 0; i < n; ++i) {
        Displacement& e = map.data[i];
        e.dx = int32_t(int64_t(p) * e.dx / 64);
        e.dy = int32_t(int64_t(p) * e.dy / 64);
    }
}
