#pragma once
// One square slot of the keyframe strip: the keyframe's thumbnail centred on
// the slot colour, a bump edge when selected, the duration and number texts,
// and the slot's mouse actions passed to the strip.

#include <QFont>
#include <QWidget>

class CKeysWnd;
class CMMask;
class KeyframeStore;

class CThumbWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr QRgb kBackground = 0xEDEFAB;  // the slot colour (0xABEFED as blue-green-red)

    CThumbWnd(int id, const KeyframeStore& keys, CKeysWnd* strip);

    int GetDlgCtrlID() const { return m_nId; }
    void SetKey(const CMMask* key, int index);
    const CMMask* Key() const { return m_pKey; }
    int Index() const { return m_nIndex; }
    // Repaints only when the state changes.
    void SetSelected(bool selected);
    bool IsSelected() const { return m_bSelected; }
    // The thumbnail is rendered again when the slot next paints.
    void RequestPicture();
    bool NeedsPicture() const { return m_bNeedPicture; }
    void SetTooltip(const QString& text);
    // The balloon help text for a point of the slot: the duration's or the
    // number's where that text is drawn, the keyframe's elsewhere.
    QString GetHelpText(QPoint pos) const;
    // Where the duration and the number are drawn (shadow included); empty
    // when the slot does not draw them.
    QRect DurationArea() const;
    QRect NumberArea() const;
    // The thumbnail's rectangle, centred in the slot; empty without a keyframe.
    QRect ThumbRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void PaintTexts(QPainter& p);
    bool ShowsTexts() const;
    QRect TextArea(const QString& text, int flags, QPoint shadow, QPoint offset) const;

    int m_nId;
    const KeyframeStore& m_keys;
    CKeysWnd* m_pStrip;
    QFont m_font;
    const CMMask* m_pKey = nullptr;
    int m_nIndex = -1;
    bool m_bSelected = false;
    bool m_bNeedPicture = false;
};
