// The search in the main window: the "Kivo : Search" dialog over the open
// store, its result commands and merge list, and the instant search field.
#include <gtest/gtest.h>

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <fstream>
#include <sstream>

#include "app_fixture.h"
#include "export_options_dialog.h"
#include "file_bytes.h"
#include "instant_search_field.h"
#include "kivo/core/user_messages.h"
#include "kivo/dictation/dictation_recorder_dialog.h"
#include "kivo/dictation/dictation_session.h"
#include "kivo/recorder/record_files.h"
#include "kivo/recorder/record_saving.h"
#include "kivo/recorder/recorder_target.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/searching/recording_merge.h"
#include "kivo/searching/search_dialog.h"
#include "kivo/searching/search_results_model.h"
#include "kivo/wavefile/wave_reader.h"
#include "kivo/wavefile/wave_writer.h"
#include "kivoctl_commands.h"
#include "main_window.h"
#include "temp_dir.h"

namespace kivo::app {
namespace {

using core::ViewKind;
using searching::SearchDialog;

struct Indexed {
    test::RecordFields fields;
    std::string keywords;
};

Indexed Record(std::int32_t number, std::string kind, std::string subject, std::string keywords) {
    Indexed record{test::Dictation(number, subject, "15/03/2024", "00:01:00"), std::move(keywords)};
    record.fields.kind = std::move(kind);
    return record;
}

class SearchWindowTest : public testing::Test {
protected:
    void SetUp() override {
        window_ =
            std::make_unique<MainWindow>(home_.resources(), home_.places(), &reporter_, &chooser_);
        ASSERT_TRUE(window_->Start());
        Indexed call = Record(3, "2", "0123 456", "invoice about the car");
        call.fields.text_a = "Anna";  // the fixture stores no space in this field
        Indexed locked = Record(4, "0", "Locked memo", "invoice archive");
        locked.fields.lock = "L";
        WriteRecords({Record(1, "0", "Budget notes", "budget March"),
                      Record(2, "0", "Supplier call", "Invoice from the supplier"), call, locked,
                      Record(5, "9", "Site video", "invoice walkthrough")});
        window_->ShowKind(ViewKind::kDictation);
    }
    std::filesystem::path working() { return window_->session().store().working_folder(); }

    // The records' logs and index entries in the working folder.
    void WriteRecords(const std::vector<Indexed>& records) {
        std::map<std::string, std::vector<test::RecordFields>> logs;
        recordstore::RecordIndex index((working() / "Voxwren.xri").string());
        for (const Indexed& record : records) {
            const std::string log = recordstore::RecordLogNameForKind(record.fields.kind);
            logs[log].push_back(record.fields);
            recordstore::IndexRecord entry;
            entry.record_number = record.fields.number;
            entry.kind_code = record.fields.kind;
            entry.start_date = record.fields.start_date;
            entry.keywords = record.keywords;
            entry.mark_comments = " ";
            entry.line_position = static_cast<std::int64_t>(401 * logs[log].size());
            ASSERT_TRUE(index.Put(entry).ok());
        }
        for (const auto& [log, lines] : logs)
            test::WriteWorkingLog(working(), log, lines);
    }
    std::unique_ptr<SearchDialog> OpenDialog() {
        return std::make_unique<SearchDialog>(window_->session(), reporter_, QList<QIcon>{},
                                              window_.get());
    }
    static std::vector<std::string> Ids(SearchDialog& dialog) {
        std::vector<std::string> ids;
        for (const auto& row : dialog.results().rows())
            ids.push_back(row.id);
        return ids;
    }
    static void Search(SearchDialog& dialog, const std::string& words,
                       search::SearchArea area = search::SearchArea::kAllExceptVideo) {
        search::SearchCriteria criteria;
        criteria.keywords = words;
        criteria.area = area;
        dialog.SetCriteria(criteria);
        dialog.RunSearch();
    }

    // Saves record number with a recording of the format and length, as the
    // recorders do (the kit's save, bound to the window's store), with its
    // index entry; returns its result row.
    search::SearchRow SaveRecording(int number, const wavefile::PcmFormat& format, double seconds) {
        core::ShellSession& session = window_->session();
        // The next number handed out is number.
        EXPECT_TRUE(
            session.profile().Write(session.section(), "RecID", std::to_string(number - 1)));
        recorder::RecorderTarget target{{}, {}, &session.profile(), session.section(), 0, {}};
        recorder::BindToSession(target, session.store());
        const recorder::RecordFiles files =
            recorder::RecordFiles::ForNewRecord(session.store().working_folder());
        std::vector<std::uint8_t> samples(
            static_cast<std::size_t>(format.sample_rate_hz * seconds) *
                static_cast<std::size_t>(format.block_align_bytes()),
            format.bits_per_sample == 8 ? 128 : 0);
        for (std::size_t b = 0; b < samples.size(); b += 97)
            samples[b] = static_cast<std::uint8_t>(b % 200);  // not silence
        EXPECT_TRUE(wavefile::WritePcmWave(files.wave_path().string(), format, samples).ok());
        recorder::NewRecord record;
        record.fields.kind_code = "0";
        record.fields.text_a = "0";
        record.fields.subject = "Part " + std::to_string(number);
        record.fields.container_name = files.container_name();
        record.fields.start_date = record.fields.end_date = "15/03/2024";
        record.fields.duration = "00:00:01";
        record.log = recordstore::RecordLogKind::kMessages;
        record.keywords = "merge part";
        recorder::NewRecordSave save(target, files);
        EXPECT_EQ(save.Save(record), 0);
        EXPECT_EQ(save.record_number(), number);
        files.RemoveAll();
        session.CommitStoreChanges();
        search::SearchRow row;
        row.record_number = number;
        row.id = "000000" + std::to_string(number);
        row.recording_file = record.fields.container_name;
        return row;
    }
    static constexpr wavefile::PcmFormat kQualities[] = {
        {1, 8000, 16}, {2, 22050, 16}, {1, 11025, 8}};
    static constexpr double kSeconds[] = {1.0, 0.5, 0.8};

    test::AppHome home_;
    core::RecordingMessageReporter reporter_{core::kAnswerYes};
    test::ScriptedChooser chooser_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(SearchWindowTest, TheSearchButtonIsEnabledAndCtrlFBelongsToTheInstantField) {
    QAction* search = window_->commands().action(Command::kSearch);
    EXPECT_TRUE(search->isEnabled());
    EXPECT_EQ(search->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+F")));
    auto* field = window_->findChild<InstantSearchField*>();
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->placeholderText(), kInstantSearchPlaceholder);
}

TEST_F(SearchWindowTest, TheDialogListsTheRecordsFoundWithStatisticsAndCount) {
    auto dialog = OpenDialog();
    EXPECT_EQ(dialog->windowTitle(), "Kivo : Search");
    Search(*dialog, "invoice march");
    EXPECT_EQ(Ids(*dialog),
              (std::vector<std::string>{"00000001", "00000002", "00000003", "00000004"}));
    EXPECT_EQ(dialog->records_found_text(), "4");
    QAbstractItemModel* model = dialog->result_view()->model();
    EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), "Information");
    EXPECT_EQ(model->index(2, 2).data().toString(), "Name: Anna ---> Number: 0123 456");
    EXPECT_TRUE(dialog->result_view()->isColumnHidden(3));
    QTreeWidget* statistics = dialog->statistics_view();
    ASSERT_EQ(statistics->topLevelItemCount(), 2);
    EXPECT_EQ(statistics->topLevelItem(0)->text(0), "INVOICE");
    EXPECT_EQ(statistics->topLevelItem(0)->text(1), "3");
    EXPECT_EQ(statistics->topLevelItem(1)->text(1), "1");
    EXPECT_TRUE(reporter_.codes().empty());

    Search(*dialog, "invoice", search::SearchArea::kVideo);
    EXPECT_EQ(Ids(*dialog), (std::vector<std::string>{"00000005"}));
    Search(*dialog, "holiday");
    EXPECT_EQ(reporter_.codes(), (std::vector<int>{18}));
    EXPECT_EQ(dialog->records_found_text(), "0");
}

TEST_F(SearchWindowTest, KivoctlPrintsTheSameRowsAsTheDialog) {
    ASSERT_EQ(window_->session().store().SaveDataStore(), 0);
    auto dialog = OpenDialog();
    Search(*dialog, "invoice");
    std::string expected = "ID\tDate\tInformation\n";
    QAbstractItemModel* model = dialog->result_view()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        for (int column = 0; column < 3; ++column) {
            expected += model->index(row, column).data().toString().toStdString() +
                        (column < 2 ? "\t" : "\n");
        }
    }
    std::ostringstream out, err;
    const std::string store = (home_.user_folder() / "KIVO.xrt").string();
    ASSERT_EQ(kivoctl::RunCommand({"search", store, "invoice"}, out, err), 0) << err.str();
    EXPECT_EQ(out.str(), expected);
}

TEST_F(SearchWindowTest, EnterInTheKeywordsSearchesAndShiftEnterStartsALine) {
    auto dialog = OpenDialog();
    auto* keywords = dialog->findChild<QPlainTextEdit*>();
    ASSERT_NE(keywords, nullptr);
    QTest::keyClicks(keywords, "supplier");
    QTest::keyClick(keywords, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(keywords, "march");
    EXPECT_TRUE(dialog->results().rows().empty());
    QTest::keyClick(keywords, Qt::Key_Return);
    EXPECT_EQ(Ids(*dialog), (std::vector<std::string>{"00000001", "00000002"}));
    EXPECT_EQ(keywords->toPlainText(), "supplier\nmarch");
}

TEST_F(SearchWindowTest, DeletingAResultAsksErasesAndSearchesAgain) {
    auto dialog = OpenDialog();
    Search(*dialog, "invoice");
    ASSERT_EQ(dialog->results().rows().size(), 3u);
    dialog->result_view()->selectRow(0);  // 00000002
    dialog->DeleteSelected();
    EXPECT_EQ(Ids(*dialog), (std::vector<std::string>{"00000003", "00000004"}));
    EXPECT_TRUE(dialog->records_changed());
    ASSERT_GE(reporter_.reports().size(), 2u);
    EXPECT_NE(reporter_.reports()[0].text.find("00000002"), std::string::npos);
    // The result that took its place is chosen, ready for the next Delete.
    EXPECT_TRUE(dialog->result_view()->selectionModel()->isRowSelected(0, {}));
    EXPECT_EQ(dialog->result_view()->selectionModel()->selectedRows().size(), 1);
}

// The search runs again in index order: the result that followed the
// deleted one in the user's sorted order is chosen, wherever it now stands.
TEST_F(SearchWindowTest, DeletingInSortedResultsChoosesTheResultThatFollowedInThatOrder) {
    auto dialog = OpenDialog();
    Search(*dialog, "invoice");
    ASSERT_EQ(dialog->results().rows().size(), 3u);
    dialog->result_view()->sortByColumn(0, Qt::DescendingOrder);  // 4, 3, 2
    ASSERT_EQ(Ids(*dialog).front(), "00000004");
    dialog->result_view()->selectRow(0);
    dialog->DeleteSelected();
    ASSERT_EQ(Ids(*dialog), (std::vector<std::string>{"00000002", "00000003"}));
    const auto chosen = dialog->result_view()->selectionModel()->selectedRows();
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen.front().row(), 1);  // 00000003

    // The last result: the one before it.
    dialog->result_view()->selectRow(1);
    dialog->DeleteSelected();
    ASSERT_EQ(Ids(*dialog), (std::vector<std::string>{"00000002"}));
    EXPECT_TRUE(dialog->result_view()->selectionModel()->isRowSelected(0, {}));
}

TEST_F(SearchWindowTest, PlayClosesTheDialogAndSelectsTheRecordsInTheMainList) {
    window_->ShowKind(ViewKind::kMeeting);
    bool searched = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<SearchDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        Search(*dialog, "invoice");
        dialog->result_view()->selectRow(0);
        searched = true;
        dialog->PlaySelected();
    });
    window_->commands().Trigger(Command::kSearch);
    EXPECT_TRUE(searched);
    EXPECT_EQ(window_->view(), ViewKind::kDictation);
    const auto rows = window_->SelectedRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(window_->records().Id(rows[0]), "00000002");
    for (auto* box : window_->findChildren<QWidget*>()) {
        if (box->isWindow() && box != window_.get())
            box->close();  // the player, or its warning about the missing recording
    }
}

TEST_F(SearchWindowTest, TheMergeListRefusesLockedRecordsAndKeepsItsOrder) {
    auto dialog = OpenDialog();
    Search(*dialog, "invoice");
    dialog->AddToMergeList({3, 4, 2});
    EXPECT_EQ(reporter_.codes(), (std::vector<int>{7}));
    ASSERT_EQ(dialog->merge_view()->count(), 2);
    EXPECT_TRUE(dialog->merge_view()->item(0)->text().startsWith("00000003"));
    dialog->merge_view()->setCurrentRow(1);
    dialog->button(QStringLiteral("Up"))->click();
    EXPECT_TRUE(dialog->merge_view()->item(0)->text().startsWith("00000002"));
    dialog->button(QStringLiteral("Remove"))->click();
    EXPECT_EQ(dialog->merge_view()->count(), 1);
    EXPECT_FALSE(dialog->button(QStringLiteral("Studio"))->isEnabled());
}

TEST_F(SearchWindowTest, MergingThreeStoredRecordingsOfDifferentQualitiesJoinsThemWhole) {
    const core::DataStoreSession& store = window_->session().store();
    std::vector<search::SearchRow> entries;
    for (int i = 0; i < 3; ++i)
        entries.push_back(SaveRecording(11 + i, kQualities[i], kSeconds[i]));
    const auto merged =
        searching::MergeRecordings(entries, store.working_folder(), store.store_path());
    ASSERT_TRUE(merged.ok) << merged.error;
    EXPECT_EQ(merged.wave, store.working_folder() / "search.wav");
    wavefile::WaveData wave;
    ASSERT_TRUE(wavefile::ReadWaveFile(merged.wave.string(), &wave).ok());
    EXPECT_EQ(wave.info.format.sample_rate_hz, 22050u);
    EXPECT_EQ(wave.info.format.channels, 2);
    EXPECT_NEAR(static_cast<double>(wave.info.frames()), (1.0 + 0.5 + 0.8) * 22050, 6.0);

    entries[1].recording_file = "D12.xrv";  // a video cannot be merged
    const auto refused =
        searching::MergeRecordings(entries, store.working_folder(), store.store_path());
    EXPECT_FALSE(refused.ok);
    EXPECT_NE(refused.error.find("00000012"), std::string::npos);
}

TEST_F(SearchWindowTest, MergeOpensTheRecorderOnTheJoinedRecordingsAsANewDictation) {
    for (int i = 0; i < 3; ++i)
        SaveRecording(11 + i, kQualities[i], kSeconds[i]);
    bool merged = false;
    bool recorder_seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<SearchDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        Search(*dialog, "merge");
        dialog->AddToMergeList({11, 12, 13});
        QTimer::singleShot(0, [&] {
            auto* recorder = qobject_cast<dictation::DictationRecorderDialog*>(
                QApplication::activeModalWidget());
            ASSERT_NE(recorder, nullptr);
            recorder_seen = true;
            EXPECT_EQ(recorder->session().mode(), dictation::DictationMode::kNewFromWave);
            EXPECT_NEAR(static_cast<double>(recorder->session().length_ms()), 2300.0, 5.0);
            recorder->reject();  // the close question is answered Yes: it is saved
        });
        merged = true;
        dialog->button(QStringLiteral("Merge"))->click();
    });
    window_->ShowKind(ViewKind::kDictation);
    const int dictations_before = window_->records().rowCount();
    window_->commands().Trigger(Command::kSearch);
    EXPECT_TRUE(merged);
    EXPECT_TRUE(recorder_seen);
    // The joined recording is kept as a new dictation of its own.
    ASSERT_EQ(window_->records().rowCount(), dictations_before + 1);
}

TEST_F(SearchWindowTest, AMergeThatCannotReadARecordingSaysSoAndKeepsTheDialogOpen) {
    auto dialog = OpenDialog();
    dialog->show();
    Search(*dialog, "invoice");
    dialog->AddToMergeList({2});
    dialog->button(QStringLiteral("Merge"))->click();  // one recording is not enough
    dialog->AddToMergeList({3});
    dialog->button(QStringLiteral("Merge"))->click();  // the store holds no recordings
    ASSERT_EQ(reporter_.reports().size(), 2u);
    EXPECT_NE(reporter_.reports()[0].text.find("two or more"), std::string::npos);
    EXPECT_NE(reporter_.reports()[1].text.find("00000002"), std::string::npos);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->request(), SearchDialog::Request::kNone);
    EXPECT_FALSE(std::filesystem::exists(working() / "search.wav"));
}

// Answers the modal dialogs of an output command as a user would: accepts
// the options and closes the print preview; counts what it met.
struct DialogAnswers {
    int options = 0, previews = 0;
    void Answer() {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* options_dialog = qobject_cast<ExportOptionsDialog*>(modal)) {
            ++options;
            options_dialog->accept();
        } else if (auto* preview = qobject_cast<QPrintPreviewDialog*>(modal)) {
            ++previews;
            preview->reject();
        }
    }
};

TEST_F(SearchWindowTest, PrintSendAndExportFollowTheSelectionAndOfferTheWindowsFormats) {
    auto dialog = OpenDialog();
    std::vector<std::string> ran;
    searching::ResultOutputCommands commands;
    const auto command = [&ran](const char* text, bool takes_video) {
        searching::ResultCommand made{QString::fromLatin1(text), takes_video, nullptr};
        made.run = [&ran, text](QWidget*, const std::vector<core::SelectedRecord>& records) {
            ran.push_back(std::string(text) + " " + std::to_string(records.size()));
        };
        return made;
    };
    commands.print = command("Print", true);
    commands.send = command("Send", true);
    commands.export_as = {command("&Kivo Recording", true),
                          command("&WAV Format", false),
                          {QStringLiteral("WM&V Format"), true, nullptr}};
    dialog->SetOutputCommands(commands);
    Search(*dialog, "invoice");
    for (const char* text : {"Print", "Send", "Export"})
        EXPECT_FALSE(dialog->button(QString::fromLatin1(text))->isEnabled()) << text;

    dialog->result_view()->selectAll();
    for (const char* text : {"Print", "Send", "Export"})
        EXPECT_TRUE(dialog->button(QString::fromLatin1(text))->isEnabled()) << text;
    const QList<QAction*> formats = dialog->export_menu()->actions();
    ASSERT_EQ(formats.size(), 3);
    EXPECT_TRUE(formats[0]->isEnabled());
    EXPECT_TRUE(formats[1]->isEnabled());
    EXPECT_FALSE(formats[2]->isEnabled());  // not given a command: gray
    dialog->button(QStringLiteral("Print"))->click();
    formats[1]->trigger();
    EXPECT_EQ(ran, (std::vector<std::string>{"Print 3", "&WAV Format 3"}));

    // A video record is exported as itself, never as sound.
    Search(*dialog, "invoice", search::SearchArea::kVideo);
    dialog->result_view()->selectRow(0);
    EXPECT_TRUE(formats[0]->isEnabled());
    EXPECT_FALSE(formats[1]->isEnabled());
    std::unique_ptr<QMenu> menu(dialog->NewResultMenu());
    QStringList entries;
    for (QAction* action : menu->actions())
        entries << action->text();
    EXPECT_EQ(entries, (QStringList{"&Play", "&Edit", "&Delete", "Add to &Merge List", "", "Pr&int",
                                    "Se&nd", "E&xport"}));
}

TEST_F(SearchWindowTest, SendAndPrintRunTheWindowsOwnCommandsOnTheSelectedResult) {
    const search::SearchRow saved = SaveRecording(11, kQualities[0], kSeconds[0]);
    // A mail program that notes what it is given.
    test::TempDir bin;
    const std::string received = bin.file("received.txt");
    test::WriteFileText(bin.file("xdg-email"), "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + received +
                                                   ".part' && mv '" + received + ".part' '" +
                                                   received + "'\n");
    std::filesystem::permissions(bin.file("xdg-email"), std::filesystem::perms::owner_all);
    const QByteArray old_path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(bin.path().string()) + ":/usr/bin:/bin");

    DialogAnswers answers;
    std::vector<QString> export_entries;
    bool print_enabled = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<SearchDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        Search(*dialog, "merge");
        dialog->result_view()->selectRow(0);
        for (QAction* action : dialog->export_menu()->actions()) {
            export_entries.push_back(action->text() +
                                     (action->isEnabled() ? QString() : QStringLiteral(" (gray)")));
        }
        print_enabled = dialog->button(QStringLiteral("Print"))->isEnabled();
        QTimer answering;
        QObject::connect(&answering, &QTimer::timeout, [&answers] { answers.Answer(); });
        answering.start(20);
        dialog->button(QStringLiteral("Send"))->click();
        dialog->button(QStringLiteral("Print"))->click();
        answering.stop();
        dialog->reject();
    });
    window_->commands().Trigger(Command::kSearch);
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(received); }, 20000));
    qputenv("PATH", old_path);
    EXPECT_EQ(export_entries,
              (std::vector<QString>{"&Kivo Recording", "&WAV Format", "WM&A Format", "&MP3 Format",
                                    "&OGG Format", "WM&V Format (gray)"}));
    EXPECT_TRUE(print_enabled);
    EXPECT_EQ(answers.options, 1);
    EXPECT_EQ(answers.previews, 1);
    // The mail carries the stored recording of the selected result.
    const std::string mail = test::ReadFileText(received);
    EXPECT_NE(mail.find("--attach"), std::string::npos) << mail;
    EXPECT_NE(mail.find(saved.recording_file), std::string::npos) << mail;
    EXPECT_TRUE(reporter_.codes().empty());
}

TEST_F(SearchWindowTest, TheResultAndMergeListsAreWorkedByKeyboard) {
    auto dialog = OpenDialog();
    dialog->show();
    QApplication::setActiveWindow(dialog.get());
    // Tab leaves the keywords (it is no character of a search).
    auto* keywords = dialog->findChild<QPlainTextEdit*>();
    keywords->setFocus();
    QTest::keyClicks(keywords, "invoice");
    QTest::keyClick(keywords, Qt::Key_Tab);
    EXPECT_EQ(keywords->toPlainText(), "invoice");
    EXPECT_FALSE(keywords->hasFocus());
    Search(*dialog, "invoice");
    QTableView* results = dialog->result_view();
    // Tabbed into, the results select their first row.
    QFocusEvent tabbed_in(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(results, &tabbed_in);
    ASSERT_TRUE(results->selectionModel()->isRowSelected(0, {}));
    results->setFocus();
    results->selectRow(1);  // 00000003
    QTest::keyClick(results, Qt::Key_Insert);
    results->selectRow(0);  // 00000002
    QTest::keyClick(results, Qt::Key_Insert);
    ASSERT_EQ(dialog->merge_view()->count(), 2);
    dialog->merge_view()->setCurrentRow(0);
    QTest::keyClick(dialog->merge_view(), Qt::Key_Delete);
    ASSERT_EQ(dialog->merge_view()->count(), 1);
    EXPECT_TRUE(dialog->merge_view()->item(0)->text().startsWith("00000002"));

    QTest::keyClick(results, Qt::Key_Delete);  // asks, erases 00000002, searches again
    EXPECT_EQ(Ids(*dialog), (std::vector<std::string>{"00000003", "00000004"}));
    results->selectRow(0);
    QTest::keyClick(results, Qt::Key_Return);
    EXPECT_EQ(dialog->request(), SearchDialog::Request::kPlay);
    ASSERT_EQ(dialog->requested_records().size(), 1u);
    EXPECT_EQ(dialog->requested_records()[0].record_number, 3);
}

TEST_F(SearchWindowTest, TheSmartSearchBoxIsKeptInTheProfile) {
    auto& profile = window_->session().profile();
    const std::string section = window_->session().section();
    auto dialog = OpenDialog();
    EXPECT_EQ(profile.Read(section, "Csearch"), "N");
    EXPECT_FALSE(dialog->smart_box()->isChecked());
    dialog->smart_box()->setChecked(true);
    EXPECT_EQ(profile.Read(section, "Csearch"), "Y");
    EXPECT_TRUE(OpenDialog()->smart_box()->isChecked());
}

TEST_F(SearchWindowTest, AMissingIndexIsReportedAndClosesTheDialog) {
    std::filesystem::remove(working() / "Voxwren.xri");
    auto dialog = OpenDialog();
    dialog->show();
    Search(*dialog, "");
    EXPECT_EQ(reporter_.codes(), (std::vector<int>{123}));
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(SearchWindowTest, TheInstantFieldNarrowsTheListAsLettersAreTypedAndEscClears) {
    auto* field = window_->findChild<InstantSearchField*>();
    ASSERT_NE(field, nullptr);
    QTableView* list = window_->record_view();
    const auto visible = [&] {
        std::vector<std::string> ids;
        for (int row = 0; row < window_->records().rowCount(); ++row) {
            if (!list->isRowHidden(row))
                ids.push_back(window_->records().Id(row).toStdString());
        }
        return ids;
    };
    ASSERT_EQ(visible().size(), 3u);  // the dictations 1, 2 and 4
    QTest::keyClicks(field, "su");
    EXPECT_EQ(visible(), (std::vector<std::string>{"00000002"}));  // "Supplier", "supplier"
    field->clear();
    QTest::keyClicks(field, "arch");  // "March" in 1's keywords, "archive" in 4's
    EXPECT_EQ(visible(), (std::vector<std::string>{"00000001", "00000004"}));
    EXPECT_EQ(window_->search_status_text(), "Total dictations found = 3 (2 shown)");
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_EQ(visible().size(), 3u);
    EXPECT_EQ(window_->search_status_text(), "Total dictations found = 3");

    // A chosen record that the search still shows stays chosen, also once
    // the search is cleared; one it hides leaves the selection.
    const auto selected = [&] {
        std::vector<std::string> ids;
        for (const QModelIndex& index : list->selectionModel()->selectedRows())
            ids.push_back(window_->records().Id(index.row()).toStdString());
        std::sort(ids.begin(), ids.end());
        return ids;
    };
    list->selectAll();
    QTest::keyClicks(field, "arch");
    EXPECT_EQ(selected(), (std::vector<std::string>{"00000001", "00000004"}));
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_EQ(selected(), (std::vector<std::string>{"00000001", "00000004"}));
    // Home and End choose the first and last record shown, never a hidden one.
    QTest::keyClicks(field, "su");
    QTest::keyClick(list, Qt::Key_Home);
    EXPECT_EQ(selected(), (std::vector<std::string>{"00000002"}));
    list->clearSelection();
    QTest::keyClick(list, Qt::Key_End);
    EXPECT_EQ(selected(), (std::vector<std::string>{"00000002"}));
    field->clear();

    QTest::keyClicks(field, "anna");  // the phone list keeps the text
    window_->ShowKind(ViewKind::kPhone);
    EXPECT_EQ(visible(), (std::vector<std::string>{"00000003"}));
}

}  // namespace
}  // namespace kivo::app
