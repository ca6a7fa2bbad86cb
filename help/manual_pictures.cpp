#include "help/manual_pictures.h"

#include <QImage>
#include <QPainter>

#include "help/control_pictures.h"
#include "help/screen_pictures.h"

namespace {

struct PictureRow {
    ManualPicture Picture;
    const char* Name;
    QSize Size;
};

constexpr int kButtonWidth = 27;

const PictureRow kPictures[kManualPictureCount] = {
    {ManualPicture::OpenButton, "OpenButton", {kButtonWidth, 22}},
    {ManualPicture::ShowSourceButton, "ShowSourceButton", {kButtonWidth, 22}},
    {ManualPicture::SaveSourceButton, "SaveSourceButton", {kButtonWidth, 22}},
    {ManualPicture::SaveScaledButton, "SaveScaledButton", {kButtonWidth, 22}},
    {ManualPicture::ShowScaledButton, "ShowScaledButton", {kButtonWidth, 22}},
    {ManualPicture::CreateButton, "CreateButton", {kButtonWidth, 22}},
    {ManualPicture::BatchButton, "BatchButton", {kButtonWidth, 22}},
    {ManualPicture::HelpButton, "HelpButton", {kButtonWidth, 22}},
    {ManualPicture::BatchHeadingButton, "BatchHeadingButton", {kButtonWidth, 23}},
    {ManualPicture::AspectLockBox, "AspectLockBox", {92, 18}},
    {ManualPicture::TopmostBox, "TopmostBox", {63, 18}},
    {ManualPicture::UnitPercent, "UnitPercent", {50, 22}},
    {ManualPicture::UnitPixel, "UnitPixel", {50, 22}},
    {ManualPicture::SizeFieldsPercent, "SizeFieldsPercent", {196, 26}},
    {ManualPicture::SizeFieldsPixel, "SizeFieldsPixel", {196, 26}},
    {ManualPicture::BrightnessBar, "BrightnessBar", {225, 24}},
    {ManualPicture::ContrastBar, "ContrastBar", {277, 24}},
    {ManualPicture::RotationButton, "RotationButton", {94, 22}},
    {ManualPicture::PopupMenu, "PopupMenu", {144, 66}},
    {ManualPicture::DragSelection, "DragSelection", {79, 51}},
    {ManualPicture::FileDrop, "FileDrop", {79, 50}},
    {ManualPicture::SettingsConfirmation, "SettingsConfirmation", {150, 127}},
    {ManualPicture::OpenDialog, "OpenDialog", {312, 122}},
    {ManualPicture::DestinationDialog, "DestinationDialog", {280, 166}},
    {ManualPicture::FinalConfirmation, "FinalConfirmation", {200, 143}},
    {ManualPicture::ProgressWindow, "ProgressWindow", {206, 50}},
};

const PictureRow& rowOf(ManualPicture picture) {
    return kPictures[static_cast<int>(picture)];
}

}  // namespace

QSize ManualPictureSize(ManualPicture picture) {
    return rowOf(picture).Size;
}

QString ManualPictureName(ManualPicture picture) {
    return QString::fromLatin1(rowOf(picture).Name);
}

QPixmap FitPicture(const QImage& image, QSize size, const QColor& background) {
    QImage fitted(size, QImage::Format_RGB32);
    fitted.fill(background);
    if (image.isNull()) return QPixmap::fromImage(fitted);
    const QImage shown = image.width() <= size.width() && image.height() <= size.height()
                             ? image
                             : image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPainter painter(&fitted);
    painter.drawImage((size.width() - shown.width()) / 2, (size.height() - shown.height()) / 2,
                      shown);
    painter.end();
    return QPixmap::fromImage(fitted);
}

ManualPictures RenderManualPictures() {
    ManualPictures pictures;
    TControlModel model;
    for (const PictureRow& row : kPictures) {
        QPixmap& picture = pictures[static_cast<int>(row.Picture)];
        switch (row.Picture) {
            case ManualPicture::DragSelection:
                picture = DragSelectionPicture();
                break;
            case ManualPicture::FileDrop:
                picture = FileDropPicture();
                break;
            case ManualPicture::SettingsConfirmation:
            case ManualPicture::OpenDialog:
            case ManualPicture::DestinationDialog:
            case ManualPicture::FinalConfirmation:
            case ManualPicture::ProgressWindow:
                picture = RenderScreenPicture(row.Picture);
                break;
            default:
                picture = model.Render(row.Picture);
                break;
        }
    }
    return pictures;
}
