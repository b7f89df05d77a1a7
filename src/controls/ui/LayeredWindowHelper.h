#pragma once
// Window translucency for fades: the whole window's opacity, 0..255.

class QWidget;

class CLayeredWindowHelperST {
public:
    static constexpr int kLayered = 0x80000;  // the extended style the fade turns on
    static constexpr int kColorKey = 1;       // attribute flags
    static constexpr int kAlpha = 2;

    // Makes a window ready for translucency (fully opaque at first).
    void AddLayeredStyle(QWidget* window) const;
    // Back to an ordinary opaque window.
    void RemoveLayeredStyle(QWidget* window) const;
    // With kAlpha in `flags`, sets the window's opacity to alpha / 255
    // (limited to 0..255). Colour keys are not supported and are ignored.
    // False when there is no window.
    bool SetLayeredWindowAttributes(QWidget* window, unsigned colorKey, int alpha, int flags) const;
};
