#pragma once

// The application's general error box: whatever escapes a command handler
// is shown with the application title, an error icon and OK, and the
// program goes on with the state the handler left.

#include <QApplication>
#include <QString>
#include <exception>

class Platform;
class QWidget;

// The text shown for an error message: "." is added unless the message is
// empty or already ends in "." or a character that sorts below it.
QString GeneralErrorText(const QString& message);

// The message of whatever is being handled (call inside a catch block).
QString CurrentExceptionMessage();

// The application object. Its notify() is the last place that catches what
// a handler let escape.
class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The platform that shows the box (the main window's).
    void SetPlatform(Platform* platform) { platform_ = platform; }
    Platform* GetPlatform() const { return platform_; }

    // Shows the general error box for the exception being handled.
    void ShowCurrentException();

    static TApplication* Instance();

private:
    Platform* platform_ = nullptr;
};
