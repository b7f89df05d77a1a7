#include "animation/Playback.h"

#include "animation/KeyframeStore.h"
#include "engine/WorkPicture.h"

#include <algorithm>

bool AnimationPlayback::Start(const KeyframeStore& keys)
{
    const int total = keys.GetTotalFrames();
    if (total <= 0) {
        m_bRunning = false;
        return false;
    }
    m_nPlayPos = 0;
    m_nPlayLength = total * 64;
    m_nPlayStartKey = keys.Active();
    m_bRunning = true;
    return true;
}

void AnimationPlayback::Tick(KeyframeStore& keys, WorkPicture& picture, int speed, bool smooth)
{
    if (!m_bRunning)
        return;
    picture.AttachMap(keys.GetFrameMap(m_nPlayPos));
    picture.RenderMap(64, smooth);
    Advance(speed);
}

void AnimationPlayback::Advance(int speed)
{
    if (!m_bRunning || m_nPlayLength <= 0)
        return;
    const int step = StepForSpeed(std::clamp(speed, kMinSpeed, kMaxSpeed));
    m_nPlayPos = (m_nPlayPos + step) % m_nPlayLength;
}
