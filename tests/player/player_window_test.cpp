// The player window as a view: F1 opens the help section of the control
// with the focus, the Help menu opens its two topics, the effects panel's
// level bars follow the values in use, the speed spin speeds up while held,
// and a video plays in the picture frame.
#include <gtest/gtest.h>

#include <map>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

#include "effect_controls.h"
#include "kivo/audio/effect_settings.h"
#include "kivo/recorder/video_frame_view.h"
#include "kivo/sound/virtual_audio_backend.h"
#include "player_help.h"
#include "player_session.h"
#include "player_test_recording.h"
#include "player_window.h"

namespace kivo::test {
namespace {

using player::PlayerSession;
using player::PlayerWindow;

class PlayerWindowTest : public ::testing::Test {
protected:
    sound::VirtualAudioBackend backend_{
        {QString(), QString(), sound::VirtualAudioBackend::Clock::kFast, 20}};
    PlayerTestFiles files_;
    PlayerSession session_{backend_};
    PlayerWindow window_{session_};
    QStringList topics_;

    void SetUp() override {
        window_.SetHelpOpener([this](const QString& topic) { topics_ << topic; });
        window_.show();
        QApplication::setActiveWindow(&window_);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    }

    template <typename Widget>
    Widget* Find(const char* name) {
        auto* widget = window_.findChild<Widget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    // F1 with the focus on `control`: the topic it opened.
    QString F1On(QWidget* control) {
        control->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
        topics_.clear();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
        return topics_.isEmpty() ? QString() : topics_.last();
    }
    QAction* MenuAction(const QString& text) {
        for (QAction* action : window_.menuBar()->findChildren<QAction*>()) {
            if (action->text() == text)
                return action;
        }
        ADD_FAILURE() << "no menu item " << text.toStdString();
        return nullptr;
    }
    void OpenAudio() {
        window_.OpenFile(
            QString::fromStdString(files_.MakeRecording("Message.xrz", RecordingRecipe{})), true);
        ASSERT_TRUE(session_.can_play());
    }
};

TEST_F(PlayerWindowTest, F1OpensTheHelpSectionOfTheFocusedControl) {
    OpenAudio();
    EXPECT_EQ(F1On(Find<QPushButton>("start")), QStringLiteral("166.htm#start"));
    EXPECT_EQ(F1On(Find<QWidget>("playFrom")), QStringLiteral("166.htm#play-from"));
    EXPECT_EQ(F1On(Find<QTreeWidget>("marks")), QStringLiteral("166.htm#marks"));
    EXPECT_EQ(F1On(Find<QWidget>("fileName")), QStringLiteral("166.htm#file"));
    Find<QPushButton>("effects")->click();
    EXPECT_EQ(F1On(Find<QSpinBox>("speed")), QStringLiteral("166.htm#speed"));
    EXPECT_EQ(F1On(Find<QAbstractButton>("echoOn")), QStringLiteral("166.htm#effects"));
    // A control without a section of its own: the contents.
    EXPECT_EQ(PlayerWindow::ContextHelpTopic(nullptr), QStringLiteral("166.htm"));
}

TEST_F(PlayerWindowTest, HelpMenuOpensTheContentsAndTheRecordingFilesPage) {
    MenuAction(QStringLiteral("Kivo Message Player &Help"))->trigger();
    MenuAction(QStringLiteral("Kivo Recording &Files"))->trigger();
    EXPECT_EQ(topics_, (QStringList{QStringLiteral("166.htm"), QStringLiteral("900.htm")}));
}

TEST_F(PlayerWindowTest, EveryHelpTopicAndSectionExists) {
    const QString source = QStringLiteral(KIVO_SOURCE_HELP_DIR);
    const QString contents = player::HelpPagePath(QString::fromLatin1(player::kHelpContentsTopic),
                                                  QStringLiteral("/nonexistent"), source);
    ASSERT_TRUE(QFileInfo::exists(contents)) << contents.toStdString();
    EXPECT_TRUE(
        QFileInfo::exists(player::HelpPagePath(QString::fromLatin1(player::kRecordingFilesTopic),
                                               QStringLiteral("/nonexistent"), source)));
    QFile page(contents);
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    Find<QPushButton>("effects")->setEnabled(true);
    for (QWidget* control : window_.findChildren<QWidget*>()) {
        const QString topic = PlayerWindow::ContextHelpTopic(control);
        const QString section = topic.section(QLatin1Char('#'), 1);
        if (section.isEmpty())
            continue;
        EXPECT_TRUE(html.contains(QStringLiteral("id=\"%1\"").arg(section)))
            << control->objectName().toStdString() << " -> " << topic.toStdString();
    }
}

TEST_F(PlayerWindowTest, LevelBarsShowTheEffectValuesInUse) {
    OpenAudio();
    Find<QPushButton>("effects")->click();
    ASSERT_TRUE(session_.effects_mode());
    auto* echo_on = Find<QAbstractButton>("echoOn");
    auto* echo = Find<QSlider>("echoSlider");
    auto* echo_level = Find<QProgressBar>("echoLevel");
    EXPECT_EQ(echo_level->minimum(), 0);
    EXPECT_EQ(echo_level->maximum(), 15);
    echo_on->click();
    echo->setValue(-7);
    EXPECT_EQ(echo_level->value(), 7);
    EXPECT_EQ(session_.effects()[audio::kEffectEcho].value, 7);

    auto* equalizer_on = Find<QAbstractButton>("equalizerOn");
    auto* equalizer = Find<QSlider>("equalizerSlider");
    auto* equalizer_level = Find<QProgressBar>("equalizerLevel");
    EXPECT_EQ(equalizer_level->minimum(), -8);
    equalizer_on->click();
    equalizer->setValue(5);
    EXPECT_EQ(equalizer_level->value(), -5);

    auto* speed = Find<QSpinBox>("speed");
    auto* speed_level = Find<QProgressBar>("speedLevel");
    speed->setValue(125);
    EXPECT_EQ(speed_level->value(), 50);  // half way through 50..200
    speed->setValue(200);
    EXPECT_EQ(speed_level->value(), 100);
    EXPECT_EQ(session_.effects()[audio::kEffectSpeed].value, 200);
}

TEST_F(PlayerWindowTest, EffectsPanelWidensTheWindowAndNarrowsItBack) {
    OpenAudio();
    auto* marks = Find<QTreeWidget>("marks");
    QApplication::processEvents();
    const int window_width = window_.width();
    const int marks_width = marks->width();
    auto* effects = Find<QPushButton>("effects");
    effects->click();
    QApplication::processEvents();
    EXPECT_TRUE(Find<QWidget>("effectsPanel")->isVisible());
    EXPECT_GT(window_.width(), window_width);
    EXPECT_GE(marks->width(), marks_width);  // the marks keep their room
    effects->click();
    QApplication::processEvents();
    EXPECT_FALSE(session_.effects_mode());
    EXPECT_EQ(window_.width(), window_width);
}

TEST_F(PlayerWindowTest, HoldingTheSpeedArrowMakesTheStepsGrow) {
    OpenAudio();
    Find<QPushButton>("effects")->click();
    auto* speed = Find<QSpinBox>("speed");
    speed->setValue(50);
    // Auto-repeat every 100 ms for a little over two seconds.
    QElapsedTimer held;
    held.start();
    int last_step = 0;
    while (held.elapsed() < 2200) {
        const int before = speed->value();
        speed->stepUp();
        last_step = speed->value() - before;
        if (held.elapsed() < 1900) {
            EXPECT_EQ(last_step, 1) << "at " << held.elapsed() << " ms";
        }
        QTest::qWait(100);
    }
    EXPECT_EQ(last_step, 10);
    EXPECT_EQ(session_.effects()[audio::kEffectSpeed].value, speed->value());
}

TEST_F(PlayerWindowTest, StoredEffectsFillTheLevelBarsOnOpening) {
    RecordingRecipe recipe;
    recipe.effect_fields = {"80", "12", "", "", "", "", "", "", "", ""};
    window_.OpenFile(QString::fromStdString(files_.MakeRecording("Stored.xrz", recipe)), true);
    EXPECT_EQ(Find<QProgressBar>("echoLevel")->value(), 12);
    EXPECT_EQ(Find<QProgressBar>("speedLevel")->value(), (80 - 50) * 100 / 150);
}

TEST_F(PlayerWindowTest, TheWindowShowsSubjectRecordingTimeAndLength) {
    EXPECT_TRUE(Find<QLabel>("subjectText")->text().isEmpty());
    OpenAudio();
    EXPECT_EQ(Find<QLabel>("subjectText")->text(), QStringLiteral("Message for Ann"));
    EXPECT_EQ(Find<QLabel>("recordedText")->text(), QStringLiteral("01/02/2024 10:00:00"));
    EXPECT_EQ(Find<QLabel>("lengthText")->text(), QStringLiteral("00:00:03"));
    // With KVMP_WINDOW_SCREENSHOT set to a file name, the window with its
    // effects panel open is saved there (run under xvfb-run for the docs).
    const QByteArray screenshot = qgetenv("KVMP_WINDOW_SCREENSHOT");
    if (!screenshot.isEmpty()) {
        Find<QPushButton>("effects")->click();
        QApplication::processEvents();
        EXPECT_TRUE(window_.grab().save(QString::fromLocal8Bit(screenshot)));
        Find<QPushButton>("effects")->click();
    }
    // A file that does not open leaves nothing of the last one.
    window_.OpenFile(QString::fromStdString(files_.out_file("Missing.xrz")), true);
    EXPECT_TRUE(Find<QLabel>("subjectText")->text().isEmpty());
    EXPECT_TRUE(Find<QLabel>("lengthText")->text().isEmpty());
}

TEST_F(PlayerWindowTest, EveryControlHasItsOwnAltLetterAndTheLettersWork) {
    std::map<QKeySequence, QStringList> owners;
    for (const QAction* menu : window_.menuBar()->actions())
        owners[QKeySequence::mnemonic(menu->text())] << menu->text();
    for (const QAbstractButton* button : window_.findChildren<QAbstractButton*>()) {
        if (button->parent() == window_.findChild<QToolBar*>() || button->text().isEmpty())
            continue;  // the toolbar's buttons are also its menus' items
        const QKeySequence letter = QKeySequence::mnemonic(button->text());
        EXPECT_FALSE(letter.isEmpty()) << "button \"" << button->text().toStdString() << "\"";
        owners[letter] << button->text();
    }
    for (const QLabel* label : window_.findChildren<QLabel*>()) {
        const QKeySequence letter = QKeySequence::mnemonic(label->text());
        if (letter.isEmpty())
            continue;
        EXPECT_NE(label->buddy(), nullptr) << label->text().toStdString();
        owners[letter] << label->text();
    }
    for (const auto& [letter, texts] : owners) {
        EXPECT_EQ(texts.size(), 1)
            << letter.toString().toStdString() << " on " << texts.join(", ").toStdString();
    }

    OpenAudio();
    // A button's letter clicks it a moment later, as a mouse would.
    QSignalSpy started(Find<QPushButton>("start"), &QPushButton::clicked);
    QTest::keyClick(&window_, Qt::Key_S, Qt::AltModifier);
    EXPECT_TRUE(started.wait(2000));
    QTest::keyClick(&window_, Qt::Key_C, Qt::AltModifier);
    EXPECT_TRUE(WaitUntil([this] { return Find<QPushButton>("effects")->isChecked(); }));
    QTest::keyClick(&window_, Qt::Key_M, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), Find<QLineEdit>("playFrom"));
}

TEST_F(PlayerWindowTest, StartAfterTheEndPlaysFromTheBeginningNotFromTheLastMark) {
    RecordingRecipe recipe;
    recipe.marks = {recordstore::MakeIndexMark("00:00:02", "late")};
    window_.OpenFile(QString::fromStdString(files_.MakeRecording("Marked.xrz", recipe)), true);
    auto* marks = Find<QTreeWidget>("marks");
    ASSERT_EQ(marks->topLevelItemCount(), 1);
    emit marks->itemDoubleClicked(marks->topLevelItem(0), 0);
    ASSERT_TRUE(session_.is_playing());
    ASSERT_TRUE(WaitUntil([this] { return !session_.is_playing(); }));
    EXPECT_EQ(Find<QLineEdit>("playFrom")->text(), QStringLiteral("00:00:00"));

    std::vector<qint64> started_at_ms;
    QObject::connect(&session_, &PlayerSession::stateChanged, [&] {
        if (session_.is_playing())
            started_at_ms.push_back(session_.position_ms());
    });
    Find<QPushButton>("start")->click();
    ASSERT_FALSE(started_at_ms.empty());
    EXPECT_LT(started_at_ms.front(), 1000);
}

TEST_F(PlayerWindowTest, EffectSlidersStartAtNoEffectOnTheLeftAsInKivo) {
    OpenAudio();
    Find<QPushButton>("effects")->click();
    for (const char* name : {"echoSlider", "chorusSlider", "reverbSlider"}) {
        auto* slider = Find<QSlider>(name);
        const int left_offset =
            QStyle::sliderPositionFromValue(slider->minimum(), slider->maximum(), slider->value(),
                                            100, slider->invertedAppearance());
        EXPECT_EQ(left_offset, 0) << name;
    }
    // Moving right adds the effect.
    Find<QAbstractButton>("echoOn")->click();
    auto* echo = Find<QSlider>("echoSlider");
    echo->setFocus();
    QTest::keyClick(echo, Qt::Key_Right);
    EXPECT_GT(session_.effects()[audio::kEffectEcho].value, 0);
}

TEST_F(PlayerWindowTest, TheSpeedBarReadsOneHundredPercentAtNormalSpeed) {
    OpenAudio();
    Find<QPushButton>("effects")->click();
    auto* speed_level = Find<QProgressBar>("speedLevel");
    EXPECT_EQ(speed_level->text(), QStringLiteral("100 %"));
    Find<QSpinBox>("speed")->setValue(150);
    EXPECT_EQ(speed_level->text(), QStringLiteral("150 %"));
}

TEST_F(PlayerWindowTest, VideoPlaysInThePictureFrameWithoutSoundEffects) {
    RecordingRecipe recipe;
    recipe.marks = {recordstore::MakeIndexMark("00:00:01", "one")};
    const std::string path = files_.MakeVideoRecording("Video.xrv", recipe);
    ASSERT_FALSE(path.empty());
    window_.OpenFile(QString::fromStdString(path), true);
    auto* video = Find<recorder::VideoFrameView>("video");
    EXPECT_TRUE(video->isVisible());
    EXPECT_EQ(video->parentWidget(), Find<QWidget>("picture"));
    ASSERT_TRUE(WaitUntil([this] { return session_.can_play(); }));
    auto* start = Find<QPushButton>("start");
    EXPECT_TRUE(start->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("effects")->isEnabled());
    EXPECT_EQ(Find<QTreeWidget>("marks")->topLevelItemCount(), 1);
    start->click();
    EXPECT_TRUE(session_.is_playing());
    EXPECT_TRUE(Find<QPushButton>("pause")->isEnabled());
    Find<QPushButton>("stop")->click();
    EXPECT_FALSE(session_.is_playing());

    // An audio recording afterwards shows no video.
    OpenAudio();
    EXPECT_FALSE(video->isVisible());
}

TEST_F(PlayerWindowTest, APlayingVideoDrawsItsPictureInTheFrameNotABlackBox) {
    const std::string path = files_.MakeVideoRecording("Picture.xrv", RecordingRecipe{});
    ASSERT_FALSE(path.empty());
    window_.OpenFile(QString::fromStdString(path), true);
    ASSERT_TRUE(WaitUntil([this] { return session_.can_play(); }));
    auto* video = Find<recorder::VideoFrameView>("video");
    Find<QPushButton>("start")->click();
    ASSERT_TRUE(WaitUntil([video] { return !video->picture().isNull(); }));
    // The test picture's colour bars fill the frame's middle row.
    const QImage shown = video->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int lit = 0;
    for (int x = 0; x < shown.width(); ++x)
        if (qGray(shown.pixel(x, shown.height() / 2)) > 32)
            ++lit;
    EXPECT_GT(lit, shown.width() / 2);
    Find<QPushButton>("stop")->click();
}

TEST(SpinAcceleration, SpeedLevelCoversTheUsableRange) {
    EXPECT_EQ(player::SpeedLevelPercent(50), 0);
    EXPECT_EQ(player::SpeedLevelPercent(125), 50);
    EXPECT_EQ(player::SpeedLevelPercent(200), 100);
    EXPECT_EQ(player::SpeedLevelPercent(49), 0);  // below the usable range: clamped
    EXPECT_EQ(player::LevelRangeOfEffect(audio::kEffectChorus).maximum, 34);
    EXPECT_EQ(player::LevelRangeOfEffect(audio::kEffectSpeed).maximum, 100);
}

}  // namespace
}  // namespace kivo::test
