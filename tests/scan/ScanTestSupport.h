#pragma once

#include <QImage>
#include <QPolygonF>
#include <QString>
#include <QStringList>

// Printed pages and camera pictures of them for the scanning tests: pages drawn with a known
// font, laid on a desk seen by the camera at an angle.
namespace scantest {

// A paragraph of ordinary words (dictionary words read best, as on a real worksheet).
QStringList sampleWords();

// A white page of size with the words printed in lines ("DejaVu Sans", pixelSize high), from a
// margin of a tenth of the width.
QImage printedPage(QSize size, const QStringList &words, int pixelSize);

enum class Desk { Wood, Green, Grey, Dark };

// A desk picture of size with nothing on it: a colour with grain and stripes.
QImage desk(QSize size, Desk kind);

// The corners of a page of pageSize lying in the middle of a picture of pictureSize: scaled to
// cover about half of it, turned by degrees, its far (top) edge shortened by perspective (a
// share of its width), top-left first, clockwise.
QPolygonF pageCorners(QSize pictureSize, QSize pageSize, double degrees, double perspective);

// The desk with the page drawn onto corners.
QImage onDesk(const QImage &desk, const QImage &page, const QPolygonF &corners);

// The largest distance between corresponding corners.
double cornerError(const QPolygonF &found, const QPolygonF &expected);

// The words of expected found in text (each counted as often as it occurs), as a share.
double wordsFound(const QStringList &expected, const QString &text);

} // namespace scantest
