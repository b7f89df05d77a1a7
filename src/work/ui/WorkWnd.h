#pragma once
// The work window: the child of the main dialog in which the deformed picture is
// shown and the tools are dragged over it. The picture buffers, the attached
// map and the stroke logic live in the engine's WorkPicture; this window turns
// mouse input into stroke steps, repaints what changed, draws the inverted brush
// outline. The picture's owner (the project) hears about the stroke's changes
// through its WorkPictureHost; this window adds the notice the dialog needs when
// the window hides: powerRequested (take the power slider into the map).

#include "engine/WorkPicture.h"

#include <QBasicTimer>
#include <QCursor>
#include <QImage>
#include <QPoint>
#include <QWidget>

#include <functional>

class CWorkWnd : public QWidget {
    Q_OBJECT
public:
    // Width of the sunken edge around the client area.
    static constexpr int kEdge = 2;
    // Side of the work-area square and its top-left corner in the design area.
    static constexpr int kAreaSide = 412;
    static constexpr QPoint kAreaOrigin{363, 21};
    // Timer period of repeating tools.
    static constexpr int kRepeatMs = 10;

    explicit CWorkWnd(WorkPicture& picture, QWidget* parent = nullptr);
    ~CWorkWnd() override;

    WorkPicture& Picture() { return m_picture; }
    const WorkPicture& Picture() const { return m_picture; }

    // After the work picture was replaced: the client area becomes W x H and is
    // repainted. The active tool is left to the caller (it re-activates it).
    void PictureChanged();
    // The window's top-left corner (in the design area) that centres it in the
    // work-area square: 363 - (window width - 412 + 1) / 2, likewise for the top.
    static QPoint CenteredPosition(QSize windowSize);
    // Moves the window there; `designOrigin` is the design area's corner in the parent.
    void CenterInWorkArea(QPoint designOrigin);

    // Makes the tool active (the engine keeps the scratch when the brush rectangle
    // stays the same) and repaints the outline.
    void SetActiveTool(CTool* tool);
    CTool* ActiveTool() const { return m_picture.ActiveTool(); }

    // Attaching a map: the map is shown from the next render on.
    void AttachMap(MapRef map) { m_picture.AttachMap(map); }
    void DetachMap() { m_picture.DetachMap(); }
    bool HasMap() const { return m_picture.HasMap(); }
    // Renders the whole picture through the attached map and repaints.
    void RenderMap(int p, bool smooth);
    // An export's frame shown stretched over the client area until cleared.
    void ShowStretchedFrame(const QImage& frame);
    void ClearStretchedFrame();
    bool ShowsStretchedFrame() const { return !m_stretched.isNull(); }

    // The cursors for the cursor kinds 2 (tool) and 3 (busy).
    void SetCursorPictures(const QCursor& tool, const QCursor& busy);
    // Sets the cursor chosen by the application's cursor kind (or busy while locked).
    void RefreshCursor();
    // The user-interface lock marks the window busy: no strokes, busy cursor.
    void SetBusy(bool busy);
    bool Busy() const { return m_bBusy; }

    // The brush outline position; (-1000, -1000) when none is shown.
    QPoint LastPoint() const { return m_last; }
    bool TimerRunning() const { return m_timer.isActive(); }
    // One timer step at the pointer's current position (what the 10 ms timer does).
    void TimerStep();

    // The client-area position of a point of this widget.
    static QPoint ToClient(QPointF widgetPos);

signals:
    // The window was hidden: the power shown on the slider is to become part of the map.
    void powerRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool event(QEvent* event) override;

private:
    static constexpr QPoint kNone{-1000, -1000};

    void StartStroke(QPoint p, bool right);
    void EndStroke(QPoint p, bool right);
    // Repaints a rectangle given in client coordinates.
    void InvalidateClient(const Rect& r);
    Rect BrushRectAt(QPoint p) const;
    bool ClientContains(QPoint p) const;
    QImage DisplayImage() const;

    WorkPicture& m_picture;
    QPoint m_last = kNone;
    QPoint m_pointer;  // the pointer's latest client position
    QBasicTimer m_timer;
    bool m_bRightStroke = false;
    bool m_bBusy = false;
    bool m_bGrabbed = false;
    QCursor m_toolCursor;
    QCursor m_busyCursor{Qt::WaitCursor};
    QImage m_stretched;
};
