#pragma once

// The program's icon, the same picture the desktop shows in its menus
// (packaging/icons), at every size the hicolor theme has.

#include <QIcon>
#include <QList>

// The sizes (width = height) the icon comes in.
QList<int> ApplicationIconSizes();

QIcon ApplicationIcon();
