#include "TranslationLoader.h"

#include "AppLog.h"

#include <QDir>
#include <QLocale>
#include <QTranslator>

#ifndef DOCCAM_TRANSLATIONS_RELATIVE_DIR
#define DOCCAM_TRANSLATIONS_RELATIVE_DIR "../share/doccam-viewer/translations"
#endif

QString TranslationLoader::installedFolder(const QString &programFolder)
{
    return QDir::cleanPath(programFolder + QStringLiteral("/" DOCCAM_TRANSLATIONS_RELATIVE_DIR));
}

QString TranslationLoader::load(QTranslator &translator, const QString &programFolder,
                                const QString &installedFolder, const QLocale &locale)
{
    const QString site = programFolder + QStringLiteral("/RZ8NE.qm");
    if (translator.load(site)) {
        return site;
    }
    // Tries each of the user's languages in order, most specific first (de_DE, then de).
    if (translator.load(locale, QStringLiteral("viewer"), QStringLiteral("_"), installedFolder)) {
        return translator.filePath();
    }
    qCDebug(lcApp) << "no translation for" << locale.uiLanguages() << "in" << installedFolder
                   << "or" << site;
    return {};
}
