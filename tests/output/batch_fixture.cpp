#include "tests/output/batch_fixture.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <filesystem>

#include "output/progress_window.h"
#include "shell/shell_tree_view.h"

class BatchTest::Watcher : public QObject {
public:
    explicit Watcher(BatchTest& test) : test_(test) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // The progress window's captions go into the platform's log, in
        // their place among the messages.
        if (event->type() == QEvent::WindowTitleChange && watched == &test_.windows().Form2())
            test_.platform_.Log << QStringLiteral("caption ") +
                                       test_.windows().Form2().windowTitle();
        if (event->type() != QEvent::Show) return false;
        if (watched == &test_.form4()) {
            ++test_.Form4Shows;
            // Answered from inside the dialog's own loop.
            QTimer::singleShot(0, &test_.form4(), [this] { answer(); });
        } else if (watched == &test_.windows().Form2()) {
            TForm2& progress = test_.windows().Form2();
            test_.ProgressShowings.push_back(
                {progress.windowTitle(), progress.Label2->isVisibleTo(&progress)});
        }
        return false;
    }

private:
    void answer() {
        TForm4& dialog = test_.form4();
        if (!test_.Form4Answers.empty()) {
            const auto next = std::move(test_.Form4Answers.front());
            test_.Form4Answers.pop_front();
            next(dialog);
        }
        if (dialog.isVisible()) {
            ++test_.Form4LeftOpen;
            dialog.reject();
        }
    }

    BatchTest& test_;
};

void BatchTest::SetUp() {
    WindowTest::SetUp();
    watcher_ = new Watcher(*this);
    form4().installEventFilter(watcher_);
    windows().Form2().installEventFilter(watcher_);
}

void BatchTest::TearDown() {
    delete watcher_;
    watcher_ = nullptr;
    WindowTest::TearDown();
}

std::function<void(TForm4&)> BatchTest::Choose(const std::string& folder, const QString& suffix,
                                               int type) {
    return [folder, suffix, type](TForm4& dialog) {
        dialog.ShellTreeView1->SelectPath(QString::fromStdString(folder));
        QLineEdit* edit = dialog.ComboBox2->lineEdit();
        edit->selectAll();
        if (suffix.isEmpty())
            KeyInto(edit, Qt::Key_Backspace);
        else
            TypeInto(edit, suffix);
        dialog.ComboBox1->setCurrentIndex(type);
        dialog.Button1->click();
    };
}

void BatchTest::RunBatch(const std::vector<std::string>& files,
                         std::function<void(TForm4&)> destination) {
    QStringList paths;
    for (const std::string& file : files) paths << QString::fromStdString(file);
    platform_.OpenAnswers.push_back(paths);
    platform_.MessageAnswers.push_front(MessageAnswer::Ok);  // the final question
    platform_.MessageAnswers.push_front(MessageAnswer::Ok);  // the settings
    Form4Answers.push_back(std::move(destination));
    form().ScrollBox1->setFocus();
    Type(QStringLiteral("m"));
}

std::vector<ShownMessage> BatchTest::MessagesTitled(const QString& title) const {
    std::vector<ShownMessage> found;
    for (const ShownMessage& message : platform_.Messages)
        if (message.Title == title) found.push_back(message);
    return found;
}

void KeyInto(QWidget* widget, int key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

void TypeInto(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        const int key = c.isLetterOrNumber() ? static_cast<int>(c.toUpper().unicode())
                                             : static_cast<int>(Qt::Key_unknown);
        KeyInto(widget, key, QString(c));
    }
}

std::vector<std::uint8_t> BytesOrNothing(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return {};
    return ReadBytes(path);
}
