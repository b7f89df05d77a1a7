#include "export/ui/LoopQualityDlg.h"

#include "controls/ui/MyButton.h"
#include "res/StringTable.h"

#include <QCheckBox>
#include <QLabel>
#include <QSpinBox>

#include <algorithm>

namespace {

constexpr int kLeft = 16;
constexpr int kTop = 16;
constexpr int kRowHeight = 36;
constexpr int kLabelWidth = 300;
constexpr int kBoxLeft = kLeft + kLabelWidth + 8;
constexpr int kBoxWidth = 70;
constexpr int kButtonsLeft = kBoxLeft + kBoxWidth + 24;

}  // namespace

CLoopQualityDlg::CLoopQualityDlg(const LoopQualityRows& rows, const LoopQuality& quality, QWidget* parent)
        : CPbHelpDlg(kTemplateId, parent), m_rows(rows), m_quality(quality)
{
    setWindowTitle(AppCaption(CapId::TitleLoopQuality));
    if (rows.webp) {
        m_pWebp = AddRow(AppCaption(CapId::WebpQuality), WebpOptions::kMinQuality, WebpOptions::kMaxQuality,
                         quality.webpQuality);
        m_pLossless = new QCheckBox(AppCaption(CapId::Lossless), this);
        m_pLossless->setGeometry(kLeft, kTop + m_nNextRow++ * kRowHeight, kLabelWidth, 24);
        m_pLossless->setChecked(quality.webpLossless);
        // A lossless WebP has no quality to choose.
        m_pWebp->setEnabled(!quality.webpLossless);
        connect(m_pLossless, &QCheckBox::toggled, m_pWebp, [this](bool lossless) { m_pWebp->setEnabled(!lossless); });
    }
    if (rows.avif)
        m_pAvif = AddRow(AppCaption(CapId::AvifQuality), AvifOptions::kMinQuality, AvifOptions::kMaxQuality,
                         quality.avifQuality);
    if (rows.video) {
        const VideoCodecRange range = CrfRange(*rows.video);
        const QString label = AppCaption(CapId::VideoCrf)
                                  .replace(QStringLiteral("%1"), QString::number(range.minCrf))
                                  .replace(QStringLiteral("%2"), QString::number(range.maxCrf));
        m_pCrf = AddRow(label, range.minCrf, range.maxCrf, quality.Crf(*rows.video));
    }

    // The first number that can be changed is selected, ready to be typed over.
    for (QSpinBox* box : {m_pWebp, m_pAvif, m_pCrf}) {
        if (box && box->isEnabled()) {
            box->setFocus();
            box->selectAll();
            break;
        }
    }

    const auto [ok, cancel] = AddOkCancel(kButtonsLeft, 12, 12);
    const int rowsBottom = kTop + m_nNextRow * kRowHeight;
    const int buttonsBottom = cancel->y() + cancel->height() + 12;
    resize(kButtonsLeft + ok->width() + 16, std::max(rowsBottom, buttonsBottom));
}

QSpinBox* CLoopQualityDlg::AddRow(const QString& label, int minimum, int maximum, int value)
{
    const int y = kTop + m_nNextRow++ * kRowHeight;
    auto* text = new QLabel(label, this);
    text->setGeometry(kLeft, y, kLabelWidth, 24);
    auto* box = new QSpinBox(this);
    box->setRange(minimum, maximum);
    box->setValue(std::clamp(value, minimum, maximum));
    box->setGeometry(kBoxLeft, y, kBoxWidth, 24);
    text->setBuddy(box);
    return box;
}

LoopQuality CLoopQualityDlg::Quality() const
{
    LoopQuality quality = m_quality;
    if (m_pWebp) {
        quality.webpQuality = m_pWebp->value();
        quality.webpLossless = m_pLossless->isChecked();
    }
    if (m_pAvif)
        quality.avifQuality = m_pAvif->value();
    if (m_pCrf)
        quality.SetCrf(*m_rows.video, m_pCrf->value());
    return quality;
}
