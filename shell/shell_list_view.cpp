#include "shell/shell_list_view.h"

#include <QDesktopServices>
#include <QFileSystemModel>
#include <QStandardItemModel>
#include <QUrl>

#include "shell/quiet_icon_provider.h"

namespace {

// The background of the list: the classic system colour of inactive
// caption text, a light grey.
const QColor kListBackground(212, 208, 200);

}  // namespace

TShellListView::TShellListView(QWidget* parent)
    : QListView(parent),
      files_(new QFileSystemModel(this)),
      nothing_(new QStandardItemModel(this)),
      icons_(std::make_unique<TQuietIconProvider>()) {
    files_->setIconProvider(icons_.get());
    files_->setFilter(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    files_->setReadOnly(true);

    setViewMode(QListView::ListMode);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setIconSize(QSize(16, 16));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);
    setAcceptDrops(false);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setSelectionMode(QAbstractItemView::SingleSelection);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, kListBackground);
    setPalette(colours);

    setModel(nothing_);
    watchSelection();
    connect(this, &QAbstractItemView::activated, this, &TShellListView::itemActivated);
}

TShellListView::~TShellListView() {
    // The model's thread may still ask the icon provider: the model goes first.
    setModel(nullptr);
    delete files_;
}

void TShellListView::SetFolder(const QString& folder) {
    if (folder == folder_) return;
    folder_ = folder;
    QAbstractItemModel* wanted =
        folder.isEmpty() ? static_cast<QAbstractItemModel*>(nothing_) : files_;
    if (model() != wanted) {
        // A view makes a new selection model for each model it is given.
        QItemSelectionModel* old = selectionModel();
        setModel(wanted);
        delete old;
        watchSelection();
    }
    // The model watches its root folder for files that come and go.
    if (!folder.isEmpty()) setRootIndex(files_->setRootPath(folder));
}

QStringList TShellListView::ShownPaths() const {
    QStringList paths;
    if (model() != files_) return paths;
    const QModelIndex root = rootIndex();
    for (int row = 0; row < files_->rowCount(root); ++row)
        paths << files_->filePath(files_->index(row, 0, root));
    return paths;
}

QModelIndex TShellListView::IndexOfPath(const QString& path) const {
    if (model() != files_) return {};
    const QModelIndex index = files_->index(path);
    return index.parent() == rootIndex() ? index : QModelIndex();
}

void TShellListView::ClearSelection() {
    selectionModel()->clearSelection();
}

void TShellListView::watchSelection() {
    // Each model comes with a selection model of its own.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TShellListView::selectionGrew, Qt::UniqueConnection);
}

void TShellListView::selectionGrew(const QItemSelection& selected) {
    if (!OnSelectItem || model() != files_) return;
    for (const QModelIndex& index : selected.indexes()) {
        if (index.column() != 0) continue;
        OnSelectItem(files_->filePath(index));
        return;
    }
}

void TShellListView::itemActivated(const QModelIndex& index) {
    if (model() != files_ || !index.isValid()) return;
    const QString path = files_->filePath(index);
    bool execute = true;
    if (OnShExecute) OnShExecute(path, execute);
    if (execute) QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
