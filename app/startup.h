#pragma once

// The program's four windows, created in their order (main window, progress
// window, help window, batch destination dialog), the last three hidden, and
// destroyed in the reverse order, the main window last. Every window shows
// the program's icon.

#include <QStringList>
#include <memory>

class Platform;
class TForm1;
class TForm2;
class TForm3;
class TForm4;

class TApplicationWindows {
public:
    explicit TApplicationWindows(Platform& platform);
    ~TApplicationWindows();
    TApplicationWindows(const TApplicationWindows&) = delete;
    TApplicationWindows& operator=(const TApplicationWindows&) = delete;

    // Shows the main window centred on the screen.
    void ShowMainWindow();

    // Opens the first of `paths` (files named on the command line) exactly
    // as a drop on the main window would, once the event loop runs, so the
    // window is on screen before a refusal is shown. Nothing when empty.
    void OpenFromCommandLine(const QStringList& paths);

    TForm1& Form1() { return *form1_; }
    TForm2& Form2() { return *form2_; }
    TForm3& Form3() { return *form3_; }
    TForm4& Form4() { return *form4_; }

private:
    // Members are destroyed in the reverse order of their declaration.
    std::unique_ptr<TForm1> form1_;
    std::unique_ptr<TForm2> form2_;
    std::unique_ptr<TForm3> form3_;
    std::unique_ptr<TForm4> form4_;
};
