#include "controls/ui/Art.h"

#include <QFile>
#include <QGuiApplication>

#ifdef WARPLET_HAVE_ART
static void InitArtResources()
{
    Q_INIT_RESOURCE(warplet_art);
}
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

QString ArtPath(const QString& stem, qreal ratio)
{
    EnsureArt();
    if (ratio > 1) {
        const QString twin = QStringLiteral(":/art/%1@2x.png").arg(stem);
        if (QFile::exists(twin))
            return twin;
    }
    return QStringLiteral(":/art/%1.png").arg(stem);
}

qreal ScreenRatio()
{
    return qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
}

// Loads a picture, marking a double-size twin with device pixel ratio 2.
QImage LoadArt(const QString& path)
{
    QImage image(path);
    if (path.endsWith(QLatin1String("@2x.png")))
        image.setDevicePixelRatio(2);
    return image;
}

}  // namespace

QString ArtPathFor(int id, qreal ratio)
{
    return ArtPath(QString::number(id), ratio);
}

QImage ArtImage(int id, qreal ratio)
{
    return LoadArt(ArtPathFor(id, ratio));
}

QImage ArtImage(int id)
{
    return ArtImage(id, ScreenRatio());
}

QPixmap ArtPixmap(int id)
{
    return QPixmap::fromImage(ArtImage(id));
}

bool HasArt(int id)
{
    return QFile::exists(ArtPathFor(id, 1));
}

qreal ArtRatio()
{
    return ScreenRatio() > 1 ? 2.0 : 1.0;
}

QSize LogicalSize(const QImage& image)
{
    return image.deviceIndependentSize().toSize();
}

QPixmap ArtBackgroundTile(int setId, int x, int y)
{
    const QImage whole = ArtImage(setId);
    if (whole.isNull())
        return {};
    const qreal ratio = whole.devicePixelRatio();
    const QRect tile = QRect(x, y, kBackgroundTile, kBackgroundTile).intersected(QRect(QPoint(), LogicalSize(whole)));
    const QRect pixels(tile.topLeft() * ratio, tile.size() * ratio);
    QPixmap out = QPixmap::fromImage(whole.copy(pixels));
    out.setDevicePixelRatio(ratio);
    return out;
}

QCursor ArtCursor(int id)
{
    if (id != ArtId::CursorTool && id != ArtId::CursorBusy)
        return QCursor(Qt::ArrowCursor);
    const QImage image = LoadArt(ArtPath(QStringLiteral("cursor%1").arg(id), ScreenRatio()));
    if (image.isNull())
        return QCursor(id == ArtId::CursorBusy ? Qt::WaitCursor : Qt::CrossCursor);
    const QSize size = LogicalSize(image);
    return QCursor(QPixmap::fromImage(image), size.width() / 2, size.height() / 2);
}

QIcon AppIcon()
{
    EnsureArt();
    return QIcon(QStringLiteral(":/art/icon.png"));
}
