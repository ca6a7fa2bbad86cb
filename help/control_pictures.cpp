#include "help/control_pictures.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <utility>

#include "app/window_kit/glyphs.h"
#include "app/window_kit/image_view.h"
#include "app/window_kit/picture_conversion.h"
#include "app/window_kit/speed_button.h"
#include "app/window_kit/track_bar.h"
#include "app/window_kit/up_down.h"

namespace {

// Wide enough for every control of both bars.
constexpr int kModelWidth = 900;

// What the size fields show in the pixel-mode picture: a thumbnail's frame.
const QString kPixelWidth = QStringLiteral("160");
const QString kPixelHeight = QStringLiteral("120");

// The mouse pointer as the desktop draws it: a white arrow with a black
// edge, its tip at `tip`.
void drawPointer(QPainter& painter, QPoint tip) {
    QPainterPath arrow;
    arrow.moveTo(0, 0);
    arrow.lineTo(0, 15);
    arrow.lineTo(4, 11);
    arrow.lineTo(7, 17);
    arrow.lineTo(9, 16);
    arrow.lineTo(6, 10);
    arrow.lineTo(11, 10);
    arrow.closeSubpath();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.translate(tip);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    painter.drawPath(arrow);
    painter.restore();
}

// The small box with a plus that the pointer carries while it drops a copy.
void drawCopyMark(QPainter& painter, QPoint at) {
    painter.save();
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    painter.drawRect(at.x(), at.y(), 8, 8);
    painter.drawLine(at.x() + 2, at.y() + 4, at.x() + 6, at.y() + 4);
    painter.drawLine(at.x() + 4, at.y() + 2, at.x() + 4, at.y() + 6);
    painter.restore();
}

// The first and the last control a picture takes in, side by side on their
// bar; none for the pictures that are not of the bars.
std::pair<QWidget*, QWidget*> areaOf(TMainControls& c, ManualPicture picture) {
    switch (picture) {
        case ManualPicture::OpenButton:
            return {c.ToolButton1, c.ToolButton1};
        case ManualPicture::ShowSourceButton:
            return {c.ToolButton5, c.ToolButton5};
        case ManualPicture::SaveSourceButton:
        case ManualPicture::SaveScaledButton:
            return {c.ToolButton2, c.ToolButton2};
        case ManualPicture::ShowScaledButton:
            return {c.ToolButton6, c.ToolButton6};
        case ManualPicture::CreateButton:
            return {c.ToolButton10, c.ToolButton10};
        case ManualPicture::BatchButton:
        case ManualPicture::BatchHeadingButton:
            return {c.ToolButton12, c.ToolButton12};
        case ManualPicture::HelpButton:
            return {c.ToolButton14, c.ToolButton14};
        case ManualPicture::AspectLockBox:
            return {c.CheckBox1, c.CheckBox1};
        case ManualPicture::TopmostBox:
            return {c.CheckBox2, c.CheckBox2};
        case ManualPicture::UnitPercent:
        case ManualPicture::UnitPixel:
            return {c.SpeedButton1, c.SpeedButton1};
        case ManualPicture::SizeFieldsPercent:
        case ManualPicture::SizeFieldsPixel:
            return {c.Label2, c.UpDown2};
        case ManualPicture::BrightnessBar:
            return {c.Label6, c.Label8};
        case ManualPicture::ContrastBar:
            return {c.Label1, c.Label5};
        case ManualPicture::RotationButton:
            return {c.ToolButton22, c.Label9};
        default:
            return {nullptr, nullptr};
    }
}

}  // namespace

TControlModel::TControlModel() : host_(std::make_unique<QWidget>()) {
    host_->setFont(MainWindowFont());
    Controls.BuildToolBar1(host_.get());
    Controls.BuildToolBar2(host_.get());
    Controls.BuildMenu(host_.get());
    auto* layout = new QVBoxLayout(host_.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Controls.ToolBar1);
    layout->addWidget(Controls.ToolBar2);
    layout->addStretch(1);

    // Every command as it looks once a picture is loaded.
    for (QToolButton* button :
         {Controls.ToolButton5, Controls.ToolButton2, Controls.ToolButton6, Controls.ToolButton10})
        button->setEnabled(true);
    for (QAction* item : {Controls.copy0, Controls.copy1}) item->setEnabled(true);

    // Laid out and painted as a window is, without appearing on the screen.
    host_->setAttribute(Qt::WA_DontShowOnScreen);
    host_->resize(kModelWidth, Controls.ToolBar1->height() + Controls.ToolBar2->height());
    host_->show();
}

TControlModel::~TControlModel() = default;

QPixmap TControlModel::renderArea(QWidget* first, QWidget* last, ManualPicture picture) {
    const QSize size = ManualPictureSize(picture);
    const QRect controls = QRect(first->mapTo(host_.get(), QPoint(0, 0)), first->size())
                               .united(QRect(last->mapTo(host_.get(), QPoint(0, 0)), last->size()));
    // The picture's frame centred on the controls: it takes in as much of
    // the bar around them as it has room for, or leaves out the blank edges
    // of a control a little larger than the picture (the flat unit button).
    const QRect area(controls.topLeft() + QPoint((controls.width() - size.width()) / 2,
                                                 (controls.height() - size.height()) / 2),
                     size);
    const QColor background = host_->palette().color(QPalette::Window);
    return FitPicture(host_->grab(area).toImage(), size, background);
}

QPixmap TControlModel::Render(ManualPicture picture) {
    TMainControls& c = Controls;
    if (picture == ManualPicture::PopupMenu) {
        c.PopupMenu1->resize(c.PopupMenu1->sizeHint());
        const QColor background = c.PopupMenu1->palette().color(QPalette::Window);
        return FitPicture(c.PopupMenu1->grab().toImage(), ManualPictureSize(picture), background);
    }
    const auto [first, last] = areaOf(c, picture);
    if (!first) return QPixmap();

    // The state a picture shows, set for it and then undone: the one save
    // button with the glyph of either picture, the unit in either mode.
    const int saveGlyph = GlyphIndexOf(c.ToolButton2);
    const bool percent = c.UnitIsPercent();
    const QString horz = c.Edit1->text(), vert = c.Edit2->text();
    if (picture == ManualPicture::SaveSourceButton) SetGlyphIndex(c.ToolButton2, 1);
    if (picture == ManualPicture::SaveScaledButton) SetGlyphIndex(c.ToolButton2, 5);
    if (picture == ManualPicture::UnitPercent || picture == ManualPicture::SizeFieldsPercent)
        c.ShowScaleUnit(true);
    if (picture == ManualPicture::UnitPixel || picture == ManualPicture::SizeFieldsPixel) {
        c.ShowScaleUnit(false);
        c.Edit1->setText(kPixelWidth);
        c.Edit2->setText(kPixelHeight);
    }
    QPixmap result = renderArea(first, last, picture);
    SetGlyphIndex(c.ToolButton2, saveGlyph);
    c.ShowScaleUnit(percent);
    c.Edit1->setText(horz);
    c.Edit2->setText(vert);
    return result;
}

QPixmap DragSelectionPicture() {
    const QSize size = ManualPictureSize(ManualPicture::DragSelection);
    QImage source(size, QImage::Format_RGB32);
    source.fill(Qt::white);
    {
        QPainter painter(&source);
        DrawPictureSymbol(painter, source.rect());
    }
    // The source view draws the frame of the range being dragged.
    TDIB dib;
    dib.Assign(DecodedFromImage(source));
    TImage view;
    view.SetPicture(dib);
    const QPoint corner(size.width() * 2 / 3, size.height() * 3 / 4);
    view.InvertOutline(size.width() / 5, size.height() / 5, corner.x(), corner.y());
    QPixmap picture = view.grab();
    QPainter painter(&picture);
    drawPointer(painter, corner);
    return picture;
}

QPixmap FileDropPicture() {
    const QSize size = ManualPictureSize(ManualPicture::FileDrop);
    QPixmap picture(size);
    picture.fill(ViewBackgroundColor());
    QPainter painter(&picture);
    // The file being dragged: the desktop's file icon with a picture on it.
    const QIcon fileIcon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    const QRect icon(size.width() / 2 - 20, size.height() / 2 - 18, 32, 32);
    fileIcon.paint(&painter, icon);
    DrawPictureSymbol(painter, QRect(icon.left() + 9, icon.top() + 12, 14, 11));
    const QPoint tip = icon.center() + QPoint(6, 6);
    drawPointer(painter, tip);
    drawCopyMark(painter, tip + QPoint(10, 12));
    return picture;
}
