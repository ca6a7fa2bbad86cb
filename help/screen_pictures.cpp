#include "help/screen_pictures.h"

#include <QAbstractItemView>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>

#include "app/window_kit/fonts.h"
#include "app/window_kit/glyphs.h"
#include "app/window_kit/picture_conversion.h"
#include "app/window_kit/qt_platform.h"
#include "app/window_kit/texts.h"
#include "help/batch_sample.h"
#include "help/manual_page.h"
#include "output/batch_destination_dialog.h"
#include "output/progress_window.h"
#include "picture/dib.h"
#include "picture/picture_saver.h"

namespace {

constexpr int kTitleBarHeight = 20;
// The open dialog is pictured at least this wide, and this low like its picture.
const QSize kOpenDialogSize(640, 250);
const QSize kSamplePictureSize(160, 120);
// How long the open dialog may take to list the sample folder.
constexpr int kListingTimeoutMs = 1000;

QPixmap fitted(const QImage& image, ManualPicture picture) {
    return FitPicture(image, ManualPictureSize(picture), kManualPageColor);
}

QPixmap messageBoxPicture(const QString& text, const QString& title, ManualPicture picture) {
    auto box = QtPlatform::MakeMessageBox(nullptr, text, title, MessageIcon::Information,
                                          MessageButtons::OkCancel);
    return fitted(WindowPicture(*box, true), picture);
}

// Small pictures for the sample folder, written by the program's own saver
// in the format of each name.
void writeSamplePictures(const QDir& folder, const QStringList& names) {
    QImage image(kSamplePictureSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        DrawPictureSymbol(painter, image.rect());
    }
    TDIB picture;
    picture.Assign(DecodedFromImage(image));
    for (const QString& name : names) {
        try {
            SavePictureToFile(picture, folder.filePath(name).toStdString());
        } catch (const std::exception&) {
            // The dialog lists the folder as it is.
        }
    }
}

// The open dialog of a batch run in a folder of the sample's pictures, all
// of them chosen together as with Ctrl or Shift.
QPixmap openDialogPicture(const BatchSample& sample) {
    OpenDialogSettings settings;
    settings.Title = sample.OpenTitle;
    settings.Filter = texts::OpenDialogFilter;
    settings.MultiSelect = true;
    auto dialog = QtPlatform::MakeOpenDialog(nullptr, settings);

    QTemporaryDir temporary(QDir::tempPath() + QStringLiteral("/skalomi-XXXXXX"));
    const QDir folder(temporary.path() + QStringLiteral("/写真"));
    auto* model = dialog->findChild<QFileSystemModel*>();
    auto* list = dialog->findChild<QAbstractItemView*>(QStringLiteral("listView"));
    auto* nameField = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (temporary.isValid() && folder.mkpath(QStringLiteral(".")) && model) {
        writeSamplePictures(folder, sample.FileNames);
        // The dialog lists a folder on a thread of its own; wait for it.
        QEventLoop loop;
        bool listed = false;
        QObject::connect(model, &QFileSystemModel::directoryLoaded, &loop, [&] {
            listed = true;
            loop.quit();
        });
        dialog->setDirectory(folder.path());
        if (!listed) {
            QTimer::singleShot(kListingTimeoutMs, &loop, &QEventLoop::quit);
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        }
        QStringList quoted;
        for (const QString& name : sample.FileNames) {
            if (list && list->selectionModel())
                list->selectionModel()->select(
                    model->index(folder.filePath(name)),
                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
            quoted << QLatin1Char('"') + name + QLatin1Char('"');
        }
        if (nameField) nameField->setText(quoted.join(QLatin1Char(' ')));
    }
    // As wide as the dialog opens, so its columns and preview are seen whole.
    dialog->resize(std::max(kOpenDialogSize.width(), dialog->width()), kOpenDialogSize.height());
    return fitted(WindowPicture(*dialog, true), ManualPicture::OpenDialog);
}

QPixmap progressWindowPicture(const BatchSample& sample) {
    TForm2 window;
    window.setWindowTitle(sample.ProgressCaption);
    window.Label2->show();
    window.ProgressBar1->setValue(40);
    return fitted(UnshownWindowPicture(window), ManualPicture::ProgressWindow);
}

QPixmap destinationDialogPicture() {
    TForm4 dialog;
    return fitted(WindowPicture(dialog, true), ManualPicture::DestinationDialog);
}

}  // namespace

QImage UnshownWindowPicture(QWidget& window) {
    // Laid out and painted as when it is shown, without appearing; only
    // pictured, it blocks no other window.
    window.setWindowModality(Qt::NonModal);
    window.setAttribute(Qt::WA_DontShowOnScreen);
    window.show();
    const QImage picture = window.grab().toImage();
    window.hide();
    return picture;
}

QImage WindowPicture(QWidget& window, bool closeBox) {
    const QImage client = UnshownWindowPicture(window);

    const QPalette palette = window.palette();
    QImage image(client.width() + 2, client.height() + kTitleBarHeight + 1, QImage::Format_RGB32);
    image.fill(palette.color(QPalette::Dark));
    QPainter painter(&image);
    const QRect bar(1, 1, client.width(), kTitleBarHeight - 1);
    painter.fillRect(bar, palette.color(QPalette::Highlight));
    int textRight = bar.right() - 4;
    if (closeBox) {
        const QRect box(bar.right() - 17, bar.top() + 2, 15, 15);
        painter.fillRect(box, palette.color(QPalette::Button));
        painter.setPen(QPen(palette.color(QPalette::ButtonText), 1.5));
        painter.setRenderHint(QPainter::Antialiasing);
        painter.drawLine(box.topLeft() + QPoint(4, 4), box.bottomRight() - QPoint(4, 4));
        painter.drawLine(box.topRight() + QPoint(-4, 4), box.bottomLeft() + QPoint(4, -4));
        textRight = box.left() - 4;
    }
    painter.setFont(ProportionalFont(12, true));
    painter.setPen(palette.color(QPalette::HighlightedText));
    const QRect caption(bar.left() + 5, bar.top(), textRight - bar.left() - 5, bar.height());
    painter.drawText(
        caption, Qt::AlignLeft | Qt::AlignVCenter,
        painter.fontMetrics().elidedText(window.windowTitle(), Qt::ElideRight, caption.width()));
    painter.drawImage(1, kTitleBarHeight, client);
    return image;
}

QPixmap RenderScreenPicture(ManualPicture picture) {
    const BatchSample sample = MakeBatchSample();
    switch (picture) {
        case ManualPicture::SettingsConfirmation:
            return messageBoxPicture(sample.SettingsQuestion, sample.SettingsTitle, picture);
        case ManualPicture::OpenDialog:
            return openDialogPicture(sample);
        case ManualPicture::DestinationDialog:
            return destinationDialogPicture();
        case ManualPicture::FinalConfirmation:
            return messageBoxPicture(sample.FinalQuestion, sample.FinalTitle, picture);
        case ManualPicture::ProgressWindow:
            return progressWindowPicture(sample);
        default:
            return QPixmap();
    }
}
