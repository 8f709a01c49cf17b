// HotKeyEdit: a field that takes one key combination for a playback hot key.
//
// The user presses the combination; the field shows it ("Ctrl+Down"). Every
// hot key includes Ctrl: a combination without a modifier, or with only Shift,
// Alt or Shift+Alt, gets Ctrl in place of those modifiers, so an Alt+letter
// is a hot key here and never moves the focus: the field's label carries no
// Alt letter. Tab and Shift+Tab without Ctrl move the focus; Enter, Esc and
// F1 alone do what they do in the dialog.
#pragma once

#include <QLineEdit>

#include <cstdint>
#include <optional>

namespace kivo::app {

class HotKeyEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit HotKeyEdit(QWidget* parent = nullptr);

    // The packed value (virtual key in bits 0-7, modifiers in bits 8-15).
    std::uint32_t value() const { return value_; }
    void set_value(std::uint32_t packed);

    // The packed value of a key press; nothing for a lone modifier or a key
    // without a counterpart.
    static std::optional<std::uint32_t> ValueOfKeyPress(int qt_key,
                                                        Qt::KeyboardModifiers modifiers);

    // Keys the field leaves to the dialog: Tab and Shift+Tab without Ctrl,
    // Enter, Esc and F1 without modifiers.
    static bool LeftToTheDialog(int qt_key, Qt::KeyboardModifiers modifiers);

signals:
    void valueChanged(std::uint32_t packed);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    std::uint32_t value_ = 0;
};

}  // namespace kivo::app
