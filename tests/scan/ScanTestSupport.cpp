#include "ScanTestSupport.h"

#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QLineF>
#include <QPainter>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTransform>
#include <algorithm>
#include <cmath>

namespace scantest {

QStringList sampleWords()
{
    return QStringLiteral(
               "The committee met on Tuesday morning to discuss the budget for the coming "
               "year. Several members asked whether the library could stay open longer in "
               "winter, and the treasurer agreed to prepare a short report. Children from the "
               "village school will visit the museum in March, where a guide explains how "
               "paper was made by hand. Please bring your notes, a pencil and the signed form "
               "before the end of the month.")
        .split(QLatin1Char(' '));
}

QImage printedPage(QSize size, const QStringList &words, int pixelSize)
{
    QImage page(size, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QFontMetrics metrics(font);
    const int margin = size.width() / 10;
    int x = margin;
    int y = margin + metrics.ascent();
    for (const QString &word : words) {
        const int advance = metrics.horizontalAdvance(word + QLatin1Char(' '));
        if (x + metrics.horizontalAdvance(word) > size.width() - margin) {
            x = margin;
            y += metrics.lineSpacing() * 3 / 2;
        }
        painter.drawText(x, y, word);
        x += advance;
    }
    return page;
}

QImage desk(QSize size, Desk kind)
{
    QColor base;
    switch (kind) {
    case Desk::Wood:
        base = QColor(140, 95, 55);
        break;
    case Desk::Green:
        base = QColor(40, 110, 60);
        break;
    case Desk::Grey:
        base = QColor(120, 120, 125);
        break;
    case Desk::Dark:
        base = QColor(12, 10, 9);
        break;
    }
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(static_cast<quint32>(kind) + 1);
    const bool dark = kind == Desk::Dark;
    for (int y = 0; y < size.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            // Grain along x, a slow stripe across, and noise.
            const int grain = dark ? 0 : static_cast<int>(12 * std::sin(y * 0.21 + x * 0.013));
            const int noise = static_cast<int>(random.bounded(dark ? 5 : 17)) - (dark ? 2 : 8);
            const int d = grain + noise;
            row[x] = qRgb(std::clamp(base.red() + d, 0, 255), std::clamp(base.green() + d, 0, 255),
                          std::clamp(base.blue() + d, 0, 255));
        }
    }
    return image;
}

QPolygonF pageCorners(QSize pictureSize, QSize pageSize, double degrees, double perspective)
{
    const double scale = 0.72 * std::min(static_cast<double>(pictureSize.width()) /
                                             std::max(pageSize.width(), pageSize.height()),
                                         static_cast<double>(pictureSize.height()) /
                                             std::max(pageSize.width(), pageSize.height()));
    const double w = pageSize.width() * scale;
    const double h = pageSize.height() * scale;
    const double inset = perspective * w / 2;
    const QPolygonF flat(
        {{-w / 2 + inset, -h / 2}, {w / 2 - inset, -h / 2}, {w / 2, h / 2}, {-w / 2, h / 2}});
    QTransform turn;
    turn.translate(pictureSize.width() / 2.0, pictureSize.height() / 2.0);
    turn.rotate(degrees);
    return turn.map(flat);
}

QImage onDesk(const QImage &desk, const QImage &page, const QPolygonF &corners)
{
    QImage picture = desk.convertToFormat(QImage::Format_RGB32);
    QTransform transform;
    const QRectF rect(QPointF(0, 0), page.size());
    QPolygonF from({rect.topLeft(), rect.topRight(), rect.bottomRight(), rect.bottomLeft()});
    QTransform::quadToQuad(from, corners, transform);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setTransform(transform);
    painter.drawImage(QPointF(0, 0), page);
    return picture;
}

double cornerError(const QPolygonF &found, const QPolygonF &expected)
{
    if (found.size() != expected.size()) {
        return 1e9;
    }
    double worst = 0.0;
    for (int i = 0; i < found.size(); ++i) {
        worst = std::max(worst, QLineF(found[i], expected[i]).length());
    }
    return worst;
}

double wordsFound(const QStringList &expected, const QString &text)
{
    const auto words = [](const QString &s) {
        QHash<QString, int> counts;
        static const QRegularExpression separators(QStringLiteral("[^\\w]+"));
        for (const QString &w : s.split(separators, Qt::SkipEmptyParts)) {
            ++counts[w.toLower()];
        }
        return counts;
    };
    const QHash<QString, int> want = words(expected.join(QLatin1Char(' ')));
    const QHash<QString, int> have = words(text);
    int total = 0;
    int found = 0;
    for (auto it = want.begin(); it != want.end(); ++it) {
        total += it.value();
        found += std::min(it.value(), have.value(it.key()));
    }
    return total > 0 ? static_cast<double>(found) / total : 0.0;
}

} // namespace scantest
