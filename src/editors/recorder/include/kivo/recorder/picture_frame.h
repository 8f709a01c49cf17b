// PictureFrame: a record's picture in the editors' dialogs: a frame that
// shows it scaled (or "No picture"), "Insert Picture" and "Remove Picture"
// beside it, and the frame's context menu ("&Remove Picture" while there is a
// picture, "Add/Change Picture"). The frame keeps no picture of its own: the
// dialog says what to show and hears of the user's choices through
// insertRequested and removeRequested.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

class QLabel;
class QMenu;
class QPushButton;

namespace kivo::recorder {

inline constexpr const char* kRemovePictureText = "&Remove Picture";
inline constexpr const char* kAddPictureText = "Add/Change Picture";
// The frame's object name, by which tests and screenshots find it.
inline constexpr const char* kPictureFrameName = "picture";

class PictureFrame : public QWidget {
    Q_OBJECT
public:
    // insert_text: the insert button's text, with a mnemonic free in the
    // dialog. has_picture: whether the record has a picture now (the menu
    // offers to remove it then).
    PictureFrame(const QString& insert_text, std::function<bool()> has_picture,
                 QWidget* parent = nullptr);

    // Draws the picture file scaled into the frame and enables "Remove
    // Picture"; an empty path shows "No picture" and disables it. A file that
    // cannot be drawn shows as "Picture".
    void Show(const QString& path);
    // "Insert Picture" and the menu's "Add/Change Picture".
    void SetInsertEnabled(bool enabled);

    // The context menu as it would show now.
    std::unique_ptr<QMenu> BuildMenu();

    // Asks the user for a GIF or JPEG file; empty when none was chosen.
    static QString ChooseFile(QWidget* parent);

    QLabel* frame() const { return frame_; }
    QPushButton* insert_button() const { return insert_; }
    QPushButton* remove_button() const { return remove_; }

signals:
    void insertRequested();
    void removeRequested();

private:
    std::function<bool()> has_picture_;
    QLabel* frame_ = nullptr;
    QPushButton* insert_ = nullptr;
    QPushButton* remove_ = nullptr;
};

}  // namespace kivo::recorder
