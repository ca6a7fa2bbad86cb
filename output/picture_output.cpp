#include "output/picture_output.h"

#include <QFile>

#include "app/window_kit/background_work.h"
#include "app/window_kit/platform.h"
#include "app/window_kit/texts.h"
#include "output/clipboard_data.h"
#include "picture/dib.h"
#include "picture/picture_saver.h"

void TPictureOutput::SaveShown() {
    SaveDialogSettings& dialog = host_.SaveDialog();
    dialog.Title = host_.SourceIsShown() ? texts::SaveSourceTitle : texts::SaveScaledTitle;
    if (!host_.platform().RunSaveDialog(host_.OwnerWidget(), dialog)) return;
    SavePictureFile(dialog.FileName);
}

void TPictureOutput::SavePictureFile(const QString& fileName) {
    const bool sourceShown = host_.SourceIsShown();
    // A shared copy: the writer never changes the picture on screen. The
    // core writes beside the file and renames over it, so a failed write
    // leaves an existing file as it was; its error reaches the user through
    // the general error box, with the title and the focus left alone.
    const TDIB shown(sourceShown ? host_.SourcePicture() : host_.ScaledPicture());
    const std::string path = QFile::encodeName(fileName).toStdString();
    // Written on a worker thread while the window keeps painting.
    RunInBackground([&] { SavePictureToFile(shown, path); });
    const QSize size = host_.ViewSize(sourceShown);
    host_.FormTitleSet(fileName, sourceShown ? texts::KindSource : texts::KindScaled, size.width(),
                       size.height());
    host_.FocusView();
}

void TPictureOutput::CopySource() {
    Copy(host_.SourcePicture());
}

void TPictureOutput::CopyScaled() {
    Copy(host_.ScaledPicture());
}

void TPictureOutput::Copy(const TDIB& picture) {
    // The clipboard's two forms of a large picture take a while to make:
    // on a worker thread, from a shared copy.
    const TDIB copied(picture);
    ClipboardPicture data;
    RunInBackground([&] { data = ClipboardPictureOf(copied); });
    host_.platform().SetClipboardPicture(data);
    host_.FocusView();
}
