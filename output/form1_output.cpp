// The main window's output commands: saving the shown picture and copying
// either picture to the clipboard.

#include <QFile>
#include <QToolButton>

#include "app/form1.h"
#include "app/window_kit/image_view.h"
#include "app/window_kit/texts.h"
#include "output/clipboard_data.h"
#include "picture/picture_saver.h"

void TForm1::ToolButton2Click() {
    SaveDialog1.Title = ToolButton5->isChecked() ? texts::SaveSourceTitle : texts::SaveScaledTitle;
    if (!platform_.RunSaveDialog(this, SaveDialog1)) return;
    SavePictureFile(SaveDialog1.FileName);
}

void TForm1::SavePictureFile(const QString& fileName) {
    const bool sourceShown = ToolButton5->isChecked();
    // A shared copy: the writer never changes the picture on screen. The
    // core writes beside the file and renames over it, so a failed write
    // leaves an existing file as it was; its error reaches the user through
    // the general error box, with the title and the focus left alone.
    const TDIB shown(sourceShown ? SourceDIB : ScaledDIB);
    SavePictureToFile(shown, QFile::encodeName(fileName).toStdString());
    if (sourceShown)
        FormTitleSet(fileName, texts::KindSource, Image1->width(), Image1->height());
    else
        FormTitleSet(fileName, texts::KindScaled, Image2->width(), Image2->height());
    FocusView();
}

void TForm1::Copy0Click() {
    platform_.SetClipboardPicture(ClipboardPictureOf(SourceDIB));
    FocusView();
}

void TForm1::Copy1Click() {
    platform_.SetClipboardPicture(ClipboardPictureOf(ScaledDIB));
    FocusView();
}
