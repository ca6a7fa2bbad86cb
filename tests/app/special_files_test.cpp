// Named pipes, sockets and devices among the pictures: the open dialog (for
// one file and for the batch run's many) does not list them, its preview
// leaves them unopened with an empty pane, its file list never looks into
// them, and the program refuses them with its usual message when one is
// typed into the dialog or dropped.
// A read from a pipe that no one writes waits for ever, so every step runs
// under a watchdog that fails the test by name instead of hanging it.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMimeDatabase>
#include <QTreeView>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "app/window_kit/picture_preview.h"
#include "app/window_kit/qt_platform.h"
#include "app/window_kit/texts.h"
#include "shell/quiet_icon_provider.h"
#include "tests/app/window_fixture.h"
#include "tests/support/hang_watchdog.h"
#include "tests/support/qt_waiting.h"

namespace fs = std::filesystem;

namespace {

constexpr std::chrono::seconds kHangLimit(60);

// Makes the special file `name` in `dir`; false when the system would not.
using SpecialFileMaker = bool (*)(const TempDir& dir, const std::string& name);

bool makePipe(const TempDir& dir, const std::string& name) {
    return ::mkfifo(dir.file(name).c_str(), 0644) == 0;
}

bool makeLinkToPipe(const TempDir& dir, const std::string& name) {
    if (::mkfifo(dir.file(".the-pipe").c_str(), 0644) != 0) return false;
    return ::symlink(dir.file(".the-pipe").c_str(), dir.file(name).c_str()) == 0;
}

bool makeSocket(const TempDir& dir, const std::string& name) {
    const std::string path = dir.file(name);
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path) return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) return false;
    // The socket's file stays when the socket is closed.
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

bool makeLinkToDevice(const TempDir& dir, const std::string& name) {
    // An endless source: a reader that trusted it would read for ever.
    return ::symlink("/dev/zero", dir.file(name).c_str()) == 0;
}

struct SpecialFileCase {
    const char* name;
    const char* fileName;  // with a picture's extension, so the filter lists it
    SpecialFileMaker make;
    const char* kind;  // the type the lists name it by
};

const SpecialFileCase kSpecialFiles[] = {
    {"NamedPipe", "pipe.bmp", makePipe, "inode/fifo"},
    {"LinkToNamedPipe", "linked.jpg", makeLinkToPipe, "inode/fifo"},
    {"Socket", "socket.png", makeSocket, "inode/socket"},
    {"LinkToEndlessDevice", "zero.gif", makeLinkToDevice, "inode/chardevice"},
};

struct DialogCase {
    const char* name;
    bool multiSelect;  // the batch run's dialog
};

void PrintTo(const SpecialFileCase& c, std::ostream* out) {
    *out << c.name;
}
void PrintTo(const DialogCase& c, std::ostream* out) {
    *out << c.name;
}

const DialogCase kDialogs[] = {{"OpenDialog", false}, {"BatchOpenDialog", true}};

QString kindName(const char* kind) {
    return QMimeDatabase().mimeTypeForName(QString::fromLatin1(kind)).comment();
}

using SpecialFileParam = std::tuple<DialogCase, SpecialFileCase>;

class SpecialFileInOpenDialog : public ::testing::TestWithParam<SpecialFileParam> {};

// The names the dialog's file list shows, once it has read the folder.
QStringList shownNames(QFileSystemModel& model, QTreeView& view, int atLeast) {
    QStringList names;
    WaitUntil(
        [&] {
            names.clear();
            const QModelIndex root = view.rootIndex();
            for (int row = 0; row < model.rowCount(root); ++row)
                names << model.index(row, 0, root).data().toString();
            return names.size() >= atLeast;
        },
        10000);
    names.sort();
    return names;
}

TEST_P(SpecialFileInOpenDialog, IsNeitherListedNorOpened) {
    const auto& [dialogCase, fileCase] = GetParam();
    TempDir dir;
    ASSERT_TRUE(fileCase.make(dir, fileCase.fileName)) << "cannot make " << fileCase.fileName;
    const QString special = QString::fromStdString(dir.file(fileCase.fileName));
    WritePatternBmp(dir, "good.bmp", 30, 20);
    WritePatternBmp(dir, "other.bmp", 20, 10);

    const HangWatchdog watchdog(
        std::string(dialogCase.name) + " on a folder holding " + fileCase.name, kHangLimit);
    {
        const OpenDialogSettings settings{texts::OpenDialogTitle, texts::OpenDialogFilter,
                                          dialogCase.multiSelect};
        const std::unique_ptr<QFileDialog> dialog = QtPlatform::MakeOpenDialog(nullptr, settings);
        dialog->setDirectory(QString::fromStdString(dir.path()));
        dialog->show();
        auto* preview = dialog->findChild<TPicturePreview*>();
        auto* model = dialog->findChild<QFileSystemModel*>();
        auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
        ASSERT_TRUE(preview && model && view);

        // The list offers the pictures only: nothing there opens the other.
        EXPECT_EQ(shownNames(*model, *view, 2), QStringList({"good.bmp", "other.bmp"}));
        // The list's helper thread, which looks at every file of the folder,
        // the hidden ones too, asks the provider that never reads a file.
        EXPECT_NE(dynamic_cast<const TQuietIconProvider*>(model->iconProvider()), nullptr);

        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        // A click on a picture's row makes it the current file.
        view->setCurrentIndex(model->index(QString::fromStdString(dir.file("good.bmp"))));
        ASSERT_TRUE(
            WaitUntil([&] { return preview->PreviewsShown() == 1 && !preview->Busy(); }, 20000));
        EXPECT_EQ(preview->SizeText().toStdString(), "30×20");

        // Its name typed: the pane keeps what it shows.
        name->setText(QString::fromLatin1(fileCase.fileName));
        QCoreApplication::processEvents();
        EXPECT_FALSE(preview->Busy());
        EXPECT_EQ(preview->SizeText().toStdString(), "30×20");

        // Asked for it all the same: an empty pane at once, nothing being made.
        preview->ShowFile(special);
        EXPECT_FALSE(preview->Busy());
        EXPECT_TRUE(preview->Picture().isNull());
        EXPECT_TRUE(preview->SizeText().isEmpty());

        // The worker is free for the next file.
        view->setCurrentIndex(model->index(QString::fromStdString(dir.file("other.bmp"))));
        ASSERT_TRUE(
            WaitUntil([&] { return preview->PreviewsShown() == 2 && !preview->Busy(); }, 20000));
        EXPECT_EQ(preview->SizeText().toStdString(), "20×10");
        dialog->reject();
    }  // the dialog's helper threads are joined here
}

INSTANTIATE_TEST_SUITE_P(Kinds, SpecialFileInOpenDialog,
                         ::testing::Combine(::testing::ValuesIn(kDialogs),
                                            ::testing::ValuesIn(kSpecialFiles)),
                         [](const ::testing::TestParamInfo<SpecialFileParam>& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    std::get<1>(info.param).name;
                         });

// The icons and types of the destination dialog's lists and of the file
// dialogs: a special file is named by its kind, and looked at only by name.
class QuietIcons : public ::testing::TestWithParam<SpecialFileCase> {};

TEST_P(QuietIcons, NameASpecialFileByItsKind) {
    const SpecialFileCase& c = GetParam();
    TempDir dir;
    ASSERT_TRUE(c.make(dir, c.fileName));
    const QFileInfo info(QString::fromStdString(dir.file(c.fileName)));
    const HangWatchdog watchdog(std::string("the icon and type of ") + c.name, kHangLimit);
    const TQuietIconProvider provider;
    EXPECT_EQ(provider.type(info), kindName(c.kind));
    EXPECT_FALSE(provider.icon(info).isNull());
}

INSTANTIATE_TEST_SUITE_P(Kinds, QuietIcons, ::testing::ValuesIn(kSpecialFiles), NameOfParam());

// Chosen in the open dialog or dropped on the window: refused with the
// message of a file no reader takes, the window as it was.
class SpecialFileChosen : public WindowTest,
                          public ::testing::WithParamInterface<SpecialFileCase> {};

TEST_P(SpecialFileChosen, IsRefusedWithTheUsualMessage) {
    const SpecialFileCase& c = GetParam();
    ASSERT_TRUE(c.make(temp_, c.fileName));
    const QString special = QString::fromStdString(temp_.file(c.fileName));
    const HangWatchdog watchdog(std::string("opening ") + c.name, kHangLimit);
    for (const bool dropped : {false, true}) {
        platform_.Messages.clear();
        if (dropped)
            DropFiles(&form(), {special});
        else
            OpenThroughDialog(special.toStdString());
        ASSERT_EQ(platform_.Messages.size(), 1u) << (dropped ? "dropped" : "chosen");
        EXPECT_EQ(platform_.Messages[0].Text, texts::FileOpenErrorText);
        EXPECT_FALSE(form().ToolButton10->isEnabled());
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, SpecialFileChosen, ::testing::ValuesIn(kSpecialFiles),
                         NameOfParam());

}  // namespace
