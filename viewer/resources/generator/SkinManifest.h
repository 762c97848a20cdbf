#pragma once

#include <QHash>
#include <QList>
#include <QSize>
#include <QString>

// One bitmap of the skin: where it goes under "icons/", its size and how it is drawn.
struct SkinEntry {
    QString path;                   // e.g. "Normal/ICON_LINE" or "Background/POP_BK_TOOL"
    QSize size;                     // width x height in pixels
    QString recipe;                 // drawing recipe (see SkinPainter)
    QString state;                  // "Normal", "Over" or "Click" for button faces, else empty
    QHash<QString, QString> params; // the recipe's key=value arguments
    int line = 0;                   // line of the manifest that declared it
};

// The skin manifest: a text list of every bitmap with its size and drawing recipe.
// A "button" line expands into its three faces (Normal, Over, Click), an "image" line
// names one bitmap directly.
class SkinManifest {
public:
    // Parses manifest text; on a malformed line returns false and describes it in *error.
    bool parse(const QString &text, QString *error);
    // Reads and parses a manifest file.
    bool load(const QString &fileName, QString *error);

    const QList<SkinEntry> &entries() const { return m_entries; }

    static const QStringList &buttonStates();

private:
    QList<SkinEntry> m_entries;
};
