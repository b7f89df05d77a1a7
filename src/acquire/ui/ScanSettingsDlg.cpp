#include "acquire/ui/ScanSettingsDlg.h"

#include "acquire/ui/AcquireStrings.h"
#include "controls/ui/Art.h"
#include "controls/ui/DlgControls.h"
#include "controls/ui/MyButton.h"
#include "controls/ui/MyStatic.h"
#include "res/StringTable.h"

#include <QComboBox>
#include <QLabel>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int kResolutionId = 1;
constexpr int kColourId = 2;
constexpr int kGreyId = 3;
constexpr int kPreviewId = 4;

// The offered resolution nearest to `wanted`.
int Nearest(const std::vector<int>& offered, int wanted)
{
    return *std::min_element(offered.begin(), offered.end(),
                             [wanted](int a, int b) { return std::abs(a - wanted) < std::abs(b - wanted); });
}

}  // namespace

CScanSettingsDlg::CScanSettingsDlg(const AcquireDevice& scanner, const ScanOptions& options, PreviewFunction preview,
                                   QWidget* parent)
        : CAcquireChoiceDlg(kTemplateId, AcquireCap::TitleScan, parent), m_options(options),
          m_preview(std::move(preview))
{
    auto* device = new QLabel(scanner.label, this);
    device->setGeometry(16, 12, 250, 22);

    auto* resolutionLabel = new QLabel(AppCaption(AcquireCap::Resolution), this);
    resolutionLabel->setGeometry(16, 44, 130, 24);
    m_pResolution = new QComboBox(this);
    m_pResolution->setObjectName(QString::number(kResolutionId));
    m_pResolution->setGeometry(150, 44, 110, 24);
    for (const int dpi : options.resolutions)
        m_pResolution->addItem(QString::number(dpi), dpi);
    m_pResolution->setCurrentIndex(m_pResolution->findData(PreselectedResolution(options)));
    m_pResolution->setEnabled(!options.resolutions.empty());

    AddGroupBox(AppCaption(AcquireCap::Colours), QRect(16, 80, 244, 84));
    m_pColour = new CDlgRadioBtn(kColourId, AppCaption(AcquireCap::Colour), this);
    m_pColour->setGeometry(32, 104, 200, 22);
    m_pGrey = new CDlgRadioBtn(kGreyId, AppCaption(AcquireCap::Grey), this);
    m_pGrey->setGeometry(32, 132, 200, 22);
    m_pColour->setEnabled(options.offersColour);
    m_pGrey->setEnabled(options.offersGrey);
    const bool colour = options.offersColour && (options.defaultColour || !options.offersGrey);
    (colour ? m_pColour : m_pGrey)->SetCheck(true);

    // The caption stands beside the picture button: it is wider than the picture.
    m_pPreview = new CMyButton(kPreviewId, this);
    m_pPreview->SetPicture(ArtId::ButtonAdd);
    m_pPreview->SetWindowText(AppCaption(AcquireCap::Preview));
    m_pPreview->setToolTip(AppCaption(AcquireCap::Preview));
    m_pPreview->move(16, 182);
    auto* previewLabel = new QLabel(AppCaption(AcquireCap::Preview), this);
    previewLabel->setGeometry(16 + m_pPreview->width() + 8, 182, 150, m_pPreview->height());
    // Any scanner with a resolution to lower can show a quick scan before the real one.
    const bool canPreview = m_preview && (options.offersPreview || !options.resolutions.empty());
    m_pPreview->setVisible(canPreview);
    previewLabel->setVisible(canPreview);
    connect(m_pPreview, &CMyButton::commandIssued, this, &CScanSettingsDlg::OnPreview);

    m_pPicture = new CMyStatic(kPreviewId + 1, this);
    QImage blank(kPreviewSide, kPreviewSide, QImage::Format_RGB32);
    blank.fill(Qt::white);
    m_pPicture->SetPicture(blank);
    m_pPicture->move(276, 12);

    PlaceButtons(276 + kPreviewSide + 16, 12, AppCaption(AcquireCap::Scan));
    resize(576, 256);  // whole background tiles
}

ScanSettings CScanSettingsDlg::Settings() const
{
    ScanSettings settings;
    settings.resolution = m_pResolution->currentIndex() >= 0 ? m_pResolution->currentData().toInt() : 0;
    settings.colour = m_pColour->GetCheck();
    return settings;
}

void CScanSettingsDlg::OnPreview()
{
    if (!m_preview)
        return;
    ScanSettings settings = Settings();
    settings.preview = true;
    if (!m_options.resolutions.empty())
        settings.resolution = Nearest(m_options.resolutions, kPreviewResolution);
    const QImage picture = m_preview(settings);
    if (picture.isNull())
        return;
    m_pPicture->SetPictureFitted(picture, kPreviewSide, kPreviewSide);
    m_pPicture->move(276, 12);
}
