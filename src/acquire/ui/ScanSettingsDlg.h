#pragma once
// The scan choice: resolution and colour or grey, with the device's own
// settings preselected (a resolution the device reports but does not take
// gives way to the offered one nearest the usual), and a preview scan when
// the device can make one.

#include "acquire/AcquireDevices.h"
#include "acquire/ui/AcquireChoiceDlg.h"

#include <functional>

class CDlgRadioBtn;
class CMyButton;
class CMyStatic;
class QComboBox;

class CScanSettingsDlg : public CAcquireChoiceDlg {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 20701;
    static constexpr int kPreviewSide = 220;
    // Resolution of preview scans, or the nearest one offered.
    static constexpr int kPreviewResolution = 50;

    // `preview` makes a preview scan with the given settings; null image when none.
    using PreviewFunction = std::function<QImage(const ScanSettings&)>;

    CScanSettingsDlg(const AcquireDevice& scanner, const ScanOptions& options, PreviewFunction preview,
                     QWidget* parent = nullptr);

    ScanSettings Settings() const;
    QComboBox* ResolutionBox() const { return m_pResolution; }
    CDlgRadioBtn* ColourButton() const { return m_pColour; }
    CDlgRadioBtn* GreyButton() const { return m_pGrey; }
    CMyButton* PreviewButton() const { return m_pPreview; }
    CMyStatic* PreviewPicture() const { return m_pPicture; }

    void OnPreview();

private:
    ScanOptions m_options;
    PreviewFunction m_preview;
    QComboBox* m_pResolution = nullptr;
    CDlgRadioBtn* m_pColour = nullptr;
    CDlgRadioBtn* m_pGrey = nullptr;
    CMyButton* m_pPreview = nullptr;
    CMyStatic* m_pPicture = nullptr;
};
