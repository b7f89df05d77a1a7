#pragma once
// The player's clock and frame step, without a window: where the loop stands
// in sub-frames (1/64 frame), how far a tick moves it at a given speed, and
// one tick's work (interpolate the map at the position, render the work
// picture through it). The window adds the 16 ms timer and the controls.

#include <cstdint>

class KeyframeStore;
class WorkPicture;

class AnimationPlayback {
public:
    // The timer period the speed arithmetic assumes (60 ticks a second).
    static constexpr int kTickMs = 16;
    static constexpr int kMinSpeed = 1;
    static constexpr int kMaxSpeed = 60;

    // Sub-frames one tick advances at `speed` animation frames per second.
    static int StepForSpeed(int speed) { return speed * 64 / 60; }

    // Starts at position 0 with the loop of `keys`; remembers the active
    // keyframe. False, leaving the player stopped, when the loop has no frames.
    bool Start(const KeyframeStore& keys);
    // Renders the frame at the current position into `picture` (attached to the
    // store's interpolation buffer) and advances by the step of `speed`.
    void Tick(KeyframeStore& keys, WorkPicture& picture, int speed, bool smooth);
    // Advances without rendering.
    void Advance(int speed);
    void Stop() { m_bRunning = false; }

    bool Running() const { return m_bRunning; }
    int Position() const { return m_nPlayPos; }
    int Length() const { return m_nPlayLength; }
    int StartKey() const { return m_nPlayStartKey; }

private:
    int m_nPlayPos = 0;
    int m_nPlayLength = 0;
    int m_nPlayStartKey = 0;
    bool m_bRunning = false;
};
