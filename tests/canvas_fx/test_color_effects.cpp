#include "ColorEffects.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <functional>

namespace {

QImage filled(int w, int h, QRgb colour)
{
    QImage image(w, h, QImage::Format_RGB888);
    image.fill(colour);
    return image;
}

QImage noise(int w, int h, quint32 seed)
{
    QImage image(w, h, QImage::Format_RGB888);
    QRandomGenerator random(seed);
    for (int y = 0; y < h; ++y) {
        uchar *row = image.scanLine(y);
        for (int x = 0; x < w * 3; ++x) {
            row[x] = static_cast<uchar>(random.bounded(256));
        }
    }
    return image;
}

bool isBlack(const QImage &image, int x, int y)
{
    return (image.pixel(x, y) & 0xffffff) == 0;
}

// Every pixel is black exactly where hidden(x, y) says, and keeps its colour elsewhere.
void checkMask(const QImage &before, const QImage &after,
               const std::function<bool(int, int)> &hidden)
{
    QCOMPARE(after.size(), before.size());
    for (int y = 0; y < before.height(); ++y) {
        for (int x = 0; x < before.width(); ++x) {
            const QRgb expected = hidden(x, y) ? qRgb(0, 0, 0) : before.pixel(x, y);
            if (after.pixel(x, y) != expected) {
                QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) of %3 x %4")
                                     .arg(x)
                                     .arg(y)
                                     .arg(before.width())
                                     .arg(before.height())));
            }
        }
    }
}

} // namespace

class TestColorEffects : public QObject {
    Q_OBJECT

private slots:
    void vocabulary();
    void blackAndWhite();
    void blackAndWhiteMatchesDoubleFormula();
    void negative();
    void mosaicBlocksCutAtEdges();
    void mosaicOfUniformBlocksChangesNothing();
    void circleBoundaries();
    void rectangleBoundaries();
    void halfMasks();
    void masksMatchTheirDefinitionOnOddSizes();
    void paddedRowsAndOtherFormats();
    void unknownCodesAndEmptyPictures();
};

void TestColorEffects::vocabulary()
{
    QCOMPARE(ColorEffects::effectKey(0), QStringLiteral("COLOR"));
    QCOMPARE(ColorEffects::effectKey(3), QStringLiteral("MOSAIC"));
    QCOMPARE(QString::fromLatin1(ColorEffects::effectLabel(1)), QStringLiteral("B & W"));
    QCOMPARE(QString::fromLatin1(ColorEffects::effectLabel(2)), QStringLiteral("Negative"));
    QCOMPARE(ColorEffects::maskKey(0), QString());
    QCOMPARE(ColorEffects::maskKey(2), QStringLiteral("RECTANGLE"));
    QCOMPARE(ColorEffects::maskKey(4), QStringLiteral("TOP"));
    QCOMPARE(ColorEffects::selectableEffects(), (QList<int>{0, 1, 2, 3}));
    QCOMPARE(ColorEffects::selectableMasks(), (QList<int>{1, 2, 3, 4}));
    QCOMPARE(ColorEffects::effectKey(4), QString());
    QVERIFY(ColorEffects::effectLabel(-1) == nullptr);
    QCOMPARE(ColorEffects::maskKey(5), QString());
}

void TestColorEffects::blackAndWhite()
{
    QImage image(4, 1, QImage::Format_RGB888);
    image.setPixel(0, 0, qRgb(255, 255, 255));
    image.setPixel(1, 0, qRgb(255, 0, 0));
    image.setPixel(2, 0, qRgb(0, 0, 0));
    image.setPixel(3, 0, qRgb(10, 200, 30));
    ColorEffects::applyEffect(image, ColorEffects::EffectBlackWhite);
    QCOMPARE(image.pixel(0, 0), qRgb(254, 254, 254));
    QCOMPARE(image.pixel(1, 0), qRgb(76, 76, 76));
    QCOMPARE(image.pixel(2, 0), qRgb(0, 0, 0));
    const int g = static_cast<int>(0.2989 * 10 + 0.587 * 200 + 0.114 * 30);
    QCOMPARE(image.pixel(3, 0), qRgb(g, g, g));
}

void TestColorEffects::blackAndWhiteMatchesDoubleFormula()
{
    // Every colour once: 4096 x 4096 pixels, colour = (x + 4096 y) read as R, G, B.
    // A fixed-point or single-precision grey parts ways with the double-precision one
    // for a few colours whose weighted sum is (nearly) a whole number.
    constexpr int side = 4096;
    QImage image(side, side, QImage::Format_RGB888);
    for (int y = 0; y < side; ++y) {
        uchar *p = image.scanLine(y);
        for (int x = 0; x < side; ++x, p += 3) {
            const int colour = x + side * y;
            p[0] = static_cast<uchar>(colour >> 16);
            p[1] = static_cast<uchar>(colour >> 8);
            p[2] = static_cast<uchar>(colour);
        }
    }
    ColorEffects::applyEffect(image, ColorEffects::EffectBlackWhite);
    for (int y = 0; y < side; ++y) {
        const uchar *p = image.constScanLine(y);
        for (int x = 0; x < side; ++x, p += 3) {
            const int colour = x + side * y;
            const int r = colour >> 16;
            const int g = (colour >> 8) & 0xff;
            const int b = colour & 0xff;
            const auto grey = static_cast<uchar>(0.2989 * r + 0.587 * g + 0.114 * b);
            if (p[0] != grey || p[1] != grey || p[2] != grey) {
                QFAIL(qPrintable(QStringLiteral("grey of (%1, %2, %3)").arg(r).arg(g).arg(b)));
            }
        }
    }
    // A colour whose exact sum is 45 but whose double sum falls just short of it.
    QCOMPARE(ColorEffects::grey(0, 72, 24), 44);
    QCOMPARE(ColorEffects::grey(255, 255, 255), 254);
}

void TestColorEffects::negative()
{
    const QImage original = noise(13, 7, 1);
    QImage image = original;
    ColorEffects::applyEffect(image, ColorEffects::EffectNegative);
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 13; ++x) {
            const QRgb a = original.pixel(x, y);
            QCOMPARE(image.pixel(x, y), qRgb(255 - qRed(a), 255 - qGreen(a), 255 - qBlue(a)));
        }
    }
    ColorEffects::applyEffect(image, ColorEffects::EffectNegative);
    QCOMPARE(image, original);
}

void TestColorEffects::mosaicBlocksCutAtEdges()
{
    // 10 x 10 gives blocks of 8 x 8, 2 x 8, 8 x 2 and 2 x 2; the wider pictures take the
    // row-at-once paths with cut blocks at both edges.
    for (const QSize size : {QSize(10, 10), QSize(37, 21), QSize(641, 17)}) {
        const QImage original = noise(size.width(), size.height(), 2);
        QImage image = original;
        ColorEffects::applyEffect(image, ColorEffects::EffectMosaic);

        for (int by = 0; by < size.height(); by += 8) {
            for (int bx = 0; bx < size.width(); bx += 8) {
                const QRect block = QRect(bx, by, 8, 8).intersected(original.rect());
                int sum[3] = {0, 0, 0};
                for (int y = block.top(); y <= block.bottom(); ++y) {
                    for (int x = block.left(); x <= block.right(); ++x) {
                        const QRgb c = original.pixel(x, y);
                        sum[0] += qRed(c);
                        sum[1] += qGreen(c);
                        sum[2] += qBlue(c);
                    }
                }
                const int count = block.width() * block.height();
                const QRgb mean = qRgb(sum[0] / count, sum[1] / count, sum[2] / count);
                for (int y = block.top(); y <= block.bottom(); ++y) {
                    for (int x = block.left(); x <= block.right(); ++x) {
                        QCOMPARE(image.pixel(x, y), mean);
                    }
                }
            }
        }
    }
}

void TestColorEffects::mosaicOfUniformBlocksChangesNothing()
{
    QImage image(21, 11, QImage::Format_RGB888);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.setPixel(x, y, qRgb(x / 8 * 40, y / 8 * 90, (x / 8 + y / 8) * 30 + 7));
        }
    }
    const QImage original = image;
    ColorEffects::applyEffect(image, ColorEffects::EffectMosaic);
    QCOMPARE(image, original);
}

void TestColorEffects::circleBoundaries()
{
    QImage image = filled(640, 480, qRgb(200, 100, 50));
    ColorEffects::applyMask(image, ColorEffects::MaskCircle);
    // r = 230 around (320, 240).
    QVERIFY(!isBlack(image, 320, 240));
    QVERIFY(isBlack(image, 320, 9));
    QVERIFY(!isBlack(image, 320, 10));
    QVERIFY(!isBlack(image, 320, 470));
    QVERIFY(isBlack(image, 320, 471));
    QVERIFY(!isBlack(image, 90, 240));
    QVERIFY(isBlack(image, 89, 240));
    QVERIFY(!isBlack(image, 550, 240));
    QVERIFY(isBlack(image, 551, 240));
    QVERIFY(isBlack(image, 0, 0));
    QVERIFY(isBlack(image, 639, 479));
}

void TestColorEffects::rectangleBoundaries()
{
    QImage image = filled(640, 480, qRgb(10, 20, 30));
    ColorEffects::applyMask(image, ColorEffects::MaskRectangle);
    // hx = 192, hy = 144 around (320, 240): columns 128..512, rows 96..384 stay.
    QVERIFY(!isBlack(image, 128, 240));
    QVERIFY(isBlack(image, 127, 240));
    QVERIFY(!isBlack(image, 512, 240));
    QVERIFY(isBlack(image, 513, 240));
    QVERIFY(!isBlack(image, 320, 96));
    QVERIFY(isBlack(image, 320, 95));
    QVERIFY(!isBlack(image, 320, 384));
    QVERIFY(isBlack(image, 320, 385));
    QVERIFY(isBlack(image, 127, 96));
}

void TestColorEffects::halfMasks()
{
    QImage left = filled(641, 3, qRgb(1, 2, 3));
    ColorEffects::applyMask(left, ColorEffects::MaskLeft);
    for (int y = 0; y < 3; ++y) {
        QVERIFY(isBlack(left, 0, y));
        QVERIFY(isBlack(left, 319, y));
        QVERIFY(!isBlack(left, 320, y));
        QVERIFY(!isBlack(left, 640, y));
    }

    QImage top = filled(3, 481, qRgb(1, 2, 3));
    ColorEffects::applyMask(top, ColorEffects::MaskTop);
    QVERIFY(isBlack(top, 2, 239));
    QVERIFY(!isBlack(top, 0, 240));
    QVERIFY(!isBlack(top, 2, 480));
}

void TestColorEffects::masksMatchTheirDefinitionOnOddSizes()
{
    const QList<QSize> sizes{QSize(1, 1), QSize(2, 3), QSize(7, 5), QSize(33, 64), QSize(641, 481)};
    for (const QSize &size : sizes) {
        const int w = size.width();
        const int h = size.height();
        const int cx = w / 2;
        const int cy = h / 2;
        const QImage original = noise(w, h, static_cast<quint32>(w * 1000 + h));

        QImage image = original;
        ColorEffects::applyMask(image, ColorEffects::MaskCircle);
        const int r = static_cast<int>(0.48 * std::min(w, h));
        checkMask(original, image,
                  [&](int x, int y) { return (cx - x) * (cx - x) + (cy - y) * (cy - y) > r * r; });

        image = original;
        ColorEffects::applyMask(image, ColorEffects::MaskRectangle);
        const int hx = static_cast<int>(0.3 * w);
        const int hy = static_cast<int>(0.3 * h);
        checkMask(original, image,
                  [&](int x, int y) { return std::abs(x - cx) > hx || std::abs(y - cy) > hy; });

        image = original;
        ColorEffects::applyMask(image, ColorEffects::MaskLeft);
        checkMask(original, image, [&](int x, int) { return x <= w / 2 - 1; });

        image = original;
        ColorEffects::applyMask(image, ColorEffects::MaskTop);
        checkMask(original, image, [&](int, int y) { return y <= h / 2 - 1; });
    }
}

void TestColorEffects::paddedRowsAndOtherFormats()
{
    // Width 3 gives 9 bytes of pixels in a 12-byte row: the padding must survive
    // every effect and mask.
    for (int code = 1; code < 8; ++code) {
        QImage image = noise(3, 9, 3);
        QCOMPARE(image.bytesPerLine(), 12);
        for (int y = 0; y < image.height(); ++y) {
            for (int i = 9; i < 12; ++i) {
                image.scanLine(y)[i] = 0xa5;
            }
        }
        if (code < ColorEffects::kEffectCount) {
            ColorEffects::applyEffect(image, code);
        } else {
            ColorEffects::applyMask(image, code - ColorEffects::kEffectCount + 1);
        }
        for (int y = 0; y < image.height(); ++y) {
            for (int i = 9; i < 12; ++i) {
                QCOMPARE(image.constScanLine(y)[i], uchar(0xa5));
            }
        }
    }

    // Another format is turned into 24-bit RGB first.
    QImage argb(4, 4, QImage::Format_ARGB32);
    argb.fill(qRgb(255, 0, 0));
    ColorEffects::applyEffect(argb, ColorEffects::EffectBlackWhite);
    QCOMPARE(argb.format(), QImage::Format_RGB888);
    QCOMPARE(argb.pixel(3, 3), qRgb(76, 76, 76));
}

void TestColorEffects::unknownCodesAndEmptyPictures()
{
    const QImage original = noise(9, 9, 4);
    QImage image = original;
    ColorEffects::applyEffect(image, ColorEffects::EffectColor);
    ColorEffects::applyEffect(image, 4);
    ColorEffects::applyEffect(image, -1);
    ColorEffects::applyMask(image, ColorEffects::MaskNone);
    ColorEffects::applyMask(image, 5);
    QCOMPARE(image, original);

    QImage empty;
    for (int code = 0; code < 5; ++code) {
        ColorEffects::applyEffect(empty, code);
        ColorEffects::applyMask(empty, code);
    }
    QVERIFY(empty.isNull());

    // A copy shares its pixels with the original until written: the original stays.
    QImage shared = original;
    ColorEffects::applyMask(shared, ColorEffects::MaskTop);
    QVERIFY(isBlack(shared, 0, 0));
    QCOMPARE(original, noise(9, 9, 4));
}

QTEST_GUILESS_MAIN(TestColorEffects)
#include "test_color_effects.moc"
