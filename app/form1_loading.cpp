#include <QCheckBox>
#include <QFile>
#include <optional>
#include <utility>

#include "app/form1.h"
#include "app/window_kit/at_scope_end.h"
#include "app/window_kit/background_work.h"
#include "app/window_kit/image_view.h"
#include "app/window_kit/texts.h"
#include "picture/metafile/metafile_renderer.h"
#include "picture/picture_loader.h"

void TForm1::ToolButton1Click() {
    const QStringList files = platform_.RunOpenDialog(this, OpenPictureDialog1);
    if (files.isEmpty()) return;
    OpenPictureFile(files.constFirst());
}

void TForm1::WMDropFiles(const QStringList& paths) {
    // Only the first file of a drop is opened; its path arrives whole.
    if (paths.isEmpty()) return;
    OpenPictureFile(paths.constFirst());
    platform_.BringToFront(this);
}

bool TForm1::OpenPictureFile(const QString& fileName) {
    platform_.SetTopmost(this, false);
    const AtScopeEnd restore([this] {
        if (CheckBox2->isChecked()) platform_.SetTopmost(this, true);
        FocusView();
    });

    // The chain tries every reader in its fixed order, on a worker thread;
    // the new source and its view are made there too, and SourceDIB stays as
    // it was when no reader takes the file.
    const std::string path = QFile::encodeName(fileName).toStdString();
    const int screenColors = ScreenColors;
    std::optional<std::pair<TDIB, SourceView>> loaded;
    RunInBackground([&] {
        TDIB picture;
        if (!LoadPictureFile(path, picture)) return;
        picture.SetPixelFormat(PixelFormat24Bit);
        SourceView view = MakeSourceView(picture, screenColors);
        loaded.emplace(std::move(picture), std::move(view));
    });
    if (!loaded) {
        platform_.ShowMessage(this, texts::FileOpenErrorText, texts::FileOpenErrorTitle,
                              MessageIcon::Error, MessageButtons::Ok);
        return false;
    }
    SourceDIB = std::move(loaded->first);
    ShowImage1(std::move(loaded->second));
    Image1->repaint();
    ButtonSetWhenDataIn();
    FormTitleSet(fileName, texts::KindSource, Image1->width(), Image1->height());
    return true;
}

void TForm1::Paste1Click() {
    const ClipboardContent content = platform_.ReadClipboard();
    if (!content.PackedDIB && !content.Metafile) {
        platform_.ShowMessage(this, texts::PasteErrorText, texts::PasteErrorTitle,
                              MessageIcon::Warning, MessageButtons::Ok);
        return;
    }
    // A large picture takes a while to read and to show: on a worker, like
    // a file's.
    const int screenColors = ScreenColors;
    TDIB picture;
    SourceView view;
    RunInBackground([&] {
        if (content.PackedDIB) {
            picture.LoadFromClipboardFormat(kClipboardFormatDIB, &*content.PackedDIB);
        } else {
            DecodedPicture rendered;
            RenderMetafile(content.Metafile->data(), content.Metafile->size(),
                           content.MetafileIsEnhanced ? MetafileKind::EMF : MetafileKind::WMF,
                           rendered);
            picture.Assign(std::move(rendered));
        }
        picture.SetPixelFormat(PixelFormat24Bit);
        view = MakeSourceView(picture, screenColors);
    });
    SourceDIB = std::move(picture);
    ShowImage1(std::move(view));
    Image1->repaint();
    ButtonSetWhenDataIn();
    FormTitleSet(texts::ClipboardName, texts::KindSource, Image1->width(), Image1->height());
    FocusView();
}
