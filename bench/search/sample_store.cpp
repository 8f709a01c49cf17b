// sample_store: fills a data store with records of every kind, saved the way
// the recorders save them (recorder::NewRecordSave bound to the store's
// session), for trying the search dialog, the instant search and the merge
// list on a store that looks like a user's. Not a benchmark and not a test.
//
//   sample_store STORE [RECORDS_PER_KIND] [VIDEO.wmv]
//
// Kinds: dictation, meeting, answered call, recorded call, diary, imported
// sound file, translation and (with a WMV file given) video. Each audio record
// holds a few seconds of a tone of its own at 8 kHz mono; subjects and keywords
// come from a small list of office words, dates spread over 2025 and 2026.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "kivo/core/application_folders.h"
#include "kivo/core/profile_file.h"
#include "kivo/recorder/record_files.h"
#include "kivo/recorder/record_saving.h"
#include "kivo/recorder/recorder_target.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/wavefile/wave_writer.h"
#include "kivoctl_store.h"

namespace {

namespace fs = std::filesystem;
using namespace kivo;

struct Kind {
    const char* code;
    const char* label;
    recordstore::RecordLogKind log;
};

const Kind kKinds[] = {
    {recordstore::kind_code::kMessage, "Dictation", recordstore::RecordLogKind::kMessages},
    {recordstore::kind_code::kMeeting, "Meeting", recordstore::RecordLogKind::kMeetings},
    {recordstore::kind_code::kAnsweredCall, "Message", recordstore::RecordLogKind::kPhoneCalls},
    {recordstore::kind_code::kRecordedCall, "Call", recordstore::RecordLogKind::kPhoneCalls},
    {recordstore::kind_code::kDiary, "Diary", recordstore::RecordLogKind::kDiary},
    {recordstore::kind_code::kWaveMessage, "Memo", recordstore::RecordLogKind::kMessages},
    {"12", "Translation", recordstore::RecordLogKind::kMessages},  // into German
};

const char* const kTopics[] = {"invoice",  "budget",   "supplier", "contract", "car",
                               "holiday",  "customer", "delivery", "report",   "dentist",
                               "project",  "review",   "salary",   "office",   "lawyer",
                               "training", "garden",   "school",   "bank",     "insurance"};
const char* const kMonths[] = {"January",   "February", "March",    "April",
                               "May",       "June",     "July",     "August",
                               "September", "October",  "November", "December"};
const char* const kCallers[] = {"Anna Berg",   "Tom Okafor",  "Li Wei",       "Marta Ruiz",
                                "Jan Novak",   "Sofia Rossi", "Paul Martin",  "Eva Lindqvist",
                                "Ravi Kapoor", "Nora Haddad", "Chris Müller", "Élodie Durand"};

// A tone of its own for each record: seconds long, 8 kHz mono, 16-bit.
bool WriteTone(const fs::path& wave, int record_seed, int seconds) {
    constexpr int kRateHz = 8000;
    std::vector<std::int16_t> samples(static_cast<std::size_t>(kRateHz * seconds));
    const double hz = 220.0 + 37.0 * (record_seed % 17);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = static_cast<double>(i) / kRateHz;
        const double swell = 0.6 + 0.4 * std::sin(2 * M_PI * 0.5 * t);
        samples[i] = static_cast<std::int16_t>(9000 * swell * std::sin(2 * M_PI * hz * t));
    }
    return wavefile::WritePcmWave(wave.string(), {1, kRateHz, 16},
                                  reinterpret_cast<const std::uint8_t*>(samples.data()),
                                  samples.size() * sizeof(std::int16_t))
        .ok();
}

std::string TwoDigits(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

// The record's fields, subject and keywords for its place n among all.
recorder::NewRecord Describe(const Kind& kind, int n, int seconds,
                             const recorder::RecordFiles& files) {
    recorder::NewRecord record;
    recordstore::RecordFields& fields = record.fields;
    const std::string topic = kTopics[(n * 7) % std::size(kTopics)];
    const int month = 1 + (n * 5) % 12;
    const int day = 1 + (n * 11) % 28;
    const std::string year = n % 3 == 0 ? "2025" : "2026";
    fields.kind_code = kind.code;
    fields.text_a = "0";
    fields.subject = std::string(kind.label) + ": " + topic + " " + kMonths[month - 1];
    const std::string caller = kCallers[n % std::size(kCallers)];
    const std::string date = TwoDigits(day) + "/" + TwoDigits(month) + "/" + year;
    const std::string code = kind.code;
    if (code == recordstore::kind_code::kAnsweredCall ||
        code == recordstore::kind_code::kRecordedCall) {
        // A call keeps the caller's name, the cost and the number.
        fields.text_a = caller;
        fields.text_b = "0.00";
        fields.subject = "+44 20 7946 0" + std::to_string(100 + n % 900);
    }
    if (code == recordstore::kind_code::kDiary) {
        // A diary entry keeps the day and time it is for.
        fields.text_a = date;
        fields.text_b = TwoDigits(8 + n % 10) + ":00";
    }
    if (code == "12")
        fields.text_b = "EN-DE";
    fields.container_name = files.container_name();
    fields.start_date = fields.end_date = date;
    fields.start_time = TwoDigits(8 + n % 10) + ":" + TwoDigits((n * 13) % 60) + ":00";
    fields.end_time =
        TwoDigits(8 + n % 10) + ":" + TwoDigits((n * 13) % 60) + ":" + TwoDigits(seconds);
    fields.duration = "00:00:" + TwoDigits(seconds);
    record.log = kind.log;
    record.keywords = topic + " " + kTopics[(n * 3 + 1) % std::size(kTopics)] + " " + caller;
    record.marks_style = recordstore::IndexMarkStyle::kWithoutType;
    return record;
}

// Saves one record of kind; 0 or the save's message code.
int SaveOne(const recorder::RecorderTarget& target, const Kind& kind, int n) {
    const recorder::RecordFiles files = recorder::RecordFiles::ForNewRecord(target.working_folder);
    const int seconds = 2 + n % 5;
    if (!WriteTone(files.wave_path(), n, seconds))
        return 108;
    recorder::NewRecord record = Describe(kind, n, seconds, files);
    if (std::string(kind.code) == "12") {
        std::ofstream(files.Path(".xr1"))
            << "Please send the " << kTopics[n % 20] << " papers by Friday.";
        std::ofstream(files.Path(".xr2")) << "Bitte senden Sie die Unterlagen bis Freitag.";
        record.extra_members = {files.Name(".xr1"), files.Name(".xr2")};
    }
    recorder::NewRecordSave save(target, files);
    const int saved = save.Save(record);
    files.RemoveAll();
    for (const std::string& extra : record.extra_members)
        fs::remove(target.working_folder / extra);
    return saved;
}

// A video record whose media is a copy of the WMV file given.
int SaveVideo(const recorder::RecorderTarget& target, const fs::path& wmv, int n) {
    const recorder::RecordFiles files = recorder::RecordFiles::ForNewRecord(target.working_folder);
    std::error_code error;
    fs::copy_file(wmv, files.Path(".wmv"), fs::copy_options::overwrite_existing, error);
    if (error)
        return 108;
    recorder::NewRecord record =
        Describe({recordstore::kind_code::kVideo, "Video", recordstore::RecordLogKind::kMessages},
                 n, 3, files);
    record.fields.container_name = files.Name(recordstore::kVideoContainerExtension);
    record.media_kind = recordstore::MediaKind::kVideo;
    recorder::NewRecordSave save(target, files);
    const int saved = save.Save(record);
    files.RemoveAll();
    return saved;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: sample_store STORE [RECORDS_PER_KIND] [VIDEO.wmv]\n";
        return 2;
    }
    const int per_kind = argc > 2 ? std::max(1, std::atoi(argv[2])) : 40;
    const fs::path video = argc > 3 ? fs::path(argv[3]) : fs::path();

    kivoctl::CommandStore store;
    if (const int opened = store.Open(argv[1], kivoctl::CommandStore::Purpose::kAddRecords)) {
        std::cerr << "sample_store: cannot open " << argv[1] << " (" << opened << ")\n";
        return 1;
    }
    const core::ApplicationFolders folders =
        core::LocateApplicationFolders(core::ProcessEnvironment(), core::CurrentExecutablePath());
    folders.CreateWritableFolders();
    core::ProfileFile profile(folders.profile_file.string());
    const std::string section = core::CurrentProfileSection();
    recorder::RecorderTarget target{{}, {}, &profile, section, 0, {}};
    recorder::BindToSession(target, store.session());

    int saved = 0;
    int failed = 0;
    for (int n = 0; n < per_kind; ++n) {
        for (const Kind& kind : kKinds)
            (SaveOne(target, kind, n * 8 + saved % 8) == 0 ? saved : failed) += 1;
        if (!video.empty())
            (SaveVideo(target, video, n) == 0 ? saved : failed) += 1;
    }
    const bool stored = store.session().SaveDataStore() == 0;
    std::cout << saved << " records saved, " << failed << " failed"
              << (stored ? "" : "; the store could not be saved") << "\n";
    return failed == 0 && stored ? 0 : 1;
}
