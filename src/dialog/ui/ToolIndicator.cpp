#include "dialog/ui/ToolIndicator.h"

#include "controls/ui/Art.h"
#include "controls/ui/MyStatic.h"
#include "dialog/ui/DialogLayout.h"
#include "res/StringTable.h"

#include <QPainter>

CToolIndicator::CToolIndicator(QWidget* parent) : QWidget(parent), m_pPicture(new CMyStatic(Cmd::Indicator, this))
{
    setObjectName(QStringLiteral("Indicator"));
    setFixedSize(kIndicatorSize);
    m_pPicture->move(0, 0);
    m_pPicture->resize(kIndicatorPicture, kIndicatorPicture);
}

void CToolIndicator::SetTool(int bitmapId, const QString& name)
{
    m_nBitmapId = bitmapId;
    if (bitmapId > 0 && HasArt(bitmapId))
        m_pPicture->SetPictureFitted(bitmapId, kIndicatorPicture, kIndicatorPicture);
    else
        m_pPicture->ClearPicture();
    m_strText = AppCaption(Cmd::Indicator) + name;
    update();
}

void CToolIndicator::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect text(kIndicatorPicture + 10, 0, width() - kIndicatorPicture - 10, height());
    QFont font = p.font();
    font.setPointSizeF(font.pointSizeF() * 1.15);
    font.setBold(true);
    p.setFont(font);
    // A soft light halo under dark text keeps it readable on any skin.
    p.setPen(QColor(0xFF, 0xFD, 0xF6));
    p.drawText(text.translated(1, 1), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, m_strText);
    p.setPen(QColor(0x4A, 0x38, 0x26));
    p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, m_strText);
}
