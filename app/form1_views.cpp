#include <QAction>
#include <QScrollArea>
#include <QToolButton>
#include <utility>

#include "app/form1.h"
#include "app/window_kit/image_view.h"
#include "app/window_kit/texts.h"

void TForm1::ButtonSetWhenDataIn() {
    ToolButton2->setEnabled(true);
    ToolButton5->setEnabled(true);
    ToolButton6->setEnabled(false);
    ToolButton10->setEnabled(true);
    ToolButton5->setChecked(true);
    copy0->setEnabled(true);
    ToolButton5Click();
}

TForm1::SourceView TForm1::MakeSourceView(TDIB& picture, int screenColors) {
    SourceView view;
    if (screenColors == 256) {
        // A 256-colour screen shows the picture reduced to its own palette,
        // and the source keeps only the reduced colours from then on.
        picture.SetPixelFormat(PixelFormat8Bit);
        view.Picture = picture;
        picture.SetPixelFormat(PixelFormat24Bit);
    } else {
        view.Picture = picture;
    }
    return view;
}

TForm1::SourceView TForm1::MakeScaledView(const TDIB& picture, int screenColors) {
    SourceView view;
    view.Picture = picture;
    if (screenColors == 256) view.Picture.SetPixelFormat(PixelFormat8Bit);
    return view;
}

void TForm1::ShowImage1(SourceView view) {
    Image1->SetPicture(view.Picture);
    UpdateViewRange();
    SelectWholePicture();
}

void TForm1::ToolButton5Click() {
    ToolButton5->setChecked(true);
    Image1->setVisible(true);
    Image2->setVisible(false);
    UpdateViewRange();
    Paste1->setEnabled(true);
    copy0->setEnabled(true);
    copy1->setEnabled(false);
    ToolButton2->setToolTip(texts::HintSaveSource);
    SetGlyphIndex(ToolButton2, 1);
    FormTitleSet(DisplayName, texts::KindSource, Image1->width(), Image1->height());
    FocusView();
}

void TForm1::ToolButton6Click() {
    ToolButton6->setChecked(true);
    Image1->setVisible(false);
    Image2->setVisible(true);
    UpdateViewRange();
    Paste1->setEnabled(false);
    copy0->setEnabled(false);
    copy1->setEnabled(true);
    ToolButton2->setToolTip(texts::HintSaveScaled);
    SetGlyphIndex(ToolButton2, 5);
    FormTitleSet(DisplayName, texts::KindScaled, Image2->width(), Image2->height());
    FocusView();
}
