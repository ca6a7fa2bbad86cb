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
