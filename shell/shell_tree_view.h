#pragma once

// The folder tree of the batch destination dialog: the home folder, the
// file system and the mounted volumes, kept current by the file-system
// model's own watcher. It tells the selected folder's path (or the empty
// text where the selected item is no folder that can be entered), reports
// every change of its selection and keeps a file list showing that folder.

#include <QTreeView>

class TFolderTreeModel;
class TShellListView;

class TShellTreeView : public QTreeView {
    Q_OBJECT

public:
    explicit TShellTreeView(QWidget* parent = nullptr);

    // The path of the selected folder, or empty.
    QString SelectedPath() const;

    // Selects `path` under the root that holds it most closely, opening the
    // folders above it and scrolling it into view; false when it cannot be
    // shown (no such folder), leaving the selection as it was.
    bool SelectPath(const QString& path);

    // Scrolls the selected folder into view and keeps it there while folders
    // listed above it push it down, until the user takes over.
    void ShowSelection();

    // Takes the machine's roots again (volumes come and go); the selected
    // folder stays selected when it is still in the tree.
    void RefreshRoots();

    // The list that shows the selected folder's contents.
    void SetShellListView(TShellListView* list);

    TFolderTreeModel* FolderModel() const { return model_; }

signals:
    void SelectionChanged();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void selectionMoved();
    // Folders listed after a selection by path push it down; it is kept in
    // view until the user takes over.
    void keepSelectionInView();

    TFolderTreeModel* model_ = nullptr;
    TShellListView* list_ = nullptr;
    bool keepInView_ = false;
};
