#include "app/window_kit/qt_platform.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <climits>

#include "app/window_kit/dialog_filters.h"
#include "app/window_kit/picture_conversion.h"
#include "app/window_kit/picture_preview.h"
#include "app/window_kit/x11_dialog_frame.h"
#include "app/window_kit/x11_keys.h"
#include "shell/quiet_icon_provider.h"

QtPlatform::QtPlatform() {
    qApp->installEventFilter(this);
}

QtPlatform::~QtPlatform() {
    if (busy_) QGuiApplication::restoreOverrideCursor();
}

std::unique_ptr<QMessageBox> QtPlatform::MakeMessageBox(QWidget* parent, const QString& text,
                                                        const QString& title, MessageIcon icon,
                                                        MessageButtons buttons) {
    auto box = std::make_unique<QMessageBox>(parent);
    new FixedDialogFrame(box.get());
    box->setWindowTitle(title);
    // The program's texts break lines with a carriage return alone.
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    box->setText(shown);
    box->setTextFormat(Qt::PlainText);
    switch (icon) {
        case MessageIcon::None:
            box->setIcon(QMessageBox::NoIcon);
            break;
        case MessageIcon::Information:
            box->setIcon(QMessageBox::Information);
            break;
        case MessageIcon::Warning:
            box->setIcon(QMessageBox::Warning);
            break;
        case MessageIcon::Error:
            box->setIcon(QMessageBox::Critical);
            break;
    }
    switch (buttons) {
        case MessageButtons::Ok:
            box->setStandardButtons(QMessageBox::Ok);
            break;
        case MessageButtons::OkCancel:
            box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box->button(QMessageBox::Cancel)->setText(QStringLiteral("キャンセル"));
            break;
        case MessageButtons::YesNoCancel:
            box->setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box->button(QMessageBox::Yes)->setText(QStringLiteral("はい(&Y)"));
            box->button(QMessageBox::No)->setText(QStringLiteral("いいえ(&N)"));
            box->button(QMessageBox::Cancel)->setText(QStringLiteral("キャンセル"));
            break;
    }
    return box;
}

MessageAnswer QtPlatform::ShowMessage(QWidget* parent, const QString& text, const QString& title,
                                      MessageIcon icon, MessageButtons buttons) {
    auto box = MakeMessageBox(parent, text, title, icon, buttons);
    switch (box->exec()) {
        case QMessageBox::Ok:
            return MessageAnswer::Ok;
        case QMessageBox::Yes:
            return MessageAnswer::Yes;
        case QMessageBox::No:
            return MessageAnswer::No;
        default:
            // Esc and the close box count as Cancel, as on every platform.
            return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
    }
}

std::unique_ptr<QFileDialog> QtPlatform::MakeOpenDialog(QWidget* parent,
                                                        const OpenDialogSettings& settings,
                                                        const FileDialogMemory& memory) {
    auto dialog = std::make_unique<QFileDialog>(parent, settings.Title);
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    UseQuietIcons(*dialog);
    dialog->setOption(QFileDialog::ReadOnly, false);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(settings.MultiSelect ? QFileDialog::ExistingFiles
                                             : QFileDialog::ExistingFile);
    dialog->setNameFilters(QtNameFilters(settings.Filter));
    AttachPicturePreview(*dialog);
    ShapeFileDialog(*dialog, memory);
    return dialog;
}

QStringList QtPlatform::RunOpenDialog(QWidget* parent, const OpenDialogSettings& settings) {
    auto dialog = MakeOpenDialog(parent, settings, openMemory_);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    RememberFileDialog(*dialog, openMemory_);
    if (!accepted) return {};
    return dialog->selectedFiles();
}

std::unique_ptr<QFileDialog> QtPlatform::MakeSaveDialog(QWidget* parent,
                                                        const SaveDialogSettings& settings,
                                                        const FileDialogMemory& memory) {
    auto dialog = std::make_unique<QFileDialog>(parent, settings.Title);
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    UseQuietIcons(*dialog);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, !settings.OverwritePrompt);
    const QStringList filters = QtNameFilters(settings.Filter);
    dialog->setNameFilters(filters);
    if (settings.FilterIndex >= 1 && settings.FilterIndex <= filters.size())
        dialog->selectNameFilter(filters.at(settings.FilterIndex - 1));
    // A name typed without an extension gets the chosen type's, so that the
    // file's name, which decides what is written, and the type agree.
    const auto followFilter = [d = dialog.get(),
                               fallback = settings.DefaultExt](const QString& filter) {
        const QString extension = FilterExtension(filter);
        d->setDefaultSuffix(extension.isEmpty() ? fallback : extension);
    };
    followFilter(dialog->selectedNameFilter());
    QObject::connect(dialog.get(), &QFileDialog::filterSelected, dialog.get(), followFilter);
    ShapeFileDialog(*dialog, memory);
    if (!settings.FileName.isEmpty()) {
        // The name the dialog kept, in the folder it was last left in.
        const QFileInfo kept(settings.FileName);
        dialog->selectFile(memory.Folder.isEmpty() ? settings.FileName : kept.fileName());
    }
    return dialog;
}

bool QtPlatform::RunSaveDialog(QWidget* parent, SaveDialogSettings& settings) {
    auto dialog = MakeSaveDialog(parent, settings, saveMemory_);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    RememberFileDialog(*dialog, saveMemory_);
    if (!accepted || dialog->selectedFiles().isEmpty()) return false;
    settings.FileName = dialog->selectedFiles().constFirst();
    const int index = QtNameFilters(settings.Filter).indexOf(dialog->selectedNameFilter());
    if (index >= 0) settings.FilterIndex = index + 1;
    return true;
}

void QtPlatform::SetTopmost(QWidget* window, bool topmost) {
    // Changing the widget's flags the usual way would hide and recreate the
    // window; the flag goes to the existing window instead, which keeps its
    // place and size.
    Qt::WindowFlags flags = window->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, topmost);
    if (flags == window->windowFlags()) return;
    window->overrideWindowFlags(flags);
    if (QWindow* handle = window->windowHandle()) handle->setFlags(flags);
}

void QtPlatform::BringToFront(QWidget* window) {
    window->raise();
    window->activateWindow();
}

bool QtPlatform::IsEscapeHeld() {
    if (const std::optional<bool> held = X11EscapeHeld()) return *held;
    return escapeDown_;
}

bool QtPlatform::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && !key->isAutoRepeat())
            escapeDown_ = event->type() == QEvent::KeyPress;
    }
    return QObject::eventFilter(watched, event);
}

void QtPlatform::SetClipboardPicture(const ClipboardPicture& picture) {
    auto* mime = new QMimeData;
    mime->setData(QStringLiteral("image/bmp"),
                  QByteArray(reinterpret_cast<const char*>(picture.BmpFile.data()),
                             static_cast<qsizetype>(picture.BmpFile.size())));
    mime->setImageData(picture.Image);
    QGuiApplication::clipboard()->setMimeData(mime);
}

ClipboardContent QtPlatform::ReadClipboard() {
    ClipboardContent content;
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (!mime) return content;
    const QByteArray bmp = mime->data(QStringLiteral("image/bmp"));
    if (bmp.size() > 14 && bmp.startsWith("BM")) {
        // A bitmap file is a packed DIB behind a 14-byte file header.
        content.PackedDIB = std::vector<std::uint8_t>(bmp.begin() + 14, bmp.end());
        return content;
    }
    if (mime->hasImage()) {
        const QImage image = qvariant_cast<QImage>(mime->imageData());
        if (!image.isNull()) {
            content.PackedDIB = PackedDIBFromImage(image);
            return content;
        }
    }
    for (const char* type : {"image/x-emf", "image/x-wmf"}) {
        const QByteArray data = mime->data(QString::fromLatin1(type));
        if (!data.isEmpty()) {
            content.Metafile = std::vector<std::uint8_t>(data.begin(), data.end());
            content.MetafileIsEnhanced = QByteArray(type) == "image/x-emf";
            return content;
        }
    }
    return content;
}

void QtPlatform::Beep() {
    QApplication::beep();
}

int ColorsOfDepth(int depth) {
    if (depth <= 0) return 1;
    if (depth >= 31) return INT_MAX;
    return 1 << depth;
}

int QtPlatform::ScreenColors() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return ColorsOfDepth(screen ? screen->depth() : 24);
}

void QtPlatform::SetBusyCursor(bool busy) {
    if (busy == busy_) return;
    busy_ = busy;
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

void QtPlatform::DiscardWaitingCloseRequests() {
    DropHeldCloseRequests();
}
