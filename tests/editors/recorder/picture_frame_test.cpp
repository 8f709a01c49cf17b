// The picture frame the editors' dialogs share: what it shows for a picture,
// an unreadable file and none, and its buttons and menu.
#include "kivo/recorder/picture_frame.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>

#include "temp_dir.h"

namespace kivo::recorder {
namespace {

QStringList Texts(QMenu& menu) {
    QStringList texts;
    for (QAction* action : menu.actions())
        texts << action->text();
    return texts;
}

TEST(PictureFrameTest, ShowsThePictureAnUnreadableFileOrNone) {
    test::TempDir dir;
    const QString jpeg = QString::fromStdString(dir.file("face.jpg"));
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::blue);
    ASSERT_TRUE(image.save(jpeg, "JPG"));
    bool has_picture = false;
    PictureFrame frame(QStringLiteral("Insert &Picture"), [&] { return has_picture; });
    EXPECT_EQ(frame.frame()->objectName(), QStringLiteral("picture"));
    EXPECT_EQ(frame.frame()->text(), QStringLiteral("No picture"));
    EXPECT_FALSE(frame.remove_button()->isEnabled());

    frame.Show(jpeg);
    EXPECT_FALSE(frame.frame()->pixmap().isNull());
    EXPECT_LE(frame.frame()->pixmap().width(), frame.frame()->width());  // scaled into the frame
    EXPECT_TRUE(frame.remove_button()->isEnabled());

    // A stored picture the program cannot draw is still there to remove.
    frame.Show(QString::fromStdString(dir.file("missing.jpg")));
    EXPECT_TRUE(frame.frame()->pixmap().isNull());
    EXPECT_EQ(frame.frame()->text(), QStringLiteral("Picture"));
    EXPECT_TRUE(frame.remove_button()->isEnabled());

    frame.Show(QString());
    EXPECT_TRUE(frame.frame()->pixmap().isNull());
    EXPECT_FALSE(frame.remove_button()->isEnabled());
}

TEST(PictureFrameTest, MenuAndButtonsAskTheDialog) {
    bool has_picture = false;
    PictureFrame frame(QStringLiteral("Insert Pic&ture"), [&] { return has_picture; });
    QSignalSpy inserts(&frame, &PictureFrame::insertRequested);
    QSignalSpy removals(&frame, &PictureFrame::removeRequested);
    EXPECT_EQ(frame.insert_button()->text(), QStringLiteral("Insert Pic&ture"));

    EXPECT_EQ(Texts(*frame.BuildMenu()), QStringList{QStringLiteral("Add/Change Picture")});
    has_picture = true;
    auto menu = frame.BuildMenu();
    ASSERT_EQ(Texts(*menu), (QStringList{QStringLiteral("&Remove Picture"),
                                         QStringLiteral("Add/Change Picture")}));
    menu->actions().at(0)->trigger();
    menu->actions().at(1)->trigger();
    frame.insert_button()->click();
    EXPECT_EQ(removals.count(), 1);
    EXPECT_EQ(inserts.count(), 2);

    // While the dialog cannot take a picture, neither way offers one.
    frame.SetInsertEnabled(false);
    EXPECT_FALSE(frame.insert_button()->isEnabled());
    EXPECT_FALSE(frame.BuildMenu()->actions().back()->isEnabled());
}

}  // namespace
}  // namespace kivo::recorder
