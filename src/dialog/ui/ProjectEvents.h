#pragma once
// The project's notices to the windows, as typed signals.

#include "project/Project.h"

#include <QObject>

#include <functional>

class CProjectEvents : public QObject, private ProjectObserver {
    Q_OBJECT
public:
    // Observes `project` until destroyed; `playing` answers the project's
    // question whether the loop plays.
    CProjectEvents(Project& project, std::function<bool()> playing, QObject* parent = nullptr);
    ~CProjectEvents() override;

signals:
    // The power on the slider is to become part of the map being left.
    void powerRequested();
    // The work picture now shows the active keyframe, `key`.
    void keyframeActivated(int key);
    // The work picture was rendered again.
    void mapChanged();
    // An undone or redone step replaced the keyframes (and perhaps the picture).
    void documentRestored();
    // The freeze mask changed (an undone or redone mask edit, a cleared or set mask).
    void maskChanged();

private:
    void ApplyPowerRequested() override { emit powerRequested(); }
    void ActiveKeyChanged() override { emit keyframeActivated(m_project.Keys().Active()); }
    void MapChanged() override { emit mapChanged(); }
    bool Playing() const override { return m_playing(); }
    void DocumentRestored() override { emit documentRestored(); }
    void MaskChanged() override { emit maskChanged(); }

    Project& m_project;
    std::function<bool()> m_playing;
};
