#include "app/startup.h"

#include <QApplication>
#include <QScreen>

#include "app/app_icon.h"
#include "app/form1.h"
#include "help/help_window.h"
#include "output/batch_destination_dialog.h"
#include "output/progress_window.h"

TApplicationWindows::TApplicationWindows(Platform& platform)
    : form1_(std::make_unique<TForm1>(platform)),
      form2_(std::make_unique<TForm2>()),
      form3_(std::make_unique<TForm3>(*form1_)),
      form4_(std::make_unique<TForm4>(&platform)) {
    QApplication::setWindowIcon(ApplicationIcon());
    form1_->Form2 = form2_.get();
    form1_->Form3 = form3_.get();
    form1_->Form4 = form4_.get();
}

TApplicationWindows::~TApplicationWindows() {
    form4_.reset();
    form3_.reset();
    form2_.reset();
    form1_.reset();
}

void TApplicationWindows::ShowMainWindow() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        form1_->move(area.center() - form1_->rect().center());
    }
    form1_->show();
}

void TApplicationWindows::OpenFromCommandLine(const QStringList& paths) {
    if (paths.isEmpty()) return;
    TForm1* form = form1_.get();
    QMetaObject::invokeMethod(
        form, [form, paths] { form->Guarded([&] { form->WMDropFiles(paths); }); },
        Qt::QueuedConnection);
}
