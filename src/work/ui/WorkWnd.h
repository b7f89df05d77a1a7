#pragma once
// The work window: the child of the main dialog in which the deformed picture is
// shown and the tools are dragged over it. The picture buffers, the attached
// map and the stroke logic live in the engine's WorkPicture; this window turns
// mouse input into stroke steps, repaints what changed, draws the inverted brush
// outline. The picture's owner (the project) hears about the stroke's changes
// through its WorkPictureHost; this window adds the notice the dialog needs when
// the window hides: powerRequested (take the power slider into the map).
//
// The window keeps the picture's size; the view inside it zooms (100 to 800 %
// or fit) and pans (work/ZoomView.h). Above 100 % it shows the photograph's own
// detail through the map (work/ZoomedView.h). Pointer positions become map
// positions floored to map pixels at every zoom. A held key shows the
// undeformed picture; the onion-skin option ghosts the neighbouring keyframes
// over the picture. Each paint composes only the changed rectangle into a
// kept display picture. `[` and `]` or Shift with the wheel give the brush a
// free size, a pen's pressure acts on each step, and the reverse key held at
// the press makes the tool's partner act (work/BrushInput.h).

#include "engine/WorkPicture.h"
#include "work/BrushInput.h"
#include "work/MaskPainter.h"
#include "work/OnionSkin.h"
#include "work/ZoomView.h"
#include "work/ZoomedView.h"

#include <QBasicTimer>
#include <QCursor>
#include <QImage>
#include <QPoint>
#include <QWidget>

#include <functional>
#include <memory>
#include <span>

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
    // Held, the key that shows the undeformed picture.
    static constexpr Qt::Key kBeforeAfterKey = Qt::Key_Backslash;
    // View pixels one wheel notch pans.
    static constexpr int kWheelPan = 48;

    // The keyframes ghosted by the onion skin: empty spans for none.
    struct OnionMaps {
        std::span<const Displacement> previous;
        std::span<const Displacement> next;
    };

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

    // The photograph for magnified views (nothing: the work picture's own source).
    void SetDetailSource(std::function<std::shared_ptr<const PackedPicture>()> source);
    // The keyframes the onion skin ghosts, asked for when they may have changed.
    void SetOnionSource(std::function<OnionMaps()> source) { m_onionSource = std::move(source); }
    // The keyframes changed (another became active, or one was edited or undone):
    // the ghosts are checked on the next paint and rendered again if they differ.
    void OnionKeysChanged();
    // The onion-skin option was switched: the whole picture is painted again.
    void OnionSkinToggled();
    // While the animation plays no ghost is drawn.
    void SetPlaying(bool playing);
    const OnionSkin& Onion() const { return m_onion; }
    // The freeze mask's overlay and mask mode, in which strokes paint the mask
    // (repaint after changing them).
    MaskPainter& MaskPaint() { return m_mask; }

    // The view: zoom and pan. The anchor is a client position that keeps the
    // picture point under it; the default is the view's centre.
    const ZoomView& View() const { return m_view; }
    void ZoomIn(QPoint anchor);
    void ZoomOut(QPoint anchor);
    void ZoomIn() { ZoomIn(ViewCentre()); }
    void ZoomOut() { ZoomOut(ViewCentre()); }
    void ZoomToFit();
    void PanBy(int dx, int dy);
    // The undeformed picture is shown while the key is held.
    bool ShowsBeforePicture() const { return m_bBefore; }
    // The composed client area as last painted (without the outline, indicator and notice).
    const QImage& DisplayedFrame() const { return m_frame; }
    // Where the indicator of the zoom level is drawn (client coordinates).
    QRect IndicatorRect() const;

    // A short notice (an export stopped) on a tile over the picture, for
    // kNoticeMs or until cleared or replaced.
    static constexpr int kNoticeMs = 1800;
    void ShowNotice(const QString& text);
    void ClearNotice();
    const QString& Notice() const { return m_strNotice; }
    // Where the notice is drawn (client coordinates); empty without one.
    QRect NoticeRect() const;

    // The brush input: the reverse partners' table, the pen's pressure.
    BrushInput& Brush() { return m_brush; }
    // The active brush's radius `steps` steps (10 %, at least a pixel) larger
    // or, negative, smaller; nothing during a stroke, while busy or for a
    // whole-picture tool.
    void StepBrushSize(int steps);

    // The cursors for the cursor kinds 2 (tool) and 3 (busy).
    void SetCursorPictures(const QCursor& tool, const QCursor& busy);
    // Sets the cursor chosen by the application's cursor kind (or busy while locked).
    void RefreshCursor();
    // The user-interface lock marks the window busy: no strokes, busy cursor.
    void SetBusy(bool busy);
    bool Busy() const { return m_bBusy; }

    // The brush outline position in map pixels; (-1000, -1000) when none is shown.
    QPoint LastPoint() const { return m_last; }
    bool TimerRunning() const { return m_timer.isActive(); }
    // One timer step at the pointer's current position (what the 10 ms timer does).
    void TimerStep();

    // The client-area position of a point of this widget.
    static QPoint ToClient(QPointF widgetPos);

signals:
    // The window was hidden: the power shown on the slider is to become part of the map.
    void powerRequested();
    // A mask stroke began or ended (what the brush does: paint or erase the mask).
    void maskStrokeChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void tabletEvent(QTabletEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool event(QEvent* event) override;

private:
    static constexpr QPoint kNone{-1000, -1000};

    void StartStroke(QPoint p, bool right, bool reverse);
    void StartMaskStroke(QPoint p, bool right);
    // A tool or mask stroke is under way.
    bool Stroking() const { return m_picture.StrokeActive() || m_mask.StrokeActive(); }
    void EndStroke(QPoint p, bool right);
    // Repaints a rectangle given in map pixels, where the view shows it.
    void InvalidateClient(const Rect& r);
    // Repaints around the outline of the brush at map position p (the picture under it is kept).
    void InvalidateOutline(QPoint p);
    Rect BrushRectAt(QPoint p) const;
    bool ClientContains(QPoint p) const;
    // The map pixel under a client position.
    QPoint MapPoint(QPoint client) const;
    // A rectangle of map pixels in client coordinates (not limited to the view).
    QRect ClientRectOf(const Rect& map) const;
    QPoint ViewCentre() const;
    // After zooming or panning: the outline follows the pointer's map position.
    void ViewChanged();
    // A key of the window: zoom keys, the before/after key, space for panning.
    bool HandleKey(QKeyEvent* event);
    void SetBeforeShown(bool shown);
    // Composes the client rectangle `r` into m_frame.
    void ComposeFrame(const QRect& r);
    void DrawGhosts(const QRect& r);
    // Text on a tile at a client rectangle (the zoom level, a notice).
    static void DrawTile(QPainter& painter, const QRect& client, const QString& text, qreal radius);
    void DrawEdge(QPainter& painter) const;
    void UpdateOnion();

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

    ZoomView m_view;
    ZoomedView m_zoomed;
    std::function<std::shared_ptr<const PackedPicture>()> m_detailSource;
    DisplacementMap m_noMap;  // shown when no map of the picture's size is attached
    QImage m_frame;           // the composed client area
    int m_nPower = 64;        // the power of the last render, for magnified views
    bool m_bBefore = false;
    bool m_bSpaceHeld = false;
    bool m_bPanning = false;
    QPoint m_panFrom;
    int m_nWheelZoom = 0;  // wheel angle towards the next zoom step
    OnionSkin m_onion;
    std::function<OnionMaps()> m_onionSource;
    bool m_bOnionStale = true;
    bool m_bPlaying = false;
    BrushInput m_brush;
    bool m_bPenEvent = false;  // a pen's event goes through the mouse handlers
    MaskPainter m_mask;
    QString m_strNotice;
    QBasicTimer m_noticeTimer;
};
