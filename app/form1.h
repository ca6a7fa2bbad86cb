#pragma once

// TForm1, the main window: both tool bars, the image view with the source
// and the scaled picture, the right-click menu, and the state every command
// reads and writes. The handlers are spread over several files by job:
//   main_controls.cpp    the controls of the tool bars and the menu
//   form1.cpp            creation, handlers wired, stay on top, wheel, closing
//   form1_title.cpp      FormTitleSet
//   form1_views.cpp      ShowImage1, ButtonSetWhenDataIn, the two view commands
//   form1_loading.cpp    open dialog, dropped files, OpenPictureFile, paste
//   form1_settings.cpp   size fields, unit, aspect lock, tone, rotation
//   form1_selection.cpp  the selection dragged on the source view
//   form1_scale.cpp      the scale command around the engine
//   form1_output.cpp     saving, copying and the batch run handed to output/
//   keyboard.cpp         the key layers
// The window orchestrates (dialogs, focus, captions); the core computes.
// The output commands (output/) and the help window (help/) see the window
// through the narrow interfaces it implements, never through this class.

#include <QImage>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "app/window_kit/main_controls.h"
#include "app/window_kit/platform.h"
#include "help/help_window.h"
#include "output/batch_run.h"
#include "output/picture_output.h"
#include "picture/dib.h"
#include "picture/system/memory_budget.h"
#include "scale/scale_run.h"
#include "scale/scale_settings.h"

class QAction;
class QCheckBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class TSpeedButton;
class QScrollArea;
class QToolButton;
class QWheelEvent;
class TForm2;
class TForm4;
class TImage;
class TTrackBar;
class TUpDown;

class TForm1 : public QWidget,
               public TMainControls,
               public HelpWindowHost,
               private PictureOutputHost,
               private BatchRunHost {
    Q_OBJECT

public:
    explicit TForm1(Platform& platform, QWidget* parent = nullptr);
    ~TForm1() override;  // FormDestroy

    // ------------------------------------------------------------ state
    TDIB SourceDIB;
    TDIB ScaledDIB;
    std::int32_t HorzValue = 100;
    std::int32_t VertValue = 100;
    std::int32_t SelLeft = 0, SelTop = 0, SelRight = 0, SelBottom = 0;
    std::uint8_t SelectState = 0;
    std::int32_t ContrastStep = 0;
    std::int32_t BrightnessStep = 0;
    int ScreenColors = 0;
    QString TitleBase;
    QString DisplayName;
    QString TitleText;
    QString OpenDialogTitle;
    std::uint8_t BatchAbort = 0;
    // How many files a batch run works on at once; 0: as many as the cores.
    int BatchFilesAtOnceSetting = 0;
    ResampleTables Tables;  // IndexTable, FracTable, ResampleTableLength

    // The other windows, created after this one (start-up sets them).
    TForm2* Form2 = nullptr;
    TForm3* Form3 = nullptr;
    TForm4* Form4 = nullptr;

    // --------------------------------------------------------- controls
    // The tool bars and the right-click menu come from TMainControls.
    QScrollArea* ScrollBox1 = nullptr;
    TImage* Image1 = nullptr;  // the source view
    TImage* Image2 = nullptr;  // the scaled view

    OpenDialogSettings OpenPictureDialog1;
    SaveDialogSettings SaveDialog1;

    Platform& platform() override { return platform_; }

    // ------------------------------------------------------- operations
    void ButtonSetWhenDataIn();
    // The source view's picture, made from the new source off the
    // user-interface thread: the source itself, or on a 256-colour screen
    // the source reduced to its own palette (the source then keeps only the
    // colours shown).
    struct SourceView {
        TDIB Picture;
    };
    static SourceView MakeSourceView(TDIB& picture, int screenColors);
    // The same for the scaled view's picture (reduced to 256 colours on such
    // a screen, the picture itself left alone).
    static SourceView MakeScaledView(const TDIB& picture, int screenColors);
    // Shows the source view's picture and selects the whole picture.
    void ShowImage1(SourceView view);
    void FormTitleSet(const QString& name, const QString& kind, int width, int height) override;
    bool OpenPictureFile(const QString& fileName);  // true when the file was taken
    void SavePictureFile(const QString& fileName);

    // --------------------------------------------------------- handlers
    void ToolButton1Click();
    void WMDropFiles(const QStringList& paths);
    void Paste1Click();
    void ToolButton5Click();
    void ToolButton6Click();
    void ToolButton2Click();
    bool ToolButton10Click();  // true when a scaled image was made
    void ToolButton12Click();
    void ToolButton14Click();
    void ToolButton22Click();
    void Copy0Click();
    void Copy1Click();
    void CheckBox1Click();
    void CheckBox2Click();
    void SpeedButton1Click();
    void Edit1Change();
    void Edit2Change();
    void TrackBar1Change();
    void TrackBar2Change();
    void ScrollBox1Click();
    void ScrollBox1MouseWheel(int wheelDelta);
    void Image1MouseDown(Qt::MouseButton button, int x, int y);
    void Image1MouseMove(Qt::MouseButtons buttons, int x, int y);
    void Image1MouseUp(Qt::MouseButton button, int x, int y);
    void Image1DblClick();
    void FormClose();

    // Key layers; true when the key was taken.
    bool CMDialogKey(QKeyEvent* event);
    void FormKeyDown(QKeyEvent* event);
    bool MnemonicKey(QChar character);
    // Returns the character left for the focused control (0: dropped).
    char16_t FormKeyPress(char16_t character);

    // What the controls hold.
    int RotationIndex() const;
    ScaleSettings CurrentScaleSettings() const;
    SelectionRect CurrentSelection() const;

    // Sets a size field's text the way the platform does: the change
    // handler runs only when the text differs.
    void SetFieldText(QLineEdit* field, const QString& text);

    // Runs a handler; an error that escapes it goes to the general error box.
    void Guarded(const std::function<void()>& handler) override;

    // Whether the stay-on-top box is checked.
    bool StaysOnTop() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FormCreate();
    void ConnectToolBar1();
    void ConnectToolBar2();
    void BuildView();
    void ConnectMenu();
    void UpdateViewRange();
    void FocusView() override;
    bool IsOwnWidget(QObject* object) const;
    bool HandleKeyPress(QWidget* target, QKeyEvent* event);
    bool HandleWheel(QWheelEvent* event);
    void RemoveFrame();
    void DrawFrame();
    // No drag in progress, and the whole source picture selected.
    void SelectWholePicture();
    void EditChange(QLineEdit* own, QLineEdit* other, std::int32_t& ownValue,
                    std::int32_t& otherValue);

    // What the output commands ask of the window (form1_output.cpp).
    QWidget* OwnerWidget() override { return this; }
    SaveDialogSettings& SaveDialog() override { return SaveDialog1; }
    OpenDialogSettings& OpenDialog() override { return OpenPictureDialog1; }
    QString OpenDialogStartTitle() const override { return OpenDialogTitle; }
    bool SourceIsShown() const override;
    const TDIB& SourcePicture() const override { return SourceDIB; }
    const TDIB& ScaledPicture() const override { return ScaledDIB; }
    QSize ViewSize(bool source) const override;
    BatchSettings CurrentBatchSettings() const override;
    std::uint8_t& BatchAbortFlag() override { return BatchAbort; }
    void HoldCloseAndDrop(bool held) override { batchRunning_ = held; }
    TForm2* ProgressWindow() override { return Form2; }
    TForm4* DestinationDialog() override { return Form4; }
    JobSettings BatchJobSettings() const override;
    int BatchFilesAtOnce() const override { return BatchFilesAtOnceSetting; }
    void TakeBatchPictures(const QString& sourceName, const QString& outputName,
                           const JobPictures& pictures) override;

    Platform& platform_;
    TPictureOutput pictureOutput_{*this};
    TBatchRun batchRun_{*this};
    QWidget* viewCanvas_ = nullptr;
    int handlerDepth_ = 0;
    // While a command works in the background (loading, scaling, saving), a
    // close request or a drop must wait: both would replace the pictures the
    // work is reading. A scale run refuses them from its progress window's
    // showing to its hiding; a batch run from its first question to its
    // end, between its files too.
    bool scaleRunning_ = false;
    bool batchRunning_ = false;
    bool refusesCloseAndDrop() const;
    bool forwardingWheel_ = false;
};
