// The batch run as a user runs it, on a real X server under openbox, through the program's own
// dialogs and keys typed at the server only: "M", Enter, three file names in the open dialog, Tab
// to the type list, PNG by the arrow keys, Enter, Enter. The pictures written are the engine's. A
// second run answered "No" and then Cancel changes no file.
//
// With SKALOMI_SCREENSHOT_DIR set, the screen is saved there at each dialog
// and while the progress window shows (the pictures are larger then, so
// that it stays up long enough to be seen).

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/form1.h"
#include "app/startup.h"
#include "app/window_kit/general_error.h"
#include "app/window_kit/qt_platform.h"
#include "output/batch_destination_dialog.h"
#include "output/progress_window.h"
#include "picture/picture_loader.h"
#include "picture/picture_saver.h"
#include "shell/shell_tree_view.h"
#include "tests/support/picture_builders.h"
#include "tests/support/scale_helpers.h"
#include "tests/support/test_support.h"
#include "tests/window_managers/window_fixture.h"
#include "tests/window_managers/x_keyboard.h"

namespace fs = std::filesystem;

namespace {

// Steps of a user at the keyboard: each waits until what it needs is on
// the screen (a dialog active, a control focused) and the window it types
// into has the keyboard on the X server (the window manager hands it over a
// little after Qt sees the window active), then types. The steps run from a
// timer, so they go on inside the program's modal dialogs.
class KeyScript {
public:
    struct Step {
        std::string what;
        std::function<bool()> ready;
        std::function<void()> act;
    };

    void Add(std::string what, std::function<bool()> ready, std::function<void()> act = {}) {
        steps_.push_back({std::move(what), std::move(ready), std::move(act)});
    }

    // Runs the steps; false (with the step that never became ready) when one
    // waited too long. What the program shows then is cancelled, so the run
    // always comes back.
    bool Run(std::string& failure) {
        QTimer timer;
        QElapsedTimer waited, readySince;
        waited.start();
        // When the screen is photographed, each step waits until it is fully drawn.
        const int settle = qEnvironmentVariableIsEmpty("SKALOMI_SCREENSHOT_DIR") ? 0 : 700;
        std::size_t next = 0;
        bool abandoned = false;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (abandoned) {
                if (QWidget* modal = QApplication::activeModalWidget()) {
                    if (auto* dialog = qobject_cast<QDialog*>(modal))
                        dialog->reject();
                    else
                        modal->close();
                }
                return;
            }
            if (next >= steps_.size()) return;
            QWidget* active = QApplication::activeWindow();
            if (steps_[next].ready() &&
                (!steps_[next].act || (active != nullptr && HasKeyboard(active)))) {
                if (!readySince.isValid()) readySince.start();
                if (readySince.elapsed() < settle && steps_[next].act) return;
                readySince.invalidate();
                if (steps_[next].act) steps_[next].act();
                ++next;
                waited.restart();
                return;
            }
            readySince.invalidate();
            if (waited.elapsed() > 30000) {
                QWidget* modal = QApplication::activeModalWidget();
                QWidget* focus = QApplication::focusWidget();
                failure = "waited in vain for: " + steps_[next].what + " (active: " +
                          (QApplication::activeWindow()
                               ? QApplication::activeWindow()->objectName().toStdString()
                               : std::string("none")) +
                          ", modal: " +
                          (modal ? modal->objectName().toStdString() : std::string("none")) +
                          ", focus: " +
                          (focus ? focus->objectName().toStdString() : std::string("none")) + ")";
                abandoned = true;
            }
        });
        timer.start(40);
        QElapsedTimer total;
        total.start();
        while ((next < steps_.size() && !abandoned) ||
               (abandoned && QApplication::activeModalWidget())) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            if (total.elapsed() > 240000) break;
        }
        timer.stop();
        steps_.clear();
        return !abandoned && failure.empty();
    }

private:
    std::vector<Step> steps_;
};

QString screenshotFolder() {
    return qEnvironmentVariable("SKALOMI_SCREENSHOT_DIR");
}

void screenshot(const char* name) {
    const QString folder = screenshotFolder();
    if (folder.isEmpty()) return;
    QGuiApplication::primaryScreen()->grabWindow(0).save(folder + QLatin1Char('/') +
                                                         QLatin1String(name));
}

// The active message box with this title, if any.
QMessageBox* activeBox(const QString& title) {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    return box != nullptr && box->isActiveWindow() && box->windowTitle() == title ? box : nullptr;
}

QFileDialog* activeFileDialog() {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isActiveWindow()) return nullptr;
    return qobject_cast<QLineEdit*>(dialog->focusWidget()) != nullptr ? dialog : nullptr;
}

// Notes, from the program's own thread, that a window was shown.
class ShowNotice : public QObject {
public:
    std::atomic<bool> shown{false};

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show) shown = true;
        return false;
    }
};

struct Stamp {
    std::vector<std::uint8_t> bytes;
    fs::file_time_type time;
    bool operator==(const Stamp& other) const { return bytes == other.bytes && time == other.time; }
};

Stamp stampOf(const std::string& path) {
    return {ReadBytes(path), fs::last_write_time(path)};
}

class X11Batch : public DesktopWindowTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(keys_.Usable());
        ASSERT_NO_FATAL_FAILURE(StartWindows("openbox"));
    }

    TForm4& form4() { return windows().Form4(); }

    // The steps from "M" to the final question, up to the run itself.
    void AddOpeningSteps(KeyScript& script, const std::function<void()>& atDestination) {
        script.Add(
            "the main window active", [this] { return form().isActiveWindow(); },
            [this] { keys_.Type(QStringLiteral("m")); });
        script.Add(
            "the settings question",
            [] { return activeBox(QStringLiteral("まとめて拡縮：拡縮設定確認")) != nullptr; },
            [this] {
                screenshot("batch-settings.png");
                keys_.Tap(XK_Return);
            });
        // The dialog starts in the folder it last showed, so the names are
        // typed with their folder.
        const QString folder = QString::fromStdString(temp_.path()) + QLatin1Char('/');
        const QString names = QStringLiteral("\"%1a.bmp\" \"%1b.gif\" \"%1c.png\"").arg(folder);
        script.Add(
            "the open dialog with its name field", [] { return activeFileDialog() != nullptr; },
            [this, names] { keys_.Type(names); });
        script.Add(
            "the names typed",
            [names] {
                QFileDialog* dialog = activeFileDialog();
                return dialog != nullptr && QApplication::activePopupWidget() == nullptr &&
                       static_cast<QLineEdit*>(dialog->focusWidget())->text() == names;
            },
            [this] { keys_.Tap(XK_Return); });
        script.Add(
            "the destination dialog with the tree focused",
            [this] {
                return QApplication::activeModalWidget() == &form4() && form4().isActiveWindow() &&
                       form4().focusWidget() == form4().ShellTreeView1;
            },
            atDestination);
    }

    // a.bmp, b.gif and c.png of the given sizes; the names of their outputs
    // as PNG files.
    std::vector<std::string> WriteSources(const std::vector<QSize>& sizes) {
        std::vector<std::string> outputs;
        const char* const names[] = {"a.bmp", "b.gif", "c.png"};
        for (std::size_t i = 0; i < sizes.size() && i < 3; ++i) {
            const std::string name = names[i];
            SavePictureToFile(MakePicture24(sizes[i].width(), sizes[i].height(),
                                            [](int x, int y) { return x * 8 + y * 2048; }),
                              temp_.file(name));
            outputs.push_back(temp_.file(name.substr(0, 1) + "_ks.png"));
        }
        return outputs;
    }

    // The steps to a run of the three files to PNG (the last type, by End);
    // `atStart` acts with the Enter that answers the final question.
    void AddStepsToARunToPng(KeyScript& script, const std::function<void()>& atStart) {
        AddOpeningSteps(script, [this] {
            keys_.Tap(XK_Tab);
            keys_.Tap(XK_Tab);
            keys_.Tap(XK_End);
            keys_.Tap(XK_Return);
        });
        script.Add(
            "the final question",
            [] { return activeBox(QStringLiteral("まとめて拡縮：最終確認")) != nullptr; },
            [this, atStart] {
                keys_.Tap(XK_Return);
                atStart();
            });
    }

    XKeyboard keys_;
};

TEST_F(X11Batch, ThreeFilesToPngByKeysAndASecondRunThatChangesNothing) {
    // Three pictures in three formats; larger when the progress window is
    // to be photographed.
    const bool large = !screenshotFolder().isEmpty();
    const std::vector<std::string> names{"a.bmp", "b.gif", "c.png"};
    const std::vector<QSize> sizes{large ? QSize(12000, 9000) : QSize(75, 50), QSize(40, 64),
                                   QSize(33, 27)};
    std::vector<std::string> sources;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const int seed = static_cast<int>(i) * 40;
        sources.push_back(temp_.file(names[i]));
        SavePictureToFile(MakePicture24(sizes[i].width(), sizes[i].height(),
                                        [seed](int x, int y) {
                                            return ((x * 3 + seed) & 0xFF) |
                                                   (((y * 5) & 0xFF) << 8) |
                                                   (((x + y + seed) & 0xFF) << 16);
                                        }),
                          sources.back());
    }
    const std::vector<std::string> outputs{temp_.file("a_ks.png"), temp_.file("b_ks.png"),
                                           temp_.file("c_ks.png")};

    // First the size, 60 percent, typed into the size field; then the run.
    KeyScript first;
    first.Add(
        "the main window active", [this] { return form().isActiveWindow(); },
        [this] { keys_.Type(QStringLiteral("h60w")); });
    first.Add("the size typed", [this] { return form().Edit2->text() == QStringLiteral("60"); });
    AddOpeningSteps(first, [this] {
        screenshot("batch-destination.png");
        keys_.Tap(XK_Tab);
        keys_.Tap(XK_Tab);
    });
    first.Add(
        "the type list focused", [this] { return form4().focusWidget() == form4().ComboBox1; },
        [this] {
            keys_.Tap(XK_Down);
            keys_.Tap(XK_Down);
        });
    first.Add(
        "PNG chosen", [this] { return form4().ComboBox1->currentIndex() == 3; },
        [this] { keys_.Tap(XK_Return); });
    first.Add(
        "the final question",
        [] { return activeBox(QStringLiteral("まとめて拡縮：最終確認")) != nullptr; },
        [this] { keys_.Tap(XK_Return); });
    bool progressSeen = false, progressShot = false;
    QString firstCaption, progressCaption;
    QElapsedTimer progressClock;
    first.Add("the run over", [&] {
        TForm2& progress = windows().Form2();
        if (progress.isVisible() && !progressSeen) {
            progressSeen = true;
            firstCaption = progress.windowTitle();
        }
        // Photographed once it has been up and drawn for a moment.
        if (!progressShot && progress.isVisible() && progress.windowHandle()->isExposed()) {
            if (progress.windowTitle() != progressCaption || !progressClock.isValid()) {
                progressCaption = progress.windowTitle();
                progressClock.start();
            } else if (progressClock.elapsed() > 60) {
                screenshot("batch-progress.png");
                progressShot = true;
            }
        }
        return QApplication::activeModalWidget() == nullptr && !progress.isVisible() &&
               fs::exists(outputs[2]);
    });
    std::string failure;
    ASSERT_TRUE(first.Run(failure)) << failure;

    EXPECT_EQ(form4().ComboBox1->currentIndex(), 3);
    EXPECT_EQ(windows().Form2().windowTitle(), QStringLiteral("処理中"));
    if (progressSeen) {
        EXPECT_TRUE(firstCaption.startsWith(QStringLiteral("まとめて拡縮：")))
            << firstCaption.toStdString();
    }
    ScaleSettings settings;
    settings.HorzValue = 60;
    settings.VertValue = 60;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        TDIB source;
        ASSERT_TRUE(LoadPictureFile(sources[i], source));
        source.SetPixelFormat(PixelFormat24Bit);
        const TDIB expected = ScaleWholePicture(source, settings);
        TDIB written;
        ASSERT_TRUE(LoadPictureFile(outputs[i], written)) << outputs[i];
        ASSERT_EQ(written.Width(), expected.Width());
        ASSERT_EQ(written.Height(), expected.Height());
        int differing = 0;
        for (int y = 0; y < expected.Height(); ++y)
            for (int x = 0; x < expected.Width(); ++x)
                if (written.GetPixels(x, y) != expected.GetPixels(x, y)) ++differing;
        EXPECT_EQ(differing, 0) << outputs[i];
    }

    // Again, with every output there: "No" for the first, Cancel for the second.
    std::vector<Stamp> before;
    for (const std::string& output : outputs) before.push_back(stampOf(output));
    KeyScript second;
    AddOpeningSteps(second, [this] { keys_.Tap(XK_Return); });
    second.Add(
        "the final question",
        [] { return activeBox(QStringLiteral("まとめて拡縮：最終確認")) != nullptr; },
        [this] { keys_.Tap(XK_Return); });
    const auto overwriteQuestionFor = [](const std::string& output) {
        QMessageBox* box = activeBox(QStringLiteral("まとめて拡縮：上書確認"));
        return box != nullptr && box->text().contains(QString::fromStdString(output));
    };
    second.Add(
        "the question for a_ks.png", [&] { return overwriteQuestionFor(outputs[0]); },
        [this] {
            screenshot("batch-overwrite.png");
            keys_.Type(QStringLiteral("n"));
        });
    second.Add(
        "the question for b_ks.png", [&] { return overwriteQuestionFor(outputs[1]); },
        [this] { keys_.Tap(XK_Escape); });
    second.Add("the run over", [this] {
        return QApplication::activeModalWidget() == nullptr && form().isActiveWindow() &&
               !windows().Form2().Label2->isVisible() &&
               windows().Form2().windowTitle() == QStringLiteral("処理中");
    });
    ASSERT_TRUE(second.Run(failure)) << failure;
    for (std::size_t i = 0; i < outputs.size(); ++i)
        EXPECT_TRUE(stampOf(outputs[i]) == before[i]) << outputs[i];
    EXPECT_EQ(form().OpenPictureDialog1.Title, QStringLiteral("元画像を開く"));
}

TEST_F(X11Batch, EscHeldAtTheKeyboardStopsAfterTheFirstFileAndTheRunEndsOnlyAtItsRelease) {
    // The first picture is large enough that the key is down before the
    // program is through with it.
    const std::vector<std::string> outputs =
        WriteSources({QSize(4000, 3000), QSize(30, 20), QSize(30, 20)});
    // One file at a time: the first is the only one under way when the key
    // is found down.
    form().BatchFilesAtOnceSetting = 1;
    std::atomic<std::int64_t> releasedAt{0};
    std::thread hand;
    // The progress window shows while the first file is scaled.
    ShowNotice progressShown;
    windows().Form2().installEventFilter(&progressShown);
    KeyScript script;
    AddStepsToARunToPng(script, [&] {
        // Esc goes down once the first file is being scaled and
        // stays down until the program has found it down twice: after
        // the first file, which stops the run, and again as the run
        // waits for it to go up. Another connection to the server
        // works the key meanwhile.
        hand = std::thread([this, &progressShown, &releasedAt] {
            XKeyboard other;
            for (int i = 0; i < 3000 && !progressShown.shown; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            other.Press(XK_Escape);
            for (int i = 0; i < 6000 && platform_.EscapeFoundHeld < 2; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            releasedAt = std::chrono::steady_clock::now().time_since_epoch().count();
            other.Release(XK_Escape);
        });
    });
    std::chrono::steady_clock::time_point over;
    script.Add("the run over", [&] {
        const bool done = QApplication::activeModalWidget() == nullptr && fs::exists(outputs[0]) &&
                          windows().Form2().windowTitle() == QStringLiteral("処理中");
        if (done && over == std::chrono::steady_clock::time_point())
            over = std::chrono::steady_clock::now();
        return done;
    });
    std::string failure;
    const bool ran = script.Run(failure);
    if (hand.joinable()) hand.join();
    std::string listing;
    for (const auto& entry : fs::directory_iterator(temp_.path()))
        listing += entry.path().filename().string() + " ";
    ASSERT_TRUE(ran) << failure << "; files: " << listing;

    EXPECT_TRUE(fs::exists(outputs[0]));
    EXPECT_FALSE(fs::exists(outputs[1])) << listing;
    EXPECT_FALSE(fs::exists(outputs[2])) << listing;
    EXPECT_EQ(form().BatchAbort, 1);
    EXPECT_TRUE(progressShown.shown);
    EXPECT_GE(over.time_since_epoch().count(), releasedAt.load());
}

// Close requests sent to the main window through a run, by a window
// manager on another connection, between the files too and while the last
// one is scaled: none is carried out, during the run or after it. A request
// made after the run closes the window. The requests stop when the second
// output is there: one sent as the last output appears could come after
// the run's end, where it rightly closes the window.
TEST_F(X11Batch, CloseRequestsDuringTheRunAreDroppedNotCarriedOutAfterIt) {
    // The last two pictures take a while to scale and save.
    const std::vector<std::string> outputs =
        WriteSources({QSize(30, 20), QSize(2400, 1800), QSize(2400, 1800)});
    const unsigned long mainWindow = form().winId();
    std::atomic<int> sent{0};
    std::atomic<bool> over{false};
    std::thread windowManager;
    KeyScript script;
    AddStepsToARunToPng(script, [&] {
        windowManager = std::thread([&, mainWindow] {
            XKeyboard other;
            // Until the second output is in place; the last file still
            // takes as long again.
            for (int i = 0; i < 3000 && !over && !fs::exists(outputs[1]); ++i) {
                other.RequestClose(mainWindow);
                ++sent;
                std::this_thread::sleep_for(std::chrono::milliseconds(15));
            }
        });
    });
    script.Add("the run over", [&] {
        return QApplication::activeModalWidget() == nullptr && fs::exists(outputs.back()) &&
               windows().Form2().windowTitle() == QStringLiteral("処理中");
    });
    std::string failure;
    const bool ran = script.Run(failure);
    over = true;
    if (windowManager.joinable()) windowManager.join();
    ASSERT_TRUE(ran) << failure;
    // Every request made during the run has come through.
    ASSERT_TRUE(SettleDesktop()) << "the window manager did not answer";

    EXPECT_GT(sent.load(), 1);
    EXPECT_TRUE(form().isVisible()) << "a close request made during the run closed the window";
    for (const std::string& output : outputs) EXPECT_TRUE(fs::exists(output)) << output;

    keys_.RequestClose(mainWindow);
    EXPECT_TRUE(WaitUntil([&] { return !form().isVisible(); }, 5000))
        << "a close request after the run was lost";
}

}  // namespace
