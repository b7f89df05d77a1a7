#include "controls/ui/MyButton.h"

#include "app/AppState.h"
#include "controls/SkinArithmetic.h"
#include "controls/ui/Art.h"
#include "res/StringTable.h"

#include <QAction>
#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QCursor>
#include <QPainter>
#include <QToolTip>
#include <QPointer>

namespace {

// A picture of the same size all in its key colour.
QImage KeyOnly(const QImage& source)
{
    QImage plain(source.size(), QImage::Format_RGB32);
    plain.setDevicePixelRatio(source.devicePixelRatio());
    plain.fill(KeyColour(source));
    return plain;
}

QFont CaptionFont()
{
    QFont font = QApplication::font();
    font.setPointSize(8);
    return font;
}

}  // namespace

const QImage& CMyButton::SkinBitmap()
{
    static const QImage skin = ArtImage(ArtId::Skin).convertToFormat(QImage::Format_RGB32);
    return skin;
}

CMyButton::CMyButton(int id, QWidget* parent)
        : QWidget(parent), m_nId(id), m_nLevel(ButtonLevel::Normal), m_nShown(ButtonLevel::Normal),
          m_font(CaptionFont())
{
    setObjectName(QString::number(id));
    m_animation.setInterval(kAnimationStepMs);
    m_animation.setTimerType(Qt::PreciseTimer);
    connect(&m_animation, &QTimer::timeout, this, &CMyButton::AnimationStep);
    setAttribute(Qt::WA_Hover, false);
    setMouseTracking(true);
    FitCaption();
    // The help text is the string with the control's identifier; none, no tooltip.
    const QString tip = AppString(id);
    if (!tip.isEmpty())
        setToolTip(tip);
    if (HasAppCaption(id))
        m_strText = AppCaption(id);
    FitCaption();
}

bool CMyButton::SetPicture(int resourceId)
{
    if (HasPicture())
        return true;
    return SetPicture(ArtImage(resourceId));
}

bool CMyButton::SetPicture(const QImage& picture)
{
    if (HasPicture())
        return true;
    if (picture.isNull())
        return false;
    m_source = picture.convertToFormat(QImage::Format_RGB32);
    FitCaption();
    Rebuild();
    ResizeToPicture();
    return true;
}

bool CMyButton::ReplacePicture(const QImage& picture)
{
    if (picture.isNull())
        return false;
    m_source = QImage();
    SetPicture(picture);
    update();
    return true;
}

void CMyButton::SetLatched(bool latched)
{
    if (m_bLatched == latched)
        return;
    m_bLatched = latched;
    if (IsDisabledLook())
        return;
    if (latched) {
        ChangeLevel(ButtonLevel::Pressed);
    } else {
        ChangeLevel(ButtonLevel::Hover);
        ChangeLevel(ButtonLevel::Normal);
    }
}

void CMyButton::SetShowCaption(bool show)
{
    if (m_bShowCaption == show)
        return;
    m_bShowCaption = show;
    Rebuild();
    ResizeToPicture();
}

void CMyButton::SetWindowText(const QString& text)
{
    m_strText = text;
    FitCaption();
    update();
}

void CMyButton::FitCaption()
{
    // One line and a half; a caption wider than the picture wraps onto a second
    // line instead of losing its ends.
    const QFontMetrics fm(m_font);
    const int line = fm.size(Qt::TextSingleLine, QStringLiteral("AAAAA")).height();
    int height = line * 3 / 2;
    if (HasPicture() && !m_strText.isEmpty() && fm.horizontalAdvance(m_strText) > LogicalSize(m_source).width()) {
        const int wrapped =
            fm.boundingRect(QRect(0, 0, LogicalSize(m_source).width(), 10 * line), CaptionFlags(), m_strText).height();
        if (wrapped > height)  // more than one line
            height = wrapped + line / 2;
    }
    if (height == m_nCaptionHeight)
        return;
    m_nCaptionHeight = height;
    Rebuild();
    ResizeToPicture();
}

QSize CMyButton::sizeHint() const
{
    if (!HasPicture())
        return QWidget::sizeHint();
    const QSize picture = LogicalSize(m_source);
    return QSize(picture.width(), picture.height() + (m_bShowCaption ? m_nCaptionHeight : 0));
}

bool CMyButton::IsDisabledLook() const
{
    return m_nLevel < ButtonLevel::Normal;
}

void CMyButton::Rebuild()
{
    if (!HasPicture())
        return;
    const QImage& skin = m_backdrop.isNull() ? SkinBitmap() : m_backdrop;
    const int caption = m_bShowCaption ? m_nCaptionHeight : 0;
    m_display = BuildButtonDisplay(m_source, skin, m_nShown, caption);
    // What the button stands on, without its picture: a disabled button fades into it.
    m_plain = IsDisabledLook() ? BuildButtonDisplay(KeyOnly(m_source), skin, m_nShown, caption) : QImage();
    ++m_nBuilds;
}

void CMyButton::SetBackdrop(const QImage& backdrop)
{
    const QImage converted = backdrop.isNull() ? QImage() : backdrop.convertToFormat(QImage::Format_RGB32);
    if (converted == m_backdrop)
        return;
    m_backdrop = converted;
    Rebuild();
    update();
}

void CMyButton::ResizeToPicture()
{
    if (HasPicture())
        resize(sizeHint());
}

void CMyButton::ChangeLevel(int target)
{
    if (target == m_nLevel)
        return;
    // No animation while the loop plays: the frames keep their pace.
    if (!App().m_bShowAnimation || !m_bAnimationAllowed || m_nShown < ButtonLevel::Normal) {
        SetLevelNow(target);
        return;
    }
    // Eleven looks, 10 ms apart on the timer: about a tenth of a second per
    // change, from the look shown now (a change may come halfway through another).
    m_nLevel = target;
    m_nAnimationFrom = m_nShown;
    m_nAnimationStep = 0;
    ShowLevel(AnimationStepLevel(m_nAnimationFrom, m_nLevel, 0));
    m_animation.start();
}

void CMyButton::FinishAnimation()
{
    if (m_animation.isActive())
        SetLevelNow(m_nLevel);
}

void CMyButton::AnimationStep()
{
    ++m_nAnimationStep;
    ShowLevel(AnimationStepLevel(m_nAnimationFrom, m_nLevel, m_nAnimationStep));
    if (m_nAnimationStep >= kAnimationSteps)
        m_animation.stop();
}

void CMyButton::ShowLevel(int level)
{
    m_nShown = level;
    Rebuild();
    update();
}

void CMyButton::SetLevelNow(int level)
{
    m_animation.stop();
    m_nLevel = level;
    ShowLevel(level);
}

void CMyButton::paintEvent(QPaintEvent*)
{
    if (m_display.isNull())
        return;
    QPainter p(this);
    if (IsDisabledLook() && !m_plain.isNull()) {
        // The pale tinted picture alone reads as a bright button on the warm
        // skin; faded into the background it reads as one that is off.
        p.drawImage(0, 0, m_plain);
        p.setOpacity(kDisabledOpacity);
        p.drawImage(0, 0, m_display);
        p.setOpacity(1.0);
    } else {
        p.drawImage(0, 0, m_display);
    }
    if (m_bShowCaption && !m_strText.isEmpty()) {
        p.setFont(m_font);
        p.setPen(IsDisabledLook() ? QColor(kDisabledCaption) : QColor(Qt::black));
        const QRect strip(0, LogicalSize(m_source).height(), LogicalSize(m_display).width(), m_nCaptionHeight);
        p.drawText(strip, CaptionFlags(), m_strText);
    }
}

void CMyButton::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    if (m_bLatched || IsDisabledLook() || !isEnabled())
        return;
    const bool leftDown = QApplication::mouseButtons() & Qt::LeftButton;
    ChangeLevel(leftDown && m_bPressed ? ButtonLevel::Pressed : ButtonLevel::Hover);
}

void CMyButton::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    if (m_bLatched || IsDisabledLook() || !isEnabled())
        return;
    ChangeLevel(m_bPressed ? ButtonLevel::Hover : ButtonLevel::Normal);
}

void CMyButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || IsDisabledLook() || !isEnabled()) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_bPressed = true;
    if (!m_bLatched)
        ChangeLevel(ButtonLevel::Pressed);
}

void CMyButton::mouseMoveEvent(QMouseEvent* event)
{
    QWidget::mouseMoveEvent(event);
    if (m_bLatched || IsDisabledLook() || !isEnabled())
        return;
    const bool inside = rect().contains(event->position().toPoint());
    if (m_bPressed)
        ChangeLevel(inside ? ButtonLevel::Pressed : ButtonLevel::Hover);
    else if (inside && m_nLevel == ButtonLevel::Normal)
        ChangeLevel(ButtonLevel::Hover);
}

void CMyButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_bPressed) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_bPressed = false;
    const bool inside = rect().contains(event->position().toPoint());
    if (!inside) {
        if (!m_bLatched && !IsDisabledLook())
            ChangeLevel(ButtonLevel::Normal);
        return;
    }
    // The command may hide or even destroy this button (a screen change).
    QPointer<CMyButton> self(this);
    Issue();
    if (!self || m_bLatched || IsDisabledLook() || !isEnabled())
        return;
    // A modal dialog the command opened may have taken the pointer elsewhere.
    ChangeLevel(PointerOver() ? ButtonLevel::Hover : ButtonLevel::Normal);
}

void CMyButton::Click()
{
    if (isEnabled())
        Issue();
}

void CMyButton::Issue()
{
    if (m_pAction)
        m_pAction->trigger();
    else
        emit commandIssued(m_nId);
}

void CMyButton::SetAction(QAction* action)
{
    if (m_pAction)
        disconnect(m_pAction, nullptr, this, nullptr);
    m_pAction = action;
    if (!action)
        return;
    connect(action, &QAction::changed, this, &CMyButton::FollowAction);
    FollowAction();
}

void CMyButton::FollowAction()
{
    setEnabled(m_pAction->isEnabled());
    setToolTip(m_pAction->toolTip());
    if (m_pAction->isCheckable())
        ShowChecked(m_pAction->isChecked());
}

bool CMyButton::PointerOver() const
{
    return isVisible() && rect().contains(mapFromGlobal(QCursor::pos()));
}

void CMyButton::RefreshHover()
{
    if (m_nLevel == ButtonLevel::Hover && !m_bPressed && !m_bLatched && !PointerOver())
        ChangeLevel(ButtonLevel::Normal);
}

void CMyButton::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::EnabledChange)
        return;
    if (!isEnabled()) {
        m_bPressed = false;
        SetLevelNow(ButtonLevel::Disabled);
    } else if (IsDisabledLook()) {
        ChangeLevel(m_bLatched ? ButtonLevel::Pressed : ButtonLevel::Normal);
    }
}

bool CMyButton::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        // Below the whole button, so that the tip never hides its caption.
        if (App().m_bShowTips && !toolTip().isEmpty())
            QToolTip::showText(mapToGlobal(QPoint(0, height())), toolTip(), this, rect());
        return true;
    }
    return QWidget::event(event);
}

void CMyRadioBtn::ShowChecked(bool checked)
{
    SetCheck(checked);
    SetLatched(checked);
}

void CMyRadioBtn::SetCheck(bool checked)
{
    if (m_bChecked == checked)
        return;
    m_bChecked = checked;
    update();
}
