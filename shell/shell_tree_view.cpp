#include "shell/shell_tree_view.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTimer>

#include "shell/folder_roots.h"
#include "shell/folder_tree_model.h"
#include "shell/shell_list_view.h"

TShellTreeView::TShellTreeView(QWidget* parent)
    : QTreeView(parent), model_(new TFolderTreeModel(this)) {
    model_->SetRoots(CurrentFolderRoots());
    setModel(model_);
    header()->hide();
    setIndentation(19);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);
    setUniformRowHeights(true);
    setIconSize(QSize(16, 16));
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TShellTreeView::selectionMoved);
    connect(model_, &QAbstractItemModel::modelReset, this, &TShellTreeView::selectionMoved);
    connect(model_, &QAbstractItemModel::rowsInserted, this, &TShellTreeView::keepSelectionInView);
    connect(model_, &QAbstractItemModel::layoutChanged, this, &TShellTreeView::keepSelectionInView);
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this] { keepInView_ = false; });
}

void TShellTreeView::keepSelectionInView() {
    if (!keepInView_) return;
    // After the view has taken in the new rows.
    QTimer::singleShot(0, this, [this] {
        if (keepInView_ && currentIndex().isValid()) scrollTo(currentIndex());
    });
}

void TShellTreeView::mousePressEvent(QMouseEvent* event) {
    keepInView_ = false;
    QTreeView::mousePressEvent(event);
}

void TShellTreeView::keyPressEvent(QKeyEvent* event) {
    keepInView_ = false;
    QTreeView::keyPressEvent(event);
}

void TShellTreeView::wheelEvent(QWheelEvent* event) {
    keepInView_ = false;
    QTreeView::wheelEvent(event);
}

QString TShellTreeView::SelectedPath() const {
    const QModelIndexList selected = selectionModel()->selectedRows();
    if (selected.isEmpty()) return {};
    return FolderPathOf(model_->FilePath(selected.constFirst()));
}

bool TShellTreeView::SelectPath(const QString& path) {
    const QModelIndex target = model_->IndexOfPath(path);
    if (!target.isValid()) return false;
    for (QModelIndex above = target.parent(); above.isValid(); above = above.parent())
        expand(above);
    setCurrentIndex(target);
    selectionModel()->select(target,
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(target);
    keepInView_ = true;
    return true;
}

void TShellTreeView::ShowSelection() {
    if (!currentIndex().isValid()) return;
    scrollTo(currentIndex());
    keepInView_ = true;
    keepSelectionInView();
}

void TShellTreeView::RefreshRoots() {
    const std::vector<FolderRoot> roots = CurrentFolderRoots();
    if (roots == model_->Roots()) return;
    const QModelIndexList selected = selectionModel()->selectedRows();
    const QString path = selected.isEmpty() ? QString() : model_->FilePath(selected.constFirst());
    model_->SetRoots(roots);
    if (!path.isEmpty()) SelectPath(path);
}

void TShellTreeView::SetShellListView(TShellListView* list) {
    list_ = list;
    if (list_) list_->SetFolder(SelectedPath());
}

void TShellTreeView::selectionMoved() {
    if (list_) list_->SetFolder(SelectedPath());
    emit SelectionChanged();
}
