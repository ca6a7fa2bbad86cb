#include <QCheckBox>
#include <QFile>

#include "app/form1.h"
#include "app/window_kit/at_scope_end.h"
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

    // The chain tries every reader in its fixed order and leaves SourceDIB
    // as it was when none takes the file.
    if (!LoadPictureFile(QFile::encodeName(fileName).toStdString(), SourceDIB)) {
        platform_.ShowMessage(this, texts::FileOpenErrorText, texts::FileOpenErrorTitle,
                              MessageIcon::Error, MessageButtons::Ok);
        return false;
    }
    SourceDIB.SetPixelFormat(PixelFormat24Bit);
    ShowImage1();
    Image1->repaint();
    ButtonSetWhenDataIn();
    FormTitleSet(fileName, texts::KindSource, Image1->width(), Image1->height());
    return true;
}

void TForm1::Paste1Click() {
    const ClipboardContent content = platform_.ReadClipboard();
    if (content.PackedDIB) {
        SourceDIB.LoadFromClipboardFormat(kClipboardFormatDIB, &*content.PackedDIB);
        SourceDIB.SetPixelFormat(PixelFormat24Bit);
    } else if (content.Metafile) {
        DecodedPicture rendered;
        RenderMetafile(content.Metafile->data(), content.Metafile->size(),
                       content.MetafileIsEnhanced ? MetafileKind::EMF : MetafileKind::WMF,
                       rendered);
        SourceDIB.Assign(std::move(rendered));
        SourceDIB.SetPixelFormat(PixelFormat24Bit);
    } else {
        platform_.ShowMessage(this, texts::PasteErrorText, texts::PasteErrorTitle,
                              MessageIcon::Warning, MessageButtons::Ok);
        return;
    }
    ShowImage1();
    Image1->repaint();
    ButtonSetWhenDataIn();
    FormTitleSet(texts::ClipboardName, texts::KindSource, Image1->width(), Image1->height());
    FocusView();
}
