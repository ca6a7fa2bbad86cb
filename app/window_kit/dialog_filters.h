#pragma once

// The program writes its dialog filters as pairs of description and pattern
// separated by "|" ("ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)|*.bmp|JPEG (*.jpg)|*.jpg"). Qt's file
// dialog takes one string per filter with its patterns in parentheses.

#include <QString>
#include <QStringList>

// One Qt filter per pair: the description, with " (patterns)" added unless
// it already ends with exactly those patterns in parentheses.
QStringList QtNameFilters(const QString& pairs);

// The extension of the Qt filter's first pattern without its dot ("JPEG
// (*.jpg)" gives "jpg"); empty when that pattern is no "*.extension".
QString FilterExtension(const QString& qtFilter);
