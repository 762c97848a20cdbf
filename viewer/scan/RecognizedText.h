#pragma once

#include <QList>
#include <QRectF>
#include <QString>

// One recognised word and where it stands, in the pixels of the page it was read from.
struct RecognizedWord {
    QString text;
    QRectF box;

    bool operator==(const RecognizedWord &) const = default;
};

// What text recognition read on a page.
struct RecognizedText {
    QList<RecognizedWord> words;
    // The page's text, lines and paragraphs as read.
    QString text;
};
