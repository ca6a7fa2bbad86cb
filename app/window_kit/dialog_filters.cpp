#include "app/window_kit/dialog_filters.h"

QStringList QtNameFilters(const QString& pairs) {
    const QStringList parts = pairs.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts.at(i);
        QStringList patterns = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns) pattern = pattern.trimmed();
        const QString inParentheses =
            QLatin1Char('(') + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
        if (description.endsWith(inParentheses))
            filters << description;
        else
            filters << description + QLatin1Char(' ') + inParentheses;
    }
    return filters;
}

QString FilterExtension(const QString& qtFilter) {
    const qsizetype open = qtFilter.lastIndexOf(QLatin1Char('('));
    const qsizetype close = qtFilter.lastIndexOf(QLatin1Char(')'));
    if (open < 0 || close < open) return {};
    const QString first = qtFilter.mid(open + 1, close - open - 1)
                              .section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
    if (!first.startsWith(QLatin1String("*.")) || first.size() < 3) return {};
    const QString extension = first.mid(2);
    if (extension.contains(QLatin1Char('*')) || extension.contains(QLatin1Char('?'))) return {};
    return extension;
}
