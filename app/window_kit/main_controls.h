#pragma once

// The controls of the main window's two tool bars and of its right-click
// menu, made in one place. The main window owns one set and wires its
// handlers to it; the help window builds a set of its own and renders it
// into the manual's pictures, so the manual shows every button, field and
// caption exactly as the program draws it.

class QAction;
class QColor;
class QFont;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QToolButton;
class QWidget;
class TSpeedButton;
class TTrackBar;
class TUpDown;

class TMainControls {
public:
    QWidget* ToolBar1 = nullptr;
    QToolButton* ToolButton1 = nullptr;  // open
    QToolButton* ToolButton5 = nullptr;  // show the source image
    QToolButton* ToolButton2 = nullptr;  // save
    QToolButton* ToolButton6 = nullptr;  // show the scaled image
    QCheckBox* CheckBox1 = nullptr;      // aspect lock
    QLabel* Label2 = nullptr;
    QLineEdit* Edit1 = nullptr;
    TUpDown* UpDown1 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Edit2 = nullptr;
    TUpDown* UpDown2 = nullptr;
    TSpeedButton* SpeedButton1 = nullptr;  // unit
    QToolButton* ToolButton10 = nullptr;   // create the scaled image
    QToolButton* ToolButton12 = nullptr;   // batch
    QCheckBox* CheckBox2 = nullptr;        // stay on top
    QToolButton* ToolButton14 = nullptr;   // help

    QWidget* ToolBar2 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    TTrackBar* TrackBar2 = nullptr;  // brightness
    QLabel* Label8 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label4 = nullptr;
    TTrackBar* TrackBar1 = nullptr;  // contrast
    QLabel* Label5 = nullptr;
    QToolButton* ToolButton22 = nullptr;  // rotation
    QLabel* Label9 = nullptr;

    QMenu* PopupMenu1 = nullptr;
    QAction* Paste1 = nullptr;
    QAction* copy0 = nullptr;
    QAction* N1 = nullptr;
    QAction* copy1 = nullptr;

    // Each builds its controls as children of `parent`, in their initial
    // state, without handlers.
    void BuildToolBar1(QWidget* parent);
    void BuildToolBar2(QWidget* parent);
    void BuildMenu(QWidget* parent);

    // The unit button's caption is the scale unit (its readers ask it).
    bool UnitIsPercent() const;
    // Shows a unit: the unit button's caption, margin and colour and the
    // two size labels' texts and colours.
    void ShowScaleUnit(bool percent);
};

// The main window's font, which its tool bars and controls inherit.
QFont MainWindowFont();
// The image view's background, the button-shadow colour.
QColor ViewBackgroundColor();

// The glyph index kept with a tool button.
int GlyphIndexOf(const QToolButton* button);
void SetGlyphIndex(QToolButton* button, int index);
