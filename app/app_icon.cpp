#include "app/app_icon.h"

#include <QString>

// The resources live in a static library: nothing would pull their
// registration into the program unless it is called by name.
static void registerIconResource() {
    Q_INIT_RESOURCE(app_icon);
}

QList<int> ApplicationIconSizes() {
    return {16, 22, 24, 32, 48, 64, 128, 256};
}

QIcon ApplicationIcon() {
    registerIconResource();
    QIcon icon;
    for (const int size : ApplicationIconSizes())
        icon.addFile(QStringLiteral(":/icons/skalomi-%1.png").arg(size), QSize(size, size));
    return icon;
}
