// Generates every picture, the title picture and the sounds of the game into
// an assets folder, together with the resource list that embeds them:
//
//     make_assets [assets-folder]      (default: ./assets)
//
// Everything is drawn or synthesised here from fixed seeds, so a run gives
// the same files again. Lettering uses the DejaVu fonts of the Debian package
// fonts-dejavu-core. The sizes the game relies on are fixed: picture sizes,
// the title picture's exact byte count, the sounds' formats and byte counts.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr double Pi = std::numbers::pi;

// ---------------------------------------------------------------------------
// Small helpers

// A fixed-seed generator so every run draws the same pictures and sounds.
class TNoise {
public:
    explicit TNoise(uint64_t seed) : State(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint64_t Next() {
        State ^= State << 13;
        State ^= State >> 7;
        State ^= State << 17;
        return State;
    }
    double Uniform() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
    double Range(double lo, double hi) { return lo + (hi - lo) * Uniform(); }
    double Signed() { return Uniform() * 2.0 - 1.0; }

private:
    uint64_t State;
};

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "make_assets: %s\n", what.c_str());
    std::exit(1);
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        Fail("cannot write " + path.toStdString());
}

void SavePng(const QImage& image, const QString& path) {
    // 32-bit RGBA PNG: the image lists hold 32-bit pictures.
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!argb.save(path, "PNG")) Fail("cannot write " + path.toStdString());
}

QString LoadFontFamily(const QString& file) {
    const int id = QFontDatabase::addApplicationFont(file);
    if (id < 0) Fail("font not found: " + file.toStdString() + " (install fonts-dejavu-core)");
    return QFontDatabase::applicationFontFamilies(id).value(0);
}

// A gray-level map in 0..1, used for masks and glows.
struct TMap {
    int W = 0, H = 0;
    std::vector<double> V;
    TMap(int w, int h) : W(w), H(h), V(static_cast<size_t>(w * h), 0.0) {}
    double& At(int x, int y) { return V[static_cast<size_t>(y * W + x)]; }
    double At(int x, int y) const { return V[static_cast<size_t>(y * W + x)]; }
};

TMap AlphaOf(const QImage& img) {
    TMap m(img.width(), img.height());
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) m.At(x, y) = qAlpha(img.pixel(x, y)) / 255.0;
    return m;
}

// Three box blurs in a row approximate a Gaussian of about `radius`.
TMap Blur(const TMap& in, int radius) {
    TMap a = in;
    TMap b(in.W, in.H);
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < a.H; ++y)
            for (int x = 0; x < a.W; ++x) {
                double s = 0;
                for (int k = -radius; k <= radius; ++k) {
                    const int xx = std::clamp(x + k, 0, a.W - 1);
                    s += (x + k < 0 || x + k >= a.W) ? 0.0 : a.At(xx, y);
                }
                b.At(x, y) = s / (2 * radius + 1);
            }
        for (int y = 0; y < a.H; ++y)
            for (int x = 0; x < a.W; ++x) {
                double s = 0;
                for (int k = -radius; k <= radius; ++k) {
                    const int yy = y + k;
                    s += (yy < 0 || yy >= a.H) ? 0.0 : b.At(x, yy);
                }
                a.At(x, y) = s / (2 * radius + 1);
            }
    }
    return a;
}

int Channel(double v) { return std::clamp(static_cast<int>(std::lround(v)), 0, 255); }

// ---------------------------------------------------------------------------
// Button pictures: dark-red glowing lettering on black

QImage GlowButton(const QString& text, const QString& family) {
    constexpr int W = 100, H = 50;
    QFont font(family);
    font.setBold(true);
    font.setHintingPreference(QFont::PreferNoHinting);
    int px = 22;
    for (; px > 8; --px) {
        font.setPixelSize(px);
        if (QFontMetrics(font).horizontalAdvance(text) <= 84) break;
    }
    QPainterPath path;
    {
        const QFontMetricsF fm(font);
        const double x = (W - fm.horizontalAdvance(text)) / 2.0;
        const double y = (H + fm.ascent() - fm.descent()) / 2.0;
        path.addText(QPointF(x, y), font, text);
    }

    QImage letters(W, H, QImage::Format_ARGB32_Premultiplied);
    letters.fill(Qt::transparent);
    {
        QPainter p(&letters);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient fill(0, H * 0.25, 0, H * 0.75);
        fill.setColorAt(0.0, QColor(236, 70, 48));
        fill.setColorAt(0.5, QColor(178, 18, 12));
        fill.setColorAt(1.0, QColor(104, 0, 0));
        p.fillPath(path, fill);
        p.setPen(QPen(QColor(60, 0, 0, 200), 0.8));
        p.drawPath(path);
    }
    const TMap mask = AlphaOf(letters);
    const TMap wide = Blur(mask, 3);
    const TMap close = Blur(mask, 1);

    QImage out(W, H, QImage::Format_ARGB32);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            // The glow: a wide dim halo and a tighter brighter one, both dark red.
            const double g = std::min(1.0, wide.At(x, y) * 1.6) * 0.55 + close.At(x, y) * 0.35;
            double r = 150 * g, gg = 14 * g, b = 8 * g;
            const QRgb l = letters.pixel(x, y);
            const double a = qAlpha(l) / 255.0;
            r = qRed(l) + r * (1 - a);
            gg = qGreen(l) + gg * (1 - a);
            b = qBlue(l) + b * (1 - a);
            out.setPixel(x, y, qRgba(Channel(r), Channel(gg), Channel(b), 255));
        }
    return out;
}

QImage Uniform(int w, int h, QRgb colour) {
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(colour);
    return img;
}

// ---------------------------------------------------------------------------
// Reaction tube pictures: a cyan agar disc that a colony covers level by level

constexpr int TubeScale = 4;            // drawn 4x larger, then averaged down
constexpr int TubeBig = 32 * TubeScale;
constexpr double DiscCentre = TubeBig / 2.0;
constexpr double DiscRadius = 15.0 * TubeScale;
const QColor AgarColour(0x28, 0x81, 0x91);

struct TBacterium {
    QPointF Centre;
    double Angle = 0;    // degrees
    double Length = 0;   // 0 for a coccus
    double Width = 0;
    QColor Body;
    double Key = 0;      // the order in which the colony reaches it
};

std::vector<TBacterium> MakeColony() {
    TNoise rng(4711);
    // Lobes of the colony's outline: the order of growth depends on the angle.
    std::array<double, 4> phase{};
    for (double& ph : phase) ph = rng.Range(0, 2 * Pi);
    auto lobes = [&](double angle) {
        return 1.0 + 0.22 * std::sin(3 * angle + phase[0]) + 0.12 * std::sin(5 * angle + phase[1]) +
               0.08 * std::sin(2 * angle + phase[2]) + 0.05 * std::sin(7 * angle + phase[3]);
    };
    const QPointF seed(DiscCentre + 6, DiscCentre + 9);
    std::vector<TBacterium> colony;
    for (int i = 0; i < 520; ++i) {
        TBacterium b;
        // Spread evenly over the disc (and a little beyond, the disc clips).
        const double rr = DiscRadius * 1.04 * std::sqrt(rng.Uniform());
        const double th = rng.Range(0, 2 * Pi);
        b.Centre = QPointF(DiscCentre + rr * std::cos(th), DiscCentre + rr * std::sin(th));
        const bool rod = rng.Uniform() < 0.62;
        b.Width = rod ? rng.Range(5.5, 7.5) : rng.Range(6.0, 9.0);
        b.Length = rod ? rng.Range(13, 22) : 0;
        b.Angle = rng.Range(0, 180);
        const double warm = rng.Range(0, 1);
        b.Body = QColor::fromRgbF(static_cast<float>(0.80 + 0.15 * warm), static_cast<float>(0.62 + 0.18 * warm),
                                  static_cast<float>(0.22 + 0.12 * rng.Uniform()));
        const QPointF d = b.Centre - seed;
        const double dist = std::hypot(d.x(), d.y());
        b.Key = dist / lobes(std::atan2(d.y(), d.x())) + rng.Range(0, 7);
        colony.push_back(b);
    }
    return colony;
}

void DrawBacterium(QPainter& p, const TBacterium& b) {
    p.save();
    p.translate(b.Centre);
    p.rotate(b.Angle);
    const double halfLen = (b.Length > 0 ? b.Length : b.Width) / 2.0;
    const double halfW = b.Width / 2.0;
    const QRectF body(-halfLen, -halfW, 2 * halfLen, 2 * halfW);
    // A soft shadow below gives the pile depth.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 16, 6, 150));
    p.drawRoundedRect(body.translated(1.4, 1.8).adjusted(-0.8, -0.8, 0.8, 0.8), halfW + 0.8, halfW + 0.8);
    // The cell: lit from the upper left, darker at its rim.
    QRadialGradient shade(QPointF(-halfLen * 0.35, -halfW * 0.45), std::max(halfLen, halfW) * 1.5);
    shade.setColorAt(0.0, b.Body.lighter(150));
    shade.setColorAt(0.45, b.Body);
    shade.setColorAt(1.0, b.Body.darker(260));
    p.setBrush(shade);
    p.setPen(QPen(b.Body.darker(330), 0.9));
    p.drawRoundedRect(body, halfW, halfW);
    // A glint of the moist surface.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 250, 220, 120));
    p.drawEllipse(QPointF(-halfLen * 0.4, -halfW * 0.35), std::max(1.2, halfLen * 0.3), halfW * 0.28);
    p.restore();
}

QPainterPath DiscPath() {
    QPainterPath disc;
    disc.addEllipse(QPointF(DiscCentre, DiscCentre), DiscRadius, DiscRadius);
    return disc;
}

// The disc alone, drawn large.
QImage AgarDisc() {
    QImage img(TubeBig, TubeBig, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::black);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(DiscPath(), AgarColour);
    return img;
}

// Draws the bacteria whose key is at most `limit` onto the disc.
void PaintColony(QPainter& p, const std::vector<TBacterium>& colony, double limit, bool matUnderneath) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipPath(DiscPath());
    if (matUnderneath) {
        // The fully grown colony: a dense slime between the cells.
        QRadialGradient mat(QPointF(DiscCentre - 14, DiscCentre - 16), DiscRadius * 1.3);
        mat.setColorAt(0.0, QColor(120, 92, 36));
        mat.setColorAt(1.0, QColor(58, 40, 14));
        p.fillPath(DiscPath(), mat);
    }
    for (const TBacterium& b : colony)
        if (b.Key <= limit) DrawBacterium(p, b);
}

QImage ColonyPicture(const std::vector<TBacterium>& colony, double limit, bool matUnderneath) {
    QImage img = AgarDisc();
    QPainter p(&img);
    PaintColony(p, colony, limit, matUnderneath);
    return img;
}

double CoveredShare(const QImage& big) {
    int inside = 0, covered = 0;
    const QRgb agar = AgarColour.rgb();
    for (int y = 0; y < big.height(); ++y)
        for (int x = 0; x < big.width(); ++x) {
            const double dx = x + 0.5 - DiscCentre, dy = y + 0.5 - DiscCentre;
            if (dx * dx + dy * dy > (DiscRadius - 1) * (DiscRadius - 1)) continue;
            ++inside;
            if ((big.pixel(x, y) & 0xFFFFFF) != (agar & 0xFFFFFF)) ++covered;
        }
    return static_cast<double>(covered) / inside;
}

QImage Shrink(const QImage& big) {
    return big.scaled(32, 32, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_ARGB32);
}

std::vector<QImage> TubePictures(const std::vector<TBacterium>& colony) {
    std::vector<QImage> pictures;
    pictures.push_back(Shrink(AgarDisc()));
    for (int level = 1; level <= 9; ++level) {
        // The key limit at which the colony covers level/10 of the disc.
        const double target = level / 10.0;
        double lo = 0, hi = 400;
        for (int it = 0; it < 22; ++it) {
            const double mid = (lo + hi) / 2;
            if (CoveredShare(ColonyPicture(colony, mid, false)) < target) lo = mid;
            else hi = mid;
        }
        pictures.push_back(Shrink(ColonyPicture(colony, hi, false)));
    }
    pictures.push_back(Shrink(ColonyPicture(colony, 1e9, true)));
    return pictures;
}

// ---------------------------------------------------------------------------
// "Weapon": a syringe on black

// Drawn about the painter's origin, needle to the upper right.
void PaintSyringe(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.rotate(-45);
    // Along x: plunger knob at the left, needle at the right.
    // Needle.
    QLinearGradient steel(0, -2, 0, 2);
    steel.setColorAt(0, QColor(240, 240, 245));
    steel.setColorAt(1, QColor(120, 125, 135));
    p.setPen(Qt::NoPen);
    p.setBrush(steel);
    p.drawRect(QRectF(30, -1.6, 30, 3.2));
    p.drawPolygon(QPolygonF({QPointF(60, -1.6), QPointF(66, 0), QPointF(60, 1.6)}));
    // Needle hub.
    p.setBrush(QColor(70, 170, 90));
    p.drawRoundedRect(QRectF(24, -5, 8, 10), 2, 2);
    // The glowing dose inside the barrel.
    QLinearGradient dose(0, -11, 0, 11);
    dose.setColorAt(0.0, QColor(150, 255, 140));
    dose.setColorAt(0.5, QColor(40, 210, 60));
    dose.setColorAt(1.0, QColor(10, 100, 30));
    p.setBrush(dose);
    p.drawRect(QRectF(-12, -10, 36, 20));
    // Barrel glass.
    QLinearGradient glass(0, -12, 0, 12);
    glass.setColorAt(0.0, QColor(255, 255, 255, 150));
    glass.setColorAt(0.3, QColor(255, 255, 255, 40));
    glass.setColorAt(1.0, QColor(200, 220, 255, 70));
    p.setBrush(glass);
    p.setPen(QPen(QColor(225, 232, 240), 2.2));
    p.drawRoundedRect(QRectF(-34, -12, 60, 24), 3, 3);
    // Scale marks.
    p.setPen(QPen(QColor(20, 40, 30), 1.4));
    for (int i = 0; i < 5; ++i) p.drawLine(QPointF(-24 + i * 10, -12), QPointF(-24 + i * 10, -5));
    // Finger flange.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 205, 215));
    p.drawRoundedRect(QRectF(-38, -19, 5, 38), 2, 2);
    // Plunger rod and knob.
    p.setBrush(steel);
    p.drawRect(QRectF(-56, -3.5, 28, 7));
    p.setBrush(QColor(180, 186, 198));
    p.drawRoundedRect(QRectF(-61, -13, 6, 26), 2.5, 2.5);
    // Rubber stopper at the front of the plunger.
    p.setBrush(QColor(40, 40, 44));
    p.drawRect(QRectF(-32, -10.5, 5, 21));
    // A drop at the tip.
    QRadialGradient drop(QPointF(69, 0), 4);
    drop.setColorAt(0, QColor(190, 255, 180));
    drop.setColorAt(1, QColor(30, 200, 60, 0));
    p.setBrush(drop);
    p.drawEllipse(QPointF(69, 0), 4, 4);
}

QImage Syringe() {
    QImage img(TubeBig, TubeBig, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::black);
    QPainter p(&img);
    p.translate(TubeBig / 2.0, TubeBig / 2.0);
    PaintSyringe(p);
    p.end();
    return Shrink(img);
}

// ---------------------------------------------------------------------------
// The program's icon: the fully grown colony of the tube pictures with the
// syringe of the "Weapon" picture over it, on a transparent ground. Drawn once
// at 512 pixels and scaled down for the smaller sizes of the icon theme.

QImage Icon(const std::vector<TBacterium>& colony) {
    constexpr int Size = 512;
    QImage img(Size, Size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(Size / static_cast<double>(TubeBig), Size / static_cast<double>(TubeBig));
    // The disc, a little inside the square, with a rim of the dish around it.
    p.save();
    p.translate(DiscCentre, DiscCentre);
    p.scale(0.92, 0.92);
    p.translate(-DiscCentre, -DiscCentre);
    p.setPen(QPen(QColor(200, 225, 230, 220), 3.0));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(DiscCentre, DiscCentre), DiscRadius + 1.5, DiscRadius + 1.5);
    p.setPen(Qt::NoPen);
    p.fillPath(DiscPath(), AgarColour);
    PaintColony(p, colony, 1e9, true);
    p.restore();
    // The syringe, shifted toward the lower left so the needle points into the dish.
    p.translate(DiscCentre - 10, DiscCentre + 10);
    p.scale(0.8, 0.8);
    PaintSyringe(p);
    p.end();
    return img.convertToFormat(QImage::Format_ARGB32);
}

// ---------------------------------------------------------------------------
// The title picture: "Agarhold" in blue script lettering on black

QImage TitleArt(const QString& scriptFamily) {
    constexpr int W = 460, H = 200;
    QFont font(scriptFamily);
    font.setBold(true);
    font.setItalic(true);
    font.setHintingPreference(QFont::PreferNoHinting);
    const QString text = QStringLiteral("Agarhold");
    int px = 120;
    for (; px > 20; --px) {
        font.setPixelSize(px);
        if (QFontMetricsF(font).horizontalAdvance(text) * 1.0 <= 384) break;
    }
    QPainterPath path;
    const QFontMetricsF fm(font);
    const double textW = fm.horizontalAdvance(text);
    const double baseline = 122;
    path.addText(QPointF(0, 0), font, text);
    // A further slant makes the italic read as a hand-written script.
    QTransform shape;
    shape.translate((W - textW) / 2.0 + 6, baseline);
    shape.shear(-0.18, 0);
    path = shape.map(path);

    // The swash under the word: a chain of little cocci.
    TNoise rng(1999);
    struct TDot { QPointF At; double R; double Glow; };
    std::vector<TDot> dots;
    const QRectF box = path.boundingRect();
    for (int i = 0; i < 64; ++i) {
        const double t = i / 63.0;
        const double x = box.left() + 8 + t * (box.width() - 10);
        const double y = baseline + 22 + 9 * std::sin(t * Pi * 1.6 + 0.4) - 10 * t;
        const double r = 1.3 + 2.2 * std::sin(t * Pi) + rng.Range(-0.3, 0.3);
        dots.push_back({QPointF(x + rng.Range(-1.0, 1.0), y + rng.Range(-1.0, 1.0)), r, 1.0});
    }
    // Scattered colonies around the word, some dim, some bright.
    for (int i = 0; i < 46; ++i) {
        QPointF c(rng.Range(8, W - 8), rng.Range(8, H - 8));
        if (box.adjusted(-6, -6, 6, 34).contains(c)) continue;
        const int cluster = 1 + static_cast<int>(rng.Uniform() * 5);
        const double r = rng.Range(0.9, 2.4);
        const double glow = rng.Range(0.25, 0.9);
        for (int k = 0; k < cluster; ++k) {
            dots.push_back({c, r, glow});
            const double a = rng.Range(0, 2 * Pi);
            c += QPointF(std::cos(a), std::sin(a)) * (2 * r + 0.3);
        }
    }

    QImage word(W, H, QImage::Format_ARGB32_Premultiplied);
    word.fill(Qt::transparent);
    {
        QPainter p(&word);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient fill(0, box.top(), 0, box.bottom());
        fill.setColorAt(0.00, QColor(200, 232, 255));
        fill.setColorAt(0.30, QColor(70, 150, 255));
        fill.setColorAt(0.62, QColor(24, 70, 230));
        fill.setColorAt(1.00, QColor(10, 24, 140));
        p.fillPath(path, fill);
        p.setPen(QPen(QColor(150, 210, 255), 1.1));
        p.drawPath(path);
        for (const TDot& d : dots) {
            QRadialGradient g(d.At - QPointF(d.R * 0.35, d.R * 0.35), d.R * 1.4);
            g.setColorAt(0, QColor::fromRgbF(0.75f, 0.90f, 1.0f, static_cast<float>(d.Glow)));
            g.setColorAt(0.6, QColor::fromRgbF(0.15f, 0.40f, 1.0f, static_cast<float>(d.Glow)));
            g.setColorAt(1, QColor::fromRgbF(0.05f, 0.12f, 0.55f, static_cast<float>(d.Glow)));
            p.setPen(Qt::NoPen);
            p.setBrush(g);
            p.drawEllipse(d.At, d.R, d.R);
        }
    }
    const TMap mask = AlphaOf(word);
    const TMap wide = Blur(mask, 9);
    const TMap mid = Blur(mask, 3);

    QImage out(W, H, QImage::Format_RGB32);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const double g1 = std::min(1.0, wide.At(x, y) * 2.2);
            const double g2 = std::min(1.0, mid.At(x, y) * 1.4);
            double r = 6 * g1 + 20 * g2;
            double g = 30 * g1 + 70 * g2;
            double b = 120 * g1 + 150 * g2;
            const QRgb l = word.pixel(x, y);
            const double a = qAlpha(l) / 255.0;
            r = qRed(l) + r * (1 - a);
            g = qGreen(l) + g * (1 - a);
            b = qBlue(l) + b * (1 - a);
            out.setPixel(x, y, qRgb(Channel(r), Channel(g), Channel(b)));
        }
    return out;
}

// Baseline JPEG, three components, through libjpeg; an optional comment
// segment of `commentBytes` bytes of data goes right after the header.
QByteArray EncodeJpeg(const QImage& image, int quality, int commentBytes) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(rgb.width());
    cinfo.image_height = static_cast<JDIMENSION>(rgb.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.optimize_coding = FALSE;
    jpeg_start_compress(&cinfo, TRUE);
    if (commentBytes > 0) {
        std::string note = "Agarhold title picture. ";
        std::string data;
        while (static_cast<int>(data.size()) < commentBytes) data += note;
        data.resize(static_cast<size_t>(commentBytes));
        jpeg_write_marker(&cinfo, JPEG_COM, reinterpret_cast<const JOCTET*>(data.data()),
                          static_cast<unsigned int>(data.size()));
    }
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.constScanLine(static_cast<int>(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    QByteArray out(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

QByteArray TitleJpeg(const QImage& art, int exactSize) {
    constexpr int CommentOverhead = 4;  // marker FF FE and the two length bytes
    int best = -1;
    QByteArray plain;
    for (int q = 100; q >= 30; --q) {
        plain = EncodeJpeg(art, q, 0);
        if (plain.size() + CommentOverhead <= exactSize) {
            best = q;
            break;
        }
    }
    if (best < 0) Fail("title picture too large even at low quality");
    const int padding = exactSize - static_cast<int>(plain.size()) - CommentOverhead;
    if (padding > 65533) Fail("title picture too small to pad with one comment");
    const QByteArray padded = EncodeJpeg(art, best, padding);
    if (padded.size() != exactSize) Fail("title picture size mismatch");
    std::printf("title.jpg: quality %d, %d bytes of picture, comment of %d bytes\n", best,
                static_cast<int>(plain.size()), padding);
    return padded;
}

// ---------------------------------------------------------------------------
// Sounds

// A RIFF WAVE file assembled chunk by chunk.
class TRiffWriter {
public:
    void Chunk(const char id[4], const QByteArray& data) {
        Body.append(id, 4);
        AppendU32(Body, static_cast<uint32_t>(data.size()));
        Body.append(data);
        if (data.size() % 2 == 1) Body.append('\0');  // pad byte of an odd chunk
    }
    void Format(int channels, int rate, int bits) {
        QByteArray f;
        AppendU16(f, 1);  // PCM
        AppendU16(f, static_cast<uint16_t>(channels));
        AppendU32(f, static_cast<uint32_t>(rate));
        AppendU32(f, static_cast<uint32_t>(rate * channels * bits / 8));
        AppendU16(f, static_cast<uint16_t>(channels * bits / 8));
        AppendU16(f, static_cast<uint16_t>(bits));
        Chunk("fmt ", f);
    }
    // The whole file; `trailing` bytes follow the RIFF chunk itself.
    QByteArray File(int trailing = 0) const {
        QByteArray out("RIFF");
        AppendU32(out, static_cast<uint32_t>(4 + Body.size()));
        out.append("WAVE");
        out.append(Body);
        out.append(QByteArray(trailing, '\0'));
        return out;
    }
    static void AppendU16(QByteArray& a, uint16_t v) {
        a.append(static_cast<char>(v & 0xFF));
        a.append(static_cast<char>(v >> 8));
    }
    static void AppendU32(QByteArray& a, uint32_t v) {
        for (int i = 0; i < 4; ++i) a.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    }

private:
    QByteArray Body;
};

// A resonant band-pass (state-variable) filter.
struct TBandPass {
    double Low = 0, Band = 0;
    double Run(double in, double freq, double rate, double damping) {
        const double f = 2 * std::sin(Pi * std::min(freq, rate / 6) / rate);
        const double high = in - Low - damping * Band;
        Band += f * high;
        Low += f * Band;
        return Band;
    }
};

// Smooth rise over `attack` seconds and fall over the last `release` seconds.
double Edges(double t, double length, double attack, double release) {
    double e = 1;
    if (t < attack) e *= 0.5 - 0.5 * std::cos(Pi * t / attack);
    if (t > length - release) e *= 0.5 - 0.5 * std::cos(Pi * std::max(0.0, length - t) / release);
    return e;
}

QByteArray Stereo16(const std::vector<double>& left, const std::vector<double>& right) {
    QByteArray pcm;
    pcm.reserve(static_cast<qsizetype>(left.size() * 4));
    double peak = 1e-9;
    for (size_t i = 0; i < left.size(); ++i) peak = std::max({peak, std::abs(left[i]), std::abs(right[i])});
    const double gain = 0.85 * 32767 / peak;
    for (size_t i = 0; i < left.size(); ++i) {
        TRiffWriter::AppendU16(pcm, static_cast<uint16_t>(static_cast<int16_t>(std::lround(left[i] * gain))));
        TRiffWriter::AppendU16(pcm, static_cast<uint16_t>(static_cast<int16_t>(std::lround(right[i] * gain))));
    }
    return pcm;
}

// The human's injection: a wet squelch as the plunger goes down, then the
// bubbling of the culture taking the dose.
QByteArray InjectionSound(int frames) {
    constexpr double Rate = 44100;
    const double length = frames / Rate;
    TNoise rng(17);
    std::vector<double> left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames));
    TBandPass squelchL, squelchR, bodyL;
    struct TBubble { double Start, F0, Rise, Decay, Pan, Amp; };
    std::vector<TBubble> bubbles;
    for (int i = 0; i < 26; ++i) {
        const double start = 0.08 + 0.62 * std::pow(rng.Uniform(), 1.4);
        bubbles.push_back({start, rng.Range(260, 900), rng.Range(2.5, 7.0), rng.Range(0.018, 0.05),
                           rng.Range(0.2, 0.8), rng.Range(0.25, 0.7) * (1.0 - start)});
    }
    for (int i = 0; i < frames; ++i) {
        const double t = i / Rate;
        const double n1 = rng.Signed(), n2 = rng.Signed();
        // The squelch: noise through a resonance that slides down and fades.
        const double sweep = 1500 * std::exp(-t / 0.16) + 170;
        const double env = std::pow(std::min(1.0, t / 0.012), 2) * std::exp(-t / 0.17);
        double l = squelchL.Run(n1, sweep, Rate, 0.22) * env * 0.9;
        double r = squelchR.Run(n2, sweep * 1.07, Rate, 0.22) * env * 0.9;
        // A soft low thump of the plunger.
        const double thump = std::sin(2 * Pi * (95 * t - 40 * t * t)) * std::exp(-t / 0.07) *
                             std::min(1.0, t / 0.004) * 0.7;
        l += thump;
        r += thump;
        // The body of the liquid, a gurgle.
        const double gurgle = bodyL.Run(rng.Signed(), 320 + 120 * std::sin(2 * Pi * 9 * t), Rate, 0.08) *
                              0.18 * std::exp(-t / 0.35) * std::min(1.0, t / 0.03);
        l += gurgle;
        r += gurgle;
        // Bubbles: short rising chirps.
        for (const TBubble& b : bubbles) {
            const double u = t - b.Start;
            if (u < 0 || u > 8 * b.Decay) continue;
            const double phase = 2 * Pi * b.F0 * (u + 0.5 * b.Rise * u * u);
            const double s = std::sin(phase) * std::exp(-u / b.Decay) * std::min(1.0, u / 0.002) * b.Amp;
            l += s * (1 - b.Pan);
            r += s * b.Pan;
        }
        const double edge = Edges(t, length, 0.003, 0.08);
        left[static_cast<size_t>(i)] = l * edge;
        right[static_cast<size_t>(i)] = r * edge;
    }
    return Stereo16(left, right);
}

// The human's global injection: a whoosh that sweeps across from left to right.
QByteArray WhooshSound(int frames) {
    constexpr double Rate = 44100;
    const double length = frames / Rate;
    TNoise rng(23);
    std::vector<double> left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames));
    TBandPass bandL, bandR, airL, airR;
    for (int i = 0; i < frames; ++i) {
        const double t = i / Rate;
        const double u = t / length;
        // Rises to its loudest at a third of the way, then trails away.
        const double env = std::pow(std::sin(Pi * std::pow(u, 0.62)), 2.0);
        const double centre = 250 + 2600 * std::pow(std::sin(Pi * std::min(1.0, u * 1.15)), 1.6);
        const double n1 = rng.Signed(), n2 = rng.Signed();
        double l = bandL.Run(n1, centre, Rate, 0.5);
        double r = bandR.Run(n2, centre * 1.05, Rate, 0.5);
        // A breath of wide air on top.
        l += airL.Run(rng.Signed(), centre * 2.2, Rate, 1.2) * 0.35;
        r += airR.Run(rng.Signed(), centre * 2.3, Rate, 1.2) * 0.35;
        // A low hum that swells with the rush.
        const double hum = std::sin(2 * Pi * (70 * t + 25 * t * t)) * 0.25;
        const double pan = 0.5 - 0.5 * std::cos(Pi * std::min(1.0, u * 1.2));
        const double edge = Edges(t, length, 0.004, 0.12);
        left[static_cast<size_t>(i)] = (l * (1.2 - pan) + hum) * env * edge;
        right[static_cast<size_t>(i)] = (r * (0.2 + pan) + hum) * env * edge;
    }
    return Stereo16(left, right);
}

// The match clock's tick: a small wooden click with a short ring.
QByteArray TickSound(int samples) {
    constexpr double Rate = 11025;
    TNoise rng(5);
    std::vector<double> s(static_cast<size_t>(samples));
    TBandPass click;
    double peak = 1e-9;
    for (int i = 0; i < samples; ++i) {
        const double t = i / Rate;
        double v = 0;
        // The strike: a burst of filtered noise of a few milliseconds.
        v += click.Run(rng.Signed(), 2400, Rate, 0.35) * std::exp(-t / 0.0035) * std::min(1.0, t / 0.0006);
        // The ring of the case.
        v += std::sin(2 * Pi * 1870 * t) * std::exp(-t / 0.018) * std::min(1.0, t / 0.0008) * 0.6;
        v += std::sin(2 * Pi * 3150 * t) * std::exp(-t / 0.010) * std::min(1.0, t / 0.0008) * 0.3;
        v += std::sin(2 * Pi * 720 * t) * std::exp(-t / 0.045) * std::min(1.0, t / 0.002) * 0.25;
        // A faint echo of the escapement a moment later.
        const double e = t - 0.16;
        if (e > 0)
            v += (std::sin(2 * Pi * 1870 * e) * 0.6 + std::sin(2 * Pi * 3150 * e) * 0.3) *
                 std::exp(-e / 0.012) * std::min(1.0, e / 0.0008) * 0.22;
        v *= Edges(t, samples / Rate, 0.0005, 0.05);
        s[static_cast<size_t>(i)] = v;
        peak = std::max(peak, std::abs(v));
    }
    QByteArray pcm;
    for (double v : s) pcm.append(static_cast<char>(static_cast<uint8_t>(Channel(128 + v / peak * 110))));
    return pcm;
}

constexpr int IconSizes[] = {16, 32, 48, 64, 128, 256, 512};

void Check(bool ok, const std::string& what) {
    if (!ok) Fail(what);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("assets");
    const QString fonts = QStringLiteral("/usr/share/fonts/truetype/dejavu/");
    const QString sans = LoadFontFamily(fonts + "DejaVuSans-Bold.ttf");
    const QString script = LoadFontFamily(fonts + "DejaVuSerif-BoldItalic.ttf");

    const std::vector<TBacterium> colony = MakeColony();

    // Pictures of the image lists.
    SavePng(Uniform(100, 100, qRgb(1, 1, 1)), root + "/images/back.png");
    SavePng(GlowButton(QStringLiteral("New Game"), sans), root + "/images/but_start.png");
    SavePng(Uniform(32, 32, qRgb(0, 0, 0xC0)), root + "/images/bbk.png");
    SavePng(GlowButton(QStringLiteral("High Score"), sans), root + "/images/but_high.png");
    const std::vector<QImage> tubes = TubePictures(colony);
    for (size_t i = 0; i < tubes.size(); ++i)
        SavePng(tubes[i], root + QStringLiteral("/images/bacs_%1.png").arg(i, 2, 10, QLatin1Char('0')));
    SavePng(Syringe(), root + "/images/bacs_11.png");

    // The program's icon in the sizes of the icon theme; the 512-pixel one is
    // for software centres and stays out of the program.
    const QImage icon = Icon(colony);
    for (int size : IconSizes)
        SavePng(size == icon.width() ? icon : icon.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                root + QStringLiteral("/icons/agarhold-%1.png").arg(size));

    // The title picture.
    WriteFile(root + "/title.jpg", TitleJpeg(TitleArt(script), 25219));

    // Sounds. Byte counts: RIFF header 12, "fmt " chunk 8 + 16, "data" chunk
    // 8 + samples (+ a pad byte when odd), plus any further chunks.
    {
        // 44,099 stereo frames = 176,396 bytes; 12 + 24 + 8 + 176,396 = 176,440.
        // The file is 176,441 bytes, an odd length no sequence of whole chunks
        // can give: one trailing byte follows the RIFF chunk.
        TRiffWriter w;
        w.Format(2, 44100, 16);
        w.Chunk("data", InjectionSound(44099));
        const QByteArray file = w.File(1);
        Check(file.size() == 176441, "p1_0.wav size");
        WriteFile(root + "/sounds/p1_0.wav", file);
    }
    {
        // 75,682 stereo frames = 302,728 bytes; 12 + 24 + 8 + 302,728 = 302,772,
        // and two "PAD " chunks fill the 4,428 bytes to 307,200: one of 2,047
        // bytes with its pad byte (8 + 2,048) before the samples, one of 2,364
        // bytes (8 + 2,364) after them.
        TRiffWriter w;
        w.Format(2, 44100, 16);
        w.Chunk("PAD ", QByteArray(2047, '\0'));
        w.Chunk("data", WhooshSound(75682));
        w.Chunk("PAD ", QByteArray(2364, '\0'));
        const QByteArray file = w.File();
        Check(file.size() == 307200, "p1_1.wav size");
        WriteFile(root + "/sounds/p1_1.wav", file);
    }
    {
        // 7,951 mono bytes, odd, so a pad byte follows: 12 + 24 + 8 + 7,952 = 7,996.
        TRiffWriter w;
        w.Format(1, 11025, 8);
        w.Chunk("data", TickSound(7951));
        const QByteArray file = w.File();
        Check(file.size() == 7996, "m_0.wav size");
        WriteFile(root + "/sounds/m_0.wav", file);
    }

    // The resource list that embeds all of it.
    QStringList files{"images/back.png", "images/but_start.png", "images/bbk.png", "images/but_high.png"};
    for (int i = 0; i <= 11; ++i) files << QStringLiteral("images/bacs_%1.png").arg(i, 2, 10, QLatin1Char('0'));
    files << "title.jpg" << "sounds/p1_0.wav" << "sounds/p1_1.wav" << "sounds/m_0.wav";
    for (int size : IconSizes)
        if (size < 512) files << QStringLiteral("icons/agarhold-%1.png").arg(size);
    QByteArray qrc = "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/\">\n";
    for (const QString& f : files) qrc += "    <file>" + f.toUtf8() + "</file>\n";
    qrc += "</qresource>\n</RCC>\n";
    WriteFile(root + "/assets.qrc", qrc);
    std::printf("assets written to %s\n", qPrintable(QDir(root).absolutePath()));
    return 0;
}
