#include "acquire/ui/DeviceSelectDlg.h"

#include "acquire/ui/AcquireStrings.h"
#include "res/OutsideText.h"
#include "res/StringTable.h"

#include <QListWidget>

CDeviceSelectDlg::CDeviceSelectDlg(std::vector<AcquireDevice> devices, QWidget* parent)
        : CAcquireChoiceDlg(kTemplateId, AcquireCap::TitleChooseDevice, parent), m_devices(std::move(devices))
{
    m_pList = new QListWidget(this);
    m_pList->setGeometry(16, 16, 400, 224);
    for (const AcquireDevice& device : m_devices) {
        const int kind = device.IsScanner() ? AcquireCap::Scanner : AcquireCap::Camera;
        auto* item = new QListWidgetItem(AppCaption(kind) + QStringLiteral(": ") + device.label, m_pList);
        item->setToolTip(ShownText(device.Id()));
    }
    m_pList->setCurrentRow(0);
    connect(m_pList, &QListWidget::itemDoubleClicked, this, &CDeviceSelectDlg::accept);
    PlaceButtons(432, 16, AppCaption(CapId::Ok));
    resize(512, 256);  // whole background tiles
}

void CDeviceSelectDlg::accept()
{
    const int row = m_pList->currentRow();
    if (row < 0 || row >= int(m_devices.size()))
        return;
    m_nChosen = row;
    CAcquireChoiceDlg::accept();
}
