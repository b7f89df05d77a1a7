#include "controls/ui/BMenu.h"

#include "controls/SkinArithmetic.h"
#include "controls/ui/Art.h"
#include "controls/ui/CommandRegistry.h"

#include <QAction>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QScreen>

#include <algorithm>

namespace {

// Windows colour values: red in the low byte.
constexpr std::uint32_t kBackground = 0x00FFFF;
constexpr std::uint32_t kText = 0xFF0000;
constexpr std::uint32_t kHighlight = 0xFFC8C8;
constexpr std::uint32_t kDisabledText = 0x9A8A70;
constexpr int kShortcutGap = 24;  // between an item's text and its shortcut
constexpr int kTextIndent = 20;   // text starts this far right of the side margin
const QChar kBullet(0x2022);      // the bullet of the Windows code page (149)

QPainterPath RoundRect(const QRectF& r, qreal corner)
{
    QPainterPath path;
    path.addRoundedRect(r, corner / 2, corner / 2);
    return path;
}

}  // namespace

CBMenu::CBMenu(std::vector<BMenuItem> items, QWidget* owner)
        : QWidget(nullptr, Qt::Popup | Qt::FramelessWindowHint), m_items(std::move(items)), m_pOwner(owner),
          m_font(QStringLiteral("Arial"), 12, QFont::Bold)
{
    setObjectName(QStringLiteral("Menu"));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    const QFontMetrics fm(m_font);
    for (const BMenuItem& item : m_items)
        m_nItemHeight = std::max(
            m_nItemHeight, fm.size(Qt::TextSingleLine, item.text.isEmpty() ? QStringLiteral(" ") : item.text).height());
    resize(ComputeSize(0));
}

QSize CBMenu::ComputeSize(int requestedWidth) const
{
    const QFontMetrics fm(m_font);
    int widest = 0;
    for (const BMenuItem& item : m_items) {
        const int shortcut = item.shortcut.isEmpty() ? 0 : kShortcutGap + fm.horizontalAdvance(item.shortcut);
        widest = std::max(widest, fm.horizontalAdvance(item.text) + shortcut);
    }
    const int w = std::max(widest + 2 * kSideMargin + kTextIndent, requestedWidth);
    const int h = kTopMargin + static_cast<int>(m_items.size()) * m_nItemHeight;
    return {w, h};
}

void CBMenu::Track(const QPoint& globalPos, int width)
{
    const QSize size = ComputeSize(width);
    resize(size);
    setMask(QRegion(RoundRect(QRectF(0, 0, size.width(), size.height()), kCorner).toFillPolygon().toPolygon()));
    QPoint pos = globalPos;
    if (const QScreen* screen = QGuiApplication::screenAt(globalPos) ? QGuiApplication::screenAt(globalPos)
                                                                     : QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        if (pos.x() + size.width() > area.right() + 1)
            pos.rx() -= size.width();
        if (pos.y() + size.height() > area.bottom() + 1)
            pos.ry() -= size.height();
    }
    move(pos);
    m_nHot = -1;
    show();
    activateWindow();
    setFocus(Qt::PopupFocusReason);
}

QRect CBMenu::ItemRect(int index) const
{
    return {0, kTopMargin + index * m_nItemHeight, width(), m_nItemHeight};
}

int CBMenu::ItemAt(const QPoint& pos) const
{
    if (!rect().contains(pos) || m_nItemHeight <= 0 || pos.y() < kTopMargin)
        return -1;
    const int index = (pos.y() - kTopMargin) / m_nItemHeight;
    return index < static_cast<int>(m_items.size()) ? index : -1;
}

void CBMenu::SetHot(int index)
{
    // A separator or a disabled item cannot be chosen.
    if (index >= 0 && !Choosable(index))
        index = -1;
    if (index == m_nHot)
        return;
    m_nHot = index;
    update();
}

void CBMenu::MoveHot(int step)
{
    const int n = static_cast<int>(m_items.size());
    if (n == 0)
        return;
    int index = m_nHot;
    if (index < 0)
        index = step > 0 ? -1 : n;
    for (int tries = 0; tries < n; ++tries) {
        index = ((index + step) % n + n) % n;
        if (Choosable(index)) {
            SetHot(index);
            return;
        }
    }
}

bool CBMenu::Choosable(int index) const
{
    const BMenuItem& item = m_items[static_cast<std::size_t>(index)];
    return !item.text.isEmpty() && item.enabled;
}

BMenuItem BMenuItem::FromAction(QAction* action)
{
    if (!action)
        return {};
    const QList<QKeySequence> keys = action->shortcuts();
    BMenuItem item(action->text(), action->isChecked(), CommandId(action), action->isEnabled(),
                   keys.isEmpty() ? QString() : keys.first().toString(QKeySequence::NativeText));
    item.action = action;
    return item;
}

void CBMenu::Choose()
{
    const int id = m_nHot >= 0 ? m_items[static_cast<std::size_t>(m_nHot)].id : 0;
    const QPointer<QAction> action = m_nHot >= 0 ? m_items[static_cast<std::size_t>(m_nHot)].action : nullptr;
    const bool chosen = m_nHot >= 0;
    QPointer<CBMenu> self(this);
    close();
    if (m_pOwner)
        m_pOwner->activateWindow();
    if (chosen && action)
        QMetaObject::invokeMethod(action.data(), &QAction::trigger, Qt::QueuedConnection);
    if (chosen && self)
        emit commandIssued(id);
}

void CBMenu::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF outer(0, 0, width(), height());
    const QPainterPath outerPath = RoundRect(outer, kCorner);
    const QPainterPath innerPath = RoundRect(outer.adjusted(kBorder, kBorder, -kBorder, -kBorder), kCorner - kBorder);
    p.save();
    p.setClipPath(outerPath.subtracted(innerPath));
    const QPixmap ring = ArtPixmap(ArtId::MenuRing);
    if (ring.isNull())
        p.fillRect(rect(), QColor(0x83, 0x6E, 0x46));
    else
        p.drawPixmap(rect(), ring);
    p.restore();
    p.setPen(Qt::NoPen);
    p.setBrush(ColorFromColorRef(kBackground));
    p.drawPath(innerPath);

    p.setFont(m_font);
    for (int i = 0; i < static_cast<int>(m_items.size()); ++i) {
        const BMenuItem& item = m_items[static_cast<std::size_t>(i)];
        const QRect r = ItemRect(i);
        if (item.text.isEmpty()) {
            p.fillRect(QRect(kSideMargin, r.center().y() - 1, width() - 2 * kSideMargin, 2), ColorFromColorRef(kText));
            continue;
        }
        p.setPen(ColorFromColorRef(!item.enabled ? kDisabledText : i == m_nHot ? kHighlight : kText));
        if (item.checked)
            p.drawText(QRect(kSideMargin, r.top(), kTextIndent, r.height()), Qt::AlignLeft | Qt::AlignVCenter,
                       QString(kBullet));
        const QRect textRect(kSideMargin + kTextIndent, r.top(), width() - 2 * kSideMargin - kTextIndent, r.height());
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, item.text);
        if (!item.shortcut.isEmpty())
            p.drawText(textRect, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, item.shortcut);
    }
}

void CBMenu::mouseMoveEvent(QMouseEvent* event)
{
    SetHot(ItemAt(event->position().toPoint()));
}

void CBMenu::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    SetHot(-1);
}

void CBMenu::mousePressEvent(QMouseEvent* event)
{
    if (!rect().contains(event->position().toPoint())) {
        close();  // a press outside the menu closes it
        return;
    }
    if (event->button() == Qt::LeftButton) {
        SetHot(ItemAt(event->position().toPoint()));
        Choose();
    }
}

void CBMenu::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Down: MoveHot(+1); break;
    case Qt::Key_Up: MoveHot(-1); break;
    case Qt::Key_Return:
    case Qt::Key_Enter: Choose(); break;
    case Qt::Key_Escape: close(); break;
    case Qt::Key_F1:
        if (m_nHot >= 0)
            emit helpRequested(0x10000 + m_items[static_cast<std::size_t>(m_nHot)].id);
        break;
    default: QWidget::keyPressEvent(event); break;
    }
}
