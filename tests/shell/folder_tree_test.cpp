// The folder tree and the file list of the destination dialog: where the
// tree starts, which items count as folders, the same folder shown under
// two roots, and both kept current by the file system's notifications.

#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractItemModelTester>
#include <QFileSystemModel>
#include <QItemSelectionModel>
#include <filesystem>

#include "shell/folder_roots.h"
#include "shell/folder_tree_model.h"
#include "shell/shell_list_view.h"
#include "shell/shell_tree_view.h"
#include "tests/output/batch_fixture.h"

namespace fs = std::filesystem;

namespace {

bool waitUntil(const std::function<bool()>& done) {
    return WaitUntil(done, 10000);
}

// Qt's model checker reports through warnings of its own category; each
// one fails the test that caused it.
class ModelChecks {
public:
    ModelChecks() { previous_ = qInstallMessageHandler(&ModelChecks::handle); }
    ~ModelChecks() { qInstallMessageHandler(previous_); }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (context.category != nullptr && QByteArray(context.category) == "qt.modeltest")
            ADD_FAILURE() << "model check: " << message.toStdString();
        else if (type == QtFatalMsg)
            abort();
    }
    QtMessageHandler previous_ = nullptr;
};

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

// ---------------------------------------------------------------- roots

struct RootsCase {
    const char* name;
    QString home;
    std::vector<MountedVolume> volumes;
    std::vector<std::pair<QString, QString>> expected;  // name, path
};

class Roots : public ::testing::TestWithParam<RootsCase> {};

TEST_P(Roots, HomeFileSystemAndUserVolumes) {
    std::vector<std::pair<QString, QString>> got;
    for (const FolderRoot& root : FolderRootsFor(GetParam().home, GetParam().volumes))
        got.emplace_back(root.Name, root.Path);
    EXPECT_EQ(got, GetParam().expected);
}

const QString kHome = QStringLiteral("ホーム");
const QString kFiles = QStringLiteral("ファイルシステム");

INSTANTIATE_TEST_SUITE_P(
    Shell, Roots,
    ::testing::Values(
        RootsCase{"HomeAndRoot", "/home/ann/", {}, {{kHome, "/home/ann"}, {kFiles, "/"}}},
        RootsCase{"RootAsHomeIsShownOnce", "/", {}, {{kFiles, "/"}}},
        RootsCase{"NoHome", "", {}, {{kFiles, "/"}}},
        RootsCase{
            "SystemMountsLeftOut",
            "/root",
            {{"/", "root"}, {"/boot/efi", ""}, {"/proc", ""}, {"/run/user/0", ""}, {"/home", ""}},
            {{kHome, "/root"}, {kFiles, "/"}}},
        RootsCase{"VolumesByLabelOrFolderSortedByPathOnce",
                  "/home/ann",
                  {{"/mnt/backup/", ""},
                   {"/media/ann/USB STICK", "USB STICK"},
                   {"/run/media/ann/CAMERA", ""},
                   {"/media/ann/USB STICK", "USB STICK"}},
                  {{kHome, "/home/ann"},
                   {kFiles, "/"},
                   {"USB STICK", "/media/ann/USB STICK"},
                   {"backup", "/mnt/backup"},
                   {"CAMERA", "/run/media/ann/CAMERA"}}}),
    NameOfParam());

// --------------------------------------------------------- folder or not

TEST(FolderPath, OnlyFoldersThatCanBeEntered) {
    TempDir dir;
    const std::string folder = dir.file("folder"), file = dir.file("file.bmp");
    fs::create_directory(folder);
    WriteBytes(file, {1});
    fs::create_directory_symlink(folder, dir.file("link"));
    fs::create_directory_symlink(dir.file("gone"), dir.file("broken"));

    EXPECT_EQ(FolderPathOf(q(folder)), q(folder));
    EXPECT_EQ(FolderPathOf(q(dir.file("link"))), q(dir.file("link")));
    EXPECT_EQ(FolderPathOf(QStringLiteral("/")), QStringLiteral("/"));
    EXPECT_EQ(FolderPathOf(q(file)), QString());
    EXPECT_EQ(FolderPathOf(q(dir.file("broken"))), QString());
    EXPECT_EQ(FolderPathOf(q(dir.file("nothing"))), QString());
    EXPECT_EQ(FolderPathOf(QString()), QString());

    const std::string closed = dir.file("closed");
    fs::create_directory(closed);
    fs::permissions(closed, fs::perms::owner_read | fs::perms::owner_write);
    // The superuser enters every folder.
    EXPECT_EQ(FolderPathOf(q(closed)), geteuid() == 0 ? q(closed) : QString());
    fs::permissions(closed, fs::perms::owner_all);
}

// ------------------------------------------------------------ the tree

class FolderTree : public WindowTest {
protected:
    // Two roots, one inside the other, both small: Qt's model checker walks
    // everything below them whenever the model changes.
    void SetUp() override {
        WindowTest::SetUp();
        home_ = temp_.file("home");
        fs::create_directories(home_ + "/photos/2024");
        fs::create_directories(temp_.file("elsewhere"));
        checks_ = std::make_unique<ModelChecks>();
        model_ = std::make_unique<TFolderTreeModel>();
        tester_ = std::make_unique<QAbstractItemModelTester>(
            model_.get(), QAbstractItemModelTester::FailureReportingMode::Warning);
        model_->SetRoots({{FolderRoot::Kind::Home, kHome, q(home_)},
                          {FolderRoot::Kind::Volume, QStringLiteral("temp"), q(temp_.path())}});
    }

    void TearDown() override {
        tester_.reset();
        model_.reset();
        checks_.reset();
        WindowTest::TearDown();
    }

    // The child of `parent` named `name`, once the folder is listed.
    QModelIndex child(const QModelIndex& parent, const QString& name) {
        QModelIndex found;
        waitUntil([&] {
            if (model_->canFetchMore(parent)) model_->fetchMore(parent);
            for (int row = 0; row < model_->rowCount(parent); ++row) {
                const QModelIndex at = model_->index(row, 0, parent);
                if (at.data().toString() == name) {
                    found = at;
                    return true;
                }
            }
            return false;
        });
        return found;
    }

    // The place of `path` found by walking down from the outer root.
    QModelIndex underOuterRoot(const std::string& path) {
        QModelIndex at = model_->index(1, 0);
        for (const auto& part : fs::path(path).lexically_relative(temp_.path())) {
            at = child(at, q(part.string()));
            if (!at.isValid()) return {};
        }
        return at;
    }

    std::string home_;
    std::unique_ptr<ModelChecks> checks_;
    std::unique_ptr<TFolderTreeModel> model_;
    std::unique_ptr<QAbstractItemModelTester> tester_;
};

TEST_F(FolderTree, RootsOnTopAndEachPathUnderItsClosestRoot) {
    ASSERT_EQ(model_->rowCount(), 2);
    EXPECT_EQ(model_->index(0, 0).data().toString(), kHome);
    EXPECT_EQ(model_->FilePath(model_->index(0, 0)), q(home_));
    EXPECT_EQ(model_->index(1, 0).data().toString(), QStringLiteral("temp"));
    EXPECT_EQ(model_->FilePath(model_->index(1, 0)), q(temp_.path()));

    const QModelIndex photos = model_->IndexOfPath(q(home_ + "/photos/2024"));
    ASSERT_TRUE(photos.isValid());
    EXPECT_EQ(model_->FilePath(photos), q(home_ + "/photos/2024"));
    EXPECT_EQ(photos.parent().parent(), model_->index(0, 0));  // home > photos > 2024
    EXPECT_EQ(photos.data().toString(), QStringLiteral("2024"));

    const QModelIndex elsewhere = model_->IndexOfPath(q(temp_.file("elsewhere")));
    ASSERT_TRUE(elsewhere.isValid());
    EXPECT_EQ(elsewhere.parent(), model_->index(1, 0));
    EXPECT_EQ(model_->FilePath(elsewhere), q(temp_.file("elsewhere")));

    EXPECT_FALSE(model_->IndexOfPath(q(temp_.file("no such folder"))).isValid());
    EXPECT_FALSE(model_->IndexOfPath(QStringLiteral("relative/path")).isValid());
    EXPECT_FALSE(model_->IndexOfPath(QStringLiteral("/usr")).isValid());  // under no root
}

TEST(FolderTreeRoots, TheFileSystemRootHoldsWhatTheHomeFolderDoesNot) {
    TempDir dir;
    fs::create_directory(dir.file("home"));
    TFolderTreeModel model;
    model.SetRoots(FolderRootsFor(q(dir.file("home")), {}));
    const QModelIndex inside = model.IndexOfPath(q(dir.file("home")));
    EXPECT_EQ(inside, model.index(0, 0));
    const QModelIndex outside = model.IndexOfPath(q(dir.path()));
    ASSERT_TRUE(outside.isValid());
    QModelIndex top = outside;
    while (top.parent().isValid()) top = top.parent();
    EXPECT_EQ(top, model.index(1, 0));
    EXPECT_EQ(model.FilePath(top), QStringLiteral("/"));
    EXPECT_EQ(model.FilePath(outside), q(dir.path()));
}

TEST_F(FolderTree, AFolderUnderTwoRootsFollowsTheDiskInBoth) {
    const QModelIndex viaHome = model_->index(0, 0);
    const QModelIndex viaRoot = underOuterRoot(home_);
    ASSERT_TRUE(viaRoot.isValid());
    ASSERT_TRUE(child(viaHome, QStringLiteral("photos")).isValid());
    ASSERT_TRUE(child(viaRoot, QStringLiteral("photos")).isValid());
    const QPersistentModelIndex kept = child(viaHome, QStringLiteral("photos"));

    // Folders that appear, in an order the model sorts afterwards, beside a
    // named pipe that nothing may read from.
    ASSERT_EQ(mkfifo((home_ + "/pipe").c_str(), 0600), 0);
    fs::create_directory(home_ + "/zeta");
    fs::create_directory(home_ + "/alpha");
    EXPECT_TRUE(child(viaHome, QStringLiteral("alpha")).isValid());
    EXPECT_TRUE(child(viaRoot, QStringLiteral("zeta")).isValid());
    EXPECT_TRUE(waitUntil(
        [&] { return model_->rowCount(viaHome) == 3 && model_->rowCount(viaRoot) == 3; }));
    // A place held across the changes still names its folder.
    ASSERT_TRUE(kept.isValid());
    EXPECT_EQ(kept.data().toString(), QStringLiteral("photos"));
    EXPECT_EQ(model_->FilePath(kept), q(home_ + "/photos"));

    // Files never show in the tree.
    WriteBytes(home_ + "/file.bmp", {1});
    fs::remove(home_ + "/zeta");
    EXPECT_TRUE(waitUntil(
        [&] { return model_->rowCount(viaHome) == 2 && model_->rowCount(viaRoot) == 2; }));
    for (const QModelIndex& parent : {viaHome, viaRoot}) {
        QStringList names;
        for (int row = 0; row < model_->rowCount(parent); ++row)
            names << model_->index(row, 0, parent).data().toString();
        names.sort();
        EXPECT_EQ(names, QStringList({"alpha", "photos"}));
    }
}

TEST_F(FolderTree, ARemovedRootFolderLeavesItsRootEmpty) {
    const QModelIndex viaHome = model_->index(0, 0);
    ASSERT_TRUE(child(viaHome, QStringLiteral("photos")).isValid());
    ASSERT_TRUE(underOuterRoot(home_ + "/photos").isValid());
    fs::remove_all(home_);
    EXPECT_TRUE(waitUntil([&] { return model_->rowCount(viaHome) == 0; }));
    EXPECT_EQ(model_->FilePath(viaHome), q(home_));
}

TEST_F(FolderTree, TheViewReportsFoldersAndNothingElse) {
    TShellTreeView tree;
    TShellListView list;
    tree.SetShellListView(&list);
    int changes = 0;
    QObject::connect(&tree, &TShellTreeView::SelectionChanged, [&] { ++changes; });

    const std::string target = temp_.file("target");
    fs::create_directory(target);
    fs::create_directory_symlink(target, temp_.file("link"));
    ASSERT_TRUE(tree.SelectPath(q(temp_.file("link"))));
    EXPECT_EQ(tree.SelectedPath(), q(temp_.file("link")));
    EXPECT_EQ(list.Folder(), q(temp_.file("link")));
    EXPECT_GE(changes, 1);

    // The link's folder goes while the item stays in the tree.
    fs::remove(target);
    EXPECT_EQ(tree.SelectedPath(), QString());

    tree.selectionModel()->clearSelection();
    EXPECT_EQ(tree.SelectedPath(), QString());
    EXPECT_EQ(list.Folder(), QString());
    EXPECT_TRUE(list.ShownPaths().isEmpty());
    EXPECT_FALSE(tree.SelectPath(q(temp_.file("nothing here"))));
}

// ------------------------------------------------------------ the list

TEST_F(FolderTree, TheListShowsEverythingAndFollowsTheDisk) {
    const std::string folder = temp_.file("list");
    fs::create_directory(folder);
    WriteBytes(folder + "/.hidden", {1});
    WriteBytes(folder + "/shown.png", {2});
    fs::create_directory(folder + "/sub");
    // A named pipe is listed like any item; nothing reads from it.
    ASSERT_EQ(mkfifo((folder + "/pipe").c_str(), 0600), 0);

    TShellListView list;
    QAbstractItemModelTester tester(list.model(),
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    list.SetFolder(q(folder));
    const auto names = [&] {
        QStringList shown;
        for (const QString& path : list.ShownPaths())
            shown << path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
        shown.sort();
        return shown;
    };
    EXPECT_TRUE(waitUntil([&] {
        return names() == QStringList({".hidden", "pipe", "shown.png", "sub"});
    })) << names().join(',').toStdString();
    EXPECT_EQ(list.iconSize(), QSize(16, 16));
    EXPECT_EQ(list.editTriggers(), QAbstractItemView::NoEditTriggers);

    WriteBytes(folder + "/new.jpg", {3});
    EXPECT_TRUE(waitUntil([&] { return names().contains(QStringLiteral("new.jpg")); }));
    fs::remove(folder + "/shown.png");
    EXPECT_TRUE(waitUntil([&] { return !names().contains(QStringLiteral("shown.png")); }));
    EXPECT_EQ(names(), QStringList({".hidden", "new.jpg", "pipe", "sub"}));

    list.SetFolder(QString());
    EXPECT_TRUE(list.ShownPaths().isEmpty());
    EXPECT_EQ(list.model()->rowCount(list.rootIndex()), 0);
}

}  // namespace
