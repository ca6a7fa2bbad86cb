#include "shell/folder_tree_model.h"

#include <QFileInfo>
#include <QFileSystemModel>
#include <algorithm>
#include <set>

#include "shell/quiet_icon_provider.h"

struct TFolderTreeModel::Node {
    Node* parent = nullptr;
    int row = 0;
    int root = -1;                 // for a root: its place in roots_
    QPersistentModelIndex source;  // the folder in the source model
    const void* key = nullptr;     // the source node while in mirrors_
    bool synced = false;
    std::vector<std::unique_ptr<Node>> children;
};

TFolderTreeModel::TFolderTreeModel(QObject* parent)
    : QAbstractItemModel(parent),
      source_(new QFileSystemModel(this)),
      icons_(std::make_unique<TQuietIconProvider>()),
      top_(std::make_unique<Node>()) {
    // The style's icons, which every desktop has, where no icon theme is.
    source_->setIconProvider(icons_.get());
    // Folders only; hidden ones stay out of the tree unless a path leads
    // through them. Nothing can be renamed or moved from here.
    source_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    source_->setReadOnly(true);
    source_->setRootPath(QStringLiteral("/"));
    top_->synced = true;

    connect(source_, &QAbstractItemModel::rowsInserted, this,
            &TFolderTreeModel::sourceRowsInserted);
    connect(source_, &QAbstractItemModel::rowsRemoved, this, &TFolderTreeModel::sourceRowsRemoved);
    connect(source_, &QAbstractItemModel::dataChanged, this, &TFolderTreeModel::sourceDataChanged);
    connect(source_, &QAbstractItemModel::layoutAboutToBeChanged, this,
            &TFolderTreeModel::sourceLayoutAboutToBeChanged);
    connect(source_, &QAbstractItemModel::layoutChanged, this,
            &TFolderTreeModel::sourceLayoutChanged);
    connect(source_, &QAbstractItemModel::modelAboutToBeReset, this,
            &TFolderTreeModel::sourceAboutToBeReset);
    connect(source_, &QAbstractItemModel::modelReset, this, &TFolderTreeModel::sourceReset);
    // The file-system model does not move rows; were it to, start over.
    connect(source_, &QAbstractItemModel::rowsAboutToBeMoved, this,
            &TFolderTreeModel::sourceAboutToBeReset);
    connect(source_, &QAbstractItemModel::rowsMoved, this, &TFolderTreeModel::sourceReset);
}

TFolderTreeModel::~TFolderTreeModel() {
    // The source's thread may still ask the icon provider: the source goes
    // first, and nothing here follows it meanwhile.
    disconnect(source_, nullptr, this, nullptr);
    delete source_;
}

void TFolderTreeModel::SetRoots(const std::vector<FolderRoot>& roots) {
    beginResetModel();
    roots_ = roots;
    buildRoots();
    endResetModel();
}

void TFolderTreeModel::buildRoots() {
    for (auto& child : top_->children) forget(child.get());
    top_->children.clear();
    for (std::size_t i = 0; i < roots_.size(); ++i) {
        auto node = std::make_unique<Node>();
        node->parent = top_.get();
        node->row = static_cast<int>(i);
        node->root = static_cast<int>(i);
        top_->children.push_back(std::move(node));
    }
    // Looked up after the nodes exist: the lookup may add rows to the source.
    for (auto& node : top_->children) node->source = source_->index(roots_[node->root].Path);
}

TFolderTreeModel::Node* TFolderTreeModel::nodeOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : top_.get();
}

QModelIndex TFolderTreeModel::indexOf(const Node* node) const {
    if (node == nullptr || node == top_.get()) return {};
    return createIndex(node->row, 0, const_cast<Node*>(node));
}

std::unique_ptr<TFolderTreeModel::Node> TFolderTreeModel::makeChild(Node* parent, int row) const {
    auto child = std::make_unique<Node>();
    child->parent = parent;
    child->row = row;
    child->source = source_->index(row, 0, parent->source);
    return child;
}

void TFolderTreeModel::sync(Node* node) const {
    if (node->synced) return;
    node->synced = true;
    if (!node->source.isValid()) return;
    const QModelIndex source = node->source;
    node->key = source.internalPointer();
    mirrors_.insert(node->key, node);
    const int rows = source_->rowCount(source);
    for (int row = 0; row < rows; ++row) node->children.push_back(makeChild(node, row));
}

void TFolderTreeModel::forget(Node* node) const {
    if (node->key != nullptr) mirrors_.remove(node->key, node);
    node->key = nullptr;
    for (auto& child : node->children) forget(child.get());
}

void TFolderTreeModel::renumber(Node* node, int from) const {
    for (int row = from; row < static_cast<int>(node->children.size()); ++row)
        node->children[row]->row = row;
}

void TFolderTreeModel::clearChildren(Node* node) {
    if (!node->children.empty()) {
        beginRemoveRows(indexOf(node), 0, static_cast<int>(node->children.size()) - 1);
        for (auto& child : node->children) forget(child.get());
        node->children.clear();
        endRemoveRows();
    }
    if (node->key != nullptr) mirrors_.remove(node->key, node);
    node->key = nullptr;
    node->synced = false;
}

QList<TFolderTreeModel::Node*> TFolderTreeModel::mirrorsOf(const QModelIndex& sourceParent) const {
    // The invisible top of the source is shown nowhere.
    if (!sourceParent.isValid()) return {};
    return mirrors_.values(sourceParent.internalPointer());
}

QModelIndex TFolderTreeModel::IndexOfPath(const QString& path) {
    // The root that holds the path most closely.
    int best = -1;
    int bestLength = -1;
    for (std::size_t i = 0; i < roots_.size(); ++i) {
        const QString& root = roots_[i].Path;
        const bool holds =
            path == root || root == QLatin1String("/") || path.startsWith(root + QLatin1Char('/'));
        if (holds && path.startsWith(QLatin1Char('/')) && root.size() > bestLength) {
            best = static_cast<int>(i);
            bestLength = static_cast<int>(root.size());
        }
    }
    if (best < 0) return {};
    Node* root = top_->children[best].get();
    if (!root->source.isValid()) root->source = source_->index(roots_[best].Path);
    const QModelIndex target = source_->index(path);
    if (!target.isValid() || !root->source.isValid()) return {};

    // The source's folders from the root down to the target.
    std::vector<QModelIndex> chain;
    for (QModelIndex at = target; at != QModelIndex(root->source); at = at.parent()) {
        if (!at.isValid()) return {};
        chain.push_back(at);
    }
    Node* node = root;
    for (auto step = chain.rbegin(); step != chain.rend(); ++step) {
        sync(node);
        Node* next = nullptr;
        for (auto& child : node->children)
            if (QModelIndex(child->source) == *step) next = child.get();
        if (next == nullptr) return {};
        node = next;
    }
    return indexOf(node);
}

QString TFolderTreeModel::FilePath(const QModelIndex& index) const {
    if (!index.isValid()) return {};
    const Node* node = nodeOf(index);
    if (node->root >= 0) return roots_[node->root].Path;
    return node->source.isValid() ? source_->filePath(node->source) : QString();
}

QModelIndex TFolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) return {};
    Node* node = nodeOf(parent);
    sync(node);
    if (row >= static_cast<int>(node->children.size())) return {};
    return createIndex(row, 0, node->children[row].get());
}

QModelIndex TFolderTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid()) return {};
    return indexOf(nodeOf(child)->parent);
}

int TFolderTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) return 0;
    Node* node = nodeOf(parent);
    sync(node);
    return static_cast<int>(node->children.size());
}

int TFolderTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool TFolderTreeModel::hasChildren(const QModelIndex& parent) const {
    if (parent.column() > 0) return false;
    const Node* node = nodeOf(parent);
    if (node == top_.get()) return !top_->children.empty();
    if (node->synced && !node->children.empty()) return true;
    return node->source.isValid() && source_->hasChildren(node->source);
}

QVariant TFolderTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const Node* node = nodeOf(index);
    if (node->root >= 0) {
        const FolderRoot& root = roots_[node->root];
        switch (role) {
            case Qt::DisplayRole:
                return root.Name;
            case Qt::ToolTipRole:
                return root.Path;
            case Qt::DecorationRole:
                switch (root.kind) {
                    case FolderRoot::Kind::Home:
                        return QIcon::fromTheme(QStringLiteral("user-home"),
                                                icons_->icon(QFileIconProvider::Folder));
                    case FolderRoot::Kind::FileSystem:
                        return icons_->icon(QFileIconProvider::Computer);
                    case FolderRoot::Kind::Volume:
                        return icons_->icon(QFileIconProvider::Drive);
                }
                return {};
            default:
                return {};
        }
    }
    if (!node->source.isValid()) return {};
    if (role == Qt::ToolTipRole) return source_->filePath(node->source);
    return source_->data(node->source, role);
}

Qt::ItemFlags TFolderTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

bool TFolderTreeModel::canFetchMore(const QModelIndex& parent) const {
    const Node* node = nodeOf(parent);
    return node != top_.get() && node->source.isValid() && source_->canFetchMore(node->source);
}

void TFolderTreeModel::fetchMore(const QModelIndex& parent) {
    Node* node = nodeOf(parent);
    if (node != top_.get() && node->source.isValid()) source_->fetchMore(node->source);
}

// ------------------------------------------------------- following the source

void TFolderTreeModel::sourceRowsInserted(const QModelIndex& parent, int first, int last) {
    for (Node* node : mirrorsOf(parent)) {
        if (first > static_cast<int>(node->children.size())) continue;
        beginInsertRows(indexOf(node), first, last);
        std::vector<std::unique_ptr<Node>> added;
        for (int row = first; row <= last; ++row) added.push_back(makeChild(node, row));
        node->children.insert(node->children.begin() + first,
                              std::make_move_iterator(added.begin()),
                              std::make_move_iterator(added.end()));
        renumber(node, first);
        endInsertRows();
    }
}

void TFolderTreeModel::sourceRowsRemoved(const QModelIndex& parent, int first, int last) {
    for (Node* node : mirrorsOf(parent)) {
        if (last >= static_cast<int>(node->children.size())) continue;
        beginRemoveRows(indexOf(node), first, last);
        for (int row = first; row <= last; ++row) forget(node->children[row].get());
        node->children.erase(node->children.begin() + first, node->children.begin() + last + 1);
        renumber(node, first);
        endRemoveRows();
    }
    // A root whose folder went (an unmounted volume, a removed folder)
    // keeps its place and shows nothing below it.
    for (auto& root : top_->children)
        if (!root->source.isValid() && root->synced) clearChildren(root.get());
}

void TFolderTreeModel::sourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                         const QList<int>& roles) {
    if (topLeft.column() > 0) return;
    for (Node* node : mirrorsOf(topLeft.parent())) {
        const int last = std::min(bottomRight.row(), static_cast<int>(node->children.size()) - 1);
        if (topLeft.row() > last) continue;
        const QModelIndex parent = indexOf(node);
        emit dataChanged(index(topLeft.row(), 0, parent), index(last, 0, parent), roles);
    }
}

void TFolderTreeModel::sourceLayoutAboutToBeChanged() {
    emit layoutAboutToBeChanged();
    layoutPersistent_ = persistentIndexList();
}

void TFolderTreeModel::sourceLayoutChanged() {
    // The source sorted some folders: each node takes its children's new
    // order from the source rows they now show. A child whose folder went
    // meanwhile is dropped; it is kept alive until the views let go of it.
    std::vector<std::unique_ptr<Node>> dropped;
    std::set<const Node*> droppedSet;
    std::vector<Node*> pending{top_.get()};
    while (!pending.empty()) {
        Node* node = pending.back();
        pending.pop_back();
        if (node != top_.get()) {
            auto& children = node->children;
            for (auto it = children.begin(); it != children.end();) {
                if ((*it)->source.isValid()) {
                    ++it;
                    continue;
                }
                forget(it->get());
                std::vector<Node*> subtree{it->get()};
                while (!subtree.empty()) {
                    Node* gone = subtree.back();
                    subtree.pop_back();
                    droppedSet.insert(gone);
                    for (auto& child : gone->children) subtree.push_back(child.get());
                }
                dropped.push_back(std::move(*it));
                it = children.erase(it);
            }
            std::stable_sort(children.begin(), children.end(),
                             [](const std::unique_ptr<Node>& a, const std::unique_ptr<Node>& b) {
                                 return a->source.row() < b->source.row();
                             });
            renumber(node, 0);
        }
        for (auto& child : node->children)
            if (child->synced) pending.push_back(child.get());
    }

    QModelIndexList to;
    for (const QModelIndex& from : layoutPersistent_) {
        const Node* node = nodeOf(from);
        to.push_back(droppedSet.count(node) != 0 ? QModelIndex() : indexOf(node));
    }
    changePersistentIndexList(layoutPersistent_, to);
    layoutPersistent_.clear();
    emit layoutChanged();
}

void TFolderTreeModel::sourceAboutToBeReset() {
    beginResetModel();
}

void TFolderTreeModel::sourceReset() {
    buildRoots();
    endResetModel();
}
