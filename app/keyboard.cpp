// The key layers of the main window. The window sees every key before its
// controls (an application event filter, TForm1::eventFilter), in this
// order: the dialog keys (arrows scroll the view), the key-down commands
// (F1, Ctrl+C, Ctrl+V, which never take the key), the mnemonic letters of
// the captions (F, P, Z), and the character commands with the size-field
// filter. A Qt key event carries both the key and the character it types.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QToolButton>
#include <optional>

#include "app/form1.h"
#include "app/window_kit/speed_button.h"
#include "app/window_kit/track_bar.h"

namespace {

constexpr int kArrowScrollStep = 8;

// The character a key types, as the character layer sees it: Enter is a
// carriage return, Ctrl+letter a control character, Tab and Delete none.
std::optional<char16_t> typedCharacter(const QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return u'\r';
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Delete:
            return std::nullopt;
        default:
            break;
    }
    const QString text = event->text();
    if (text.size() != 1) return std::nullopt;
    char16_t c = text.at(0).unicode();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier) && c >= u'@' && c <= u'z') {
        // Some platforms report the letter itself for Ctrl+letter.
        c = static_cast<char16_t>((c & 0x1F));
    }
    return c;
}

bool isExactlyCtrl(const QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    return mods == Qt::ControlModifier && QApplication::mouseButtons() == Qt::NoButton;
}

// Controls that use the arrow keys themselves.
bool usesArrows(const QWidget* widget) {
    return qobject_cast<const QLineEdit*>(widget) != nullptr ||
           qobject_cast<const QSlider*>(widget) != nullptr;
}

}  // namespace

bool TForm1::HandleKeyPress(QWidget* target, QKeyEvent* event) {
    if (CMDialogKey(event)) return true;
    FormKeyDown(event);

    const std::optional<char16_t> character = typedCharacter(event);
    // A key whose control lost the focus to a command is that command's.
    const auto keyGoesOn = [&] { return focusWidget() == target || focusWidget() == nullptr; };
    if (!character) return !keyGoesOn();

    const bool alt = (event->modifiers() & Qt::AltModifier) != 0;
    const QWidget* focus = focusWidget();
    const bool takesCharacters = focus == Edit1 || focus == Edit2;
    if ((!takesCharacters || alt) && MnemonicKey(QChar(*character))) return true;
    // With Alt held a key types no character.
    if (alt) return true;
    if (FormKeyPress(*character) == 0) return true;
    return !keyGoesOn();
}

bool TForm1::CMDialogKey(QKeyEvent* event) {
    const int key = event->key();
    if (key != Qt::Key_Left && key != Qt::Key_Right && key != Qt::Key_Up && key != Qt::Key_Down)
        return false;
    if (usesArrows(focusWidget())) return false;
    QScrollBar* bar = (key == Qt::Key_Left || key == Qt::Key_Right)
                          ? ScrollBox1->horizontalScrollBar()
                          : ScrollBox1->verticalScrollBar();
    const int step =
        (key == Qt::Key_Left || key == Qt::Key_Up) ? -kArrowScrollStep : kArrowScrollStep;
    bar->setValue(bar->value() + step);
    return true;
}

void TForm1::FormKeyDown(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_F1) {
        ToolButton14Click();
        return;
    }
    if (key == Qt::Key_C && isExactlyCtrl(event)) {
        if (ToolButton5->isChecked()) Copy0Click();
        if (ToolButton6->isChecked()) Copy1Click();
        return;
    }
    if (key == Qt::Key_V && isExactlyCtrl(event)) {
        if (ToolButton6->isChecked()) {
            platform_.Beep();
        } else {
            FocusView();
            Paste1Click();
        }
    }
}

bool TForm1::MnemonicKey(QChar character) {
    switch (character.toUpper().unicode()) {
        case u'F':
            CheckBox1->setFocus(Qt::ShortcutFocusReason);
            CheckBox1->click();
            return true;
        case u'P':
            SpeedButton1->click();
            return true;
        case u'Z':
            CheckBox2->setFocus(Qt::ShortcutFocusReason);
            CheckBox2->click();
            return true;
        default:
            return false;
    }
}

char16_t TForm1::FormKeyPress(char16_t character) {
    QWidget* remembered = focusWidget();
    const auto focusBack = [remembered] {
        // Like any focus move to a text field, it selects the field's text.
        if (remembered) remembered->setFocus(Qt::ShortcutFocusReason);
    };

    switch (character) {
        case u'\r':
            if (ToolButton10->isEnabled()) {
                ToolButton10Click();
                focusBack();
            }
            break;
        case u'O':
        case u'o':
            if (ToolButton1->isEnabled()) {
                ToolButton1Click();
                focusBack();
            }
            break;
        case u'S':
        case u's':
            if (ToolButton2->isEnabled()) {
                ToolButton2Click();
                focusBack();
            }
            break;
        case u',':
        case u'<':
            if (ToolButton5->isEnabled()) {
                ToolButton5Click();
                focusBack();
            }
            break;
        case u'.':
        case u'>':
            if (ToolButton6->isEnabled()) {
                ToolButton6Click();
                focusBack();
            }
            break;
        case u'R':
        case u'r':
            if (ToolButton22->isEnabled()) {
                ToolButton22Click();
                focusBack();
            }
            break;
        case u'M':
        case u'm':
            if (ToolButton12->isEnabled()) ToolButton12Click();
            break;
        case u'H':
        case u'h':
            Edit1->setFocus(Qt::ShortcutFocusReason);
            break;
        case u'V':
        case u'v':
            Edit2->setFocus(Qt::ShortcutFocusReason);
            break;
        case u'B':
        case u'b':
            TrackBar2->setFocus(Qt::ShortcutFocusReason);
            break;
        case u'C':
        case u'c':
            TrackBar1->setFocus(Qt::ShortcutFocusReason);
            break;
        case u'W':
        case u'w':
            FocusView();
            break;
        default:
            break;
    }

    // The size fields take digits (at most four unless some text is
    // selected) and Backspace, nothing else.
    if (remembered == Edit1 || remembered == Edit2) {
        const auto* field = static_cast<const QLineEdit*>(remembered);
        if (character == u'\b') return character;
        if (character >= u'0' && character <= u'9')
            return (field->text().size() >= 4 && !field->hasSelectedText()) ? 0 : character;
        return 0;
    }
    return character;
}
