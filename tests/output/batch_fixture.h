#pragma once

// Window tests of the batch run: the main window on the scripted platform,
// and the destination dialog, a widget of our own, answered through its
// real controls when it shows (a queue of answers; none left cancels it).

#include <QStringList>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "output/batch_destination_dialog.h"
#include "tests/app/window_fixture.h"
#include "tests/support/qt_waiting.h"

class BatchTest : public WindowTest {
protected:
    void SetUp() override;
    void TearDown() override;

    TForm4& form4() { return windows().Form4(); }

    // Answers for the destination dialog, in order. After an answer the
    // dialog is cancelled if it is still open (and that is recorded).
    std::deque<std::function<void(TForm4&)>> Form4Answers;
    int Form4Shows = 0;
    int Form4LeftOpen = 0;

    // Chooses the folder, the suffix (typed) and the type, then clicks OK.
    static std::function<void(TForm4&)> Choose(const std::string& folder, const QString& suffix,
                                               int type);

    // Runs one batch by the "M" key: the settings confirmed, `files` chosen,
    // the dialog answered as given, the final question confirmed. Message
    // answers queued before this call come after those two OKs.
    void RunBatch(const std::vector<std::string>& files, std::function<void(TForm4&)> destination);

    // The progress window's caption and its Esc hint each time it showed;
    // every caption it is given is logged ("caption ...") too.
    struct ProgressShowing {
        QString Caption;
        bool HintShown = false;
    };
    std::vector<ProgressShowing> ProgressShowings;

    // The messages shown, by title.
    std::vector<ShownMessage> MessagesTitled(const QString& title) const;

private:
    class Watcher;
    Watcher* watcher_ = nullptr;
};

// Typing into a control of a dialog, one key event a character.
void TypeInto(QWidget* widget, const QString& text);
void KeyInto(QWidget* widget, int key, const QString& text = QString());

// A copy of the file's bytes, or empty when there is none.
std::vector<std::uint8_t> BytesOrNothing(const std::string& path);
