#pragma once
// The transition overlay: a snapshot of the main dialog laid over it while the
// dialog changes screens, then faded out.

#include <QPixmap>
#include <QWidget>

class CBufferWnd : public QWidget {
    Q_OBJECT
public:
    explicit CBufferWnd(QWidget* parent);

    // Covers the parent with a copy of its current image, fully opaque.
    void Capture();
    // Drops the snapshot and hides.
    void Release();
    bool HasSnapshot() const { return !m_snapshot.isNull(); }

    // Opacity of the snapshot, 0..255.
    void SetOpacity(int alpha);
    int Opacity() const { return m_nOpacity; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_snapshot;
    int m_nOpacity = 255;
};
