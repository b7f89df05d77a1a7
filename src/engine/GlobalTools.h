#pragma once
// The ten whole-picture tools: each fills the field at a click.

#include "engine/Tool.h"

#include <functional>
#include <vector>

class CTool_GlShrink : public CToolGlobal {
public:
    using CToolGlobal::CToolGlobal;
    void Prepare(int x, int y, int W, int H) override;
};

class CTool_GlZoom : public CToolGlobal {
public:
    using CToolGlobal::CToolGlobal;
    void Prepare(int x, int y, int W, int H) override;
};

class CTool_GlTornado : public CToolGlobal {
public:
    using CToolGlobal::CToolGlobal;
    void Prepare(int x, int y, int W, int H) override;
};

class CTool_GlWind : public CToolGlobal {
public:
    using CToolGlobal::CToolGlobal;
    void Prepare(int x, int y, int W, int H) override;
};

class CTool_GlWave : public CToolGlobal {
public:
    using CToolGlobal::CToolGlobal;
    void Prepare(int x, int y, int W, int H) override;
};

class CTool_GlRipples : public CToolGlobal {
public:
    using CToolGlobal::CToolGlobal;
    void Prepare(int x, int y, int W, int H) override;
};

class CTool_GlBlot : public CToolGlobal {
public:
    using CToolGlobal::CToolGlobal;
    void Prepare(int x, int y, int W, int H) override;
};

class CTool_GlBlot2 : public CToolGlobal {
public:
    using CToolGlobal::CToolGlobal;
    void Prepare(int x, int y, int W, int H) override;
};

class CTool_GlSands : public CToolGlobal {
public:
    using CToolGlobal::CToolGlobal;
    void Prepare(int x, int y, int W, int H) override;
};

class CTool_GlSands2 : public CToolGlobal {
public:
    using CToolGlobal::CToolGlobal;
    void Prepare(int x, int y, int W, int H) override;
};

// The splash and dune family's parameters of the star profile.
struct BlotParameters {
    int sign;  // +1 pulls toward the click point, -1 pushes away
    int amplitude;
    int lobes;
};

// The virtual frame centred on the click point (cx, cy) that covers a W x H
// picture: d x g, and pixel (x, y) is frame element (x + columnShift, y + rowShift).
struct BlotFrame {
    int d = 0;
    int g = 0;
    int columnShift = 0;
    int rowShift = 0;
    static BlotFrame Around(int cx, int cy, int W, int H);
};

// Fills a W x H field with a freshly built star around (cx, cy), weighted by
// the strength (0..64). Does nothing when the field is not W x H.
void FillBlotField(std::vector<Displacement>& field, int cx, int cy, int W, int H, int strength,
                   const BlotParameters& params, const std::function<int()>& rand);
