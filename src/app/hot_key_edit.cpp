// The hot-key field.
#include "hot_key_edit.h"

#include <QKeyEvent>

#include "kivo/core/hot_keys.h"

namespace kivo::app {

HotKeyEdit::HotKeyEdit(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    setContextMenuPolicy(Qt::NoContextMenu);
}

void HotKeyEdit::set_value(std::uint32_t packed) {
    value_ = core::RequireCtrl(packed);
    setText(QString::fromStdString(core::DescribeHotKey(core::WithoutExtendedFlag(value_))));
}

std::optional<std::uint32_t> HotKeyEdit::ValueOfKeyPress(int qt_key,
                                                         Qt::KeyboardModifiers modifiers) {
    switch (qt_key) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_Meta:
        case Qt::Key_AltGr:
        case Qt::Key_unknown:
            return std::nullopt;
        default:
            break;
    }
    const auto virtual_key = core::VirtualKeyFromQtKey(qt_key);
    if (!virtual_key)
        return std::nullopt;
    std::uint32_t flags = 0;
    if (modifiers & Qt::ShiftModifier)
        flags |= core::kHotKeyShift;
    if (modifiers & Qt::ControlModifier)
        flags |= core::kHotKeyCtrl;
    if (modifiers & Qt::AltModifier)
        flags |= core::kHotKeyAlt;
    return core::RequireCtrl(core::PackHotKey(*virtual_key, flags));
}

bool HotKeyEdit::LeftToTheDialog(int qt_key, Qt::KeyboardModifiers modifiers) {
    if ((qt_key == Qt::Key_Tab || qt_key == Qt::Key_Backtab) && !(modifiers & Qt::ControlModifier))
        return true;
    // Enter saves, Esc cancels and F1 opens the help, as in any dialog.
    return modifiers == Qt::NoModifier && (qt_key == Qt::Key_Escape || qt_key == Qt::Key_Return ||
                                           qt_key == Qt::Key_Enter || qt_key == Qt::Key_F1);
}

bool HotKeyEdit::event(QEvent* event) {
    // Combinations that are shortcuts elsewhere are hot keys like any other:
    // they must reach keyPressEvent. The dialog's own keys stay its own.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (LeftToTheDialog(key->key(), key->modifiers()))
            return QLineEdit::event(event);
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void HotKeyEdit::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (LeftToTheDialog(key, event->modifiers())) {
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
            QLineEdit::keyPressEvent(event);
        else
            event->ignore();
        return;
    }
    if (const auto packed = ValueOfKeyPress(key, event->modifiers())) {
        set_value(*packed);
        emit valueChanged(value_);
    }
    event->accept();
}

}  // namespace kivo::app
