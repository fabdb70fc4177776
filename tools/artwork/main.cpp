// vek_artwork: draws every picture the client and the updater display and writes them into a
// source tree. Nothing here is loaded at run time; the output files are committed.
//
//   vek_artwork <repository folder>          writes
//       client/resources/login.jpg           login window background, 390 x 237
//       client/resources/view.jpg            the pop-up's view button picture, 52 x 19
//       client/resources/icons/BIG.png       tray icon: dot and both arcs, red, 32 x 32
//       client/resources/icons/SMAIL.png     tray icon: dot and inner arc
//       client/resources/icons/NORMAL.png    tray icon: dot only
//       client/resources/icons/MAINICON.png  program icon: dot and both arcs, orange
//       client/resources/icons/MAINICON.ico  the same as a Windows icon file
//       updater/resources/strip.png          the updater's left picture strip, 95 x 214, 24-bit
//       updater/FIND.AVI                     the updater's wait animation, RLE8
//   vek_artwork --avi-uncompressed <file>    the wait animation as an uncompressed 8-bit AVI
//   vek_artwork --avi-rle8 <file>            the wait animation as written to FIND.AVI
//
// Chinese text is drawn with the Noto CJK SC families (Debian package fonts-noto-cjk); the program
// stops with an error rather than draw Han characters as boxes.

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QRadialGradient>
#include <QRawFont>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <unordered_map>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

[[noreturn]] void fail(const QString& message)
{
    std::fprintf(stderr, "vek_artwork: %s\n", qPrintable(message));
    std::exit(1);
}

// ---------------------------------------------------------------------------------------------
// Fonts

QString g_sans;   // Han text, plain
QString g_serif;  // Han text, titles and labels

void pickFonts()
{
    const QStringList families = QFontDatabase::families();
    auto installed = [&](const char* name) { return families.contains(QLatin1String(name), Qt::CaseInsensitive); };
    if (installed("Noto Sans CJK SC"))
        g_sans = QStringLiteral("Noto Sans CJK SC");
    if (installed("Noto Serif CJK SC"))
        g_serif = QStringLiteral("Noto Serif CJK SC");
    if (g_sans.isEmpty() && g_serif.isEmpty()) {
        for (const QString& family : families) {
            if (QFontDatabase::writingSystems(family).contains(QFontDatabase::SimplifiedChinese)) {
                g_sans = family;
                break;
            }
        }
    }
    if (g_sans.isEmpty())
        g_sans = g_serif;
    if (g_serif.isEmpty())
        g_serif = g_sans;
    if (g_sans.isEmpty())
        fail(QStringLiteral("no font with Chinese characters is installed (install fonts-noto-cjk)"));
}

QFont hanFont(const QString& family, int pixelSize, bool bold)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::PreferAntialias | QFont::NoFontMerging));
    return font;
}

// Every character of text must come from the font itself, not from a fallback or a missing-glyph box.
void requireGlyphs(const QFont& font, const QString& text)
{
    const QRawFont raw = QRawFont::fromFont(font, QFontDatabase::SimplifiedChinese);
    if (!raw.isValid())
        fail(QStringLiteral("font %1 cannot be loaded").arg(font.family()));
    for (char32_t c : text.toUcs4()) {
        if (!raw.supportsCharacter(c))
            fail(QStringLiteral("font %1 has no glyph for %2").arg(raw.familyName(), QString::fromUcs4(&c, 1)));
    }
}

enum class Anchor { Left, Right, Centre };

// Draws text so that its inked box is centred vertically on cy; horizontally the inked box starts
// at x (Left), ends at x (Right) or is centred on x (Centre). Returns the inked box.
QRectF placeText(QPainter& p, const QFont& font, const QString& text, qreal x, qreal cy, Anchor anchor,
                 const QColor& colour)
{
    requireGlyphs(font, text);
    const QFontMetricsF fm(font);
    const QRectF ink = fm.tightBoundingRect(text);
    qreal left = x - ink.left();
    if (anchor == Anchor::Right)
        left = x - ink.right();
    else if (anchor == Anchor::Centre)
        left = x - ink.center().x();
    const qreal baseline = std::round(cy - ink.center().y());
    left = std::round(left);
    p.setFont(font);
    p.setPen(colour);
    p.drawText(QPointF(left, baseline), text);
    return ink.translated(left, baseline);
}

// ---------------------------------------------------------------------------------------------
// Shapes shared by several pictures

// A closed smooth curve through the given points (Catmull-Rom turned into cubic Bezier pieces).
QPainterPath smoothBlob(const std::vector<QPointF>& pts)
{
    QPainterPath path;
    const size_t n = pts.size();
    path.moveTo(pts[0]);
    for (size_t i = 0; i < n; ++i) {
        const QPointF p0 = pts[(i + n - 1) % n], p1 = pts[i], p2 = pts[(i + 1) % n], p3 = pts[(i + 2) % n];
        path.cubicTo(p1 + (p2 - p0) / 6.0, p2 - (p3 - p1) / 6.0, p2);
    }
    path.closeSubpath();
    return path;
}

QPainterPath capsule(QPointF a, QPointF b, qreal width)
{
    QPainterPath line;
    line.moveTo(a);
    line.lineTo(b);
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    return stroker.createStroke(line).simplified();
}

// A globe of radius r: sea, two land masses, a graticule and a highlight.
void drawGlobe(QPainter& p, QPointF c, qreal r)
{
    QPainterPath disc;
    disc.addEllipse(c, r, r);

    QRadialGradient sea(c + QPointF(-0.35 * r, -0.4 * r), 1.45 * r);
    sea.setColorAt(0.0, QColor(150, 214, 255));
    sea.setColorAt(0.45, QColor(44, 128, 214));
    sea.setColorAt(1.0, QColor(12, 52, 132));
    p.fillPath(disc, sea);

    p.save();
    p.setClipPath(disc);
    auto land = [&](std::initializer_list<QPointF> unit) {
        std::vector<QPointF> pts;
        for (QPointF u : unit)
            pts.push_back(c + u * r);
        return smoothBlob(pts);
    };
    const QPainterPath west = land({{-0.55, -0.72}, {-0.18, -0.78}, {-0.04, -0.48}, {-0.30, -0.22}, {-0.22, 0.10},
                                    {-0.02, 0.34}, {-0.14, 0.80}, {-0.36, 0.52}, {-0.56, 0.12}, {-0.74, -0.30}});
    const QPainterPath east = land({{0.34, -0.82}, {0.72, -0.56}, {0.88, -0.10}, {0.62, 0.04}, {0.58, 0.46},
                                    {0.36, 0.62}, {0.24, 0.22}, {0.30, -0.20}, {0.18, -0.52}});
    QRadialGradient green(c + QPointF(-0.35 * r, -0.4 * r), 1.45 * r);
    green.setColorAt(0.0, QColor(160, 226, 120));
    green.setColorAt(0.5, QColor(64, 160, 72));
    green.setColorAt(1.0, QColor(22, 92, 44));
    p.fillPath(west, green);
    p.fillPath(east, green);

    p.setPen(QPen(QColor(255, 255, 255, 95), std::max(0.7, r / 26.0)));
    p.setBrush(Qt::NoBrush);
    for (qreal k : {0.38, 0.78})
        p.drawEllipse(c, k * r, r);
    p.drawLine(QPointF(c.x(), c.y() - r), QPointF(c.x(), c.y() + r));
    for (qreal t : {-0.5, 0.0, 0.5}) {
        const qreal half = std::sqrt(1.0 - t * t) * r;
        p.drawLine(QPointF(c.x() - half, c.y() + t * r), QPointF(c.x() + half, c.y() + t * r));
    }
    p.restore();

    QRadialGradient shine(c + QPointF(-0.42 * r, -0.46 * r), 0.62 * r);
    shine.setColorAt(0.0, QColor(255, 255, 255, 170));
    shine.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.fillPath(disc, shine);
    p.setPen(QPen(QColor(10, 40, 104), std::max(1.0, r / 20.0)));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, r, r);
}

// ---------------------------------------------------------------------------------------------
// Login window background

const QColor kLoginGround(166, 196, 232);

void drawSkin(QPainter& p, const QPainterPath& part)
{
    const QRectF box = part.boundingRect();
    QLinearGradient skin(box.topLeft(), box.bottomRight());
    skin.setColorAt(0.0, QColor(255, 228, 198));
    skin.setColorAt(1.0, QColor(226, 168, 128));
    p.setPen(QPen(QColor(160, 100, 66), 0.9));
    p.setBrush(skin);
    p.drawPath(part);
}

// A globe resting in an open hand: the palm under it, the thumb on its left, four fingers
// curling up its right side.
void drawGlobeInHand(QPainter& p, QPointF c, qreal r)
{
    // Sleeve and forearm, coming in from the lower left.
    drawSkin(p, capsule(QPointF(8, 66), QPointF(24, 52), 13));
    QPainterPath cuff = capsule(QPointF(3, 70), QPointF(13, 61), 17);
    p.setPen(QPen(QColor(18, 48, 108), 0.9));
    p.setBrush(QColor(40, 86, 166));
    p.drawPath(cuff);

    drawGlobe(p, c, r);

    QPainterPath palm;
    palm.addEllipse(QPointF(c.x(), c.y() + r + 3.5), r * 0.86, 7.5);
    drawSkin(p, palm);
    // Thumb on the left of the globe.
    drawSkin(p, capsule(QPointF(c.x() - 12, c.y() + r + 3), QPointF(c.x() - r + 1.5, c.y() + 9), 6.2));
    // Fingers, back to front.
    for (int k = 3; k >= 0; --k) {
        const double a = (-52.0 + 17.0 * k) * kPi / 180.0;
        const QPointF tip(c.x() + (r + 0.5) * std::cos(a), c.y() - (r + 0.5) * std::sin(a));
        const QPointF base(c.x() + 6 + 3.2 * k, c.y() + r + 6 - 2.4 * k);
        drawSkin(p, capsule(base, tip, 5.6));
    }
}

// Two people, one behind the other.
void drawPeople(QPainter& p, QPointF frontHead, qreal r)
{
    auto person = [&](QPointF head, qreal hr, QColor light, QColor dark) {
        QPainterPath body;
        body.addEllipse(QPointF(head.x(), head.y() + 3.1 * hr), 1.95 * hr, 1.75 * hr);
        QPainterPath cut;
        cut.addRect(QRectF(head.x() - 3 * hr, head.y() - 2 * hr, 6 * hr, 5.45 * hr));
        body = body.intersected(cut);
        QPainterPath headPath;
        headPath.addEllipse(head, hr, hr);
        QPainterPath whole = body.united(headPath);
        // a thin rim of ground colour separates the front figure from the one behind it
        p.setPen(QPen(kLoginGround, 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawPath(whole);
        QLinearGradient fill(head - QPointF(hr, hr), head + QPointF(hr, 5 * hr));
        fill.setColorAt(0.0, light);
        fill.setColorAt(1.0, dark);
        p.setPen(QPen(dark.darker(130), 0.8));
        p.setBrush(fill);
        p.drawPath(body);
        p.drawPath(headPath);
    };
    person(frontHead + QPointF(1.95 * r, -0.65 * r), r * 0.88, QColor(150, 190, 240), QColor(64, 116, 196));
    person(frontHead, r, QColor(80, 140, 226), QColor(16, 66, 150));
}

void drawPadlock(QPainter& p, QRectF body)
{
    const qreal cx = body.center().x();
    const qreal sr = body.width() * 0.31;  // shackle radius
    QPainterPath shackle;
    shackle.moveTo(cx - sr, body.top() + 1);
    shackle.lineTo(cx - sr, body.top() - sr * 0.6);
    shackle.arcTo(QRectF(cx - sr, body.top() - sr * 1.6, 2 * sr, 2 * sr), 180, -180);
    shackle.lineTo(cx + sr, body.top() + 1);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(150, 80, 10), 3.0, Qt::SolidLine, Qt::FlatCap));
    p.drawPath(shackle);
    p.setPen(QPen(QColor(250, 190, 90), 1.4, Qt::SolidLine, Qt::FlatCap));
    p.drawPath(shackle);

    QLinearGradient fill(body.topLeft(), body.bottomLeft());
    fill.setColorAt(0.0, QColor(255, 204, 92));
    fill.setColorAt(0.5, QColor(250, 150, 30));
    fill.setColorAt(1.0, QColor(214, 104, 10));
    p.setPen(QPen(QColor(150, 72, 6), 0.9));
    p.setBrush(fill);
    p.drawRoundedRect(body, 2.0, 2.0);
    // keyhole
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 42, 4));
    p.drawEllipse(QPointF(cx, body.top() + body.height() * 0.42), 1.6, 1.6);
    p.drawRect(QRectF(cx - 0.7, body.top() + body.height() * 0.42, 1.4, body.height() * 0.36));
}

void drawButtonFace(QPainter& p, const QRect& face, const QString& caption, const QFont& font)
{
    const QRectF f = QRectF(face).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient fill(f.topLeft(), f.bottomLeft());
    fill.setColorAt(0.0, QColor(126, 182, 240));
    fill.setColorAt(0.48, QColor(58, 124, 210));
    fill.setColorAt(0.52, QColor(42, 106, 194));
    fill.setColorAt(1.0, QColor(30, 82, 166));
    p.setPen(QPen(QColor(22, 62, 138), 1.0));
    p.setBrush(fill);
    p.drawRoundedRect(f, 4.5, 4.5);
    p.setPen(QPen(QColor(255, 255, 255, 90), 1.0));
    p.drawLine(QPointF(f.left() + 4, f.top() + 1.5), QPointF(f.right() - 4, f.top() + 1.5));

    const QPointF centre = QRectF(face).center();
    placeText(p, font, caption, centre.x() + 0.5, centre.y() + 1.0, Anchor::Centre, QColor(12, 44, 110, 150));
    placeText(p, font, caption, centre.x(), centre.y() + 0.5, Anchor::Centre, Qt::white);
}

QImage drawLogin()
{
    QImage img(390, 237, QImage::Format_RGB32);
    img.fill(kLoginGround);
    QPainter p(&img);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);

    // Title band: a little lighter towards the top.
    QLinearGradient band(0, 0, 0, 62);
    band.setColorAt(0.0, QColor(214, 231, 250));
    band.setColorAt(1.0, kLoginGround);
    p.fillRect(QRect(0, 0, 390, 62), band);
    QRadialGradient glow(QPointF(330, 8), 120);
    glow.setColorAt(0.0, QColor(255, 255, 255, 90));
    glow.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.fillRect(QRect(0, 0, 390, 62), glow);

    p.save();
    p.setClipRect(QRect(0, 0, 390, 62));
    drawGlobeInHand(p, QPointF(40, 25), 18);
    p.restore();
    placeText(p, hanFont(g_serif, 20, true), QStringLiteral("用户登录"), 80, 30, Anchor::Left, QColor(14, 48, 118));

    // White rule under the title, with a faint shadow below it.
    p.fillRect(QRect(6, 62, 378, 1), Qt::white);
    p.fillRect(QRect(6, 63, 378, 1), QColor(150, 182, 222));

    const QFont label = hanFont(g_serif, 14, true);
    const QColor labelColour(13, 73, 133);
    // User name row: entry box at 207, 85, 160 x 24.
    drawPeople(p, QPointF(124, 92), 4.6);
    placeText(p, label, QStringLiteral("用户名"), 200, 97, Anchor::Right, labelColour);
    // Password row: entry box at 206, 131, 161 x 25; a 12 x 12 hot spot at 151, 139 sits between
    // the two characters.
    drawPadlock(p, QRectF(115.5, 142.5, 15, 11));
    placeText(p, label, QStringLiteral("密"), 150, 145, Anchor::Right, labelColour);
    placeText(p, label, QStringLiteral("码"), 164, 145, Anchor::Left, labelColour);

    const QFont caption = hanFont(g_serif, 13, true);
    drawButtonFace(p, QRect(142, 203, 76, 22), QStringLiteral("登陆"), caption);
    drawButtonFace(p, QRect(251, 203, 76, 22), QStringLiteral("重置"), caption);
    return img;
}

// ---------------------------------------------------------------------------------------------
// Pop-up window's view button

QImage drawViewButton()
{
    QImage img(52, 19, QImage::Format_RGB32);
    img.fill(QColor(245, 250, 253));
    QPainter p(&img);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);

    const QPointF lens(8.5, 8.0);
    const qreal r = 4.6;
    p.setPen(QPen(QColor(40, 40, 48), 2.8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(lens + QPointF(r * 0.78, r * 0.78), lens + QPointF(r * 0.78 + 4.6, r * 0.78 + 4.6));
    QRadialGradient glass(lens + QPointF(-1.5, -1.5), r * 1.4);
    glass.setColorAt(0.0, Qt::white);
    glass.setColorAt(1.0, QColor(170, 210, 240));
    p.setBrush(glass);
    p.setPen(QPen(QColor(24, 66, 138), 1.5));
    p.drawEllipse(lens, r, r);

    placeText(p, hanFont(g_sans, 12, true), QStringLiteral("查看"), 20, 9.5, Anchor::Left, QColor(24, 66, 138));
    return img;
}

// ---------------------------------------------------------------------------------------------
// Icons

// The "signal" figure: a dot in the lower left corner and up to two concentric quarter arcs.
QImage drawSignalIcon(int arcs, QColor light, QColor dark)
{
    QImage img(32, 32, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    const QPointF c(7.0, 25.0);
    QPainterPath figure;
    figure.addEllipse(c, 4.6, 4.6);
    QPainterPathStroker stroker;
    stroker.setWidth(3.8);
    stroker.setCapStyle(Qt::RoundCap);
    const qreal radii[2] = {12.5, 20.5};
    for (int i = 0; i < arcs; ++i) {
        const qreal rr = radii[i];
        QPainterPath arc;
        arc.moveTo(c + QPointF(rr, 0));
        arc.arcTo(QRectF(c.x() - rr, c.y() - rr, 2 * rr, 2 * rr), 0, 90);
        figure = figure.united(stroker.createStroke(arc));
    }
    figure = figure.simplified();

    QLinearGradient fill(0, 2, 0, 30);
    fill.setColorAt(0.0, light.lighter(118));
    fill.setColorAt(1.0, light);
    p.setPen(QPen(dark, 1.1));
    p.setBrush(fill);
    p.drawPath(figure);
    return img.convertToFormat(QImage::Format_ARGB32);
}

// A Windows icon file with one 32-bit image: ICONDIR, one ICONDIRENTRY, then the image as a
// BITMAPINFOHEADER (height doubled), bottom-up BGRA rows and the 1-bit AND mask.
QByteArray windowsIcon(const QImage& source)
{
    const QImage img = source.convertToFormat(QImage::Format_ARGB32);
    const int w = img.width(), h = img.height();
    const int maskStride = ((w + 31) / 32) * 4;

    QByteArray dib;
    auto put16 = [](QByteArray& b, quint16 v) { b.append(char(v & 0xff)).append(char(v >> 8)); };
    auto put32 = [&](QByteArray& b, quint32 v) { put16(b, quint16(v & 0xffff)); put16(b, quint16(v >> 16)); };
    put32(dib, 40);
    put32(dib, quint32(w));
    put32(dib, quint32(2 * h));
    put16(dib, 1);
    put16(dib, 32);
    put32(dib, 0);
    put32(dib, quint32(w * h * 4 + maskStride * h));
    for (int i = 0; i < 4; ++i)
        put32(dib, 0);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const QRgb px = img.pixel(x, y);
            dib.append(char(qBlue(px))).append(char(qGreen(px))).append(char(qRed(px))).append(char(qAlpha(px)));
        }
    }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(maskStride, '\0');
        for (int x = 0; x < w; ++x)
            if (qAlpha(img.pixel(x, y)) == 0)
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        dib.append(row);
    }

    QByteArray ico;
    put16(ico, 0);
    put16(ico, 1);  // icon
    put16(ico, 1);  // one image
    ico.append(char(w >= 256 ? 0 : w)).append(char(h >= 256 ? 0 : h)).append('\0').append('\0');
    put16(ico, 1);
    put16(ico, 32);
    put32(ico, quint32(dib.size()));
    put32(ico, 22);
    return ico + dib;
}

// ---------------------------------------------------------------------------------------------
// Updater's picture strip

// A thick circular arc from a0 to a1 (degrees, counter-clockwise, 0 at three o'clock) ending in
// an arrow head at a1.
QPainterPath circularArrow(QPointF c, qreal radius, qreal width, qreal a0, qreal a1)
{
    QPainterPath arc;
    arc.moveTo(c + QPointF(radius * std::cos(a0 * kPi / 180), -radius * std::sin(a0 * kPi / 180)));
    arc.arcTo(QRectF(c.x() - radius, c.y() - radius, 2 * radius, 2 * radius), a0, a1 - a0);
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::FlatCap);
    QPainterPath shape = stroker.createStroke(arc);

    const qreal t = a1 * kPi / 180;
    const QPointF end = c + QPointF(radius * std::cos(t), -radius * std::sin(t));
    const QPointF outward(std::cos(t), -std::sin(t));
    const qreal sign = a1 > a0 ? 1.0 : -1.0;  // direction of travel along the circle
    const QPointF along = QPointF(-std::sin(t), -std::cos(t)) * sign;
    QPolygonF head;
    head << end + outward * (width * 1.15) << end + along * (width * 1.5) << end - outward * (width * 1.15);
    QPainterPath headPath;
    headPath.addPolygon(head);
    headPath.closeSubpath();
    return shape.united(headPath).simplified();
}

QImage drawUpdaterStrip()
{
    QImage img(95, 214, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, 214);
    sky.setColorAt(0.0, QColor(18, 56, 128));
    sky.setColorAt(0.42, QColor(52, 120, 200));
    sky.setColorAt(0.78, QColor(156, 200, 240));
    sky.setColorAt(1.0, QColor(228, 240, 252));
    p.fillRect(img.rect(), sky);

    // Soft light discs.
    const struct { qreal x, y, r; int alpha; } discs[] = {
        {14, 22, 10, 26}, {80, 40, 7, 30}, {20, 150, 12, 24}, {76, 172, 9, 30}, {50, 196, 6, 34}, {86, 128, 5, 34}};
    p.setPen(Qt::NoPen);
    for (const auto& d : discs) {
        p.setBrush(QColor(255, 255, 255, d.alpha));
        p.drawEllipse(QPointF(d.x, d.y), d.r, d.r);
    }

    const QPointF c(47.5, 84);
    QRadialGradient halo(c, 54);
    halo.setColorAt(0.0, QColor(255, 255, 255, 120));
    halo.setColorAt(0.6, QColor(255, 255, 255, 40));
    halo.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.fillRect(img.rect(), halo);

    // Shadow on the ground below.
    QRadialGradient shadow(QPointF(47.5, 138), 30);
    shadow.setColorAt(0.0, QColor(10, 40, 90, 90));
    shadow.setColorAt(1.0, QColor(10, 40, 90, 0));
    p.save();
    p.translate(47.5, 138);
    p.scale(1.0, 0.2);
    p.translate(-47.5, -138);
    p.fillRect(QRectF(10, 92, 75, 92), shadow);
    p.restore();

    drawGlobe(p, c, 26);

    for (const auto& [a0, a1] : {std::pair<qreal, qreal>{160, 32}, std::pair<qreal, qreal>{340, 212}}) {
        const QPainterPath arrow = circularArrow(c, 36, 6.5, a0, a1);
        QLinearGradient fill(c - QPointF(40, 40), c + QPointF(40, 40));
        fill.setColorAt(0.0, QColor(255, 232, 96));
        fill.setColorAt(1.0, QColor(244, 132, 20));
        p.setPen(QPen(QColor(150, 70, 6), 1.0));
        p.setBrush(fill);
        p.drawPath(arrow);
    }
    return img.convertToFormat(QImage::Format_RGB888);
}

// ---------------------------------------------------------------------------------------------
// Wait animation: a magnifying glass circling over a written page.

constexpr int kAviWidth = 50;   // not a multiple of four, so uncompressed rows carry padding
constexpr int kAviHeight = 50;
constexpr int kAviFrames = 16;
const QRgb kAviBackground = qRgb(240, 240, 240);

void drawPage(QPainter& p)
{
    QPainterPath page;
    page.moveTo(9.5, 5.5);
    page.lineTo(30.5, 5.5);
    page.lineTo(37.5, 12.5);
    page.lineTo(37.5, 45.5);
    page.lineTo(9.5, 45.5);
    page.closeSubpath();
    p.setPen(QPen(QColor(112, 116, 128), 1.0));
    p.setBrush(Qt::white);
    p.drawPath(page);
    QPolygonF ear;
    ear << QPointF(30.5, 5.5) << QPointF(30.5, 12.5) << QPointF(37.5, 12.5);
    p.setBrush(QColor(214, 218, 228));
    p.drawPolygon(ear);

    p.setPen(QPen(QColor(40, 90, 170), 2.0));
    p.drawLine(QPointF(13, 10), QPointF(26, 10));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(150, 196, 236));
    p.drawRect(QRectF(13, 21, 9, 8));
    p.setBrush(QColor(90, 170, 90));
    p.drawEllipse(QPointF(17.5, 26.5), 3, 2);
    p.setPen(QPen(QColor(140, 146, 160), 1.0));
    const struct { qreal y, x0, x1; } lines[] = {{15.5, 13, 34}, {18.5, 13, 31}, {22.5, 24, 34}, {25.5, 24, 33},
                                                 {28.5, 24, 34}, {32.5, 13, 34}, {35.5, 13, 30}, {38.5, 13, 34},
                                                 {41.5, 13, 26}};
    for (const auto& l : lines)
        p.drawLine(QPointF(l.x0, l.y), QPointF(l.x1, l.y));
}

QImage drawAviFrame(int k)
{
    QImage img(kAviWidth, kAviHeight, QImage::Format_RGB32);
    img.fill(kAviBackground);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    drawPage(p);

    const double phi = 2 * kPi * k / kAviFrames;
    const QPointF lens(23.0 + 7.5 * std::cos(phi), 23.0 + 7.0 * std::sin(phi));
    const qreal r = 7.5;
    const QPointF diag(0.7071, 0.7071);

    // shadow of the glass on the page
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 36));
    p.drawEllipse(lens + QPointF(2.0, 2.5), r + 1, r + 1);

    // handle
    p.setPen(QPen(QColor(60, 40, 26), 4.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(lens + diag * (r + 3.5), lens + diag * (r + 10));
    p.setPen(QPen(QColor(150, 104, 60), 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(lens + diag * (r + 4.0) + QPointF(-0.6, 0.6), lens + diag * (r + 9.5) + QPointF(-0.6, 0.6));
    p.setPen(QPen(QColor(150, 154, 166), 3.4, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(lens + diag * (r + 0.5), lens + diag * (r + 3.5));

    // magnified page inside the lens
    QPainterPath glass;
    glass.addEllipse(lens, r, r);
    p.save();
    p.setClipPath(glass);
    p.fillPath(glass, Qt::white);
    p.translate(lens);
    p.scale(1.7, 1.7);
    p.translate(-lens);
    drawPage(p);
    p.restore();
    QRadialGradient tint(lens + QPointF(-2.5, -3), r * 1.3);
    tint.setColorAt(0.0, QColor(255, 255, 255, 110));
    tint.setColorAt(0.5, QColor(200, 226, 250, 40));
    tint.setColorAt(1.0, QColor(120, 170, 230, 90));
    p.fillPath(glass, tint);

    // rim
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(52, 56, 70), 2.0));
    p.drawEllipse(lens, r, r);
    p.setPen(QPen(QColor(196, 200, 212), 0.8));
    p.drawEllipse(lens, r - 1.3, r - 1.3);
    return img;
}

struct Animation {
    int width = 0;
    int height = 0;
    std::vector<QRgb> palette;                  // 256 entries; entry 0 is the background
    std::vector<std::vector<uint8_t>> frames;   // palette indices, top row first
};

// One palette for all frames: the background first, then the most used colours (at 5 bits per
// channel, averaged), every pixel mapped to the nearest entry.
Animation buildAnimation()
{
    std::vector<QImage> images;
    for (int k = 0; k < kAviFrames; ++k)
        images.push_back(drawAviFrame(k));

    struct Bucket { quint64 r = 0, g = 0, b = 0, n = 0; };
    std::map<int, Bucket> buckets;
    for (const QImage& img : images) {
        for (int y = 0; y < img.height(); ++y) {
            for (int x = 0; x < img.width(); ++x) {
                const QRgb px = img.pixel(x, y);
                if ((px & 0xffffff) == (kAviBackground & 0xffffff))
                    continue;
                Bucket& b = buckets[((qRed(px) >> 3) << 10) | ((qGreen(px) >> 3) << 5) | (qBlue(px) >> 3)];
                b.r += qRed(px);
                b.g += qGreen(px);
                b.b += qBlue(px);
                ++b.n;
            }
        }
    }
    std::vector<std::pair<int, Bucket>> ranked(buckets.begin(), buckets.end());
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.second.n > b.second.n; });

    Animation anim;
    anim.width = kAviWidth;
    anim.height = kAviHeight;
    anim.palette.push_back(kAviBackground | 0xff000000u);
    for (const auto& [key, b] : ranked) {
        if (anim.palette.size() == 256)
            break;
        anim.palette.push_back(qRgb(int((b.r + b.n / 2) / b.n), int((b.g + b.n / 2) / b.n), int((b.b + b.n / 2) / b.n)));
    }
    while (anim.palette.size() < 256)
        anim.palette.push_back(qRgb(0, 0, 0));

    std::unordered_map<QRgb, uint8_t> nearest;
    auto lookup = [&](QRgb px) {
        px |= 0xff000000u;
        auto it = nearest.find(px);
        if (it != nearest.end())
            return it->second;
        int best = 0;
        long bestDistance = -1;
        for (int i = 0; i < 256; ++i) {
            const QRgb q = anim.palette[size_t(i)];
            const long dr = qRed(px) - qRed(q), dg = qGreen(px) - qGreen(q), db = qBlue(px) - qBlue(q);
            const long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
            if (bestDistance < 0 || d < bestDistance) {
                bestDistance = d;
                best = i;
            }
        }
        nearest.emplace(px, uint8_t(best));
        return uint8_t(best);
    };
    for (const QImage& img : images) {
        std::vector<uint8_t> indices;
        indices.reserve(size_t(kAviWidth * kAviHeight));
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                indices.push_back(lookup(img.pixel(x, y)));
        anim.frames.push_back(std::move(indices));
    }
    return anim;
}

// ---------------------------------------------------------------------------------------------
// AVI writer
//
// Layout of the file written (all numbers little-endian; every chunk's data is padded to an even
// size, the pad byte not counted in the chunk's size):
//
//   RIFF 'AVI '
//     LIST 'hdrl'
//       'avih' (56 bytes)  dwMicroSecPerFrame 100000, dwMaxBytesPerSec = largest frame x 10,
//                          dwPaddingGranularity 0, dwFlags AVIF_HASINDEX (0x10), dwTotalFrames,
//                          dwInitialFrames 0, dwStreams 1, dwSuggestedBufferSize = largest frame,
//                          dwWidth, dwHeight, 4 reserved zeros
//       LIST 'strl'
//         'strh' (56 bytes) fccType 'vids', fccHandler 'RLE ' (RLE8) or 'DIB ' (uncompressed),
//                          dwFlags 0, wPriority 0, wLanguage 0, dwInitialFrames 0, dwScale 1,
//                          dwRate 10, dwStart 0, dwLength = frames, dwSuggestedBufferSize = largest
//                          frame, dwQuality 0xFFFFFFFF, dwSampleSize 0, rcFrame 0, 0, width, height
//                          (four 16-bit values)
//         'strf' (1064 bytes) BITMAPINFOHEADER: biSize 40, biWidth, biHeight (positive: bottom-up),
//                          biPlanes 1, biBitCount 8, biCompression 1 (BI_RLE8) or 0 (BI_RGB),
//                          biSizeImage = largest frame (RLE8) or row size x height (BI_RGB),
//                          biXPelsPerMeter 0, biYPelsPerMeter 0, biClrUsed 256, biClrImportant 0;
//                          then 256 RGBQUADs (blue, green, red, 0). Entry 0 is the background.
//     LIST 'movi'
//       one chunk per frame, in order: '00dc' (RLE8) or '00db' (BI_RGB), every frame complete
//     'idx1'               per frame 16 bytes: chunk id, flags AVIIF_KEYFRAME (0x10), offset of the
//                          chunk's header counted from the 'movi' type code (first frame: 4), size
//
// RLE8 frames run from the bottom row up. Each row is a sequence of encoded runs (count 1..255,
// colour index) and absolute runs (0, count 3..255, that many indices, one zero byte when the
// count is odd so the next code starts on a 16-bit boundary); rows end with 0 0 (end of line),
// the last row with 0 1 (end of bitmap) instead. No delta codes are used.
// BI_RGB frames hold the rows bottom-up, each padded with zeros to a multiple of 4 bytes.

QByteArray encodeRle8(const std::vector<uint8_t>& pixels, int w, int h)
{
    QByteArray out;
    for (int y = h - 1; y >= 0; --y) {
        const uint8_t* row = pixels.data() + size_t(y) * size_t(w);
        int x = 0;
        while (x < w) {
            int run = 1;
            while (x + run < w && run < 255 && row[x + run] == row[x])
                ++run;
            if (run >= 3) {
                out.append(char(run)).append(char(row[x]));
                x += run;
                continue;
            }
            // Literal stretch up to the start of the next run of three or more.
            int end = x;
            while (end < w && end - x < 255) {
                int same = 1;
                while (end + same < w && same < 3 && row[end + same] == row[end])
                    ++same;
                if (same >= 3)
                    break;
                ++end;
            }
            const int n = end - x;
            if (n >= 3) {
                out.append('\0').append(char(n)).append(reinterpret_cast<const char*>(row + x), n);
                if (n & 1)
                    out.append('\0');
            } else {
                for (int i = 0; i < n; ++i)
                    out.append(char(1)).append(char(row[x + i]));
            }
            x = end;
        }
        out.append('\0').append(char(y > 0 ? 0 : 1));
    }
    return out;
}

QByteArray packRgb8(const std::vector<uint8_t>& pixels, int w, int h)
{
    const int stride = (w + 3) & ~3;
    QByteArray out;
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(stride, '\0');
        std::copy_n(pixels.data() + size_t(y) * size_t(w), w, reinterpret_cast<uint8_t*>(row.data()));
        out.append(row);
    }
    return out;
}

void put16(QByteArray& b, quint32 v) { b.append(char(v & 0xff)).append(char((v >> 8) & 0xff)); }
void put32(QByteArray& b, quint32 v) { put16(b, v & 0xffff); put16(b, v >> 16); }

QByteArray chunk(const char* id, const QByteArray& data)
{
    QByteArray b(id, 4);
    put32(b, quint32(data.size()));
    b.append(data);
    if (data.size() & 1)
        b.append('\0');
    return b;
}

QByteArray list(const char* type, const QByteArray& content)
{
    QByteArray b("LIST", 4);
    put32(b, quint32(4 + content.size()));
    b.append(type, 4);
    b.append(content);
    return b;
}

QByteArray writeAvi(const Animation& anim, bool rle)
{
    const quint32 w = quint32(anim.width), h = quint32(anim.height), n = quint32(anim.frames.size());
    std::vector<QByteArray> frames;
    quint32 largest = 0;
    for (const auto& f : anim.frames) {
        frames.push_back(rle ? encodeRle8(f, anim.width, anim.height) : packRgb8(f, anim.width, anim.height));
        largest = std::max(largest, quint32(frames.back().size()));
    }

    QByteArray avih;
    put32(avih, 100000);
    put32(avih, largest * 10);
    put32(avih, 0);
    put32(avih, 0x10);
    put32(avih, n);
    put32(avih, 0);
    put32(avih, 1);
    put32(avih, largest);
    put32(avih, w);
    put32(avih, h);
    for (int i = 0; i < 4; ++i)
        put32(avih, 0);

    QByteArray strh("vids", 4);
    strh.append(rle ? "RLE " : "DIB ", 4);
    put32(strh, 0);
    put16(strh, 0);
    put16(strh, 0);
    put32(strh, 0);
    put32(strh, 1);
    put32(strh, 10);
    put32(strh, 0);
    put32(strh, n);
    put32(strh, largest);
    put32(strh, 0xffffffffu);
    put32(strh, 0);
    put16(strh, 0);
    put16(strh, 0);
    put16(strh, w);
    put16(strh, h);

    QByteArray strf;
    put32(strf, 40);
    put32(strf, w);
    put32(strf, h);
    put16(strf, 1);
    put16(strf, 8);
    put32(strf, rle ? 1 : 0);
    put32(strf, rle ? largest : quint32((w + 3) & ~3u) * h);
    put32(strf, 0);
    put32(strf, 0);
    put32(strf, 256);
    put32(strf, 0);
    for (QRgb c : anim.palette)
        strf.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c))).append('\0');

    const char* frameId = rle ? "00dc" : "00db";
    QByteArray movi, idx1;
    for (const QByteArray& f : frames) {
        idx1.append(frameId, 4);
        put32(idx1, 0x10);
        put32(idx1, quint32(4 + movi.size()));
        put32(idx1, quint32(f.size()));
        movi.append(chunk(frameId, f));
    }

    const QByteArray body = list("hdrl", chunk("avih", avih) + list("strl", chunk("strh", strh) + chunk("strf", strf)))
                            + list("movi", movi) + chunk("idx1", idx1);
    QByteArray riff("RIFF", 4);
    put32(riff, quint32(4 + body.size()));
    riff.append("AVI ", 4);
    riff.append(body);
    return riff;
}

// ---------------------------------------------------------------------------------------------
// Output

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        fail(QStringLiteral("cannot write %1").arg(path));
    std::printf("%s  %lld bytes\n", qPrintable(QDir::toNativeSeparators(path)), static_cast<long long>(bytes.size()));
}

void writeImage(const QString& path, const QImage& img, const char* format, int quality = -1)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        fail(QStringLiteral("cannot write %1").arg(path));
    QImageWriter writer(&file, format);
    if (quality >= 0)
        writer.setQuality(quality);
    if (!writer.write(img) || !file.commit())
        fail(QStringLiteral("cannot write %1: %2").arg(path, writer.errorString()));
    std::printf("%s  %dx%d  %lld bytes\n", qPrintable(QDir::toNativeSeparators(path)), img.width(), img.height(),
                static_cast<long long>(QFileInfo(path).size()));
}

int usage()
{
    std::fprintf(stderr,
                 "usage: vek_artwork <repository folder>\n"
                 "       vek_artwork --avi-uncompressed <file>\n"
                 "       vek_artwork --avi-rle8 <file>\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);

    if (args.size() == 2 && (args[0] == QLatin1String("--avi-uncompressed") || args[0] == QLatin1String("--avi-rle8"))) {
        writeBytes(args[1], writeAvi(buildAnimation(), args[0] == QLatin1String("--avi-rle8")));
        return 0;
    }
    if (args.size() != 1 || args[0].startsWith(QLatin1String("--")))
        return usage();

    const QDir root(args[0]);
    if (!root.exists())
        fail(QStringLiteral("no such folder: %1").arg(args[0]));
    pickFonts();

    writeImage(root.filePath(QStringLiteral("client/resources/login.jpg")), drawLogin(), "jpeg", 90);
    writeImage(root.filePath(QStringLiteral("client/resources/view.jpg")), drawViewButton(), "jpeg", 90);

    const QColor red(226, 28, 34), redEdge(140, 6, 10);
    writeImage(root.filePath(QStringLiteral("client/resources/icons/BIG.png")), drawSignalIcon(2, red, redEdge), "png");
    writeImage(root.filePath(QStringLiteral("client/resources/icons/SMAIL.png")), drawSignalIcon(1, red, redEdge), "png");
    writeImage(root.filePath(QStringLiteral("client/resources/icons/NORMAL.png")), drawSignalIcon(0, red, redEdge), "png");
    const QImage mainIcon = drawSignalIcon(2, QColor(250, 142, 18), QColor(168, 78, 0));
    writeImage(root.filePath(QStringLiteral("client/resources/icons/MAINICON.png")), mainIcon, "png");
    writeBytes(root.filePath(QStringLiteral("client/resources/icons/MAINICON.ico")), windowsIcon(mainIcon));

    writeImage(root.filePath(QStringLiteral("updater/resources/strip.png")), drawUpdaterStrip(), "png");
    writeBytes(root.filePath(QStringLiteral("updater/FIND.AVI")), writeAvi(buildAnimation(), true));
    return 0;
}
