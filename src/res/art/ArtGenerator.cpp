// Draws every picture of the program's skin (tool pictures, button pictures,
// backgrounds, splash, cursors, icon) into PNG files and writes a Qt resource
// collection listing them. Run at build time:  warplet-artgen <output folder>
// A tool's picture is drawn for every row of the engine's tool catalogue: the
// tile of its panel, the pictogram of its kind and a dot for a brush's size.
//
// Style: one warm palette, soft vertical gradients, rounded tiles with a glossy
// top, white pictograms with a dark outline. Button pictures are opaque 24-bit
// pictures on the key colour (their bottom-left pixel), which the buttons treat
// as transparent; cursors and the icon carry an alpha channel.

#include "engine/ToolCatalogue.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr double kPi = std::numbers::pi;

// ---------------------------------------------------------------- palette ---
const QColor kKey(0xEF, 0xE2, 0xC6);    // cream: key colour and skin base
const QColor kInk(0x4A, 0x38, 0x26);    // dark brown outlines
const QColor kFrame(0x83, 0x6E, 0x46);  // warm brown frames
const QColor kWhite(0xFF, 0xFD, 0xF6);
const QColor kTeal(0x2E, 0x9C, 0x8F);    // enlarge
const QColor kOrange(0xE0, 0x8A, 0x2E);  // shrink
const QColor kPurple(0x8A, 0x5C, 0xB0);  // more tools
const QColor kGreen(0x5A, 0x9E, 0x3A);   // common tools, start
const QColor kRed(0xC9, 0x48, 0x3B);     // disaster tools, exit
const QColor kBlue(0x3A, 0x78, 0xC2);    // global tools, editing commands
const QColor kBrown(0x9C, 0x74, 0x48);   // options, back
const QColor kGold(0xD4, 0xA7, 0x2C);    // home page, highlights
const QColor kNavy(0x24, 0x3E, 0x72);

struct Output {
    QString dir;
    std::vector<QString> files;
    bool ok = true;
    void save(const QImage& img, const QString& name)
    {
        const QString path = dir + QLatin1Char('/') + name;
        const QString tmp = path + QStringLiteral(".tmp");
        if (!img.save(tmp, "PNG") || (QFile::exists(path) && !QFile::remove(path)) || !QFile::rename(tmp, path)) {
            std::fprintf(stderr, "warplet-artgen: cannot write %s\n", qPrintable(path));
            ok = false;
            return;
        }
        files.push_back(name);
    }
    // Opaque picture for a skinned control: 24 bits, bottom-left pixel is the key.
    void saveOpaque(const QImage& img, int id, bool keyed = true)
    {
        QImage out = img.convertToFormat(QImage::Format_RGB888);
        if (keyed)
            out.setPixelColor(0, out.height() - 1, kKey);
        save(out, FileName(QString::number(id), img));
    }
    // "<stem>.png" for a 1x picture, "<stem>@2x.png" for its double-resolution twin.
    static QString FileName(const QString& stem, const QImage& img)
    {
        return stem + (img.devicePixelRatio() > 1 ? QStringLiteral("@2x.png") : QStringLiteral(".png"));
    }
};

// A picture of w x h logical pixels drawn at `s` device pixels per logical pixel:
// a painter on it works in logical coordinates, so every builder draws the same
// design at 1x and at 2x.
QImage Canvas(int w, int h, int s, QColor fill = kKey)
{
    QImage img(w * s, h * s, QImage::Format_RGB32);
    img.setDevicePixelRatio(s);
    img.fill(fill);
    return img;
}

QImage AlphaCanvas(int w, int h, int s)
{
    QImage img(w * s, h * s, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(s);
    img.fill(Qt::transparent);
    return img;
}

void Smooth(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setRenderHint(QPainter::TextAntialiasing);
}

// ------------------------------------------------------------ primitives ---

// Rounded tile with drop shadow, gradient body, outline and glossy top.
void DrawTile(QPainter& p, const QRectF& r, const QColor& base, qreal radius)
{
    p.save();
    p.setPen(Qt::NoPen);
    for (int i = 3; i >= 1; --i) {
        QColor sh = kInk;
        sh.setAlpha(22);
        p.setBrush(sh);
        p.drawRoundedRect(r.translated(0.5 * i, 0.9 * i), radius, radius);
    }
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0.0, base.lighter(145));
    g.setColorAt(0.45, base.lighter(108));
    g.setColorAt(1.0, base.darker(125));
    p.setBrush(g);
    p.setPen(QPen(base.darker(175), 1.4));
    p.drawRoundedRect(r, radius, radius);
    // gloss
    QRectF gloss(r.left() + 2, r.top() + 2, r.width() - 4, r.height() * 0.46);
    QLinearGradient gg(gloss.topLeft(), gloss.bottomLeft());
    gg.setColorAt(0.0, QColor(255, 255, 255, 120));
    gg.setColorAt(1.0, QColor(255, 255, 255, 10));
    p.setPen(Qt::NoPen);
    p.setBrush(gg);
    p.drawRoundedRect(gloss, radius - 2, radius - 2);
    p.restore();
}

// White pictogram with a dark outline and a soft shadow.
void Emboss(QPainter& p, const QPainterPath& path, const QColor& fill = kWhite, qreal outline = 3.0)
{
    p.save();
    QColor sh = kInk;
    sh.setAlpha(70);
    p.setPen(QPen(sh, outline + 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(sh);
    p.drawPath(path.translated(1.2, 2.0));
    p.setPen(QPen(kInk, outline, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.drawPath(path);
    p.restore();
}

// A stroked line pictogram (white line with dark outline).
void EmbossStroke(QPainter& p, const QPainterPath& path, qreal width, const QColor& colour = kWhite)
{
    p.save();
    p.setBrush(Qt::NoBrush);
    QColor sh = kInk;
    sh.setAlpha(70);
    p.setPen(QPen(sh, width + 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path.translated(1.2, 2.0));
    p.setPen(QPen(kInk, width + 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.restore();
}

// Arrow polygon from `from` to the tip `to`.
QPainterPath Arrow(QPointF from, QPointF to, qreal shaft, qreal head)
{
    const QLineF l(from, to);
    const qreal len = l.length();
    const QPointF u = (to - from) / len;
    const QPointF n(-u.y(), u.x());
    const qreal headLen = std::min(head, len * 0.7);
    const QPointF base = to - u * headLen;
    QPolygonF poly;
    poly << from + n * shaft / 2 << base + n * shaft / 2 << base + n * head * 0.62 << to << base - n * head * 0.62
         << base - n * shaft / 2 << from - n * shaft / 2;
    QPainterPath path;
    path.addPolygon(poly);
    path.closeSubpath();
    return path;
}

QPainterPath DoubleArrow(QPointF a, QPointF b, qreal shaft, qreal head)
{
    const QPointF mid = (a + b) / 2;
    QPainterPath path = Arrow(mid, a, shaft, head).united(Arrow(mid, b, shaft, head));
    return path.simplified();
}

// Arrowhead triangle at `tip` pointing along `dir`.
QPainterPath Head(QPointF tip, QPointF dir, qreal size)
{
    const qreal len = std::hypot(dir.x(), dir.y());
    const QPointF u = dir / len, n(-u.y(), u.x());
    const QPointF base = tip - u * size;
    QPainterPath path;
    path.addPolygon(QPolygonF() << tip << base + n * size * 0.62 << base - n * size * 0.62);
    path.closeSubpath();
    return path;
}

// Polar shape: r(theta) sampled densely.
QPainterPath Polar(QPointF c, int samples, const std::function<qreal(qreal)>& r)
{
    QPainterPath path;
    for (int i = 0; i <= samples; ++i) {
        const qreal t = 2 * kPi * i / samples;
        const QPointF pt = c + QPointF(std::cos(t), std::sin(t)) * r(t);
        if (i == 0)
            path.moveTo(pt);
        else
            path.lineTo(pt);
    }
    path.closeSubpath();
    return path;
}

QPainterPath Star(QPointF c, int points, qreal outer, qreal inner, qreal phase = -kPi / 2)
{
    QPainterPath path;
    for (int i = 0; i < 2 * points; ++i) {
        const qreal t = phase + kPi * i / points;
        const qreal r = (i % 2 == 0) ? outer : inner;
        const QPointF pt = c + QPointF(std::cos(t), std::sin(t)) * r;
        if (i == 0)
            path.moveTo(pt);
        else
            path.lineTo(pt);
    }
    path.closeSubpath();
    return path;
}

// Small deterministic generator so the artwork is the same on every build.
struct Lcg {
    unsigned state;
    explicit Lcg(unsigned seed) : state(seed) {}
    int next(int range)
    {
        state = state * 1103515245u + 12345u;
        return static_cast<int>((state >> 16) % static_cast<unsigned>(range));
    }
};

// ----------------------------------------------------------- pictograms ---
// Every pictogram is drawn in a 100 x 100 box centred on (50, 50).

const QPointF kC(50, 50);
const QPointF kUp(0, -1), kDown(0, 1), kLeft(-1, 0), kRight(1, 0);
const QPointF kDiag[4] = {{-0.7071, -0.7071}, {0.7071, -0.7071}, {0.7071, 0.7071}, {-0.7071, 0.7071}};

void ArrowsOut(QPainter& p, const std::vector<QPointF>& dirs)
{
    QPainterPath all;
    for (const QPointF& d : dirs)
        all = all.united(Arrow(kC + d * 10, kC + d * 44, 11, 24));
    Emboss(p, all.simplified());
}

void ArrowsIn(QPainter& p, const std::vector<QPointF>& dirs)
{
    QPainterPath all;
    for (const QPointF& d : dirs)
        all = all.united(Arrow(kC + d * 46, kC + d * 11, 11, 24));
    Emboss(p, all.simplified());
}

void Spiral(QPainter& p, qreal turns = 1.6)
{
    QPainterPath path;
    const int n = 120;
    QPointF last, prev;
    for (int i = 0; i <= n; ++i) {
        const qreal f = static_cast<qreal>(i) / n;
        const qreal t = -kPi / 2 + f * turns * 2 * kPi;
        const qreal r = 5 + 29 * f;
        const QPointF pt = kC + QPointF(std::cos(t), std::sin(t)) * r;
        if (i == 0)
            path.moveTo(pt);
        else
            path.lineTo(pt);
        prev = last;
        last = pt;
    }
    EmbossStroke(p, path, 8);
    Emboss(p, Head(last + (last - prev) * 4.5, last - prev, 20));
}

void ScaleTwist(QPainter& p)
{
    // A turned square and a double arrow across it: scaling with a twist.
    p.save();
    p.translate(kC);
    p.rotate(18);
    QPainterPath sq;
    sq.addRoundedRect(QRectF(-20, -20, 40, 40), 5, 5);
    EmbossStroke(p, sq, 5);
    p.restore();
    Emboss(p, DoubleArrow(QPointF(14, 86), QPointF(86, 14), 10, 24));
}

void MoveArrow(QPainter& p)
{
    QPainterPath lines;
    lines.moveTo(10, 30);
    lines.lineTo(34, 30);
    lines.moveTo(6, 50);
    lines.lineTo(30, 50);
    lines.moveTo(10, 70);
    lines.lineTo(34, 70);
    EmbossStroke(p, lines, 5);
    Emboss(p, Arrow(QPointF(36, 50), QPointF(92, 50), 20, 40));
}

void UndoArrow(QPainter& p)
{
    QPainterPath arc;
    QRectF box(kC.x() - 30, kC.y() - 28, 60, 60);
    arc.arcMoveTo(box, -40);
    arc.arcTo(box, -40, 250);
    EmbossStroke(p, arc, 9);
    const qreal end = (-40 + 250) * kPi / 180;
    const QPointF tip = QPointF(kC.x() + 30 * std::cos(end), kC.y() + 2 - 30 * std::sin(end));
    const QPointF dir(-std::sin(end), -std::cos(end));
    Emboss(p, Head(tip + dir * 14, -dir * -1.0, 24));
}

void SmoothWaves(QPainter& p)
{
    const qreal amp[3] = {13, 6, 0};
    for (int k = 0; k < 3; ++k) {
        QPainterPath w;
        const qreal y = 26 + 24 * k;
        for (int x = 12; x <= 88; x += 2) {
            const QPointF pt(x, y + amp[k] * std::sin((x - 12) * 2 * kPi / 38));
            if (x == 12)
                w.moveTo(pt);
            else
                w.lineTo(pt);
        }
        EmbossStroke(p, w, 7);
    }
}

void CollapseStar(QPainter& p)
{
    Emboss(p, Star(kC, 16, 44, 17));
    p.setPen(Qt::NoPen);
    QRadialGradient g(kC, 14);
    g.setColorAt(0, kInk);
    g.setColorAt(1, QColor(kInk.red(), kInk.green(), kInk.blue(), 0));
    p.setBrush(g);
    p.drawEllipse(kC, 14, 14);
}

void ExplosionStar(QPainter& p)
{
    Lcg rnd(7);
    QPainterPath burst;
    const int points = 14;
    for (int i = 0; i < 2 * points; ++i) {
        const qreal t = -kPi / 2 + kPi * i / points;
        const qreal r = (i % 2 == 0) ? 36 + rnd.next(10) : 16 + rnd.next(6);
        const QPointF pt = kC + QPointF(std::cos(t), std::sin(t)) * r;
        if (i == 0)
            burst.moveTo(pt);
        else
            burst.lineTo(pt);
    }
    burst.closeSubpath();
    Emboss(p, burst, QColor(0xFF, 0xD4, 0x4A));
    Emboss(p, Star(kC, 7, 15, 7), kWhite, 1.5);
}

void PinchStar(QPainter& p)
{
    // Nine deep, curved-in points.
    Emboss(p, Polar(kC, 360, [](qreal t) { return 26 + 16 * std::pow(std::abs(std::cos(4.5 * t)), 3.0) * 1.0; }));
}

void PunchFlower(QPainter& p)
{
    Emboss(p, Polar(kC, 360, [](qreal t) { return 30 + 10 * std::cos(9 * t); }));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(kGold.lighter(130)));
    p.drawEllipse(kC, 10, 10);
}

QPainterPath FramePath()
{
    QPainterPath f;
    f.addRoundedRect(QRectF(14, 18, 72, 64), 6, 6);
    return f;
}

void PictureFrame(QPainter& p)
{
    EmbossStroke(p, FramePath(), 5);
}

void GlobalShrink(QPainter& p)
{
    PictureFrame(p);
    QPainterPath all;
    for (const QPointF& d : kDiag)
        all = all.united(Arrow(kC + QPointF(d.x() * 44, d.y() * 38), kC + d * 9, 9, 20));
    Emboss(p, all.simplified());
}

void GlobalZoom(QPainter& p)
{
    PictureFrame(p);
    QPainterPath all;
    for (const QPointF& d : kDiag)
        all = all.united(Arrow(kC + d * 6, kC + QPointF(d.x() * 44, d.y() * 38), 9, 20));
    Emboss(p, all.simplified());
}

void Tornado(QPainter& p)
{
    QPainterPath path;
    for (int k = 0; k < 5; ++k) {
        const qreal w = 40 - 7.5 * k;
        const qreal y = 20 + 15 * k;
        const qreal cx = 50 + 4 * std::sin(k * 1.3);
        path.addEllipse(QPointF(cx, y), w, 6 - k * 0.6);
    }
    EmbossStroke(p, path, 5);
}

void Wind(QPainter& p)
{
    for (int k = 0; k < 3; ++k) {
        QPainterPath w;
        const qreal y = 28 + 20 * k;
        const qreal x0 = 10 + 8 * (k % 2), x1 = 72 - 10 * (k == 1);
        w.moveTo(x0, y);
        w.cubicTo(x0 + 20, y - 6, x1 - 20, y + 6, x1, y);
        // a curl at the end
        w.cubicTo(x1 + 12, y - 1, x1 + 14, y - 14, x1 + 4, y - 14);
        w.cubicTo(x1 - 4, y - 14, x1 - 4, y - 6, x1 + 1, y - 6);
        EmbossStroke(p, w, 6);
    }
}

void Wave(QPainter& p)
{
    QPainterPath rings;
    for (int r = 12; r <= 42; r += 15)
        rings.addEllipse(kC, r, r * 0.82);
    EmbossStroke(p, rings, 5);
    p.setPen(QPen(kInk, 2));
    p.setBrush(kWhite);
    p.drawEllipse(kC, 5, 5);
}

void Ripples(QPainter& p)
{
    QPainterPath grid;
    for (int k = 0; k < 4; ++k) {
        const qreal c = 20 + 20 * k;
        for (int i = 0; i <= 36; ++i) {
            const qreal s = 14 + 2 * i;
            const QPointF pt(s, c + 4 * std::sin(s * 0.22 + k));
            if (i == 0)
                grid.moveTo(pt);
            else
                grid.lineTo(pt);
        }
        for (int i = 0; i <= 36; ++i) {
            const qreal s = 14 + 2 * i;
            const QPointF pt(c + 4 * std::sin(s * 0.22 + k * 2), s);
            if (i == 0)
                grid.moveTo(pt);
            else
                grid.lineTo(pt);
        }
    }
    EmbossStroke(p, grid, 3.5);
}

void Blot(QPainter& p, bool sharp)
{
    Lcg rnd(sharp ? 31 : 17);
    QPainterPath blot;
    if (sharp) {
        const int n = 13;
        for (int i = 0; i < 2 * n; ++i) {
            const qreal t = kPi * i / n;
            const qreal r = (i % 2 == 0) ? 30 + rnd.next(14) : 15 + rnd.next(5);
            const QPointF pt = kC + QPointF(std::cos(t), std::sin(t)) * r;
            if (i == 0)
                blot.moveTo(pt);
            else
                blot.lineTo(pt);
        }
        blot.closeSubpath();
    } else {
        blot = Polar(kC, 360, [](qreal t) { return 28 + 7 * std::sin(5 * t) + 4 * std::sin(3 * t + 1); });
    }
    const QPointF drops[3] = {{84, 22}, {16, 80}, {86, 78}};
    for (int i = 0; i < 3; ++i)
        blot.addEllipse(drops[i], 5 - i, 5 - i);
    Emboss(p, blot, QColor(0xCF, 0xE8, 0xFF));
}

void Dunes(QPainter& p, bool sharp)
{
    QPainterPath back, front;
    auto hill = [&](QPainterPath& path, qreal base, qreal amp, qreal phase) {
        path.moveTo(10, 86);
        for (int x = 10; x <= 90; x += 2) {
            qreal u = (x - 10) / 80.0 * 2.0 + phase;
            qreal h;
            if (sharp) {
                const qreal f = u - std::floor(u);
                h = f < 0.7 ? f / 0.7 : (1 - f) / 0.3;  // steep lee side
            } else {
                h = 0.5 - 0.5 * std::cos(u * 1.5 * kPi);
            }
            path.lineTo(x, base - amp * h);
        }
        path.lineTo(90, 86);
        path.closeSubpath();
    };
    hill(back, 62, 34, 0.25);
    hill(front, 84, 26, 0.7);
    Emboss(p, back, QColor(0xFF, 0xE6, 0xB0));
    Emboss(p, front, kWhite);
}

void Brush(QPainter& p)
{
    p.save();
    p.translate(kC);
    p.rotate(40);
    QPainterPath handle;
    handle.addRoundedRect(QRectF(-6, -46, 12, 44), 5, 5);
    Emboss(p, handle, QColor(0xD9, 0xA0, 0x5B));
    QPainterPath ferrule;
    ferrule.addRect(QRectF(-8, -4, 16, 12));
    Emboss(p, ferrule, QColor(0xE8, 0xE8, 0xF0));
    QPainterPath tip;
    tip.moveTo(-8, 8);
    tip.cubicTo(-10, 24, -2, 36, 0, 44);
    tip.cubicTo(2, 36, 10, 24, 8, 8);
    tip.closeSubpath();
    Emboss(p, tip);
    p.restore();
}

void Globe(QPainter& p)
{
    QPainterPath g;
    g.addEllipse(kC, 36, 36);
    Emboss(p, g, QColor(0xCF, 0xE8, 0xFF));
    QPainterPath lines;
    lines.addEllipse(kC, 15, 36);
    lines.moveTo(14, 50);
    lines.lineTo(86, 50);
    lines.moveTo(20, 32);
    lines.lineTo(80, 32);
    lines.moveTo(20, 68);
    lines.lineTo(80, 68);
    lines.moveTo(50, 14);
    lines.lineTo(50, 86);
    p.setPen(QPen(kInk, 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawPath(lines);
}

void Flag(QPainter& p, bool chequered)
{
    QPainterPath pole;
    pole.addRoundedRect(QRectF(20, 10, 7, 82), 3, 3);
    Emboss(p, pole, QColor(0xD9, 0xA0, 0x5B));
    QPainterPath cloth;
    cloth.moveTo(27, 14);
    cloth.cubicTo(45, 6, 60, 22, 86, 14);
    cloth.lineTo(86, 52);
    cloth.cubicTo(60, 60, 45, 44, 27, 52);
    cloth.closeSubpath();
    Emboss(p, cloth);
    if (chequered) {
        p.save();
        p.setClipPath(cloth);
        p.setPen(Qt::NoPen);
        p.setBrush(kInk);
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 6; ++c)
                if ((r + c) % 2 == 0)
                    p.drawRect(QRectF(27 + c * 10, 8 + r * 10 + 2 * std::sin(c), 10, 10));
        p.restore();
    } else {
        Emboss(p, Star(QPointF(56, 32), 5, 11, 5), kGold.lighter(120), 1.5);
    }
}

void Gear(QPainter& p)
{
    QPainterPath gear = Polar(kC, 720, [](qreal t) {
        const qreal s = std::cos(8 * t);
        return s > 0.25 ? 40.0 : (s < -0.25 ? 30.0 : 30.0 + (s + 0.25) / 0.5 * 10.0);
    });
    QPainterPath hole;
    hole.addEllipse(kC, 12, 12);
    Emboss(p, gear.subtracted(hole));
}

void BackArrow(QPainter& p)
{
    QPainterPath u;
    u.moveTo(82, 86);
    u.lineTo(82, 48);
    u.cubicTo(82, 26, 66, 24, 52, 24);
    u.lineTo(34, 24);
    EmbossStroke(p, u, 12);
    Emboss(p, Head(QPointF(10, 24), kLeft, 30));
}

void MeshWithArrow(QPainter& p)
{
    QPainterPath mesh;
    for (int k = 0; k < 4; ++k) {
        const qreal c = 36 + 16 * k;
        mesh.moveTo(14 + 3 * std::sin(k), c);
        mesh.cubicTo(40, c - 6 + 3 * k, 60, c + 6 - 3 * k, 86, c);
    }
    for (int k = 0; k < 5; ++k) {
        const qreal c = 14 + 18 * k;
        mesh.moveTo(c, 36);
        mesh.cubicTo(c + 6, 50, c - 6, 70, c, 84);
    }
    EmbossStroke(p, mesh, 3.5);
    Emboss(p, Arrow(QPointF(50, 4), QPointF(50, 44), 14, 28), QColor(0xFF, 0xE6, 0xB0));
}

void PlayTriangle(QPainter& p)
{
    QPainterPath t;
    t.moveTo(30, 16);
    t.lineTo(84, 50);
    t.lineTo(30, 84);
    t.closeSubpath();
    Emboss(p, t);
}

// The play button while the loop plays: a rounded square, as wide as the triangle is high.
void StopSquare(QPainter& p)
{
    QPainterPath sq;
    sq.addRoundedRect(QRectF(24, 24, 52, 52), 7, 7);
    Emboss(p, sq);
}

void ResetArrows(QPainter& p)
{
    QRectF box(20, 20, 60, 60);
    QPainterPath a1, a2;
    a1.arcMoveTo(box, 20);
    a1.arcTo(box, 20, 140);
    a2.arcMoveTo(box, 200);
    a2.arcTo(box, 200, 140);
    EmbossStroke(p, a1, 9);
    EmbossStroke(p, a2, 9);
    auto headAt = [&](qreal deg) {
        const qreal a = deg * kPi / 180;
        const QPointF pt(50 + 30 * std::cos(a), 50 - 30 * std::sin(a));
        const QPointF dir(-std::sin(a), -std::cos(a));
        Emboss(p, Head(pt + dir * 12, dir, 24));
    };
    headAt(160);
    headAt(340);
}

void Camera(QPainter& p)
{
    QPainterPath body;
    body.addRoundedRect(QRectF(10, 30, 80, 54), 10, 10);
    body.addRoundedRect(QRectF(32, 18, 30, 16), 5, 5);
    Emboss(p, body.simplified(), QColor(0xE8, 0xE8, 0xF0));
    QPainterPath lens;
    lens.addEllipse(QPointF(50, 57), 19, 19);
    Emboss(p, lens, kNavy.lighter(150));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 170));
    p.drawEllipse(QPointF(44, 51), 6, 6);
    p.setBrush(kRed);
    p.drawEllipse(QPointF(79, 40), 4, 4);
}

QPainterPath FolderBack()
{
    QPainterPath f;
    f.moveTo(8, 24);
    f.lineTo(36, 24);
    f.lineTo(44, 32);
    f.lineTo(88, 32);
    f.lineTo(88, 84);
    f.lineTo(8, 84);
    f.closeSubpath();
    return f;
}

void Mountains(QPainter& p, const QRectF& r)
{
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(kGold);
    p.drawEllipse(QPointF(r.right() - r.width() * 0.25, r.top() + r.height() * 0.3), r.width() * 0.1, r.width() * 0.1);
    QPainterPath m;
    m.moveTo(r.left(), r.bottom());
    m.lineTo(r.left() + r.width() * 0.35, r.top() + r.height() * 0.35);
    m.lineTo(r.left() + r.width() * 0.55, r.top() + r.height() * 0.65);
    m.lineTo(r.left() + r.width() * 0.72, r.top() + r.height() * 0.5);
    m.lineTo(r.right(), r.bottom());
    m.closeSubpath();
    p.setBrush(kGreen);
    p.drawPath(m);
    p.restore();
}

void FolderWithMesh(QPainter& p)
{
    Emboss(p, FolderBack(), QColor(0xFF, 0xD9, 0x8A));
    QPainterPath mesh;
    for (int k = 0; k < 3; ++k) {
        mesh.moveTo(22, 48 + 12 * k);
        mesh.cubicTo(40, 42 + 12 * k, 58, 54 + 12 * k, 74, 48 + 12 * k);
        mesh.moveTo(30 + 18 * k, 42);
        mesh.cubicTo(26 + 18 * k, 56, 34 + 18 * k, 66, 30 + 18 * k, 78);
    }
    p.setPen(QPen(kFrame, 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(mesh);
}

QPainterPath PicturePath(const QRectF& r)
{
    QPainterPath f;
    f.addRoundedRect(r, 4, 4);
    return f;
}

void Picture(QPainter& p, const QRectF& r)
{
    Emboss(p, PicturePath(r), QColor(0xCF, 0xE8, 0xFF));
    Mountains(p, r.adjusted(5, 5, -5, -5));
}

void OpenFolder(QPainter& p)
{
    Emboss(p, FolderBack(), QColor(0xFF, 0xD9, 0x8A));
    Picture(p, QRectF(28, 16, 46, 38));
    QPainterPath front;
    front.moveTo(8, 84);
    front.lineTo(20, 48);
    front.lineTo(96, 48);
    front.lineTo(88, 84);
    front.closeSubpath();
    Emboss(p, front, QColor(0xFF, 0xE6, 0xB0));
}

void PlusBadge(QPainter& p, QPointF c, qreal r)
{
    QPainterPath disc;
    disc.addEllipse(c, r, r);
    Emboss(p, disc, kGreen);
    p.setPen(QPen(kWhite, r * 0.36, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(c.x() - r * 0.5, c.y()), QPointF(c.x() + r * 0.5, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - r * 0.5), QPointF(c.x(), c.y() + r * 0.5));
}

void InsertPicture(QPainter& p)
{
    Picture(p, QRectF(8, 14, 70, 58));
    PlusBadge(p, QPointF(74, 72), 18);
}

void FilmStrip(QPainter& p)
{
    QPainterPath strip;
    strip.addRoundedRect(QRectF(12, 14, 76, 72), 6, 6);
    Emboss(p, strip, QColor(0x3A, 0x34, 0x30));
    p.setPen(Qt::NoPen);
    p.setBrush(kWhite);
    for (int k = 0; k < 5; ++k) {
        p.drawRoundedRect(QRectF(16, 20 + 13.5 * k, 7, 8), 2, 2);
        p.drawRoundedRect(QRectF(77, 20 + 13.5 * k, 7, 8), 2, 2);
    }
    Picture(p, QRectF(28, 22, 44, 26));
    Picture(p, QRectF(28, 52, 44, 26));
}

void FrameStack(QPainter& p)
{
    Picture(p, QRectF(30, 10, 56, 44));
    Picture(p, QRectF(20, 24, 56, 44));
    Picture(p, QRectF(10, 38, 56, 44));
    QPainterPath t;
    t.moveTo(30, 48);
    t.lineTo(50, 60);
    t.lineTo(30, 72);
    t.closeSubpath();
    Emboss(p, t, kWhite, 2);
}

void Floppy(QPainter& p)
{
    QPainterPath body;
    body.moveTo(14, 12);
    body.lineTo(76, 12);
    body.lineTo(88, 24);
    body.lineTo(88, 88);
    body.lineTo(14, 88);
    body.closeSubpath();
    Emboss(p, body, kNavy.lighter(160));
    QPainterPath shutter;
    shutter.addRect(QRectF(30, 12, 38, 24));
    Emboss(p, shutter, QColor(0xE8, 0xE8, 0xF0), 2);
    p.setPen(Qt::NoPen);
    p.setBrush(kNavy.lighter(160));
    p.drawRect(QRectF(54, 16, 8, 16));
    QPainterPath label;
    label.addRoundedRect(QRectF(24, 50, 54, 34), 3, 3);
    Emboss(p, label, kWhite, 2);
    p.setPen(QPen(kFrame, 2));
    for (int k = 0; k < 3; ++k)
        p.drawLine(QPointF(30, 60 + 8 * k), QPointF(72, 60 + 8 * k));
}

void SavePictures(QPainter& p)
{
    Picture(p, QRectF(8, 8, 66, 54));
    Emboss(p, Arrow(QPointF(72, 40), QPointF(72, 92), 14, 28), QColor(0xFF, 0xE6, 0xB0));
}

void Printer(QPainter& p)
{
    QPainterPath paperIn;
    paperIn.addRect(QRectF(28, 10, 44, 30));
    Emboss(p, paperIn, kWhite, 2);
    QPainterPath body;
    body.addRoundedRect(QRectF(8, 36, 84, 36), 8, 8);
    Emboss(p, body, QColor(0xD8, 0xD8, 0xE2));
    QPainterPath paperOut;
    paperOut.addRect(QRectF(26, 60, 48, 30));
    Emboss(p, paperOut, kWhite, 2);
    p.setPen(QPen(kFrame, 2));
    for (int k = 0; k < 3; ++k)
        p.drawLine(QPointF(32, 68 + 7 * k), QPointF(68, 68 + 7 * k));
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawEllipse(QPointF(80, 46), 3.5, 3.5);
}

void ExitDoor(QPainter& p)
{
    QPainterPath frame;
    frame.addRoundedRect(QRectF(12, 10, 46, 80), 4, 4);
    Emboss(p, frame, QColor(0x7A, 0x55, 0x33));
    QPainterPath door;
    door.moveTo(16, 14);
    door.lineTo(44, 20);
    door.lineTo(44, 92);
    door.lineTo(16, 86);
    door.closeSubpath();
    Emboss(p, door, QColor(0xD9, 0xA0, 0x5B), 2);
    p.setPen(Qt::NoPen);
    p.setBrush(kGold);
    p.drawEllipse(QPointF(38, 54), 3, 3);
    Emboss(p, Arrow(QPointF(52, 50), QPointF(94, 50), 14, 28));
}

void House(QPainter& p)
{
    QPainterPath h;
    h.moveTo(50, 10);
    h.lineTo(92, 48);
    h.lineTo(80, 48);
    h.lineTo(80, 88);
    h.lineTo(20, 88);
    h.lineTo(20, 48);
    h.lineTo(8, 48);
    h.closeSubpath();
    Emboss(p, h);
    QPainterPath door;
    door.addRoundedRect(QRectF(42, 60, 16, 28), 3, 3);
    Emboss(p, door, QColor(0xD9, 0xA0, 0x5B), 2);
    QPainterPath win;
    win.addRect(QRectF(26, 56, 12, 12));
    win.addRect(QRectF(62, 56, 12, 12));
    Emboss(p, win, QColor(0xCF, 0xE8, 0xFF), 2);
}

void Chevrons(QPainter& p, bool right)
{
    QPainterPath c;
    for (int k = 0; k < 2; ++k) {
        const qreal x = 26 + 28 * k;
        c.moveTo(x, 18);
        c.lineTo(x + 24, 50);
        c.lineTo(x, 82);
    }
    p.save();
    if (!right) {
        p.translate(100, 0);
        p.scale(-1, 1);
    }
    EmbossStroke(p, c, 11);
    p.restore();
}

void CheckMark(QPainter& p)
{
    QPainterPath c;
    c.moveTo(18, 52);
    c.lineTo(40, 74);
    c.lineTo(82, 26);
    EmbossStroke(p, c, 14);
}

void Cross(QPainter& p)
{
    QPainterPath c;
    c.moveTo(24, 24);
    c.lineTo(76, 76);
    c.moveTo(76, 24);
    c.lineTo(24, 76);
    EmbossStroke(p, c, 14);
}

void PlusSign(QPainter& p)
{
    QPainterPath c;
    c.moveTo(50, 18);
    c.lineTo(50, 82);
    c.moveTo(18, 50);
    c.lineTo(82, 50);
    EmbossStroke(p, c, 14);
}

void MinusSign(QPainter& p)
{
    QPainterPath c;
    c.moveTo(18, 50);
    c.lineTo(82, 50);
    EmbossStroke(p, c, 14);
}

// ------------------------------------------------------ picture builders ---

using Pictogram = std::function<void(QPainter&)>;

// A square button picture: tile of `colour` with the pictogram inside.
QImage TileButton(int size, const QColor& colour, const Pictogram& draw, int s, qreal pictScale = 1.0)
{
    QImage img = Canvas(size, size, s);
    QPainter p(&img);
    Smooth(p);
    const qreal m = std::max(2.0, size * 0.05);
    const QRectF r(m, m, size - 2 * m - 1.5, size - 2 * m - 1.5);
    DrawTile(p, r, colour, size * 0.2);
    const qreal inner = r.width() * 0.78 * pictScale;
    p.translate(r.center().x() - inner / 2, r.center().y() - inner / 2);
    p.scale(inner / 100.0, inner / 100.0);
    draw(p);
    return img;
}

// Tool picture: local tools show their brush size as a small, medium or large
// circle in the bottom-right corner and a pictogram scaled to match.
QImage ToolPicture(const QColor& colour, const Pictogram& draw, int sizeIndex, int s)
{
    const int size = 72;
    const qreal scale = sizeIndex < 0 ? 1.0 : (sizeIndex == 0 ? 0.72 : sizeIndex == 1 ? 0.86 : 1.0);
    QImage img = TileButton(size, colour, draw, s, scale);
    if (sizeIndex >= 0) {
        QPainter p(&img);
        Smooth(p);
        const qreal rr = sizeIndex == 0 ? 3.0 : sizeIndex == 1 ? 4.8 : 6.8;
        const QPointF c(size - 15.5, size - 15.5);
        p.setPen(QPen(kInk, 1.6));
        QRadialGradient g(c - QPointF(rr / 3, rr / 3), rr * 1.4);
        g.setColorAt(0, kWhite);
        g.setColorAt(1, kGold);
        p.setBrush(g);
        p.drawEllipse(c, rr, rr);
    }
    return img;
}

// ----------------------------------------------------------- backgrounds ---

// The skin base: cream with a faint grain; seamless because the grain is per
// device pixel.
QImage SkinTile(int w, int h, unsigned seed, int s)
{
    QImage img = Canvas(w, h, s);
    Lcg rnd(seed);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const int d = rnd.next(5) - 2;
            img.setPixelColor(x, y, QColor(kKey.red() + d, kKey.green() + d, kKey.blue() + d));
        }
    return img;
}

QImage TiledSkin(int w, int h, int s)
{
    const QImage tile = SkinTile(80, 80, 138, s);
    QImage img = Canvas(w, h, s);
    QPainter p(&img);
    for (int y = 0; y < h; y += 80)
        for (int x = 0; x < w; x += 80)
            p.drawImage(x, y, tile);
    return img;
}

void BorderOrnament(QPainter& p, int w, int h)
{
    p.save();
    QColor edge = kFrame;
    edge.setAlpha(150);
    p.setPen(QPen(edge, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(4, 4, w - 8, h - 8), 10, 10);
    edge.setAlpha(60);
    p.setPen(QPen(edge, 1));
    p.drawRoundedRect(QRectF(8, 8, w - 16, h - 16), 7, 7);
    // bottom band where the progress bar runs
    QLinearGradient g(0, h - 26, 0, h - 8);
    g.setColorAt(0, QColor(kFrame.red(), kFrame.green(), kFrame.blue(), 0));
    g.setColorAt(1, QColor(kFrame.red(), kFrame.green(), kFrame.blue(), 40));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(9, h - 26, w - 18, 17), 6, 6);
    p.restore();
}

// A grid swollen by a smooth lens around `c` (Gaussian of width `radius`),
// covering the square of half side `extent`.
void WarpedGrid(QPainter& p, QPointF c, qreal radius, qreal extent, int lines, QColor colour, qreal bulge)
{
    p.save();
    p.setPen(QPen(colour, 1.6));
    p.setBrush(Qt::NoBrush);
    auto warp = [&](qreal x, qreal y) {
        const qreal dx = x - c.x(), dy = y - c.y();
        const qreal d2 = (dx * dx + dy * dy) / (radius * radius);
        const qreal f = 1 + bulge * std::exp(-2 * d2);
        return QPointF(c.x() + dx * f, c.y() + dy * f);
    };
    const qreal step = 2 * extent / lines;
    for (int i = 0; i <= lines; ++i) {
        QPainterPath h, v;
        for (int j = 0; j <= 80; ++j) {
            const qreal along = -extent + 2 * extent * j / 80;
            const qreal across = -extent + step * i;
            const QPointF a = warp(c.x() + along, c.y() + across);
            const QPointF b = warp(c.x() + across, c.y() + along);
            if (j == 0) {
                h.moveTo(a);
                v.moveTo(b);
            } else {
                h.lineTo(a);
                v.lineTo(b);
            }
        }
        p.drawPath(h);
        p.drawPath(v);
    }
    p.restore();
}

QColor Faint(QColor c, int alpha)
{
    c.setAlpha(alpha);
    return c;
}

QImage BackgroundEditing(int s)
{
    QImage img = TiledSkin(800, 600, s);
    QPainter p(&img);
    Smooth(p);
    BorderOrnament(p, 800, 600);
    // recessed bed of the work area (the 412 x 412 square at (363, 21))
    QRectF bed(355, 13, 428, 428);
    p.setPen(Qt::NoPen);
    for (int i = 4; i >= 1; --i) {
        p.setBrush(Faint(kInk, 14));
        p.drawRoundedRect(bed.adjusted(-i, -i, i, i), 12 + i, 12 + i);
    }
    QLinearGradient g(bed.topLeft(), bed.bottomLeft());
    g.setColorAt(0, kKey.darker(112));
    g.setColorAt(1, kKey.darker(104));
    p.setBrush(g);
    p.setPen(QPen(Faint(kFrame, 160), 1.5));
    p.drawRoundedRect(bed, 12, 12);
    return img;
}

QImage BackgroundStart(int s)
{
    QImage img = TiledSkin(800, 600, s);
    QPainter p(&img);
    Smooth(p);
    BorderOrnament(p, 800, 600);
    p.save();
    p.setClipRect(QRectF(360, 100, 400, 400));
    WarpedGrid(p, QPointF(560, 300), 120, 200, 12, Faint(kBlue, 40), 0.6);
    p.restore();
    QFont f(QStringLiteral("DejaVu Sans"), 40, QFont::Bold);
    p.setFont(f);
    p.setPen(Faint(kFrame, 70));
    p.drawText(QRectF(360, 500, 400, 70), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Warplet 4"));
    return img;
}

QImage BackgroundFinish(int s)
{
    QImage img = TiledSkin(800, 600, s);
    QPainter p(&img);
    Smooth(p);
    BorderOrnament(p, 800, 600);
    // a faint film strip sweeping across the right half
    p.save();
    p.translate(560, 300);
    p.rotate(-14);
    p.setPen(Qt::NoPen);
    p.setBrush(Faint(kInk, 26));
    p.drawRoundedRect(QRectF(-300, -70, 600, 140), 10, 10);
    p.setBrush(Faint(kKey.lighter(104), 255));
    for (int k = 0; k < 20; ++k) {
        p.drawRoundedRect(QRectF(-292 + 30 * k, -62, 14, 12), 3, 3);
        p.drawRoundedRect(QRectF(-292 + 30 * k, 50, 14, 12), 3, 3);
    }
    p.setBrush(Faint(kBlue, 30));
    for (int k = 0; k < 5; ++k)
        p.drawRoundedRect(QRectF(-290 + 118 * k, -40, 100, 80), 6, 6);
    p.restore();
    return img;
}

QImage BackgroundPanels(int s)
{
    QImage img = TiledSkin(800, 600, s);
    QPainter p(&img);
    Smooth(p);
    BorderOrnament(p, 800, 600);
    p.setBrush(Qt::NoBrush);
    for (int r = 60; r <= 420; r += 60) {
        p.setPen(QPen(Faint(kFrame, 34 - r / 20), 10));
        p.drawEllipse(QPointF(800, 600), r, r);
    }
    return img;
}

QImage DialogTile(int s)
{
    // 64 x 64 seamless weave: periodic in both directions.
    const int n = 64;
    QImage img = Canvas(n, n, s);
    const double period = 16.0 * s;
    for (int y = 0; y < n * s; ++y)
        for (int x = 0; x < n * s; ++x) {
            const double a = std::sin(2 * kPi * (x + y) / period), b = std::sin(2 * kPi * (x - y) / period);
            const int d = static_cast<int>(std::lround(2.5 * a * b));
            img.setPixelColor(x, y, QColor(0xF4 + d, 0xE9 + d, 0xD2 + d));
        }
    return img;
}

QImage SliderTrack(int s)
{
    QImage img = Canvas(256, 24, s);
    QPainter p(&img);
    Smooth(p);
    const QRectF groove(3, 7, 250, 10);
    QLinearGradient g(groove.topLeft(), groove.bottomLeft());
    g.setColorAt(0, kFrame.darker(130));
    g.setColorAt(1, kKey.lighter(104));
    p.setPen(QPen(kFrame, 1));
    p.setBrush(g);
    p.drawRoundedRect(groove, 5, 5);
    return img;
}

QImage MenuRing(int s)
{
    QImage img = Canvas(64, 64, s);
    QPainter p(&img);
    QLinearGradient g(0, 0, 64, 64);
    g.setColorAt(0, kGold.lighter(130));
    g.setColorAt(0.5, kFrame);
    g.setColorAt(1, kGold.darker(120));
    p.fillRect(QRect(0, 0, 64, 64), g);
    return img;
}

QImage Splash(int s)
{
    const int w = 480, h = 320;
    QImage img = Canvas(w, h, s);
    QPainter p(&img);
    Smooth(p);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, kNavy.lighter(120));
    g.setColorAt(1, kTeal.darker(130));
    p.fillRect(QRect(0, 0, w, h), g);
    WarpedGrid(p, QPointF(370, 170), 90, 400, 30, QColor(255, 255, 255, 55), 0.7);
    QLinearGradient fade(0, 0, 300, 0);
    fade.setColorAt(0, QColor(kNavy.red(), kNavy.green(), kNavy.blue(), 200));
    fade.setColorAt(1, QColor(kNavy.red(), kNavy.green(), kNavy.blue(), 0));
    p.fillRect(QRectF(0, 0, 300, h), fade);
    QRadialGradient glow(QPointF(370, 170), 150);
    glow.setColorAt(0, QColor(255, 230, 170, 90));
    glow.setColorAt(1, QColor(255, 230, 170, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QPointF(370, 170), 150, 150);
    QFont title(QStringLiteral("DejaVu Sans"), 38, QFont::Bold);
    p.setFont(title);
    p.setPen(QColor(0, 0, 0, 90));
    p.drawText(QRectF(26, 22, w, 70), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Warplet 4"));
    p.setPen(kWhite);
    p.drawText(QRectF(24, 19, w, 70), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Warplet 4"));
    QFont small(QStringLiteral("DejaVu Sans"), 11);
    p.setFont(small);
    p.setPen(QColor(255, 240, 210));
    p.drawText(QRectF(26, 82, w, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Tavmor Software"));
    p.setPen(QPen(QColor(255, 255, 255, 120), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1, 1, w - 2, h - 2));
    return img;
}

QImage ToolCursor(int s)
{
    QImage img = AlphaCanvas(32, 32, s);
    QPainter p(&img);
    Smooth(p);
    const QPointF c(15.5, 15.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 0, 0, 200), 3));
    p.drawEllipse(c, 10, 10);
    p.drawLine(QPointF(15.5, 1), QPointF(15.5, 9));
    p.drawLine(QPointF(15.5, 22), QPointF(15.5, 30));
    p.drawLine(QPointF(1, 15.5), QPointF(9, 15.5));
    p.drawLine(QPointF(22, 15.5), QPointF(30, 15.5));
    p.setPen(QPen(kWhite, 1.2));
    p.drawEllipse(c, 10, 10);
    p.drawLine(QPointF(15.5, 1), QPointF(15.5, 9));
    p.drawLine(QPointF(15.5, 22), QPointF(15.5, 30));
    p.drawLine(QPointF(1, 15.5), QPointF(9, 15.5));
    p.drawLine(QPointF(22, 15.5), QPointF(30, 15.5));
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    p.drawEllipse(c, 1.6, 1.6);
    return img;
}

QImage BusyCursor(int s)
{
    QImage img = AlphaCanvas(32, 32, s);
    QPainter p(&img);
    Smooth(p);
    QPainterPath glass;
    glass.moveTo(8, 3);
    glass.lineTo(24, 3);
    glass.cubicTo(24, 11, 17, 13, 17, 16);
    glass.cubicTo(17, 19, 24, 21, 24, 29);
    glass.lineTo(8, 29);
    glass.cubicTo(8, 21, 15, 19, 15, 16);
    glass.cubicTo(15, 13, 8, 11, 8, 3);
    glass.closeSubpath();
    p.setPen(QPen(kInk, 1.6));
    p.setBrush(QColor(0xCF, 0xE8, 0xFF));
    p.drawPath(glass);
    QPainterPath sand;
    sand.moveTo(10, 6);
    sand.lineTo(22, 6);
    sand.cubicTo(21, 10, 17, 12, 16, 15);
    sand.cubicTo(15, 12, 11, 10, 10, 6);
    sand.moveTo(10, 28);
    sand.cubicTo(12, 23, 15, 22, 16, 21);
    sand.cubicTo(17, 22, 20, 23, 22, 28);
    sand.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kGold);
    p.drawPath(sand);
    p.setBrush(kFrame);
    p.drawRoundedRect(QRectF(5, 1, 22, 3.5), 1.5, 1.5);
    p.drawRoundedRect(QRectF(5, 27.5, 22, 3.5), 1.5, 1.5);
    return img;
}

QImage Icon()
{
    const int n = 256;
    QImage img = AlphaCanvas(n, n, 1);
    QPainter p(&img);
    Smooth(p);
    const QRectF r(12, 12, 232, 232);
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, kTeal.lighter(120));
    g.setColorAt(1, kNavy);
    p.setPen(QPen(kNavy.darker(140), 4));
    p.setBrush(g);
    p.drawRoundedRect(r, 52, 52);
    QPainterPath clip;
    clip.addRoundedRect(r.adjusted(3, 3, -3, -3), 49, 49);
    p.setClipPath(clip);
    WarpedGrid(p, r.center(), 62, 150, 10, QColor(255, 255, 255, 210), 0.75);
    p.setClipping(false);
    QRadialGradient glow(r.center() - QPointF(20, 20), 90);
    glow.setColorAt(0, QColor(255, 236, 180, 150));
    glow.setColorAt(1, QColor(255, 236, 180, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(r.center(), 100, 100);
    QRectF gloss(r.left() + 10, r.top() + 8, r.width() - 20, r.height() * 0.42);
    QLinearGradient gg(gloss.topLeft(), gloss.bottomLeft());
    gg.setColorAt(0, QColor(255, 255, 255, 110));
    gg.setColorAt(1, QColor(255, 255, 255, 0));
    p.setBrush(gg);
    p.drawRoundedRect(gloss, 42, 42);
    return img;
}

// ------------------------------------------------------------ the tables ---

// The colour of a panel's tiles.
QColor PanelColour(ToolPanel panel)
{
    switch (panel) {
    case ToolPanel::Enlarge: return kTeal;
    case ToolPanel::Shrink: return kOrange;
    case ToolPanel::More: return kPurple;
    case ToolPanel::Common: return kGreen;
    case ToolPanel::Disaster: return kRed;
    default: return kBlue;
    }
}

// The pictogram of each kind of tool in the catalogue; null for an unknown kind.
Pictogram ToolPictogram(std::string_view kind)
{
    static const std::map<std::string_view, Pictogram> pictograms = {
        {"enlarge",
         [](QPainter& p) {
             ArrowsOut(p, {kDiag[0], kDiag[1], kDiag[2], kDiag[3]});
         }},
        {"enlarge-vertical",
         [](QPainter& p) {
             ArrowsOut(p, {kUp, kDown});
         }},
        {"enlarge-horizontal",
         [](QPainter& p) {
             ArrowsOut(p, {kLeft, kRight});
         }},
        {"shrink",
         [](QPainter& p) {
             ArrowsIn(p, {kDiag[0], kDiag[1], kDiag[2], kDiag[3]});
         }},
        {"shrink-vertical",
         [](QPainter& p) {
             ArrowsIn(p, {kUp, kDown});
         }},
        {"shrink-horizontal",
         [](QPainter& p) {
             ArrowsIn(p, {kLeft, kRight});
         }},
        {"scale", ScaleTwist},
        {"rotate", [](QPainter& p) { Spiral(p); }},
        {"move", MoveArrow},
        {"undo", UndoArrow},
        {"smooth", SmoothWaves},
        {"collapse", CollapseStar},
        {"pinch", PinchStar},
        {"explosion", ExplosionStar},
        {"punch", PunchFlower},
        {"global-shrink", GlobalShrink},
        {"global-zoom", GlobalZoom},
        {"tornado", Tornado},
        {"wind", Wind},
        {"wave", Wave},
        {"ripples", Ripples},
        {"smooth-splashes", [](QPainter& p) { Blot(p, false); }},
        {"sharp-splashes", [](QPainter& p) { Blot(p, true); }},
        {"smooth-dunes", [](QPainter& p) { Dunes(p, false); }},
        {"sharp-dunes", [](QPainter& p) { Dunes(p, true); }},
    };
    const auto it = pictograms.find(kind);
    return it == pictograms.end() ? Pictogram() : it->second;
}

// A tool's picture: the tile of its panel, its kind's pictogram, its size.
bool SaveToolPictures(Output& out, int s)
{
    for (const ToolRow& row : ToolCatalogue()) {
        const Pictogram draw = ToolPictogram(row.kind);
        if (!draw) {
            std::fprintf(stderr, "warplet-artgen: no pictogram for the tool kind \"%.*s\" (tool %d)\n",
                         int(row.kind.size()), row.kind.data(), row.command);
            return false;
        }
        const int sizeIndex = row.size == ToolSize::WholePicture ? -1 : int(row.size);
        out.saveOpaque(ToolPicture(PanelColour(row.panel), draw, sizeIndex, s), row.picture);
    }
    return true;
}

struct ButtonArt {
    int id;
    int size;
    QColor colour;
    Pictogram draw;
};

std::vector<ButtonArt> ButtonTable()
{
    const Pictogram back = BackArrow;
    std::vector<ButtonArt> b = {
        // editing screen
        {1000, 56, kGreen, [](QPainter& p) { Flag(p, false); }},
        {1001, 56, kRed, [](QPainter& p) { Flag(p, true); }},
        {1002, 40, kBrown, Gear},
        {1003, 64, kTeal,
         [](QPainter& p) {
             ArrowsOut(p, {kDiag[0], kDiag[1], kDiag[2], kDiag[3]});
         }},
        {1042, 64, kOrange,
         [](QPainter& p) {
             ArrowsIn(p, {kDiag[0], kDiag[1], kDiag[2], kDiag[3]});
         }},
        {1061, 64, kPurple, [](QPainter& p) { Spiral(p); }},
        {1059, 64, kGreen, Brush},
        {1063, 64, kRed, ExplosionStar},
        {1004, 64, kBlue, Globe},
        {1041, 44, kBlue, MeshWithArrow},
        {1005, 44, kBlue, PlayTriangle},
        {2110, 44, kBlue, StopSquare},  // the play button's picture while playing
        {1091, 44, kBlue, ResetArrows},
        // start screen
        {1010, 80, kBlue, Camera},
        {1009, 80, kBlue, FolderWithMesh},
        {1011, 80, kBlue, OpenFolder},
        {1084, 80, kBlue, InsertPicture},
        // finish screen
        {1013, 80, kTeal, FilmStrip},
        {1119, 80, kTeal, FrameStack},
        {1012, 80, kTeal, Floppy},
        {1014, 80, kTeal, SavePictures},
        {1015, 80, kTeal, Printer},
        {1016, 80, kRed, ExitDoor},
        {1123, 44, kGold, House},
        // back buttons of the start, finish and tool screens
        {1017, 48, kBrown, back},
        {1018, 48, kBrown, back},
        {1065, 48, kTeal, back},
        {1066, 48, kOrange, back},
        {1068, 48, kPurple, back},
        {1067, 48, kGreen, back},
        {1077, 48, kRed, back},
        {1087, 48, kBlue, back},
        // dialog buttons: OK, cancel, add, remove
        {366, 36, kGreen, CheckMark},
        {367, 36, kRed, Cross},
        {368, 36, kBlue, PlusSign},
        {369, 36, kOrange, MinusSign},
    };
    return b;
}

// Scroll buttons of the keyframe strip: narrow upright tiles.
QImage ScrollButton(bool right, int s)
{
    QImage img = Canvas(28, 34, s);
    QPainter p(&img);
    Smooth(p);
    const QRectF r(2, 2, 23, 29);
    DrawTile(p, r, kBrown, 7);
    p.translate(r.left() + 2, r.top() + 4.5);
    p.scale(0.19, 0.2);
    Chevrons(p, right);
    return img;
}

// The program's icon in the sizes of the desktop's icon theme, as
// <dir>/hicolor/<n>x<n>/apps/warplet.png (not part of the compiled artwork).
bool WriteThemeIcons(const QString& dir, const QImage& icon)
{
    for (const int n : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1/hicolor/%2x%2/apps").arg(dir).arg(n);
        const QImage scaled = icon.scaled(n, n, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        if (!QDir().mkpath(folder) || !scaled.save(folder + QStringLiteral("/warplet.png"), "PNG")) {
            std::fprintf(stderr, "warplet-artgen: cannot write the %dx%d icon in %s\n", n, n, qPrintable(folder));
            return false;
        }
    }
    return true;
}

bool WriteQrc(const Output& out)
{
    const QString path = out.dir + QStringLiteral("/art.qrc");
    QFile f(path + QStringLiteral(".tmp"));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;
    QTextStream s(&f);
    s << "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/art\">\n";
    for (const QString& name : out.files)
        s << "  <file>" << name << "</file>\n";
    s << "</qresource>\n</RCC>\n";
    s.flush();
    f.close();
    if (f.error() != QFileDevice::NoError)
        return false;
    if (QFile::exists(path) && !QFile::remove(path))
        return false;
    return QFile::rename(path + QStringLiteral(".tmp"), path);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: warplet-artgen <output folder>\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    Output out;
    out.dir = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(out.dir)) {
        std::fprintf(stderr, "warplet-artgen: cannot create %s\n", argv[1]);
        return 1;
    }

    // Every picture at 1x and again at 2x for screens scaled by two.
    for (const int s : {1, 2}) {
        if (!SaveToolPictures(out, s))
            return 1;
        for (const ButtonArt& b : ButtonTable())
            out.saveOpaque(TileButton(b.size, b.colour, b.draw, s), b.id);
        out.saveOpaque(ScrollButton(false, s), 352);
        out.saveOpaque(ScrollButton(true, s), 353);

        out.saveOpaque(SkinTile(80, 80, 138, s), 138);
        out.saveOpaque(Splash(s), 139, false);
        out.saveOpaque(MenuRing(s), 197, false);
        out.saveOpaque(DialogTile(s), 360, false);
        out.saveOpaque(SliderTrack(s), 363);
        out.saveOpaque(BackgroundEditing(s), 2100, false);
        out.saveOpaque(BackgroundStart(s), 2101, false);
        out.saveOpaque(BackgroundFinish(s), 2102, false);
        out.saveOpaque(BackgroundPanels(s), 2103, false);

        const QImage tool = ToolCursor(s), busy = BusyCursor(s);
        out.save(tool, Output::FileName(QStringLiteral("cursor136"), tool));
        out.save(busy, Output::FileName(QStringLiteral("cursor137"), busy));
    }
    const QImage icon = Icon();
    out.save(icon, QStringLiteral("icon.png"));

    if (!out.ok || !WriteQrc(out) || !WriteThemeIcons(out.dir + QStringLiteral("/icons"), icon)) {
        std::fprintf(stderr, "warplet-artgen: failed\n");
        return 1;
    }
    return 0;
}
