#include "app/window_kit/general_error.h"

#include <new>
#include <stdexcept>

#include "app/window_kit/platform.h"
#include "app/window_kit/texts.h"

QString GeneralErrorText(const QString& message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.')) return message + QLatin1Char('.');
    return message;
}

QString CurrentExceptionMessage() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return QStringLiteral("Out of memory");
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

TApplication* TApplication::Instance() {
    return dynamic_cast<TApplication*>(QCoreApplication::instance());
}

void TApplication::ShowCurrentException() {
    const QString text = GeneralErrorText(CurrentExceptionMessage());
    if (platform_)
        platform_->ShowMessage(activeWindow(), text, texts::ApplicationTitle, MessageIcon::Error,
                               MessageButtons::Ok);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowCurrentException();
        return true;
    }
}
