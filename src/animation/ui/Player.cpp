#include "animation/ui/Player.h"

#include "animation/ui/KeysWnd.h"
#include "app/AppState.h"
#include "controls/ui/Art.h"
#include "controls/ui/CommandRegistry.h"
#include "controls/ui/MyButton.h"
#include "controls/ui/MySlider.h"
#include "project/Project.h"
#include "res/StringTable.h"
#include "work/ui/WorkWnd.h"

#include <QAction>
#include <QTimerEvent>

CPlayer::CPlayer(Project& project, CWorkWnd& work, CKeysWnd& keys, QObject* parent)
        : QObject(parent), m_project(project), m_work(work), m_keys(keys)
{}

void CPlayer::SetControls(QAction* play, CMyButton* button, CMySlider* speed)
{
    m_pPlayAction = play;
    m_pPlay = button;
    m_pSpeed = speed;
    if (play) {
        connect(play, &QAction::triggered, this, [this] {
            if (!Playing())
                emit starting();
            OnPlay();
        });
    }
}

void CPlayer::OnPlay()
{
    if (Playing())
        StopPlayback();
    else
        StartPlayback();
}

void CPlayer::StartPlayback()
{
    if (Playing() || !m_state.Start(m_project.Keys()))
        return;
    AllowButtonAnimation(false);
    m_timer.start(AnimationPlayback::kTickMs, Qt::PreciseTimer, this);
    SetButtonState(true);
    emit playingChanged(true);
}

void CPlayer::PlayStep()
{
    if (!Playing())
        return;
    const int speed = m_pSpeed ? m_pSpeed->GetPos() : 30;
    m_state.Tick(m_project.Keys(), m_project.Picture(), speed, App().m_bInterpVideo);
    m_work.repaint();
}

void CPlayer::StopPlayback()
{
    if (!Playing())
        return;
    m_state.Stop();
    AllowButtonAnimation(true);
    m_timer.stop();
    // The strip and the work window return to the keyframe active at the start.
    const int start = m_state.StartKey();
    m_keys.SelectKey(start);
    if (start >= 0 && start < m_project.Keys().Count()) {
        m_project.Keys().SetActive(start);
        m_project.MakeActiveKeyCurrent();
    } else {
        m_project.Picture().DetachMap();
    }
    m_work.update();
    SetButtonState(false);
    emit playingChanged(false);
}

void CPlayer::AllowButtonAnimation(bool allowed)
{
    // Not while the loop plays: the frames keep their pace (the option itself
    // stays as the user set it).
    for (CMyButton* button : m_work.window()->findChildren<CMyButton*>())
        button->SetAnimationAllowed(allowed);
}

void CPlayer::SetButtonState(bool playing)
{
    if (m_pPlayAction)
        m_pPlayAction->setToolTip(AppString(playing ? StrId::StopTooltip : CommandId(m_pPlayAction)));
    if (!m_pPlay)
        return;
    m_pPlay->ReplacePicture(ArtImage(playing ? ArtId::StopButton : m_pPlay->GetDlgCtrlID()));
    m_pPlay->SetLatched(playing);
    m_pPlay->SetWindowText(AppString(playing ? StrId::StopCaption : StrId::PlayCaption));
    m_pPlay->repaint();
}

void CPlayer::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_timer.timerId())
        PlayStep();
    else
        QObject::timerEvent(event);
}
