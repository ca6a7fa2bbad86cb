#pragma once

// The manual's page: one panel of 594 x 1955 pixels in four sections, each
// under a heading with a row of links to the other three. Every text and
// picture stands at a fixed place on it (pixels from its top-left corner).

#include <QColor>
#include <QSize>
#include <QString>
#include <array>
#include <functional>

#include "help/manual_pictures.h"

class QWidget;

constexpr QSize kManualPageSize(594, 1955);
// The colour of the page and of the window around it.
constexpr QColor kManualPageColor(255, 255, 224);

struct ManualSection {
    int HeadingTop;    // where the section's heading stands on the page
    int JumpPosition;  // the scroll position a link to it sets
    int LinkRowTop;    // where the links to the other sections stand
    QString LinkText;  // the text of the links to it
};

constexpr int kManualSectionCount = 4;

// The sections in page order: the tool bar, the mouse in the view, the
// batch run, and about the program.
const std::array<ManualSection, kManualSectionCount>& ManualSections();

// Fills `page` (sized kManualPageSize by the caller) with the texts and
// pictures. A click on a link calls `jump` with the section it leads to.
void BuildManualPage(QWidget* page, const ManualPictures& pictures,
                     const std::function<void(int)>& jump);
