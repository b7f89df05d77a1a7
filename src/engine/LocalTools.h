#pragma once
// The fifteen brush tools. Each visits the every-second-pixel lattice of its
// brush, computes an offset in 1/64 pixel for every visited pixel and stores the
// offset composed with the map (Smooth filters the map instead).

#include "engine/Tool.h"

#include <vector>

class CTool_ZoomIn : public CToolLocal {
public:
    using CToolLocal::CToolLocal;
    void Apply(MapRef map, Displacement* scratch, int x, int y) override;
};

class CTool_ZoomInV : public CToolLocal {
public:
    using CToolLocal::CToolLocal;
    void Apply(MapRef map, Displacement* scratch, int x, int y) override;
};

class CTool_ZoomInH : public CToolLocal {
public:
    using CToolLocal::CToolLocal;
    void Apply(MapRef map, Displacement* scratch, int x, int y) override;
};

class CTool_ZoomOut : public CToolLocal {
public:
    using CToolLocal::CToolLocal;
    void Apply(MapRef map, Displacement* scratch, int x, int y) override;
};

class CTool_ZoomOutV : public CToolLocal {
public:
    using CToolLocal::CToolLocal;
    void Apply(MapRef map, Displacement* scratch, int x, int y) override;
};

class CTool_ZoomOutH : public CToolLocal {
public:
    using CToolLocal::CToolLocal;
    void Apply(MapRef map, Displacement* scratch, int x, int y) override;
};

class CTool_Zoom : public CToolLocal {
public:
    using CToolLocal::CToolLocal;
    void Apply(MapRef map, Displacement* scratch, int x, int y) override;
};

class CTool_Rotate : public CToolLocal {
public:
    using CToolLocal::CToolLocal;
    void Apply(MapRef map, Displacement* scratch, int x, int y) override;
};

class CTool_Move : public CToolLocal {
public:
    using CToolLocal::CToolLocal;
    void Apply(MapRef map, Displacement* scratch, int x, int y) override;
};

class CTool_Undo : public CToolLocal {
public:
    using CToolLocal::CToolLocal;
    void Apply(MapRef map, Displacement* scratch, int x, int y) override;
};

class CTool_Smooth : public CToolLocal {
public:
    using CToolLocal::CToolLocal;
    void Apply(MapRef map, Displacement* scratch, int x, int y) override;
};

// The four shape brushes: a random star-shaped remap of the brush disc. The
// table is built at the first step and again whenever the brush diameter
// changes (a picture of another shape), so it always covers the brush.
class CToolShape : public CToolLocal {
public:
    struct Parameters {
        int sign;
        int amplitude;
        int lobes;
    };
    CToolShape(int bitmapId, int commandId, int sizePercent, Parameters parameters);

    void Prepare(int x, int y, int W, int H) override;
    bool CanApply(int W, int H) const override;
    void Apply(MapRef map, Displacement* scratch, int x, int y) override;

    // D x D whole-pixel offsets, row-major; element (i, j) belongs to the pixel
    // at (j - R, i - R) from the brush centre. Empty before the first step.
    const std::vector<Displacement>& ShapeTable() const { return m_shape; }
    int ShapeSize() const { return m_nShapeSize; }
    const Parameters& ShapeParameters() const { return m_parameters; }

private:
    void EnsureShape();

    Parameters m_parameters;
    std::vector<Displacement> m_shape;
    int m_nShapeSize = 0;
};

class CTool_Collapse : public CToolShape {
public:
    CTool_Collapse(int bitmapId, int commandId, int sizePercent)
            : CToolShape(bitmapId, commandId, sizePercent, {-1, 1600, 65})
    {}
};

class CTool_Explosion : public CToolShape {
public:
    CTool_Explosion(int bitmapId, int commandId, int sizePercent)
            : CToolShape(bitmapId, commandId, sizePercent, {+1, 3200, 65})
    {}
};

class CTool_Pinch : public CToolShape {
public:
    CTool_Pinch(int bitmapId, int commandId, int sizePercent)
            : CToolShape(bitmapId, commandId, sizePercent, {-1, 1600, 9})
    {}
};

class CTool_Punch : public CToolShape {
public:
    CTool_Punch(int bitmapId, int commandId, int sizePercent)
            : CToolShape(bitmapId, commandId, sizePercent, {+1, 3200, 9})
    {}
};
