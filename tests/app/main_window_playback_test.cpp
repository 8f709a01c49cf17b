// Play in the main window: a record saved by the record store library into
// the open store, selected in the list, opens "Kivo Internal Message Player"
// on that record (through the Play command and through Enter), which plays
// its wave on the virtual sound card (test_main.cpp points KIVO_AUDIO_OUT at
// a file) and closes; New in the player closes it and opens the Dictation
// Recorder; closing the window asks before audio inserted in the player is
// dropped; File > New and File > Open close the player first, asking before
// its changed marks are dropped, so it never writes into a store it was not
// opened on.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <functional>
#include <memory>
#include <set>

#include "app_fixture.h"
#include "file_bytes.h"
#include "kivo/core/user_messages.h"
#include "kivo/hotkeys/hot_key_grabber.h"
#include "kivo/playback/playback_dialog.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/wavefile/wave_reader.h"
#include "kivo/wavefile/wave_writer.h"
#include "main_window.h"
#include "temp_dir.h"
#include "xrsave.h"
#include "zn2xrrps.h"

namespace kivo::app {
namespace {

using Bytes = std::vector<std::uint8_t>;
const wavefile::PcmFormat kMono8k{1, 8000, 16};

bool WaitUntil(const std::function<bool()>& done, int timeout_ms = 20000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeout_ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// What the virtual speaker has played so far in this process.
Bytes PlayedSoFar() {
    wavefile::WaveData wave;
    const std::string path = qEnvironmentVariable("KIVO_AUDIO_OUT").toStdString();
    if (path.empty() || !wavefile::ReadWaveFile(path, &wave).ok())
        return {};
    return wave.samples;
}

class MainWindowPlaybackTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(qEnvironmentVariable("KIVO_AUDIO"), QStringLiteral("virtual"));
        window_ =
            std::make_unique<MainWindow>(home_.resources(), home_.places(), &reporter_, &chooser_);
        ASSERT_TRUE(window_->Start());
    }
    // Saves record `number` with a 1.5 s wave the way the recorders do.
    Bytes SaveRecord(int number) {
        const core::DataStoreSession& store = window_->session().store();
        const std::string working = store.working_folder().string();
        const std::string base = "D" + std::to_string(number);
        Bytes wave(12000 * 2);
        for (std::size_t i = 0; i < wave.size(); ++i)
            wave[i] = static_cast<std::uint8_t>(i * 7 % 251);
        EXPECT_TRUE(wavefile::WritePcmWave(working + "/" + base + ".xrw", kMono8k, wave).ok());
        const std::vector<recordstore::IndexMark> marks = {
            recordstore::MakeIndexMark("00:00:01", "one")};
        EXPECT_TRUE(recordstore::WriteIndexMarkFile(working + "/" + base + ".xrs", marks).ok());
        recordstore::RecordFields fields;
        fields.record_number = number;
        fields.kind_code = recordstore::kind_code::kMessage;
        fields.text_a = "0";
        fields.subject = "Played from the list";
        fields.container_name = base + ".xrz";
        fields.start_date = fields.end_date = "03/04/2025";
        fields.start_time = "09:00";
        fields.end_time = "09:01";
        fields.duration = "00:00:01";
        const recordstore::RecordLineBuild line = recordstore::RecordLine::Build(fields);
        EXPECT_TRUE(line.status.ok());
        std::ofstream(working + "/" + base + ".xrl", std::ios::binary) << line.bytes;
        EXPECT_GT(XRsaveR((base + ".xrw").c_str(), (base + ".xrl").c_str(), (base + ".xrs").c_str(),
                          "", working.c_str(), store.store_path().string().c_str(),
                          std::to_string(number).c_str(), 0),
                  0);
        window_->ShowKind(core::ViewKind::kDictation);
        return wave;
    }
    playback::PlaybackDialog* OpenPlayer() {
        return window_->findChild<playback::PlaybackDialog*>();
    }
    void CloseAndForget(QPointer<playback::PlaybackDialog> dialog, bool ok) {
        ok ? dialog->accept() : dialog->reject();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(dialog.isNull());
    }

    // A member of a store, as stored; empty when it has none.
    static std::string StoredMember(const std::filesystem::path& store, const std::string& name) {
        test::TempDir scratch;
        const char* names[] = {name.c_str()};
        if (RPS_Get(store.c_str(), scratch.path().c_str(), names, 1) != nullptr)
            return {};
        return test::ReadFileText(scratch.file(name));
    }
    // Double-clicks the first record of the list, which opens the player.
    playback::PlaybackDialog* DoubleClickFirstRecord() {
        QTableView* view = window_->record_view();
        view->selectRow(0);
        const QPoint centre = view->visualRect(window_->records().index(0, 1)).center();
        // A double-click is a press, a release and the double-click itself.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, centre);
        return OpenPlayer();
    }

    test::AppHome home_;
    core::RecordingMessageReporter reporter_{core::kAnswerNo};
    test::ScriptedChooser chooser_;
    std::unique_ptr<MainWindow> window_;
};

// A stand-in for the desktop's key grabs: the keys held at any moment.
class HeldKeys : public hotkeys::HotKeyGrabber {
public:
    explicit HeldKeys(std::shared_ptr<std::set<int>> held) : held_(std::move(held)) {}
    bool grab(int id, hotkeys::HotKey) override { return held_->insert(id).second; }
    void ungrab(int id) override { held_->erase(id); }
    bool isGlobal() const override { return true; }

private:
    std::shared_ptr<std::set<int>> held_;
};

TEST_F(MainWindowPlaybackTest, HotKeysAreHeldOnlyWhileThePlayerIsOpen) {
    auto held = std::make_shared<std::set<int>>();
    window_->SetHotKeyGrabberFactory([held](QObject*) { return std::make_unique<HeldKeys>(held); });
    SaveRecord(5);
    window_->show();
    window_->record_view()->selectRow(0);
    EXPECT_TRUE(held->empty());

    window_->commands().Trigger(Command::kPlay);
    QPointer<playback::PlaybackDialog> player = OpenPlayer();
    ASSERT_FALSE(player.isNull());
    EXPECT_EQ(*held, (std::set<int>{10310, 10311, 10312, 10313, 10314, 10315}));

    CloseAndForget(player, false);
    EXPECT_TRUE(held->empty());

    // The next player takes them again, and gives them back as it closes.
    window_->commands().Trigger(Command::kPlay);
    player = OpenPlayer();
    ASSERT_FALSE(player.isNull());
    EXPECT_EQ(held->size(), 6u);
    CloseAndForget(player, true);
    EXPECT_TRUE(held->empty());
}

TEST_F(MainWindowPlaybackTest, PlayAndEnterOpenThePlayerOnTheSelectedRecordWhichPlaysIt) {
    const Bytes wave = SaveRecord(77);
    ASSERT_EQ(window_->records().rowCount(), 1);
    window_->show();
    window_->record_view()->selectRow(0);
    QAction* play = window_->commands().action(Command::kPlay);
    ASSERT_TRUE(play->isEnabled());

    const Bytes before = PlayedSoFar();
    play->trigger();
    QPointer<playback::PlaybackDialog> dialog = OpenPlayer();
    ASSERT_FALSE(dialog.isNull());
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Kivo Internal Message Player"));
    playback::PlaybackSession& session = dialog->session();
    EXPECT_EQ(session.item().record_number, 77);
    EXPECT_EQ(session.subject(), QStringLiteral("Played from the list"));
    EXPECT_EQ(session.marks().size(), 1u);
    EXPECT_TRUE(session.is_playing());
    ASSERT_TRUE(WaitUntil([&] { return !session.is_playing(); }));
    const Bytes after = PlayedSoFar();
    ASSERT_EQ(after.size(), before.size() + wave.size());
    EXPECT_TRUE(Bytes(after.begin() + static_cast<std::ptrdiff_t>(before.size()), after.end()) ==
                wave);
    CloseAndForget(dialog, /*ok=*/false);

    // Enter in the list does the same.
    window_->record_view()->setFocus();
    window_->record_view()->selectRow(0);
    QTest::keyClick(window_->record_view(), Qt::Key_Return);
    dialog = OpenPlayer();
    ASSERT_FALSE(dialog.isNull());
    EXPECT_EQ(dialog->session().item().record_number, 77);
    CloseAndForget(dialog, /*ok=*/true);
    EXPECT_TRUE(reporter_.reports().empty());
}

TEST_F(MainWindowPlaybackTest, NewInThePlayerOpensTheRecorderOnceThePlayerHasClosed) {
    SaveRecord(78);
    window_->show();
    window_->record_view()->selectRow(0);
    window_->commands().action(Command::kPlay)->trigger();
    QPointer<playback::PlaybackDialog> dialog = OpenPlayer();
    ASSERT_FALSE(dialog.isNull());

    // The recorder runs modally: note it, whether the player was still
    // there, and close it.
    QString recorder_title;
    bool player_still_open = true;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (modal == nullptr || !recorder_title.isEmpty())
            return;
        recorder_title = modal->windowTitle();
        player_still_open = !dialog.isNull() && dialog->isVisible();
        modal->reject();
    });
    poll.start();
    dialog->findChild<QPushButton*>(QStringLiteral("newButton"))->click();
    ASSERT_TRUE(WaitUntil([&] { return !recorder_title.isEmpty(); }));
    EXPECT_EQ(recorder_title, QStringLiteral("Dictation Recorder"));
    EXPECT_FALSE(player_still_open);
}

TEST_F(MainWindowPlaybackTest, ClosingTheWindowAsksAboutAudioInsertedInThePlayer) {
    SaveRecord(79);
    window_->show();
    window_->record_view()->selectRow(0);
    window_->commands().action(Command::kPlay)->trigger();
    QPointer<playback::PlaybackDialog> dialog = OpenPlayer();
    ASSERT_FALSE(dialog.isNull());
    playback::PlaybackSession& session = dialog->session();
    ASSERT_TRUE(WaitUntil([&] { return !session.is_playing(); }));
    ASSERT_TRUE(session.StartInsert());
    ASSERT_TRUE(WaitUntil([&] { return session.length_ms() > 1600; }));

    window_->close();  // answered No: the inserted audio is dropped
    EXPECT_EQ(reporter_.codes(), std::vector<int>{1});
    EXPECT_FALSE(window_->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull());
}

TEST_F(MainWindowPlaybackTest, NewDataStoreClosesThePlayerSoTheFirstStoresRecordingStaysWhole) {
    SaveRecord(80);
    const std::filesystem::path first = window_->session().store().store_path();
    const std::string container = StoredMember(first, "D80.xrz");
    ASSERT_FALSE(container.empty());
    window_->show();
    QPointer<playback::PlaybackDialog> dialog = DoubleClickFirstRecord();
    ASSERT_FALSE(dialog.isNull());
    ASSERT_TRUE(WaitUntil([&] { return !dialog->session().is_playing(); }));
    dialog->session().AddMark("a mark the player would save on OK");

    chooser_.new_answers.push_back(home_.user_folder() / "Second.xrt");
    ASSERT_TRUE(window_->commands().Trigger(Command::kNewDataStore));
    EXPECT_EQ(window_->session().store().location().name, "Second");
    const bool player_left_open = !dialog.isNull() && dialog->isVisible();
    EXPECT_FALSE(player_left_open);
    if (player_left_open)
        dialog->accept();  // the user's OK in the player
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    const std::string after = StoredMember(first, "D80.xrz");
    EXPECT_TRUE(after == container)
        << "the container went from " << container.size() << " to " << after.size() << " bytes";
    EXPECT_EQ(StoredMember(window_->session().store().store_path(), "D80.xrz"), "");
    // The added mark was not dropped without asking; answered No.
    EXPECT_EQ(reporter_.codes(), std::vector<int>{1});
}

TEST_F(MainWindowPlaybackTest, NewDataStoreAsksAboutThePlayersMarksAndYesSavesThemInItsOwnStore) {
    SaveRecord(82);
    const std::filesystem::path first = window_->session().store().store_path();
    window_->show();
    QPointer<playback::PlaybackDialog> dialog = DoubleClickFirstRecord();
    ASSERT_FALSE(dialog.isNull());
    ASSERT_TRUE(WaitUntil([&] { return !dialog->session().is_playing(); }));
    dialog->session().AddMark("KeptAcrossTheSwitch");

    reporter_.set_answer(core::kAnswerYes);
    chooser_.new_answers.push_back(home_.user_folder() / "Third.xrt");
    ASSERT_TRUE(window_->commands().Trigger(Command::kNewDataStore));
    EXPECT_EQ(reporter_.codes(), std::vector<int>{1});
    EXPECT_EQ(window_->session().store().location().name, "Third");
    EXPECT_TRUE(dialog.isNull() || !dialog->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // The mark is in the first store's container, not in the new store.
    test::TempDir scratch;
    const std::string container = StoredMember(first, "D82.xrz");
    ASSERT_FALSE(container.empty());
    { std::ofstream(scratch.file("D82.xrz"), std::ios::binary) << container; }
    const std::string marks = StoredMember(scratch.file("D82.xrz"), "D82.xrs");
    EXPECT_NE(marks.find("KeptAcrossTheSwitch"), std::string::npos) << marks;
    EXPECT_EQ(StoredMember(window_->session().store().store_path(), "D82.xrz"), "");
}

TEST_F(MainWindowPlaybackTest, OpenDataStoreFirstLetsThePlayerSaveInsertedAudioIntoItsOwnStore) {
    SaveRecord(81);
    const std::filesystem::path first = window_->session().store().store_path();
    const std::string container = StoredMember(first, "D81.xrz");
    // Another store to switch to, made and closed beforehand.
    chooser_.new_answers.push_back(home_.user_folder() / "Other.xrt");
    ASSERT_TRUE(window_->session().NewStore());
    chooser_.open_answers.push_back(first);
    ASSERT_TRUE(window_->session().OpenStore());
    window_->ShowKind(core::ViewKind::kDictation);

    window_->show();
    QPointer<playback::PlaybackDialog> dialog = DoubleClickFirstRecord();
    ASSERT_FALSE(dialog.isNull());
    playback::PlaybackSession& session = dialog->session();
    ASSERT_TRUE(WaitUntil([&] { return !session.is_playing(); }));
    ASSERT_TRUE(session.StartInsert());
    ASSERT_TRUE(WaitUntil([&] { return session.length_ms() > 1600; }));

    reporter_.set_answer(core::kAnswerYes);  // save the recording? Yes
    chooser_.open_answers.push_back(home_.user_folder() / "Other.xrt");
    ASSERT_TRUE(window_->commands().Trigger(Command::kOpenDataStore));
    EXPECT_EQ(reporter_.codes(), std::vector<int>{1});
    EXPECT_EQ(window_->session().store().location().name, "Other");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull());

    const std::string saved = StoredMember(first, "D81.xrz");
    EXPECT_FALSE(saved.empty());
    EXPECT_GT(saved.size(), container.size());  // the inserted audio went into its own store
    EXPECT_EQ(StoredMember(window_->session().store().store_path(), "D81.xrz"), "");
}

}  // namespace
}  // namespace kivo::app
