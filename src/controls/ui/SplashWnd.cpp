#include "controls/ui/SplashWnd.h"

#include "app/AppState.h"
#include "controls/ui/Art.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

CSplashWnd::CSplashWnd(QWidget* mainWindow, const QString& animationPath)
        : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
          m_pMainWindow(mainWindow), m_picture(ArtImage(ArtId::Splash))
{
    setObjectName(QStringLiteral("Splash"));
    setAttribute(Qt::WA_DeleteOnClose);
    setCursor(Qt::ArrowCursor);
    setFixedSize(m_picture.isNull() ? QSize(480, 320) : LogicalSize(m_picture));
    const QScreen* screen =
        mainWindow && mainWindow->screen() ? mainWindow->screen() : QGuiApplication::primaryScreen();
    if (screen)
        move(screen->geometry().center() - rect().center());

    // By default beside the program, or with the installed program's data.
    const QString path = animationPath.isEmpty()
                             ? ProgramDataFile(QFileInfo(SplashAnimationPath(ProgramFilePath())).fileName())
                             : animationPath;
    if (QFileInfo::exists(path) && m_animation.Open(path)) {
        connect(&m_frameTimer, &QTimer::timeout, this, &CSplashWnd::NextAnimationFrame);
        m_frameTimer.start(m_animation.FrameInterval());
        NextAnimationFrame();
    }
    m_closeTimer.start(kDisplayMs, this);
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
}

CSplashWnd::~CSplashWnd()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool CSplashWnd::eventFilter(QObject* watched, QEvent* event)
{
    // Only events on their way to a widget: the application sees some twice
    // (window and widget), and the first must not be consumed for the second.
    if (!m_bClosing && watched->isWidgetType() && FilterEvent(event))
        return true;
    return QWidget::eventFilter(watched, event);
}

CSplashWnd* CSplashWnd::ShowSplash(QWidget* mainWindow, QPointer<CSplashWnd>& current, bool enabled)
{
    if (!enabled || current)
        return current;
    current = new CSplashWnd(mainWindow);
    current->show();
    return current;
}

bool CSplashWnd::FilterEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // The key is the splash's: no shortcut fires, its press follows.
        event->accept();
        return true;
    case QEvent::KeyPress: CloseSplash(); return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonDblClick: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton || mouse->button() == Qt::RightButton ||
            mouse->button() == Qt::MiddleButton) {
            CloseSplash();
            return true;
        }
        return false;
    }
    default: return false;
    }
}

void CSplashWnd::CloseSplash()
{
    if (m_bClosing)
        return;
    m_bClosing = true;
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
    m_closeTimer.stop();
    m_frameTimer.stop();
    close();
    if (m_pMainWindow)
        m_pMainWindow->repaint();
}

void CSplashWnd::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_closeTimer.timerId()) {
        CloseSplash();
        return;
    }
    QWidget::timerEvent(event);
}

void CSplashWnd::NextAnimationFrame()
{
    m_frame = m_animation.NextFrame();
    update(QRect(kAnimationOrigin, m_frame.size()));
}

void CSplashWnd::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (m_picture.isNull())
        p.fillRect(rect(), QColor(0x24, 0x3E, 0x72));
    else
        p.drawImage(0, 0, m_picture);
    if (!m_frame.isNull())
        p.drawImage(kAnimationOrigin, m_frame);
}
