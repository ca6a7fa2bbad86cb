#include "app/window_kit/picture_preview.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QSplitter>
#include <QThreadPool>
#include <QVBoxLayout>
#include <new>

#include "app/window_kit/picture_conversion.h"
#include "scale/reduce_to_fit.h"

namespace {

constexpr int kSmallestBox = 64;

// One worker for every preview of the program: a single decode at a time
// keeps the memory of previews to one picture. It belongs to the
// application, so a dialog that closes does not wait for it.
QThreadPool* previewWorker() {
    static QPointer<QThreadPool> worker;
    if (!worker) {
        worker = new QThreadPool(QCoreApplication::instance());
        worker->setMaxThreadCount(1);
    }
    return worker;
}

struct Superseded {};

// The picture, reduced to fit the area and never enlarged, in its middle.
QRect fittedRect(QSize picture, QRect area) {
    QSize size = picture;
    if (size.width() > area.width() || size.height() > area.height())
        size.scale(area.size(), Qt::KeepAspectRatio);
    QRect rect(QPoint(0, 0), size);
    rect.moveCenter(area.center());
    return rect;
}

class PreviewCanvas : public QWidget {
public:
    explicit PreviewCanvas(const QImage& picture) : picture_(picture) {
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (picture_.isNull()) return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(fittedRect(picture_.size(), rect()), picture_);
    }

private:
    const QImage& picture_;
};

}  // namespace

// What the worker shares with the pane. `latest` is read on the worker;
// `owner` is touched on the user-interface thread only.
struct TPicturePreview::Channel {
    std::atomic<std::uint64_t> latest{0};
    TPicturePreview* owner = nullptr;
};

std::optional<PreviewPicture> MakePreview(const QString& path, QSize box,
                                          const std::function<void()>& checkpoint) {
    try {
        // Where the file can be read in bands the whole picture is never
        // held: a preview of a very large picture takes little memory, and
        // none away from the picture the dialog then opens.
        std::optional<ReducedFile> reduced =
            ReduceFileToFit(QFile::encodeName(path).toStdString(), std::max(box.width(), 1),
                            std::max(box.height(), 1), checkpoint);
        if (!reduced) return std::nullopt;
        PreviewPicture made;
        made.Width = reduced->Width;
        made.Height = reduced->Height;
        made.Image = ImageFromDIB(reduced->Picture);
        return made;
    } catch (const EOutOfMemory&) {
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

QString PreviewSizeText(int width, int height) {
    return QStringLiteral("%1×%2").arg(width).arg(height);
}

TPicturePreview::TPicturePreview(QWidget* parent)
    : QFrame(parent), channel_(std::make_shared<Channel>()) {
    setObjectName(QStringLiteral("PicturePreview"));
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    setMinimumWidth(120);
    channel_->owner = this;
    canvas_ = new PreviewCanvas(picture_);
    sizeLabel_ = new QLabel;
    sizeLabel_->setObjectName(QStringLiteral("PreviewSize"));
    sizeLabel_->setAlignment(Qt::AlignCenter);
    sizeLabel_->setTextFormat(Qt::PlainText);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(canvas_, 1);
    layout->addWidget(sizeLabel_);
}

TPicturePreview::~TPicturePreview() {
    // A preview still being made gives up, and its result goes nowhere.
    channel_->owner = nullptr;
    ++channel_->latest;
}

QString TPicturePreview::SizeText() const {
    return sizeLabel_->text();
}

void TPicturePreview::ShowFile(const QString& path) {
    // The list and the name field often name the same file one after the other.
    if (path == path_ && !path.isEmpty()) return;
    path_ = path;
    const std::uint64_t generation = ++channel_->latest;
    picture_ = QImage();
    sizeLabel_->clear();
    canvas_->update();
    busy_ = false;
    if (path.isEmpty() || !QFileInfo(path).isFile()) return;
    busy_ = true;

    const qreal ratio = devicePixelRatioF();
    const QSize box(std::max(kSmallestBox, static_cast<int>(canvas_->width() * ratio)),
                    std::max(kSmallestBox, static_cast<int>(canvas_->height() * ratio)));
    QThreadPool* worker = previewWorker();
    worker->clear();  // older selections not started yet
    const std::shared_ptr<Channel> channel = channel_;
    worker->start([channel, generation, path, box] {
        if (channel->latest != generation) return;
        std::optional<PreviewPicture> made;
        try {
            made = MakePreview(path, box, [&channel, generation] {
                if (channel->latest != generation) throw Superseded();
            });
        } catch (const Superseded&) {
            return;
        } catch (...) {
            made.reset();  // as unreadable
        }
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [channel, generation, made = std::move(made)]() mutable {
                if (channel->owner && channel->latest == generation)
                    channel->owner->Finished(std::move(made));
            },
            Qt::QueuedConnection);
    });
}

void TPicturePreview::Finished(std::optional<PreviewPicture> made) {
    busy_ = false;
    if (made) {
        picture_ = std::move(made->Image);
        sizeLabel_->setText(PreviewSizeText(made->Width, made->Height));
        ++shown_;
    }
    canvas_->update();
    emit PreviewDone();
}

TPicturePreview* AttachPicturePreview(QFileDialog& dialog) {
    auto* preview = new TPicturePreview;
    if (auto* splitter = dialog.findChild<QSplitter*>(QStringLiteral("splitter"))) {
        splitter->addWidget(preview);
        splitter->setCollapsible(splitter->indexOf(preview), false);
    } else if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1);
    } else {
        preview->setParent(&dialog);
    }
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview, &TPicturePreview::ShowFile);
    // A name typed or completed in the name field previews too, once it
    // names a file.
    if (auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        QObject::connect(name, &QLineEdit::textChanged, preview,
                         [&dialog, preview](const QString& text) {
                             if (text.isEmpty()) return;
                             const QString path = dialog.directory().absoluteFilePath(text);
                             if (QFileInfo(path).isFile()) preview->ShowFile(path);
                         });
    }
    return preview;
}
