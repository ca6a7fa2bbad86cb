#pragma once

// The manual's 26 pictures. None is stored with the program: each is
// rendered from the program's own widgets when the manual page is built,
// so the manual always shows the buttons, fields and dialogs exactly as the
// program draws them (the same glyphs, fonts, captions and style).

#include <QPixmap>
#include <QSize>
#include <QString>
#include <array>

class QColor;
class QImage;

enum class ManualPicture {
    // Tool bar buttons, 27 x 22 (the heading's batch button 27 x 23).
    OpenButton,
    ShowSourceButton,
    SaveSourceButton,
    SaveScaledButton,
    ShowScaledButton,
    CreateButton,
    BatchButton,
    HelpButton,
    BatchHeadingButton,
    // The other controls of the tool bars and the view.
    AspectLockBox,
    TopmostBox,
    UnitPercent,
    UnitPixel,
    SizeFieldsPercent,
    SizeFieldsPixel,
    BrightnessBar,
    ContrastBar,
    RotationButton,
    PopupMenu,
    DragSelection,
    FileDrop,
    // The batch run's windows.
    SettingsConfirmation,
    OpenDialog,
    DestinationDialog,
    FinalConfirmation,
    ProgressWindow,
};

constexpr int kManualPictureCount = 26;

using ManualPictures = std::array<QPixmap, kManualPictureCount>;

// The size each picture takes on the page.
QSize ManualPictureSize(ManualPicture picture);
// A readable name ("OpenButton"), for test names and messages.
QString ManualPictureName(ManualPicture picture);

// Renders all 26 pictures, each at its size.
ManualPictures RenderManualPictures();

// `image` at `size`: centred on `background` when it fits, else reduced
// smoothly, keeping its proportions, to the largest size that fits.
QPixmap FitPicture(const QImage& image, QSize size, const QColor& background);
