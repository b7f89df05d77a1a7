#pragma once
// The frame-choice dialog of the save-pictures and print commands: the current
// frame, all frames, a range or a list, with a slider and a preview of the
// current frame. The choice itself is the core's FrameChoice.

#include "animation/FrameChoice.h"
#include "controls/ui/PbHelpDlg.h"

#include <QImage>

#include <functional>
#include <optional>
#include <vector>

class CDlgRadioBtn;
class CDlgSlider;
class CMyButton;
class QLineEdit;
class QListWidget;

class CChooseFrameDlg : public CPbHelpDlg {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 135;
    // Renders frame f in the work area and returns the work picture, for the preview.
    using FrameRenderer = std::function<QImage(int frame)>;

    CChooseFrameDlg(int total, int current, FrameRenderer render, QWidget* parent = nullptr);

    // The frames chosen with OK, in order.
    const std::vector<int>& Frames() const { return m_frames; }
    const FrameChoice& Choice() const { return m_choice; }

    // The controls, as a person uses them.
    void ChooseMode(int mode);
    void SetCurrentText(const QString& text);
    void SetRangeTexts(const QString& from, const QString& to);
    void Add();
    void RemoveSelected();
    QListWidget* List() const { return m_pList; }
    QLineEdit* CurrentEdit() const { return m_pCurrent; }
    QLineEdit* FromEdit() const { return m_pFrom; }
    QLineEdit* ToEdit() const { return m_pTo; }
    CDlgSlider* FrameSlider() const { return m_pSlider; }
    // Where the preview stands in the dialog (control 1114) and where the
    // picture lands inside it, keeping its proportions.
    QRect PreviewArea() const { return m_previewArea; }
    QRect PreviewRect() const;

public slots:
    void accept() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void ApplyMode();
    void ShowValues();
    void RenderPreview();
    int NumberOf(const QLineEdit* edit) const;

    FrameChoice m_choice;
    FrameRenderer m_render;
    std::vector<int> m_frames;
    QImage m_preview;
    QRect m_previewArea;
    std::vector<CDlgRadioBtn*> m_radios;
    CDlgSlider* m_pSlider = nullptr;
    QLineEdit* m_pCurrent = nullptr;
    QLineEdit* m_pFrom = nullptr;
    QLineEdit* m_pTo = nullptr;
    QListWidget* m_pList = nullptr;
    CMyButton* m_pAdd = nullptr;
    CMyButton* m_pRemove = nullptr;
    bool m_bUpdating = false;
};
