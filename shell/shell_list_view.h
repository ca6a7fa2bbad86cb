#pragma once

// The file list of the batch destination dialog: the contents of one
// folder, files, folders and hidden items alike, with small icons, kept
// current by the file-system model's watcher. Nothing can be renamed,
// moved or dropped here. Opening an item is reported first, with a flag
// the handler may clear to refuse it; selecting one is reported too.

#include <QListView>
#include <functional>

class TQuietIconProvider;
class QFileSystemModel;
class QStandardItemModel;

class TShellListView : public QListView {
    Q_OBJECT

public:
    explicit TShellListView(QWidget* parent = nullptr);
    ~TShellListView() override;

    // Shows the contents of `folder`; the empty text shows nothing.
    void SetFolder(const QString& folder);
    QString Folder() const { return folder_; }

    // The paths of the items shown now, in their order.
    QStringList ShownPaths() const;
    // The item showing `path`, or an invalid index.
    QModelIndex IndexOfPath(const QString& path) const;

    void ClearSelection();

    // An item is about to be opened (double click, Enter); it is opened with
    // the desktop's program for it unless the handler clears `execute`.
    std::function<void(const QString& path, bool& execute)> OnShExecute;
    // An item was selected.
    std::function<void(const QString& path)> OnSelectItem;

private:
    void itemActivated(const QModelIndex& index);
    void selectionGrew(const QItemSelection& selected);
    void watchSelection();

    QFileSystemModel* files_ = nullptr;
    QStandardItemModel* nothing_ = nullptr;
    std::unique_ptr<TQuietIconProvider> icons_;
    QString folder_;
};
