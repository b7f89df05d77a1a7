#include "dialog/ui/DropOpener.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QWidget>

namespace {

// The first URL when it names a local file; empty otherwise.
QString DroppedFile(const QDropEvent& event)
{
    const QList<QUrl> urls = event.mimeData()->urls();
    return !urls.isEmpty() && urls.first().isLocalFile() ? urls.first().toLocalFile() : QString();
}

}  // namespace

CDropOpener::CDropOpener(QWidget& window, std::function<bool()> accepts)
        : QObject(&window), m_window(window), m_accepts(std::move(accepts))
{
    window.setAcceptDrops(true);
    window.installEventFilter(this);
}

bool CDropOpener::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != &m_window)
        return false;
    if (event->type() == QEvent::DragEnter) {
        auto* enter = static_cast<QDragEnterEvent*>(event);
        if (!DroppedFile(*enter).isEmpty() && m_accepts())
            enter->acceptProposedAction();
        return true;
    }
    if (event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        const QString path = DroppedFile(*drop);
        if (path.isEmpty())
            return true;
        drop->acceptProposedAction();
        QTimer::singleShot(0, this, [this, path] { emit fileDropped(path); });
        return true;
    }
    return false;
}
