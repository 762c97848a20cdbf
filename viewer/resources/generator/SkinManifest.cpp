#include "SkinManifest.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>

const QStringList &SkinManifest::buttonStates()
{
    static const QStringList states{QStringLiteral("Normal"), QStringLiteral("Over"),
                                    QStringLiteral("Click")};
    return states;
}

static bool parseSize(const QString &text, QSize *size)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) {
        return false;
    }
    *size = QSize(match.captured(1).toInt(), match.captured(2).toInt());
    return !size->isEmpty();
}

bool SkinManifest::parse(const QString &text, QString *error)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    static const QRegularExpression namePattern(QStringLiteral("^[A-Za-z0-9_]+(/[A-Za-z0-9_]+)?$"));
    QList<SkinEntry> entries;
    QSet<QString> seen;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        const auto fail = [&](const QString &why) {
            if (error) {
                *error = QStringLiteral("line %1: %2: %3").arg(i + 1).arg(why, line);
            }
            return false;
        };
        const QStringList words = line.split(blanks);
        if (words.size() < 4) {
            return fail(QStringLiteral("expected <kind> <name> <size> <recipe>"));
        }
        SkinEntry entry;
        entry.line = i + 1;
        entry.recipe = words.at(3);
        if (!parseSize(words.at(2), &entry.size)) {
            return fail(QStringLiteral("bad size"));
        }
        if (!namePattern.match(words.at(1)).hasMatch()) {
            return fail(QStringLiteral("bad name"));
        }
        for (int k = 4; k < words.size(); ++k) {
            const qsizetype eq = words.at(k).indexOf(QLatin1Char('='));
            if (eq <= 0) {
                return fail(QStringLiteral("expected key=value"));
            }
            entry.params.insert(words.at(k).left(eq), words.at(k).mid(eq + 1));
        }
        QStringList paths;
        if (words.at(0) == QLatin1String("button")) {
            if (words.at(1).contains(QLatin1Char('/'))) {
                return fail(QStringLiteral("a button is named without a folder"));
            }
            for (const QString &state : buttonStates()) {
                SkinEntry face = entry;
                face.state = state;
                face.path = state + QLatin1Char('/') + words.at(1);
                entries.append(face);
                paths.append(face.path);
            }
        } else if (words.at(0) == QLatin1String("image")) {
            if (!words.at(1).contains(QLatin1Char('/'))) {
                return fail(QStringLiteral("an image is named with its folder"));
            }
            entry.path = words.at(1);
            entries.append(entry);
            paths.append(entry.path);
        } else {
            return fail(QStringLiteral("unknown kind"));
        }
        for (const QString &path : paths) {
            if (seen.contains(path)) {
                return fail(QStringLiteral("%1 declared twice").arg(path));
            }
            seen.insert(path);
        }
    }
    m_entries = entries;
    return true;
}

bool SkinManifest::load(const QString &fileName, QString *error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (error) {
            *error = QStringLiteral("cannot read %1").arg(fileName);
        }
        return false;
    }
    return parse(QString::fromUtf8(file.readAll()), error);
}
