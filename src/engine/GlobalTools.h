#pragma once
// The ten whole-picture tools: each fills the field at a click.

#include "engine/Tool.h"

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

