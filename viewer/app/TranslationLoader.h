#pragma once

#include <QString>

class QLocale;
class QTranslator;

// Chooses the translation of the user interface at start.
//
// A file "RZ8NE.qm" beside the program comes first: a site that put one there chose the language
// for every user of that copy. Without it, the installed translation for the user's language is
// loaded ("viewer_<language>.qm" from the installed translations folder); without one either, the
// built-in English texts stay.
class TranslationLoader {
public:
    // The translations folder of an installed program in programFolder.
    static QString installedFolder(const QString &programFolder);
    // Loads the chosen file into translator; its path, or empty when none was loaded.
    static QString load(QTranslator &translator, const QString &programFolder,
                        const QString &installedFolder, const QLocale &locale);
};
