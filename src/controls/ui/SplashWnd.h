#pragma once
// The start-up splash: the splash picture, centred, for three seconds or until
// any key or mouse button is pressed, with the optional looping animation
// beside the program shown at (0, 105).

#include "controls/SplashAnimation.h"

#include <QBasicTimer>
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>

class CSplashWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDisplayMs = 3000;
    static inline const QPoint kAnimationOrigin{0, 105};

    // `mainWindow` is repainted when the splash closes. An empty
    // `animationPath` looks for the animation beside the program.
    explicit CSplashWnd(QWidget* mainWindow, const QString& animationPath = {});
    ~CSplashWnd() override;

    // Shows a splash when `enabled` and none is shown yet; returns the one shown.
    static CSplashWnd* ShowSplash(QWidget* mainWindow, QPointer<CSplashWnd>& current, bool enabled = true);

    // While the splash is up it filters the application's events: a key press
    // or a mouse button press anywhere closes the splash, and true says the
    // event is consumed (it reaches no window below).
    bool FilterEvent(QEvent* event);

    void CloseSplash();
    bool HasAnimation() const { return m_animation.IsOpen(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void NextAnimationFrame();

    QPointer<QWidget> m_pMainWindow;
    QImage m_picture;
    QImage m_frame;
    SplashAnimation m_animation;
    QBasicTimer m_closeTimer;
    QTimer m_frameTimer;
    bool m_bClosing = false;
};
