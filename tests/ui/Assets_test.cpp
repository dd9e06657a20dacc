// The embedded pictures, the title picture and the sound files: sizes, byte
// counts, formats and the looks the screens rely on.
#include <QFile>
#include <QImage>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include "Assets.h"
#include "WavList.h"

namespace {

QByteArray Resource(const QString& path) {
    ListImage(TImageList::DIBImageList1, 0);  // makes sure the resources are registered
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

uint32_t BigEndian32(const QByteArray& b, int at) {
    const auto* p = reinterpret_cast<const unsigned char*>(b.constData() + at);
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

bool IsUniform(const QImage& img, QRgb colour) {
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) != colour) return false;
    return true;
}

// Pixels of a tube picture inside the disc that are not the plain agar colour.
int TexturedPixels(const QImage& img) {
    int n = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const double dx = x + 0.5 - 16, dy = y + 0.5 - 16;
            if (dx * dx + dy * dy > 13.5 * 13.5) continue;
            const QColor c = QColor::fromRgba(img.pixel(x, y));
            if (std::abs(c.red() - 0x28) + std::abs(c.green() - 0x81) + std::abs(c.blue() - 0x91) > 24) ++n;
        }
    return n;
}

int DiscPixels() {
    int n = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const double dx = x + 0.5 - 16, dy = y + 0.5 - 16;
            if (dx * dx + dy * dy <= 13.5 * 13.5) ++n;
        }
    return n;
}

// Counts pixels of glowing red lettering: clearly red, little green or blue.
int RedLetterPixels(const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = QColor::fromRgba(img.pixel(x, y));
            if (c.alpha() == 255 && c.red() > 100 && c.green() < c.red() / 2 && c.blue() < c.red() / 2) ++n;
        }
    return n;
}

}  // namespace

// Every picture of the image lists is a 32-bit PNG of the size its list entry names.
TEST(ImageLists, everyPictureIsAThirtyTwoBitPngOfItsListedSize) {
    struct TCase {
        const char* File;
        TImageList List;
        int Index;
        int W, H;
    };
    std::vector<TCase> cases{{"back", TImageList::DIBImageList1, 0, 100, 100},
                             {"but_start", TImageList::DIBImageList2, 0, 100, 50},
                             {"bbk", TImageList::DIBImageList2, 1, 32, 32},
                             {"but_high", TImageList::DIBImageList2, 2, 100, 50}};
    for (int i = 0; i <= 11; ++i)
        cases.push_back({nullptr, TImageList::bacs_image, i, 32, 32});
    for (const TCase& c : cases) {
        const QString name = c.File != nullptr ? QString::fromLatin1(c.File)
                                               : QStringLiteral("bacs_%1").arg(c.Index, 2, 10, QLatin1Char('0'));
        SCOPED_TRACE(name.toStdString());
        const QByteArray png = Resource(QStringLiteral(":/images/%1.png").arg(name));
        ASSERT_GT(png.size(), 33);
        EXPECT_EQ(png.left(8), QByteArray("\x89PNG\r\n\x1a\n", 8));
        EXPECT_EQ(png.mid(12, 4), QByteArray("IHDR"));
        EXPECT_EQ(BigEndian32(png, 16), static_cast<uint32_t>(c.W));
        EXPECT_EQ(BigEndian32(png, 20), static_cast<uint32_t>(c.H));
        EXPECT_EQ(png[24], 8);  // bits per channel
        EXPECT_EQ(png[25], 6);  // colour type 6: RGB with alpha, 32 bits a pixel
        const QImage img = ListImage(c.List, c.Index);
        EXPECT_EQ(img.size(), QSize(c.W, c.H));
    }
    EXPECT_EQ(ListImageCount(TImageList::DIBImageList1), 1);
    EXPECT_EQ(ListImageCount(TImageList::DIBImageList2), 3);
    EXPECT_EQ(ListImageCount(TImageList::bacs_image), 12);
}

// An index outside a list gives no picture.
TEST(ImageLists, anIndexOutsideAListGivesANullPicture) {
    EXPECT_TRUE(ListImage(TImageList::DIBImageList1, 1).isNull());
    EXPECT_TRUE(ListImage(TImageList::DIBImageList2, 3).isNull());
    EXPECT_TRUE(ListImage(TImageList::bacs_image, 12).isNull());
    EXPECT_TRUE(ListImage(TImageList::bacs_image, -1).isNull());
    EXPECT_FALSE(ListImageBlackTransparent(TImageList::DIBImageList2, 7));
}

// "Back" is uniform near-black #010101 and "bbk" uniform blue #0000C0, both opaque.
TEST(ImageLists, backAndBbkAreUniformOpaqueColours) {
    EXPECT_TRUE(IsUniform(ListImage(TImageList::DIBImageList1, 0), qRgba(1, 1, 1, 255)));
    EXPECT_TRUE(IsUniform(ListImage(TImageList::DIBImageList2, 1), qRgba(0, 0, 0xC0, 255)));
}

// Only the start picture's pure black is see-through; its red lettering stays opaque.
TEST(ImageLists, theStartPicturesBlackIsTransparentAndTheHighscorePicturesIsNot) {
    EXPECT_TRUE(ListImageBlackTransparent(TImageList::DIBImageList2, 0));
    EXPECT_FALSE(ListImageBlackTransparent(TImageList::DIBImageList2, 2));
    EXPECT_FALSE(ListImageBlackTransparent(TImageList::DIBImageList1, 0));
    EXPECT_FALSE(ListImageBlackTransparent(TImageList::DIBImageList2, 1));
    for (int i = 0; i <= 11; ++i) EXPECT_FALSE(ListImageBlackTransparent(TImageList::bacs_image, i));

    const QImage start = ListImage(TImageList::DIBImageList2, 0);
    const QImage stored = QImage::fromData(Resource(":/images/but_start.png")).convertToFormat(QImage::Format_ARGB32);
    int transparent = 0;
    for (int y = 0; y < start.height(); ++y)
        for (int x = 0; x < start.width(); ++x) {
            const bool black = (stored.pixel(x, y) & 0xFFFFFF) == 0;
            EXPECT_EQ(qAlpha(start.pixel(x, y)) == 0, black) << x << "," << y;
            transparent += black ? 1 : 0;
        }
    // Mostly background, but lettering in the middle.
    EXPECT_GT(transparent, 100 * 50 / 2);
    EXPECT_EQ(qAlpha(start.pixel(0, 0)), 0);
    EXPECT_GT(RedLetterPixels(start), 80);

    const QImage high = ListImage(TImageList::DIBImageList2, 2);
    for (int y = 0; y < high.height(); ++y)
        for (int x = 0; x < high.width(); ++x) ASSERT_EQ(qAlpha(high.pixel(x, y)), 255) << x << "," << y;
    EXPECT_EQ(high.pixel(0, 0), qRgba(0, 0, 0, 255));
    EXPECT_GT(RedLetterPixels(high), 80);
}

// The empty tube is a plain cyan disc on black; the colony's area grows with
// the level until it covers the whole disc at level 10.
TEST(ImageLists, tubePicturesGrowAColonyOverTheCyanDiscLevelByLevel) {
    const QImage empty = ListImage(TImageList::bacs_image, 0);
    const QColor centre = QColor::fromRgba(empty.pixel(16, 16));
    EXPECT_NEAR(centre.red(), 0x28, 3);
    EXPECT_NEAR(centre.green(), 0x81, 3);
    EXPECT_NEAR(centre.blue(), 0x91, 3);
    EXPECT_EQ(TexturedPixels(empty), 0);
    int previous = 0;
    for (int level = 0; level <= 10; ++level) {
        SCOPED_TRACE(level);
        const QImage img = ListImage(TImageList::bacs_image, level);
        for (QPoint corner : {QPoint(0, 0), QPoint(31, 0), QPoint(0, 31), QPoint(31, 31)})
            EXPECT_EQ(img.pixel(corner), qRgba(0, 0, 0, 255));
        const int textured = TexturedPixels(img);
        if (level > 0) {
            EXPECT_GT(textured, previous);
        }
        // Roughly level tenths of the disc.
        if (level >= 1 && level <= 9) {
            EXPECT_NEAR(textured, DiscPixels() * level / 10, DiscPixels() / 8);
        }
        previous = textured;
    }
    EXPECT_EQ(previous, DiscPixels());
}

// "Weapon" is a drawing on black, not a tube disc.
TEST(ImageLists, theWeaponPictureIsADrawingOnBlack) {
    const QImage weapon = ListImage(TImageList::bacs_image, 11);
    int lit = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) lit += (weapon.pixel(x, y) & 0xFFFFFF) != 0 ? 1 : 0;
    EXPECT_GT(lit, 60);
    EXPECT_LT(lit, 32 * 32 / 2);
    EXPECT_EQ(weapon.pixel(0, 0), qRgba(0, 0, 0, 255));
    EXPECT_EQ(weapon.pixel(31, 31), qRgba(0, 0, 0, 255));
    EXPECT_NE(weapon, ListImage(TImageList::bacs_image, 0));
}

// The title picture is a baseline three-component JPEG of exactly 25,219 bytes.
TEST(TitlePicture, isABaselineThreeComponentJpegOfExactlyItsByteCount) {
    const QByteArray jpeg = Resource(":/title.jpg");
    ASSERT_EQ(jpeg.size(), 25219);
    EXPECT_EQ(static_cast<unsigned char>(jpeg[0]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(jpeg[1]), 0xD8);
    EXPECT_EQ(static_cast<unsigned char>(jpeg[jpeg.size() - 2]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(jpeg[jpeg.size() - 1]), 0xD9);
    // Walk the marker segments up to the frame header.
    int pos = 2;
    bool sawBaselineFrame = false;
    while (pos + 4 <= jpeg.size()) {
        ASSERT_EQ(static_cast<unsigned char>(jpeg[pos]), 0xFF) << pos;
        const int marker = static_cast<unsigned char>(jpeg[pos + 1]);
        const int length = static_cast<unsigned char>(jpeg[pos + 2]) << 8 | static_cast<unsigned char>(jpeg[pos + 3]);
        EXPECT_NE(marker, 0xC2) << "progressive frame";
        if (marker == 0xC0) {
            sawBaselineFrame = true;
            EXPECT_EQ(static_cast<unsigned char>(jpeg[pos + 4]), 8);  // sample precision
            const int h = static_cast<unsigned char>(jpeg[pos + 5]) << 8 | static_cast<unsigned char>(jpeg[pos + 6]);
            const int w = static_cast<unsigned char>(jpeg[pos + 7]) << 8 | static_cast<unsigned char>(jpeg[pos + 8]);
            EXPECT_EQ(w, 460);
            EXPECT_EQ(h, 200);
            EXPECT_EQ(static_cast<unsigned char>(jpeg[pos + 9]), 3);
            break;
        }
        pos += 2 + length;
    }
    EXPECT_TRUE(sawBaselineFrame);
}

// libjpeg decodes the title to 460 x 200: blue lettering on a black ground.
TEST(TitlePicture, decodesToBlueLetteringOnBlack) {
    const QImage title = TitlePicture();
    ASSERT_EQ(title.size(), QSize(460, 200));
    EXPECT_EQ(DecodeJpeg(Resource(":/title.jpg")), title);
    int blue = 0, black = 0, reddish = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 460; ++x) {
            const QColor c = title.pixelColor(x, y);
            if (c.red() + c.green() + c.blue() < 30) ++black;
            if (c.blue() > 120 && c.blue() > c.red() + 40) ++blue;
            if (c.red() > c.blue() + 40) ++reddish;
        }
    EXPECT_GT(black, 460 * 200 / 2);
    EXPECT_GT(blue, 3000);
    EXPECT_EQ(reddish, 0);
    for (QPoint corner : {QPoint(0, 0), QPoint(459, 0), QPoint(0, 199), QPoint(459, 199)}) {
        const QColor c = title.pixelColor(corner);
        EXPECT_LT(c.red() + c.green() + c.blue(), 30);
    }
}

// A truncated or damaged JPEG is refused with a null picture and never ends the program.
TEST(TitlePicture, aTruncatedOrDamagedJpegIsRefused) {
    const QByteArray jpeg = Resource(":/title.jpg");
    for (int cut : {0, 1, 2, 100, 600, 2000, 12000, 25000, 25217}) {
        SCOPED_TRACE(cut);
        EXPECT_TRUE(DecodeJpeg(jpeg.left(cut)).isNull());
    }
    // A broken frame header: zero width.
    QByteArray noWidth = jpeg;
    const int sof = static_cast<int>(noWidth.indexOf(QByteArray("\xFF\xC0", 2)));
    ASSERT_GT(sof, 0);
    noWidth[sof + 7] = 0;
    noWidth[sof + 8] = 0;
    EXPECT_TRUE(DecodeJpeg(noWidth).isNull());
    // Random bytes, with and without a JPEG start marker.
    QRandomGenerator rng(99);
    for (int i = 0; i < 200; ++i) {
        QByteArray junk(static_cast<qsizetype>(rng.bounded(1, 3000)), '\0');
        for (char& c : junk) c = static_cast<char>(rng.bounded(256));
        if (i % 2 == 0) junk.prepend(QByteArray("\xFF\xD8\xFF\xE0", 4));
        EXPECT_TRUE(DecodeJpeg(junk).isNull());
    }
    // The good file still decodes after all that.
    EXPECT_EQ(DecodeJpeg(jpeg).size(), QSize(460, 200));
}

// The three sounds have the formats and byte counts of the sounds table.
TEST(SoundFiles, haveTheirFormatsAndExactByteCounts) {
    struct TCase {
        const char* Name;
        int FileBytes, DataBytes, Channels, Rate, Bits, Ms;
    };
    const TCase cases[] = {{"p1_0", 176441, 176396, 2, 44100, 16, 1000},
                           {"p1_1", 307200, 302728, 2, 44100, 16, 1717},
                           {"m_0", 7996, 7951, 1, 11025, 8, 722}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const QByteArray file = WaveFileBytes(QString::fromLatin1(c.Name));
        EXPECT_EQ(file.size(), c.FileBytes);
        const auto sound = ParseWave(file);
        ASSERT_TRUE(sound.has_value());
        EXPECT_EQ(sound->Samples.size(), c.DataBytes);
        EXPECT_EQ(sound->Channels, c.Channels);
        EXPECT_EQ(sound->SampleRate, c.Rate);
        EXPECT_EQ(sound->BitsPerSample, c.Bits);
        EXPECT_EQ(sound->DurationMs(), c.Ms);
    }
    EXPECT_TRUE(WaveFileBytes("nothing").isEmpty());
    EXPECT_TRUE(WaveFileBytes("").isEmpty());
}

// The global-injection sound carries "PAD " chunks, one of them odd with its pad byte.
TEST(SoundFiles, theWeaponSoundCarriesPadChunksOneOfThemOdd) {
    const QByteArray file = WaveFileBytes("p1_1");
    int pos = 12, pads = 0, oddPads = 0;
    while (pos + 8 <= file.size()) {
        const auto* p = reinterpret_cast<const unsigned char*>(file.constData() + pos + 4);
        const int size = p[0] | p[1] << 8 | p[2] << 16 | p[3] << 24;
        if (file.mid(pos, 4) == "PAD ") {
            ++pads;
            oddPads += size % 2;
        }
        pos += 8 + size + size % 2;
    }
    EXPECT_EQ(pos, file.size());
    EXPECT_EQ(pads, 2);
    EXPECT_EQ(oddPads, 1);
}

// Every sound starts and ends at rest, so it never clicks on or off.
TEST(SoundFiles, startAndEndAtSilence) {
    for (const char* name : {"p1_0", "p1_1"}) {
        SCOPED_TRACE(name);
        const auto sound = ParseWave(WaveFileBytes(name));
        ASSERT_TRUE(sound.has_value());
        const auto* s = reinterpret_cast<const int16_t*>(sound->Samples.constData());
        const qsizetype n = sound->Samples.size() / 2;
        EXPECT_LT(std::abs(s[0]) + std::abs(s[1]), 200);
        EXPECT_LT(std::abs(s[n - 1]) + std::abs(s[n - 2]), 200);
        int peak = 0;
        for (qsizetype i = 0; i < n; ++i) peak = std::max(peak, std::abs(static_cast<int>(s[i])));
        EXPECT_GT(peak, 20000);  // loud enough to hear
    }
    const auto tick = ParseWave(WaveFileBytes("m_0"));
    ASSERT_TRUE(tick.has_value());
    EXPECT_NEAR(static_cast<unsigned char>(tick->Samples.front()), 128, 3);
    EXPECT_NEAR(static_cast<unsigned char>(tick->Samples.back()), 128, 3);
}
