#pragma once
// The fifteen brush tools.

#include "engine/Tool.h"

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

class CTool_Collapse : public CToolLocal {
public:
    using CToolLocal::CToolLocal;
    void Apply(MapRef map, Displacement* scratch, int x, int y) override;
};

class CTool_Pinch : public CToolLocal {
public:
    using CToolLocal::CToolLocal;
    void Apply(MapRef map, Displacement* scratch, int x, int y) override;
};

class CTool_Explosion : public CToolLocal {
public:
    using CToolLocal::CToolLocal;
    void Apply(MapRef map, Displacement* scratch, int x, int y) override;
};

class CTool_Punch : public CToolLocal {
public:
    using CToolLocal::CToolLocal;
    void Apply(MapRef map, Displacement* scratch, int x, int y) override;
};

