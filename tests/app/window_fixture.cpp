#include "tests/app/window_fixture.h"

#include <QApplication>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QUrl>
#include <QWheelEvent>

#include "app/window_kit/general_error.h"
#include "app/window_kit/image_view.h"
#include "app/window_kit/picture_conversion.h"
#include "tests/support/picture_builders.h"

void WindowTest::SetUp() {
    CreateWindows();
}

void WindowTest::CreateWindows() {
    windows_.reset();
    if (auto* app = TApplication::Instance()) app->SetPlatform(&platform_);
    windows_ = std::make_unique<TApplicationWindows>(platform_);
    windows_->ShowMainWindow();
    form().activateWindow();
    QApplication::setActiveWindow(&form());
    QCoreApplication::processEvents();
    platform_.ClearRecords();
}

void WindowTest::TearDown() {
    windows_.reset();
    if (auto* app = TApplication::Instance()) app->SetPlatform(nullptr);
}

QWidget* WindowTest::focus() {
    return form().focusWidget();
}

void WindowTest::Key(int key, const QString& text, Qt::KeyboardModifiers modifiers) {
    QWidget* target = focus() ? focus() : &form();
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &press);
    target = focus() ? focus() : &form();
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(target, &release);
}

void WindowTest::Type(const QString& text) {
    for (const QChar c : text) {
        int key = c.toUpper().unicode();
        if (c == QLatin1Char('.')) key = Qt::Key_Period;
        const Qt::KeyboardModifiers mods = c.isUpper() ? Qt::ShiftModifier : Qt::NoModifier;
        Key(key, QString(c), mods);
    }
}

void WindowTest::Enter() {
    Key(Qt::Key_Return, QStringLiteral("\r"));
}

namespace {

void sendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

}  // namespace

void WindowTest::Press(QWidget* widget, QPoint at, Qt::MouseButton button) {
    sendMouse(widget, QEvent::MouseButtonPress, at, button, button);
}

void WindowTest::Move(QWidget* widget, QPoint at, Qt::MouseButtons buttons) {
    sendMouse(widget, QEvent::MouseMove, at, Qt::NoButton, buttons);
}

void WindowTest::Release(QWidget* widget, QPoint at, Qt::MouseButton button) {
    sendMouse(widget, QEvent::MouseButtonRelease, at, button, Qt::NoButton);
}

void WindowTest::Click(QWidget* widget, QPoint at, Qt::MouseButton button) {
    Press(widget, at, button);
    Release(widget, at, button);
}

void WindowTest::DoubleClick(QWidget* widget, QPoint at) {
    Click(widget, at);
    sendMouse(widget, QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
    Release(widget, at);
}

void WindowTest::Drag(QWidget* widget, QPoint from, QPoint to) {
    Press(widget, from);
    Move(widget, (from + to) / 2);
    Move(widget, to);
    Release(widget, to);
}

void WindowTest::Wheel(QWidget* widget, int delta) {
    const QPoint at(5, 5);
    QWheelEvent event(QPointF(at), QPointF(widget->mapToGlobal(at)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

void WindowTest::OpenThroughDialog(const std::string& path) {
    platform_.OpenAnswers.push_back({QString::fromStdString(path)});
    Click(form().ToolButton1);
}

void WindowTest::DropFiles(QWidget* target, const QStringList& paths) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

int WindowTest::ScrollX() {
    return form().ScrollBox1->horizontalScrollBar()->value();
}
int WindowTest::ScrollY() {
    return form().ScrollBox1->verticalScrollBar()->value();
}

TDIB PatternPicture(int width, int height) {
    return MakePicture24(width, height, [](int x, int y) {
        const int red = (x * 11 + y * 13) & 0xFF, green = (y * 5 + 3 * x) & 0xFF,
                  blue = (x * 7 + y) & 0xFF;
        return red | green << 8 | blue << 16;
    });
}

std::string WritePatternBmp(const TempDir& dir, const std::string& name, int width, int height) {
    const std::string path = dir.file(name);
    PatternPicture(width, height).SaveToFile(path);
    return path;
}

QImage ShownPicture(const TForm1& form, bool scaled) {
    return (scaled ? form.Image2 : form.Image1)->Rendered();
}

QImage AsImage(const TDIB& dib) {
    return ImageFromDIB(dib);
}
