// The record edit dialogs on the offscreen platform: the title and controls
// of each kind, the picture menu, and OK and CANCEL by clicks.
#include "kivo/records/record_edit_dialog.h"

#include <gtest/gtest.h>

#include <QCalendarWidget>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimeEdit>

#include "record_store_fixture.h"

// Records are described with designated initializers that name only the
// fields a test cares about; the others keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace kivo::records {
namespace {

namespace field = recordstore::record_field;
using RecordEditDialogTest = RecordStoreTest;

QPushButton* ButtonNamed(QWidget& dialog, const QString& text) {
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (button->text() == text)
            return button;
    }
    ADD_FAILURE() << "no button " << text.toStdString();
    return nullptr;
}

QString LabelText(QWidget& dialog, const char* name) {
    auto* label = dialog.findChild<QLabel*>(QString::fromLatin1(name));
    return label == nullptr ? QStringLiteral("<none>") : label->text();
}

QStringList MenuTexts(QMenu* menu) {
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << action->text();
    return texts;
}

TEST_F(RecordEditDialogTest, EachKindHasItsTitleAndFields) {
    struct Case {
        TestRecord record;
        const char* title;
        std::vector<const char*> fields;
        bool picture;
    };
    const Case cases[] = {
        {{.number = 1, .kind = "5"}, "Dictation Editor", {"subject", "keywords"}, false},
        {{.number = 2, .kind = "3", .text_a = "Bo", .text_b = "1.20"},
         "Phone Editor",
         {"name", "phoneNumber", "phoneCost", "keywords"},
         true},
        {{.number = 3, .kind = "1"},
         "Meeting Editor",
         {"subject", "meetingCost", "keywords"},
         true},
        {{.number = 4, .kind = "4", .text_a = "7/12/2026", .text_b = "09:30", .kind_number = "0"},
         "Diary Editor",
         {"diaryDay", "diaryTime", "subject", "keywords"},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        const std::string container = AddRecord(c.record);
        RecordEditDialog dialog(target(), reporter_);
        ASSERT_TRUE(dialog.Start(container));
        EXPECT_EQ(dialog.windowTitle(), QString::fromLatin1(c.title));
        for (const char* name : c.fields)
            EXPECT_NE(dialog.findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
        EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("picture")) != nullptr, c.picture);
        EXPECT_EQ(LabelText(dialog, "kivoId"), QString::asprintf("%08d", c.record.number));
        EXPECT_EQ(LabelText(dialog, "startTime"), QStringLiteral("07/12/2026 09:00:00"));
        EXPECT_EQ(LabelText(dialog, "endTime"), QStringLiteral("07/12/2026 09:00:05"));
        EXPECT_EQ(LabelText(dialog, "duration"), QStringLiteral("00:00:05"));
    }
}

TEST_F(RecordEditDialogTest, PictureMenuOffersRemoveOnlyWhileThereIsAPicture) {
    const std::string container = AddRecord({.number = 5, .kind = "2"});
    RecordEditDialog dialog(target(), reporter_);
    ASSERT_TRUE(dialog.Start(container));
    QPushButton* remove = ButtonNamed(dialog, QStringLiteral("Remo&ve Picture"));
    ASSERT_NE(remove, nullptr);
    EXPECT_FALSE(remove->isEnabled());
    EXPECT_EQ(MenuTexts(dialog.BuildPictureMenu().get()),
              QStringList{QStringLiteral("Add/Change Picture")});

    const QString jpeg = QString::fromStdString(dir_.file("face.jpg"));
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(jpeg, "JPG"));
    EXPECT_FALSE(dialog.AttachPicture(QString::fromStdString(dir_.file("none.jpg"))));
    ASSERT_TRUE(dialog.AttachPicture(jpeg));
    EXPECT_TRUE(remove->isEnabled());
    EXPECT_EQ(
        MenuTexts(dialog.BuildPictureMenu().get()),
        (QStringList{QStringLiteral("&Remove Picture"), QStringLiteral("Add/Change Picture")}));
    EXPECT_FALSE(dialog.findChild<QLabel*>(QStringLiteral("picture"))->pixmap().isNull());

    QTest::mouseClick(remove, Qt::LeftButton);
    EXPECT_FALSE(remove->isEnabled());
    EXPECT_FALSE(dialog.session().has_picture());
}

TEST_F(RecordEditDialogTest, OkSavesTheEditedSubjectAndKeywords) {
    const std::string container = AddRecord({.number = 6});
    RecordEditDialog dialog(target(), reporter_);
    ASSERT_TRUE(dialog.Start(container));
    auto* subject = dialog.findChild<QLineEdit*>(QStringLiteral("subject"));
    ASSERT_NE(subject, nullptr);
    EXPECT_EQ(subject->text(), QStringLiteral("first subject"));
    subject->setText(QStringLiteral("typed in the dialog"));
    QTest::mouseClick(ButtonNamed(dialog, QStringLiteral("&OK")), Qt::LeftButton);

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(dialog.saved());
    EXPECT_EQ(LineOf(StoredMember("Voxwren.xrr"), 6).FieldText(field::kSubject),
              "typed in the dialog");
    EXPECT_TRUE(reporter_.codes().empty());
    EXPECT_TRUE(LeftOverFiles(container).empty());
}

TEST_F(RecordEditDialogTest, CancelAsksInfo002AndNoKeepsTheStore) {
    const std::string container = AddRecord({.number = 7});
    const std::string before = StoreBytes();
    RecordEditDialog dialog(target(), reporter_);
    ASSERT_TRUE(dialog.Start(container));
    QTest::mouseClick(ButtonNamed(dialog, QStringLiteral("CA&NCEL")), Qt::LeftButton);

    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(reporter_.codes(), std::vector<int>{2});
    EXPECT_EQ(StoreBytes(), before);
    EXPECT_TRUE(LeftOverFiles(container).empty());
}

TEST_F(RecordEditDialogTest, DiaryControlsShowTheStoredEntryAndSaveTheChosenOnes) {
    const std::string container = AddRecord(
        {.number = 8, .kind = "4", .text_a = "7/12/2026", .text_b = "09:30", .kind_number = "2"});
    RecordEditDialog dialog(target(), reporter_);
    ASSERT_TRUE(dialog.Start(container));
    auto* calendar = dialog.findChild<QCalendarWidget*>(QStringLiteral("diaryDay"));
    auto* time = dialog.findChild<QTimeEdit*>(QStringLiteral("diaryTime"));
    ASSERT_NE(calendar, nullptr);
    ASSERT_NE(time, nullptr);
    EXPECT_EQ(calendar->selectedDate(), QDate(2026, 12, 7));
    EXPECT_EQ(time->time(), QTime(9, 30));
    EXPECT_EQ(time->displayFormat(), QStringLiteral("HH : mm"));
    QCheckBox* auto_reminder = nullptr;
    QCheckBox* nag_me = nullptr;
    for (QCheckBox* box : dialog.findChildren<QCheckBox*>()) {
        if (box->text() == QStringLiteral("&Auto Reminder"))
            auto_reminder = box;
        if (box->text() == QStringLiteral("Na&g Me"))
            nag_me = box;
    }
    ASSERT_NE(auto_reminder, nullptr);
    ASSERT_NE(nag_me, nullptr);
    EXPECT_TRUE(auto_reminder->isChecked());
    EXPECT_TRUE(nag_me->isChecked());

    calendar->setSelectedDate(QDate(2026, 3, 1));
    time->setTime(QTime(7, 45));
    auto_reminder->setChecked(false);
    QTest::mouseClick(ButtonNamed(dialog, QStringLiteral("&OK")), Qt::LeftButton);

    const recordstore::RecordLine line = LineOf(StoredMember("Voxwren.xrd"), 8);
    EXPECT_EQ(line.StoredField(field::kTextA), "1/3/2026");
    EXPECT_EQ(line.StoredField(field::kTextB), "07:45");
    EXPECT_EQ(line.StoredField(field::kKindNumber), "0");
}

TEST_F(RecordEditDialogTest, F1AndHelpAskForTheDialogsHelpPage) {
    const std::string container = AddRecord({.number = 9, .kind = "1"});
    RecordEditDialog dialog(target(), reporter_);
    ASSERT_TRUE(dialog.Start(container));
    QSignalSpy help(&dialog, &RecordEditDialog::helpRequested);
    QTest::keyClick(&dialog, Qt::Key_F1);
    QTest::mouseClick(ButtonNamed(dialog, QStringLiteral("&HELP")), Qt::LeftButton);
    ASSERT_EQ(help.count(), 2);
    EXPECT_EQ(help[0][0].toString(), QStringLiteral("meeting-editor.htm"));
    EXPECT_EQ(help[1][0].toString(), QStringLiteral("meeting-editor.htm"));
}

TEST_F(RecordEditDialogTest, ALockedRecordOpensNoDialog) {
    const std::string container = AddRecord({.number = 10, .lock = "Y"});
    RecordEditDialog dialog(target(), reporter_);
    EXPECT_FALSE(dialog.Start(container));
    EXPECT_EQ(reporter_.codes(), std::vector<int>{6});
}

}  // namespace
}  // namespace kivo::records
