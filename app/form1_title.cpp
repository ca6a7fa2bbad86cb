#include <QCheckBox>

#include "app/form1.h"
#include "app/window_kit/texts.h"
#include "scale/selection.h"

namespace {

// The file-name part of a path: the text after the last "/".
QString fileNamePart(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

}  // namespace

void TForm1::FormTitleSet(const QString& name, const QString& kind, int width, int height) {
    DisplayName = name == texts::ClipboardName ? name : fileNamePart(name);
    QString caption = TitleBase + texts::TitleSeparator + DisplayName + QStringLiteral("  ") +
                      kind + QStringLiteral("（") + QString::number(width) + QStringLiteral("×") +
                      QString::number(height) + QStringLiteral("）");
    TitleText = caption;
    if (SelectState == 1 && kind == texts::KindSource)
        caption += QString::fromStdString(SelectionSuffix(CurrentSelection()));
    setWindowTitle(caption);
}
