#pragma once

// TForm3, the help window: the program's manual on one long page that the
// user scrolls with the scroll bar or the mouse wheel, or jumps through by
// the link labels. Created hidden at start-up, shown without being modal by
// the help command, hidden again when closed; its scroll position, size and
// place stay from one showing to the next. The page's texts and pictures are
// made when the window is first shown: rendering the pictures of the
// program's dialogs takes a moment that the start of the program need not
// wait for.

#include <QWidget>

class QLabel;
class QScrollArea;
class TForm1;

class TForm3 : public QWidget {
    Q_OBJECT

public:
    // `mainWindow` gives the stay-on-top box and the platform.
    explicit TForm3(TForm1& mainWindow);

    QScrollArea* ScrollBox = nullptr;  // the window's scroll bars over the page
    QWidget* Panel = nullptr;          // the page

    // The links: each sets the scroll position of its section.
    void ToolBarClick();
    void MouseOperationClick();
    void MaometeClick();
    void AboutClick();

    void FormMouseWheel(int wheelDelta);
    void FormClose();

    // Fills the page with its texts and pictures, once.
    void BuildPage();

    // Builds the page before the window first appears.
    void setVisible(bool visible) override;

protected:
    // Centred on the screen when first shown; later showings keep the place.
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void JumpTo(int section);

    TForm1& mainWindow_;
    bool placed_ = false;
    bool pageBuilt_ = false;
};
