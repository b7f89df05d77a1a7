#pragma once
// The picture size dialog: a percentage and the width and height it gives.

#include "controls/ui/PbHelpDlg.h"

class CMyButton;
class QLineEdit;
class QToolButton;

class CSizeDlg : public CPbHelpDlg {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 137;
    static constexpr int kMinPercent = 1;
    static constexpr int kMaxPercent = 10000;

    CSizeDlg(int pictureWidth, int pictureHeight, int percent = 100, QWidget* parent = nullptr);

    // The accepted percentage.
    int Percent() const { return m_nPercent; }
    QString WidthText() const;
    QString HeightText() const;
    QLineEdit* PercentEdit() const { return m_pEdit; }
    // The spin control: one step up or down, kept within 1..10000.
    void Spin(int steps);

public slots:
    void accept() override;

protected:
    void OnInitDialog() override;

private:
    void UpdateTexts();

    int m_nWidth;
    int m_nHeight;
    int m_nPercent;
    bool m_bReady = false;
    QLineEdit* m_pEdit = nullptr;
    QLineEdit* m_pWidth = nullptr;
    QLineEdit* m_pHeight = nullptr;
    CMyButton* m_pOk = nullptr;
    CMyButton* m_pCancel = nullptr;
};
