#pragma once

// A fixture with the program's four windows on the scripted platform, the
// main window shown and active, and helpers that send real key, mouse and
// wheel events to the widgets.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPoint>
#include <QScrollArea>
#include <QString>
#include <QToolButton>
#include <memory>
#include <string>

#include "app/form1.h"
#include "app/startup.h"
#include "picture/dib.h"
#include "tests/app/scripted_platform.h"
#include "tests/support/test_support.h"

class QWidget;

// Readable failure messages for Qt texts.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the windows (called by SetUp; again after changing the
    // platform's screen colours).
    void CreateWindows();

    TForm1& form() { return windows_->Form1(); }
    TApplicationWindows& windows() { return *windows_; }

    // Keys go to the control that has the focus, as the platform sends them.
    void Key(int key, const QString& text = QString(),
             Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void Type(const QString& text);
    void Enter();

    void Click(QWidget* widget, QPoint at = QPoint(1, 1), Qt::MouseButton button = Qt::LeftButton);
    void Press(QWidget* widget, QPoint at, Qt::MouseButton button = Qt::LeftButton);
    void Move(QWidget* widget, QPoint at, Qt::MouseButtons buttons = Qt::LeftButton);
    void Release(QWidget* widget, QPoint at, Qt::MouseButton button = Qt::LeftButton);
    void DoubleClick(QWidget* widget, QPoint at);
    void Drag(QWidget* widget, QPoint from, QPoint to);
    void Wheel(QWidget* widget, int delta);

    // Opens `path` through the open button and the (scripted) dialog.
    void OpenThroughDialog(const std::string& path);
    // Drops files from a file manager on `target`: the drag enters, then drops.
    void DropFiles(QWidget* target, const QStringList& paths);

    QWidget* focus();
    int ScrollX();
    int ScrollY();

    ScriptedPlatform platform_;
    TempDir temp_;

private:
    std::unique_ptr<TApplicationWindows> windows_;
};

// A 24-bit picture of `width` x `height` whose pixels all differ in a
// simple pattern, written as a BMP file.
TDIB PatternPicture(int width, int height);
std::string WritePatternBmp(const TempDir& dir, const std::string& name, int width, int height);

// The picture a view shows, as 0xRRGGBB values.
QImage ShownPicture(const TForm1& form, bool scaled);
// A pixel buffer as a Qt image for comparisons.
QImage AsImage(const TDIB& dib);
