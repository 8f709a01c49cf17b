// Every window of the program is usable by keyboard: within one dialog (or
// one menu) no two controls share an Alt+letter, and a label that underlines
// a letter hands the focus to a control (its buddy). Each dialog is built on
// the offscreen platform as the program builds it and its widgets are walked.
#include <gtest/gtest.h>

#include <algorithm>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <map>
#include <optional>
#include <vector>

#include "app_fixture.h"
#include "audio_import_dialog.h"
#include "compaction_dialog.h"
#include "export_options_dialog.h"
#include "file_bytes.h"
#include "help_window.h"
#include "hot_key_edit.h"
#include "hot_keys_dialog.h"
#include "incoming_call_dialog.h"
#include "kivo/core/hot_keys.h"
#include "kivo/diary/diary_recorder_dialog.h"
#include "kivo/dictation/dictation_recorder_dialog.h"
#include "kivo/meeting/agendas_dialog.h"
#include "kivo/meeting/meeting_recorder_dialog.h"
#include "kivo/playback/playback_dialog.h"
#include "kivo/recorder/templates_dialog.h"
#include "kivo/records/record_edit_dialog.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/searching/search_dialog.h"
#include "kivo/sound/audio_backend_factory.h"
#include "kivo/translator/text_to_speech_dialog.h"
#include "kivo/translator/translator_dialog.h"
#include "kivo/video/video_recorder_dialog.h"
#include "line_selection_dialog.h"
#include "line_tester_dialog.h"
#include "main_window.h"
#include "options_dialog.h"
#include "phone_book_dialog.h"
#include "phone_book_entry_dialog.h"
#include "phone_cost_dialog.h"
#include "phone_line.h"
#include "phone_recorder_dialog.h"
#include "play_over_line_dialog.h"
#include "recording_compressor_dialog.h"
#include "store_import_dialog.h"
#include "xrsave.h"

namespace kivo::app {
namespace {

// The letter after a single '&' ("&&" is a literal ampersand), lower-cased.
std::optional<QChar> MnemonicOf(const QString& text) {
    for (qsizetype at = 0; at + 1 < text.size(); ++at) {
        if (text[at] != QLatin1Char('&'))
            continue;
        if (text[at + 1] == QLatin1Char('&')) {
            ++at;
            continue;
        }
        return text[at + 1].toLower();
    }
    return std::nullopt;
}

// What is wrong with the keyboard access of one window: clashes and labels
// whose letter leads nowhere, one line each; empty when all is well.
class MnemonicAudit {
public:
    void Add(const QString& text, const QString& kind) {
        if (const std::optional<QChar> letter = MnemonicOf(text))
            owners_[*letter].push_back(kind + QStringLiteral(" \"") + text + QLatin1Char('"'));
    }
    void AddWidgets(const QWidget* root) {
        for (const QWidget* widget : root->findChildren<QWidget*>()) {
            if (auto* button = qobject_cast<const QAbstractButton*>(widget)) {
                Add(button->text(), QStringLiteral("button"));
                // A shortcut set on the button takes the place of its letter.
                if (MnemonicOf(button->text()) &&
                    button->shortcut() != QKeySequence::mnemonic(button->text()))
                    faults_.push_back(QStringLiteral("button \"%1\" answers %2, not its letter")
                                          .arg(button->text(), button->shortcut().toString()));
            } else if (auto* label = qobject_cast<const QLabel*>(widget)) {
                Add(label->text(), QStringLiteral("label"));
                if (MnemonicOf(label->text()) && label->buddy() == nullptr)
                    faults_.push_back(
                        QStringLiteral("label \"%1\" has no buddy").arg(label->text()));
                // Alt+letter gives the buddy the focus: a box that holds the
                // field must hand it on, or the letter does nothing.
                const QWidget* buddy = label->buddy();
                if (MnemonicOf(label->text()) && buddy != nullptr &&
                    buddy->focusPolicy() == Qt::NoFocus && buddy->focusProxy() == nullptr)
                    faults_.push_back(
                        QStringLiteral("label \"%1\" leads to a box that takes no focus")
                            .arg(label->text()));
            } else if (auto* group = qobject_cast<const QGroupBox*>(widget)) {
                Add(group->title(), QStringLiteral("group"));
            } else if (auto* tabs = qobject_cast<const QTabBar*>(widget)) {
                for (int tab = 0; tab < tabs->count(); ++tab)
                    Add(tabs->tabText(tab), QStringLiteral("tab"));
            }
        }
    }
    void AddMenu(const QMenu* menu) {
        for (const QAction* action : menu->actions()) {
            if (!action->isSeparator())
                Add(action->text(), QStringLiteral("menu item"));
        }
    }
    // A field the user types into is reached by an Alt+letter: some marked
    // label has it as its buddy (fields inside spin and combo boxes go with
    // their box, which is the buddy).
    void AddTextFields(const QWidget* root) {
        std::vector<const QWidget*> buddies;
        for (const QLabel* label : root->findChildren<QLabel*>()) {
            if (MnemonicOf(label->text()) && label->buddy() != nullptr)
                buddies.push_back(label->buddy());
        }
        auto reached = [&buddies](const QWidget* field) {
            for (const QWidget* at = field; at != nullptr; at = at->parentWidget()) {
                if (std::find(buddies.begin(), buddies.end(), at) != buddies.end())
                    return true;
            }
            return false;
        };
        for (const QWidget* widget : root->findChildren<QWidget*>()) {
            const auto* line = qobject_cast<const QLineEdit*>(widget);
            const auto* text = qobject_cast<const QPlainTextEdit*>(widget);
            const bool typed = (line != nullptr && !line->isReadOnly()) ||
                               (text != nullptr && !text->isReadOnly());
            if (typed && !reached(widget))
                faults_.push_back(QStringLiteral("text field \"%1\" has no Alt letter")
                                      .arg(widget->objectName().isEmpty() ? widget->accessibleName()
                                                                          : widget->objectName()));
        }
    }
    std::vector<QString> Faults() const {
        std::vector<QString> faults = faults_;
        for (const auto& [letter, owners] : owners_) {
            if (owners.size() > 1)
                faults.push_back(QStringLiteral("Alt+%1 on %2").arg(letter, owners.join(", ")));
        }
        return faults;
    }

private:
    std::map<QChar, QStringList> owners_;
    std::vector<QString> faults_;
};

std::string Report(const QString& window, const std::vector<QString>& faults) {
    QString text = window + QLatin1Char(':');
    for (const QString& fault : faults)
        text += QStringLiteral("\n  ") + fault;
    return text.toStdString();
}

void ExpectUniqueMnemonics(const QString& window, const QWidget* root) {
    MnemonicAudit audit;
    audit.AddWidgets(root);
    audit.AddTextFields(root);
    const std::vector<QString> faults = audit.Faults();
    EXPECT_TRUE(faults.empty()) << Report(window, faults);
}

// Every push button is pressed by an Alt+letter, except those Enter, Esc and
// F1 already press (OK, Cancel, Close, Help).
void ExpectEveryButtonLettered(const QString& window, const QWidget* root) {
    const QStringList by_other_keys = {QStringLiteral("OK"), QStringLiteral("Cancel"),
                                       QStringLiteral("Close"), QStringLiteral("Help")};
    for (const QPushButton* button : root->findChildren<QPushButton*>()) {
        if (!by_other_keys.contains(button->text())) {
            EXPECT_TRUE(MnemonicOf(button->text()).has_value())
                << window.toStdString() << ": button \"" << button->text().toStdString()
                << "\" has no Alt letter";
        }
    }
}

// The widgets Tab reaches, in order, starting at `first` (once round).
std::vector<const QWidget*> TabChain(const QWidget* first) {
    std::vector<const QWidget*> chain;
    const QWidget* at = first;
    do {
        if ((at->focusPolicy() & Qt::TabFocus) && at->isEnabled() && !at->isHidden())
            chain.push_back(at);
        at = at->nextInFocusChain();
    } while (at != first && chain.size() < 64);
    return chain;
}

// The dialog's push button with exactly this text.
const QPushButton* ButtonNamed(const QWidget* root, const char* text) {
    for (const QPushButton* button : root->findChildren<QPushButton*>()) {
        if (button->text() == QString::fromLatin1(text))
            return button;
    }
    return nullptr;
}

class DialogMnemonicsTest : public testing::Test {
protected:
    void SetUp() override {
        window_ =
            std::make_unique<MainWindow>(home_.resources(), home_.places(), &reporter_, &chooser_);
        ASSERT_TRUE(window_->Start());
    }
    core::DataStoreSession& store() { return window_->session().store(); }

    // Saves a record of the kind into the open store as a recorder would.
    std::string SaveRecord(int number, const std::string& kind_code) {
        const std::filesystem::path working = store().working_folder();
        const std::string stamp = "20261208" + std::to_string(number);
        const std::string base = "D" + stamp;
        test::WriteFileText((working / (base + ".xrw")).string(), "sound");
        test::WriteFileText((working / (base + ".xrs")).string(), "");
        recordstore::RecordFields fields;
        fields.record_number = number;
        fields.kind_code = kind_code;
        fields.subject = "subject";
        fields.container_name = base + ".xrz";
        fields.start_date = fields.end_date = "08/12/2026";
        fields.start_time = "10:00:00";
        fields.end_time = "10:30:00";
        fields.duration = "00:30:00";
        test::WriteFileText((working / (base + ".xrl")).string(),
                            recordstore::RecordLine::Build(fields).bytes);
        const std::string store_path = store().store_path().string();
        EXPECT_GT(XRsaveM((base + ".xrw").c_str(), (base + ".xrl").c_str(), (base + ".xrs").c_str(),
                          "", working.c_str(), store_path.c_str(), stamp.c_str(), 0),
                  0);
        return base + ".xrz";
    }

    test::AppHome home_;
    core::RecordingMessageReporter reporter_{core::kAnswerNo};
    test::ScriptedChooser chooser_;
    std::unique_ptr<MainWindow> window_;
};

TEST(MnemonicAudit, FindsAClashAndAMarkedLabelWithoutABuddy) {
    QWidget window;
    new QPushButton(QStringLiteral("&One"), &window);
    new QCheckBox(QStringLiteral("&other"), &window);
    new QPushButton(QStringLiteral("Save && &Close"), &window);
    auto* bare = new QLabel(QStringLiteral("&Name"), &window);
    MnemonicAudit audit;
    audit.AddWidgets(&window);
    std::vector<QString> faults = audit.Faults();
    ASSERT_EQ(faults.size(), 2u);
    EXPECT_EQ(faults[0], "label \"&Name\" has no buddy");
    EXPECT_TRUE(faults[1].startsWith("Alt+o on ")) << faults[1].toStdString();

    bare->setBuddy(new QLineEdit(&window));
    MnemonicAudit fixed;
    fixed.AddWidgets(&window);
    faults = fixed.Faults();
    EXPECT_EQ(faults.size(), 1u);
}

// The hot-key fields take every combination, an Alt+letter too (it becomes
// Ctrl+letter), so a letter on their labels would change a key instead of
// moving. They are reached by Tab in the order shown, then the buttons; each
// label still names its field (its buddy).
TEST(CaptureFieldsByKeyboard, HotKeyFieldsAreReachedByTabInOrderAndTheirLabelsHaveNoAltLetter) {
    HotKeysDialog dialog{core::HotKeyTable()};
    std::vector<const QWidget*> expected;
    for (int position = 0; position < core::kHotKeyCount; ++position)
        expected.push_back(dialog.edit(position));
    for (const char* text : {"&Save", "&Cancel", "&Help"})
        expected.push_back(ButtonNamed(&dialog, text));
    EXPECT_EQ(TabChain(dialog.edit(0)), expected);

    for (int position = 0; position < core::kHotKeyCount; ++position) {
        const QLabel* named_by = nullptr;
        for (const QLabel* label : dialog.findChildren<QLabel*>()) {
            if (label->buddy() == dialog.edit(position))
                named_by = label;
        }
        ASSERT_NE(named_by, nullptr) << position;
        EXPECT_FALSE(MnemonicOf(named_by->text()).has_value()) << named_by->text().toStdString();
    }
}

TEST_F(DialogMnemonicsTest, EveryDialogHasUniqueMnemonicsAndEveryMarkedLabelABuddy) {
    dictation::DictationRecorderDialog recorder(sound::SharedAudioBackend(), {}, reporter_);
    ExpectUniqueMnemonics(QStringLiteral("Dictation Recorder"), &recorder);

    meeting::MeetingRecorderDialog meeting(sound::SharedAudioBackend(), {}, reporter_);
    ExpectUniqueMnemonics(QStringLiteral("Meeting Recorder"), &meeting);
    diary::DiaryRecorderDialog diary(sound::SharedAudioBackend(), {}, reporter_, nullptr);
    ExpectUniqueMnemonics(QStringLiteral("Diary Recorder"), &diary);
    translator::TranslatorDialog translation(sound::SharedAudioBackend(), {}, reporter_);
    ExpectUniqueMnemonics(QStringLiteral("Translator"), &translation);
    translator::TextToSpeechDialog speech(sound::SharedAudioBackend(), {}, reporter_);
    ExpectUniqueMnemonics(QStringLiteral("Text to speech"), &speech);

    const std::pair<const char*, const char*> kinds[] = {{"Dictation Editor", "0"},
                                                         {"Meeting Editor", "1"},
                                                         {"Phone Editor", "2"},
                                                         {"Diary Editor", "4"}};
    int number = 1;
    for (const auto& [title, code] : kinds) {
        records::RecordEditDialog editor(store(), reporter_);
        ASSERT_TRUE(editor.Start(SaveRecord(number++, code))) << title;
        ExpectUniqueMnemonics(QString::fromLatin1(title), &editor);
    }

    playback::PlaybackSession player(sound::SharedAudioBackend(), store());
    playback::PlaybackDialog playback(player);
    playback.SetEffectsPanelVisible(true);
    ExpectUniqueMnemonics(QString::fromLatin1(playback::kPlaybackDialogTitle), &playback);

    OptionsDialog options{OptionsSettings{}};
    ExpectUniqueMnemonics(QString::fromLatin1(kOptionsTitle), &options);
    core::HotKeyTable table;
    HotKeysDialog hot_keys(table);
    ExpectUniqueMnemonics(QString::fromLatin1(kHotKeysTitle), &hot_keys);
    CompactionDialog compaction(store(), QIcon());
    ExpectUniqueMnemonics(QStringLiteral("Compaction"), &compaction);
    HelpWindow help(QString::fromLatin1(KIVO_SOURCE_SHARE_DIR "/help"));
    ExpectUniqueMnemonics(QStringLiteral("Help"), &help);
    ExportOptionsDialog send_options(ExportOptionsDialog::Purpose::kSend, false, true);
    ExpectUniqueMnemonics(QStringLiteral("Send email Options"), &send_options);
    for (const QCheckBox* choice : send_options.findChildren<QCheckBox*>())
        EXPECT_TRUE(MnemonicOf(choice->text()).has_value()) << choice->text().toStdString();
    searching::SearchDialog search(window_->session(), reporter_, {});
    ExpectUniqueMnemonics(QString::fromLatin1(searching::kSearchDialogTitle), &search);
}

// Tools > Meeting Agendas... and Tools > Templates...: the list, each field
// and each button has its own Alt letter; Tab goes from the list through the
// fields to the buttons; New (Alt+N) leaves the focus in the first field.
TEST_F(DialogMnemonicsTest, TheAgendasAndTemplatesEditorsAreWalkedByLettersAndTab) {
    meeting::AgendasDialog agendas(meeting::OpenStoredAgendas(store()), reporter_);
    ExpectUniqueMnemonics(QStringLiteral("Meeting Agendas"), &agendas);
    ExpectEveryButtonLettered(QStringLiteral("Meeting Agendas"), &agendas);
    recorder::TemplatesDialog templates(recorder::OpenStoredTemplates(store()), reporter_);
    ExpectUniqueMnemonics(QStringLiteral("Templates"), &templates);
    ExpectEveryButtonLettered(QStringLiteral("Templates"), &templates);

    const auto lettered_label_of = [](const QWidget* dialog, const QWidget* field) {
        for (const QLabel* label : dialog->findChildren<QLabel*>()) {
            if (label->buddy() == field && MnemonicOf(label->text()))
                return true;
        }
        return false;
    };
    EXPECT_TRUE(lettered_label_of(&agendas, agendas.entry_list()));
    EXPECT_TRUE(lettered_label_of(&templates, templates.entry_list()));

    const auto buttons = [](const QWidget* dialog, const char* action) {
        std::vector<const QWidget*> order;
        for (const char* text : {"&New", "&Save", action, "&Close", "&Help"})
            order.push_back(ButtonNamed(dialog, text));  // Delete: nothing chosen yet
        return order;
    };
    std::vector<const QWidget*> expected = {agendas.entry_list(), agendas.title_edit(),
                                            agendas.items_edit()};
    for (const QWidget* button : buttons(&agendas, "&Record Meeting"))
        expected.push_back(button);
    agendas.save_button()->setEnabled(true);  // as after typing
    EXPECT_EQ(TabChain(agendas.entry_list()), expected);
    expected = {templates.entry_list(), templates.name_edit(), templates.subject_edit(),
                templates.comments_edit()};
    for (const QWidget* button : buttons(&templates, "New &Recording"))
        expected.push_back(button);
    templates.save_button()->setEnabled(true);
    EXPECT_EQ(TabChain(templates.entry_list()), expected);
    // Tab leaves the comments (one per line, no Tab in them).
    EXPECT_TRUE(templates.comments_edit()->tabChangesFocus());

    templates.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&templates));
    templates.entry_list()->setFocus();
    QTest::keyClick(templates.entry_list(), Qt::Key_N, Qt::AltModifier);
    // The button clicks once its press is shown.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return QApplication::focusWidget() == templates.name_edit(); }, 2000));

    // Closing with typing unsaved asks; Alt+D discards it and the window closes.
    QTest::keyClicks(templates.name_edit(), "Minutes");
    bool asked = false;
    QTimer::singleShot(0, &templates, [&] {
        auto* question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(question, nullptr);
        asked = true;
        ExpectEveryButtonLettered(QStringLiteral("Save the changes?"), question);
        question->activateWindow();  // the offscreen platform does not on its own
        EXPECT_TRUE(
            QTest::qWaitFor([question] { return QApplication::activeWindow() == question; }, 2000));
        QTest::keyClick(question, Qt::Key_D, Qt::AltModifier);
        // Should the letter do nothing, Esc ends the question (and the test fails).
        if (!QTest::qWaitFor([question] { return !question->isVisible(); }, 2000))
            question->reject();
    });
    templates.reject();
    EXPECT_TRUE(asked);
    EXPECT_FALSE(templates.isVisible());
    EXPECT_EQ(templates.entry_list()->count(), 0);
}

TEST_F(DialogMnemonicsTest, TheMenuBarAndEachMenuHaveUniqueMnemonicsOnEveryItem) {
    MnemonicAudit bar;
    for (QAction* action : window_->menuBar()->actions()) {
        bar.Add(action->text(), QStringLiteral("menu"));
        std::vector<const QMenu*> menus{action->menu()};
        while (!menus.empty()) {
            const QMenu* menu = menus.back();
            menus.pop_back();
            MnemonicAudit items;
            items.AddMenu(menu);
            EXPECT_TRUE(items.Faults().empty()) << Report(menu->title(), items.Faults());
            for (const QAction* item : menu->actions()) {
                if (item->menu() != nullptr)
                    menus.push_back(item->menu());
                // An open menu is walked by its letters, as the Action menu.
                if (!item->isSeparator()) {
                    EXPECT_TRUE(MnemonicOf(item->text()).has_value())
                        << menu->title().toStdString() << " > " << item->text().toStdString();
                }
            }
        }
    }
    EXPECT_TRUE(bar.Faults().empty()) << Report(QStringLiteral("menu bar"), bar.Faults());
}

TEST_F(DialogMnemonicsTest, TheRecordsActionMenuHasUniqueMnemonics) {
    test::WriteWorkingLog(store().working_folder(), "Voxwren.xrr",
                          {test::Dictation(1, "Quarterly figures", "01/02/2024", "00:01:00")});
    window_->ShowKind(core::ViewKind::kDictation);
    ASSERT_EQ(window_->records().rowCount(), 1);
    window_->record_view()->selectRow(0);
    const std::unique_ptr<QMenu> menu = window_->BuildContextMenu();
    ASSERT_NE(menu, nullptr);
    MnemonicAudit items;
    items.AddMenu(menu.get());
    EXPECT_TRUE(items.Faults().empty()) << Report(QStringLiteral("Action menu"), items.Faults());
    for (const QAction* item : menu->actions()) {
        if (!item->isSeparator()) {
            EXPECT_TRUE(MnemonicOf(item->text()).has_value()) << item->text().toStdString();
        }
    }
}

TEST_F(DialogMnemonicsTest, ThePhoneRecorderAndItsDialogsHaveUniqueMnemonics) {
    auto* line = dynamic_cast<PhoneLine*>(window_->findChild<QObject*>("phoneLine"));
    ASSERT_NE(line, nullptr);
    PhoneRecorderDialog recorder(line->library(), {}, reporter_, {}, {});
    ExpectUniqueMnemonics(QStringLiteral("Phone Recorder"), &recorder);
    PhoneCostDialog costs(std::nullopt, QStringLiteral("$"));
    ExpectUniqueMnemonics(QStringLiteral("Phone Recorder Settings"), &costs);
    PlayOverLineDialog player(line->library(), {}, {}, reporter_);
    ExpectUniqueMnemonics(QStringLiteral("Play over the phone line"), &player);
}

TEST_F(DialogMnemonicsTest, ThePhoneLineDialogsAndTheVideoRecorderHaveUniqueMnemonics) {
    auto* line = dynamic_cast<PhoneLine*>(window_->findChild<QObject*>("phoneLine"));
    ASSERT_NE(line, nullptr);
    LineSelectionDialog selection([] { return phone::LineListing{}; }, {});
    ExpectUniqueMnemonics(QStringLiteral("Modem Selection"), &selection);
    ExpectEveryButtonLettered(QStringLiteral("Modem Selection"), &selection);
    const std::filesystem::path working = store().working_folder();
    LineTesterDialog tester(line->library(), phone::LineDevice{}, working, working / "none.wav");
    ExpectUniqueMnemonics(QStringLiteral("Line tester"), &tester);
    ExpectEveryButtonLettered(QStringLiteral("Line tester"), &tester);
    IncomingCallDialog incoming;
    ExpectUniqueMnemonics(QStringLiteral("Incoming Call"), &incoming);
    ExpectEveryButtonLettered(QStringLiteral("Incoming Call"), &incoming);
    PhoneBookDialog book(working / "phone book.txt", reporter_, [] {});
    ExpectUniqueMnemonics(QStringLiteral("Phone Book"), &book);
    ExpectEveryButtonLettered(QStringLiteral("Phone Book"), &book);
    PhoneBookEntryDialog entry(false, {}, {});
    ExpectUniqueMnemonics(QStringLiteral("Phone Book Entry"), &entry);

    struct NoCameras : video::CameraProvider {
        std::vector<video::CameraDevice> Cameras() const override { return {}; }
        std::unique_ptr<video::CameraSource> Make(const video::CameraDevice&) const override {
            return nullptr;
        }
    } cameras;
    recorder::RecorderTarget target;
    target.working_folder = working;
    target.store_path = store().store_path();
    video::VideoRecorderDialog video(sound::SharedAudioBackend(), cameras, target, reporter_);
    ExpectUniqueMnemonics(QStringLiteral("Video Recorder"), &video);
    ExpectEveryButtonLettered(QStringLiteral("Video Recorder"), &video);
}

// The progress windows of Tools > Import and of the export's compressor:
// Start, Finish, Stop and Re-Start each have their letter (Esc cancels).
TEST_F(DialogMnemonicsTest, TheImportAndCompressorProgressWindowsHaveALetterOnEveryButton) {
    recorder::RecorderTarget target;
    target.working_folder = store().working_folder();
    target.store_path = store().store_path();
    StoreImportDialog store_import(window_->session(), target, reporter_);
    ExpectUniqueMnemonics(QString::fromLatin1(kStoreImportTitle), &store_import);
    ExpectEveryButtonLettered(QString::fromLatin1(kStoreImportTitle), &store_import);
    AudioImportDialog audio_import(exchange::AudioFileType::kWav, target, {});
    ExpectUniqueMnemonics(audio_import.windowTitle(), &audio_import);
    ExpectEveryButtonLettered(audio_import.windowTitle(), &audio_import);
    RecordingCompressorDialog compressor({}, exchange::ExportOptions{}, store().working_folder());
    ExpectUniqueMnemonics(compressor.windowTitle(), &compressor);
    ExpectEveryButtonLettered(compressor.windowTitle(), &compressor);
}

}  // namespace
}  // namespace kivo::app
