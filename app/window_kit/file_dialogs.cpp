#include "app/window_kit/file_dialogs.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLayout>
#include <QListView>
#include <QLocale>
#include <QMimeDatabase>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStandardPaths>
#include <QTreeView>
#include <algorithm>

namespace {

enum Column { kName = 0, kSize = 1, kType = 2, kDate = 3, kColumns = 4 };

constexpr int kCellPadding = 16;     // the view's margins around a cell's text
constexpr int kNameCharacters = 30;  // a long file name, seen whole
constexpr int kPreviewWidth = 200;   // the open dialog's preview pane
constexpr int kSmallestPreview = 120;
constexpr int kStartHeight = 480;
constexpr int kShortestName = 120;  // the name column when room is short
constexpr int kLongestName = 400;   // a longer name is cut rather than the dialog grown

int widest(const QFontMetrics& metrics, const QStringList& texts) {
    int width = 0;
    for (const QString& text : texts) width = std::max(width, metrics.horizontalAdvance(text));
    return width;
}

// The longest texts the columns show for what these dialogs list: the
// picture files and folders.
QStringList sizeTexts() {
    const QLocale locale = QLocale::system();
    return {locale.formattedDataSize(1023), locale.formattedDataSize(1023 * 1024 - 1),
            locale.formattedDataSize(qint64(1023) * 1024 * 1024 - 1),
            locale.formattedDataSize(qint64(1023) * 1024 * 1024 * 1024 - 1)};
}

QStringList typeTexts() {
    QStringList texts{
        QCoreApplication::translate("QAbstractFileIconProvider", "Folder", "All other platforms")};
    const QMimeDatabase mimes;
    for (const char* extension : {"bmp", "jpg", "gif", "png", "wmf", "emf"}) {
        const QMimeType type = mimes.mimeTypeForFile(
            QStringLiteral("x.") + QLatin1String(extension), QMimeDatabase::MatchExtension);
        texts << (type.comment().isEmpty() ? type.name() : type.comment());
    }
    return texts;
}

QStringList dateTexts() {
    const QLocale locale = QLocale::system();
    QStringList texts;
    for (int month : {9, 12})
        texts << locale.toString(QDateTime(QDate(2000, month, 28), QTime(23, 58, 58)),
                                 QLocale::ShortFormat);
    return texts;
}

// The width a column needs for its heading and for the cells it shows now.
int neededWidth(QTreeView& view, int column) {
    const QAbstractItemView& cells = view;  // the tree view keeps this one protected
    return std::max(view.header()->sectionSizeHint(column), cells.sizeHintForColumn(column));
}

// Makes every column as wide as its texts need (a name at most so wide),
// the dialog growing for them where the screen has room and the name column
// giving what is still missing.
void fitColumnsToFolder(QFileDialog& dialog, QTreeView& view) {
    QHeaderView* header = view.header();
    for (int column = 0; column < kColumns; ++column) {
        const int need = column == kName ? std::min(neededWidth(view, column), kLongestName)
                                         : neededWidth(view, column);
        if (header->sectionSize(column) < need) header->resizeSection(column, need);
    }
    const int overflow = header->length() - view.viewport()->width();
    if (overflow <= 0) return;
    int grow = overflow;
    if (const QScreen* screen = dialog.screen())
        grow = std::clamp(screen->availableGeometry().width() - dialog.frameGeometry().width(), 0,
                          overflow);
    if (grow > 0) dialog.resize(dialog.width() + grow, dialog.height());
    const int fromName = std::min(overflow - grow, header->sectionSize(kName) - kShortestName);
    if (fromName > 0) header->resizeSection(kName, header->sectionSize(kName) - fromName);
}

}  // namespace

void ShapeFileDialog(QFileDialog& dialog, const FileDialogMemory& memory) {
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    auto* sidebar = dialog.findChild<QListView*>(QStringLiteral("sidebar"));
    auto* splitter = dialog.findChild<QSplitter*>(QStringLiteral("splitter"));
    if (!view || !sidebar || !splitter) return;  // not Qt's own dialog

    // What an earlier run may have left in Qt's settings counts for nothing.
    dialog.setViewMode(QFileDialog::Detail);
    dialog.setSidebarUrls(
        {QUrl(QStringLiteral("file:")),
         QUrl::fromLocalFile(QStandardPaths::writableLocation(QStandardPaths::HomeLocation))});
    const QString folder = memory.Folder.isEmpty() || !QFileInfo(memory.Folder).isDir()
                               ? QDir::currentPath()
                               : memory.Folder;
    dialog.setDirectory(folder);
    dialog.setHistory({});

    QHeaderView* header = view->header();
    header->setSortIndicator(kName, Qt::AscendingOrder);
    const QFontMetrics metrics(view->font());
    const int widths[kColumns] = {
        metrics.horizontalAdvance(QString(kNameCharacters, QLatin1Char('n'))) +
            view->iconSize().width() + kCellPadding,
        widest(metrics, sizeTexts()) + kCellPadding,
        widest(metrics, typeTexts()) + kCellPadding,
        widest(metrics, dateTexts()) + kCellPadding,
    };
    for (int column = 0; column < kColumns; ++column) {
        header->setSectionHidden(column, false);
        header->resizeSection(column, std::max(widths[column], header->sectionSizeHint(column)));
    }

    // The first size: every pane at the width it needs, side by side in the
    // splitter, which spans the dialog inside its margins. On a small screen
    // the name column and then the preview give up what is missing.
    QList<int> wanted = splitter->sizes();
    wanted[0] =
        std::max(sidebar->sizeHintForColumn(0) + 2 * sidebar->frameWidth() + kCellPadding, 100);
    const int listFrame = 2 * view->frameWidth() + view->verticalScrollBar()->sizeHint().width();
    wanted[1] = header->length() + listFrame;
    for (int i = 2; i < wanted.size(); ++i) wanted[i] = kPreviewWidth;
    int around = (static_cast<int>(wanted.size()) - 1) * splitter->handleWidth();
    if (const QLayout* layout = dialog.layout())
        around += layout->contentsMargins().left() + layout->contentsMargins().right();
    const auto total = [&] {
        int width = around;
        for (int pane : wanted) width += pane;
        return width;
    };
    QSize room(total(), kStartHeight);
    if (const QScreen* screen = dialog.screen())
        room = room.boundedTo(screen->availableGeometry().size() * 9 / 10);
    if (total() > room.width()) {
        const int fromName = std::clamp(total() - room.width(), 0,
                                        std::max(header->sectionSize(kName) - kShortestName, 0));
        header->resizeSection(kName, header->sectionSize(kName) - fromName);
        wanted[1] = header->length() + listFrame;
    }
    for (int i = 2; i < wanted.size() && total() > room.width(); ++i)
        wanted[i] = std::max(kPreviewWidth - (total() - room.width()), kSmallestPreview);
    dialog.resize(std::max(room.width(), dialog.minimumSizeHint().width()), room.height());
    splitter->setSizes(wanted);
    // A wider dialog widens the file list.
    for (int i = 0; i < splitter->count(); ++i) splitter->setStretchFactor(i, i == 1 ? 1 : 0);
    if (memory.Size.isValid()) dialog.resize(memory.Size);

    // Once the folder is read, no text of it is cut.
    if (auto* model = dialog.findChild<QFileSystemModel*>()) {
        QObject::connect(model, &QFileSystemModel::directoryLoaded, view,
                         [&dialog, view] { fitColumnsToFolder(dialog, *view); });
    }
}

void RememberFileDialog(const QFileDialog& dialog, FileDialogMemory& memory) {
    memory.Size = dialog.size();
    memory.Folder = dialog.directory().absolutePath();
}
