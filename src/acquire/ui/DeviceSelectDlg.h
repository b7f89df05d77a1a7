#pragma once
// The device choice: the scanners and cameras found, by model name.

#include "acquire/AcquireDevices.h"
#include "acquire/ui/AcquireChoiceDlg.h"

class QListWidget;

class CDeviceSelectDlg : public CAcquireChoiceDlg {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 20700;

    CDeviceSelectDlg(std::vector<AcquireDevice> devices, QWidget* parent = nullptr);

    QListWidget* List() const { return m_pList; }
    // The chosen device, once accepted.
    const AcquireDevice& Chosen() const { return m_devices[size_t(m_nChosen)]; }

public slots:
    void accept() override;

private:
    std::vector<AcquireDevice> m_devices;
    QListWidget* m_pList = nullptr;
    int m_nChosen = 0;
};
