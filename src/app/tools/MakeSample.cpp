// Draws the sample picture `make run` opens, so that a newcomer has something
// to deform at once: a landscape with a house, a sun and a tiled path, whose
// straight lines and circles show every tool's effect clearly.
//   warplet-make-sample <output.png>

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

void DrawSky(QPainter& p)
{
    QLinearGradient sky(0, 0, 0, kHeight * 0.6);
    sky.setColorAt(0, QColor(58, 120, 200));
    sky.setColorAt(1, QColor(190, 220, 245));
    p.fillRect(QRectF(0, 0, kWidth, kHeight), sky);
    QRadialGradient sun(QPointF(505, 95), 60);
    sun.setColorAt(0, QColor(255, 244, 170));
    sun.setColorAt(0.75, QColor(255, 200, 60));
    sun.setColorAt(1, QColor(255, 200, 60, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(sun);
    p.drawEllipse(QPointF(505, 95), 60, 60);
}

void DrawHills(QPainter& p)
{
    QPainterPath far;
    far.moveTo(0, 290);
    far.cubicTo(150, 200, 300, 320, 460, 250);
    far.cubicTo(540, 215, 600, 240, kWidth, 230);
    far.lineTo(kWidth, kHeight);
    far.lineTo(0, kHeight);
    p.setBrush(QColor(96, 160, 90));
    p.drawPath(far);
    QPainterPath near;
    near.moveTo(0, 360);
    near.cubicTo(200, 300, 420, 390, kWidth, 330);
    near.lineTo(kWidth, kHeight);
    near.lineTo(0, kHeight);
    p.setBrush(QColor(70, 135, 65));
    p.drawPath(near);
}

void DrawHouse(QPainter& p)
{
    p.setPen(QPen(QColor(60, 40, 30), 2));
    p.setBrush(QColor(235, 220, 190));
    p.drawRect(QRectF(120, 250, 150, 110));
    p.setBrush(QColor(180, 60, 45));
    p.drawPolygon(QPolygonF({QPointF(105, 252), QPointF(195, 185), QPointF(285, 252)}));
    p.setBrush(QColor(120, 80, 50));
    p.drawRect(QRectF(180, 300, 32, 60));
    p.setBrush(QColor(170, 210, 240));
    for (const QRectF& window : {QRectF(135, 275, 32, 28), QRectF(225, 275, 32, 28)}) {
        p.drawRect(window);
        p.drawLine(window.center() - QPointF(16, 0), window.center() + QPointF(16, 0));
        p.drawLine(window.center() - QPointF(0, 14), window.center() + QPointF(0, 14));
    }
}

// A chequered path in perspective towards the house.
void DrawPath(QPainter& p)
{
    p.setPen(Qt::NoPen);
    const int rows = 8;
    const int columns = 6;
    for (int r = 0; r < rows; ++r) {
        const double t0 = double(r) / rows;
        const double t1 = double(r + 1) / rows;
        const double y0 = 362 + 118 * t0 * t0;
        const double y1 = 362 + 118 * t1 * t1;
        const double w0 = 30 + 330 * t0;
        const double w1 = 30 + 330 * t1;
        for (int c = 0; c < columns; ++c) {
            const double a = double(c) / columns;
            const double b = double(c + 1) / columns;
            const QPolygonF tile({QPointF(196 - w0 / 2 + w0 * a, y0), QPointF(196 - w0 / 2 + w0 * b, y0),
                                  QPointF(196 - w1 / 2 + w1 * b, y1), QPointF(196 - w1 / 2 + w1 * a, y1)});
            p.setBrush((r + c) % 2 ? QColor(230, 225, 210) : QColor(150, 130, 110));
            p.drawPolygon(tile);
        }
    }
}

void DrawTree(QPainter& p, QPointF foot, double size)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(110, 75, 45));
    p.drawRect(QRectF(foot.x() - size * 0.08, foot.y() - size * 0.5, size * 0.16, size * 0.5));
    p.setBrush(QColor(40, 110, 50));
    p.drawEllipse(QPointF(foot.x(), foot.y() - size * 0.75), size * 0.38, size * 0.38);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: warplet-make-sample <output.png>\n", stderr);
        return 2;
    }
    QImage picture(kWidth, kHeight, QImage::Format_RGB32);
    {
        QPainter p(&picture);
        p.setRenderHint(QPainter::Antialiasing);
        DrawSky(p);
        DrawHills(p);
        DrawPath(p);
        DrawHouse(p);
        DrawTree(p, QPointF(420, 330), 120);
        DrawTree(p, QPointF(560, 320), 90);
    }
    if (!picture.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "warplet-make-sample: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
