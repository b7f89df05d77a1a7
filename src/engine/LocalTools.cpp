#include "engine/LocalTools.h"

// Placeholder bodies until the brush tools land.

void CTool_ZoomIn::Apply(MapRef, Displacement*, int, int) {}
void CTool_ZoomInV::Apply(MapRef, Displacement*, int, int) {}
void CTool_ZoomInH::Apply(MapRef, Displacement*, int, int) {}
void CTool_ZoomOut::Apply(MapRef, Displacement*, int, int) {}
void CTool_ZoomOutV::Apply(MapRef, Displacement*, int, int) {}
void CTool_ZoomOutH::Apply(MapRef, Displacement*, int, int) {}
void CTool_Zoom::Apply(MapRef, Displacement*, int, int) {}
void CTool_Rotate::Apply(MapRef, Displacement*, int, int) {}
void CTool_Move::Apply(MapRef, Displacement*, int, int) {}
void CTool_Undo::Apply(MapRef, Displacement*, int, int) {}
void CTool_Smooth::Apply(MapRef, Displacement*, int, int) {}
void CTool_Collapse::Apply(MapRef, Displacement*, int, int) {}
void CTool_Pinch::Apply(MapRef, Displacement*, int, int) {}
void CTool_Explosion::Apply(MapRef, Displacement*, int, int) {}
void CTool_Punch::Apply(MapRef, Displacement*, int, int) {}
