#pragma once
// The play command: a 16 ms precise timer that renders the loop in the work
// window at the speed slider's rate, the play button latched as "stop" while
// it runs, and the return to the keyframe that was active when it started.

#include "animation/Playback.h"

#include <QBasicTimer>
#include <QObject>

class CKeysWnd;
class CMyButton;
class QAction;
class CMySlider;
class CWorkWnd;
class Project;

class CPlayer : public QObject {
    Q_OBJECT
public:
    CPlayer(Project& project, CWorkWnd& work, CKeysWnd& keys, QObject* parent = nullptr);

    // The play command, which starts and stops the loop (its tooltip says
    // stop while playing), its button (the stop picture, latched, while
    // playing) and the speed slider read at every tick.
    void SetControls(QAction* play, CMyButton* button, CMySlider* speed);

    // Whether the loop plays: the one place that knows (the application keeps no copy).
    bool Playing() const { return m_state.Running(); }
    const AnimationPlayback& State() const { return m_state; }

    // Starts or stops; nothing happens when the animation has no frames.
    void OnPlay();
    void StartPlayback();
    void PlayStep();
    void StopPlayback();

signals:
    // The play command is about to start the loop: a power shown on the
    // slider becomes part of the keyframe first.
    void starting();
    // Playback started or stopped: the editing controls follow.
    void playingChanged(bool playing);

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void SetButtonState(bool playing);
    // Animated look changes of every button in the window.
    void AllowButtonAnimation(bool allowed);

    Project& m_project;
    CWorkWnd& m_work;
    CKeysWnd& m_keys;
    QAction* m_pPlayAction = nullptr;
    CMyButton* m_pPlay = nullptr;
    CMySlider* m_pSpeed = nullptr;
    AnimationPlayback m_state;
    QBasicTimer m_timer;
};
