#pragma once

// TForm4, the batch destination dialog: a folder tree beside the chosen
// folder's files, the file-name suffix and the file type. Created hidden at
// start-up, shown modally by each batch run, and hidden again, so the tree's
// selection, the suffix and the type stay for the next run. OK is refused
// while the choice is unusable (FormClose).

#include <QDialog>

class Platform;
class QComboBox;
class QLabel;
class QPushButton;
class TShellListView;
class TShellTreeView;

class TForm4 : public QDialog {
    Q_OBJECT

public:
    // `platform` shows the dialog's messages; without one (a picture of the
    // dialog in the manual) the application's platform does.
    explicit TForm4(Platform* platform = nullptr);

    TShellTreeView* ShellTreeView1 = nullptr;
    TShellListView* ShellListView1 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label1 = nullptr;  // the destination path
    QLabel* Label2 = nullptr;
    QComboBox* ComboBox2 = nullptr;  // the file-name suffix
    QLabel* Label3 = nullptr;
    QComboBox* ComboBox1 = nullptr;    // the file type
    QLabel* LabelSourceDir = nullptr;  // hidden; the run's source folder
    QPushButton* Button1 = nullptr;    // OK
    QPushButton* Button2 = nullptr;    // Cancel

    void FormShow();
    void ShellTreeView1Change();
    // The list is about to open one of its items: refused, nothing runs.
    void ShellListView1ShExecute(const QString& path, bool& execute);
    void ShellListView1SelectItem();
    // Runs the checks when `result` is Accepted; false keeps the dialog open.
    bool FormClose(int result);

    // True when `text` may serve as a file-name suffix (its UTF-8 bytes).
    static bool IsFileName(const QString& text);

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showError(const QString& text, const QString& title);

    Platform* platform_ = nullptr;
    bool placed_ = false;
    bool shownBefore_ = false;
};
