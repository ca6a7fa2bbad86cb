#pragma once

// The folders of the destination dialog's tree: a few roots (FolderRoot) on
// top, each showing the folders below it as one QFileSystemModel sees them.
// That model lists folders on its own thread and watches the folders it
// has listed, so folders that appear or vanish show up here by themselves.
//
// A folder may be shown under more than one root (the home folder is also
// found below "/"), so this model keeps its own node per place in the tree
// and mirrors the source's rows under each node whose rows it has shown.

#include <QAbstractItemModel>
#include <QHash>
#include <QPersistentModelIndex>
#include <memory>
#include <vector>

#include "shell/folder_roots.h"

class TQuietIconProvider;
class QFileSystemModel;

class TFolderTreeModel : public QAbstractItemModel {
    Q_OBJECT

public:
    explicit TFolderTreeModel(QObject* parent = nullptr);
    ~TFolderTreeModel() override;

    // Replaces the roots; the tree below them starts over.
    void SetRoots(const std::vector<FolderRoot>& roots);
    const std::vector<FolderRoot>& Roots() const { return roots_; }

    // The place of `path` in the tree, under the root that holds it most
    // closely (the home folder before "/"); invalid when no root holds it
    // or it does not exist.
    QModelIndex IndexOfPath(const QString& path);

    // The file-system path shown at `index` (empty for an invalid index).
    QString FilePath(const QModelIndex& index) const;

    QFileSystemModel* Source() const { return source_; }

    QModelIndex index(int row, int column,
                      const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    struct Node;

    Node* nodeOf(const QModelIndex& index) const;
    QModelIndex indexOf(const Node* node) const;
    // Creates the node's children from the source's rows the first time
    // they are asked for; from then on the node follows the source.
    void sync(Node* node) const;
    std::unique_ptr<Node> makeChild(Node* parent, int row) const;
    void forget(Node* node) const;  // the node and its subtree stop following the source
    void renumber(Node* node, int from) const;
    void clearChildren(Node* node);
    QList<Node*> mirrorsOf(const QModelIndex& sourceParent) const;
    void buildRoots();

    void sourceRowsInserted(const QModelIndex& parent, int first, int last);
    void sourceRowsRemoved(const QModelIndex& parent, int first, int last);
    void sourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                           const QList<int>& roles);
    void sourceLayoutAboutToBeChanged();
    void sourceLayoutChanged();
    void sourceAboutToBeReset();
    void sourceReset();

    QFileSystemModel* source_ = nullptr;
    std::unique_ptr<TQuietIconProvider> icons_;
    std::vector<FolderRoot> roots_;
    std::unique_ptr<Node> top_;  // the invisible node above the roots
    // The nodes whose rows follow the source, by the source node they show.
    mutable QMultiHash<const void*, Node*> mirrors_;
    QModelIndexList layoutPersistent_;
};
