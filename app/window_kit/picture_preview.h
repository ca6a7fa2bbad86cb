#pragma once

// The picture preview of the open dialog: beside the file list, the file the
// list has made current, drawn to fit the pane, with its size in pixels
// below. Every format the program opens previews, since the preview reads
// the file through the program's own loader; a file no reader takes leaves
// the pane empty, without a message.
//
// Previews are made on a worker thread, one at a time: a large file never
// holds up the dialog. A newer selection supersedes the older ones: those not
// started yet are dropped, the one being made gives up at its next step, and
// no result but the newest is ever shown. The full picture is released as
// soon as it has been reduced, so a preview holds only its small image.

#include <QFrame>
#include <QImage>
#include <QSize>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QFileDialog;
class QLabel;

struct PreviewPicture {
    QImage Image;   // reduced to fit the box it was made for
    int Width = 0;  // the picture's own size
    int Height = 0;
};

// Reads `path` through the program's loader and reduces it to fit `box`;
// nothing when no reader takes the file or it cannot be held. `checkpoint`
// is called between the steps and may throw to abandon the work (the
// exception goes to the caller). Runs on any thread.
std::optional<PreviewPicture> MakePreview(const QString& path, QSize box,
                                          const std::function<void()>& checkpoint = {});

// The size text under the picture: width×height.
QString PreviewSizeText(int width, int height);

class TPicturePreview : public QFrame {
    Q_OBJECT

public:
    explicit TPicturePreview(QWidget* parent = nullptr);
    ~TPicturePreview() override;

    // Starts the preview of `path`; a folder, a missing file or an empty
    // path clears the pane.
    void ShowFile(const QString& path);

    // Whether the preview of the last file asked for is still being made.
    bool Busy() const { return busy_; }
    // What the pane shows: the reduced picture (null when empty) and the
    // size text.
    const QImage& Picture() const { return picture_; }
    QString SizeText() const;
    // How many finished previews the pane has taken, superseded ones never
    // among them.
    int PreviewsShown() const { return shown_; }

signals:
    // A preview was finished and shown, or found unreadable.
    void PreviewDone();

private:
    struct Channel;
    void Finished(std::optional<PreviewPicture> made);

    QWidget* canvas_ = nullptr;
    QLabel* sizeLabel_ = nullptr;
    QImage picture_;
    QString path_;  // the file last asked for
    bool busy_ = false;
    int shown_ = 0;
    std::shared_ptr<Channel> channel_;
};

// Puts a preview pane beside the file list of a Qt file dialog (not the
// desktop's own), following the list's current item.
TPicturePreview* AttachPicturePreview(QFileDialog& dialog);
