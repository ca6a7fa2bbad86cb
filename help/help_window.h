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
#include <functional>

class Platform;
class QLabel;
class QScrollArea;

// What the help window needs of the main window.
class HelpWindowHost {
public:
    virtual Platform& platform() = 0;
    // Whether the main window's stay-on-top box is checked.
    virtual bool StaysOnTop() const = 0;
    // Runs a handler; an error that escapes it goes to the general error box.
    virtual void Guarded(const std::function<void()>& handler) = 0;

protected:
    ~HelpWindowHost() = default;
};

class TForm3 : public QWidget {
    Q_OBJECT

public:
    explicit TForm3(HelpWindowHost& mainWindow);

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

    HelpWindowHost& mainWindow_;
    bool placed_ = false;
    bool pageBuilt_ = false;
};
