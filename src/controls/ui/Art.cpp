#include "controls/ui/Art.h"

#include <QFile>

#ifdef WARPLET_HAVE_ART
static void InitArtResources() { Q_INIT_RESOURCE(warplet_art); }
#else
static void InitArtResources() {}
#endif

namespace {

void EnsureArt()
{
    static const bool done = [] {
        InitArtResources();
        return true;
    }();
    (void)done;
}

QString ArtPath(int id) { return QStringLiteral(":/art/%1.png").arg(id); }

}  // namespace

QImage ArtImage(int id)
{
    EnsureArt();
    return QImage(ArtPath(id));
}

QPixmap ArtPixmap(int id)
{
    return QPixmap::fromImage(ArtImage(id));
}

bool HasArt(int id)
{
    EnsureArt();
    return QFile::exists(ArtPath(id));
}

QPixmap ArtBackgroundTile(int setId, int x, int y)
{
    const QImage whole = ArtImage(setId);
    if (whole.isNull())
        return {};
    return QPixmap::fromImage(whole.copy(QRect(x, y, kBackgroundTile, kBackgroundTile).intersected(whole.rect())));
}

QCursor ArtCursor(int id)
{
    EnsureArt();
    if (id != ArtId::CursorTool && id != ArtId::CursorBusy)
        return QCursor(Qt::ArrowCursor);
    const QPixmap pixmap(QStringLiteral(":/art/cursor%1.png").arg(id));
    if (pixmap.isNull())
        return QCursor(id == ArtId::CursorBusy ? Qt::WaitCursor : Qt::CrossCursor);
    return QCursor(pixmap, pixmap.width() / 2, pixmap.height() / 2);
}

QIcon AppIcon()
{
    EnsureArt();
    return QIcon(QStringLiteral(":/art/icon.png"));
}
