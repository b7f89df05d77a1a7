#include "engine/PointerPosition.h"

#include <cmath>

int MapPixelOf(double coordinate)
{
    if (std::isnan(coordinate) || coordinate <= -kFarPointer)
        return -kFarPointer;
    if (coordinate >= kFarPointer)
        return kFarPointer;
    return int(std::floor(coordinate));
}

MapPixel ViewToMapPixel(double viewX, double viewY, double scale, double originX, double originY)
{
    if (!(scale > 0.0) || std::isinf(scale))
        scale = 1.0;
    return MapPixel{MapPixelOf((viewX - originX) / scale), MapPixelOf((viewY - originY) / scale)};
}
