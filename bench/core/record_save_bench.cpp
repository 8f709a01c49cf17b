// Times a record save, edit and delete on data stores of 1,000 and 10,000
// records and measures how much each grows the store file, along two
// paths:
//
//   whole components  the save path before the component journal: the save
//                     puts the container, the whole record log and the index
//                     (XRsaveR), the edit puts the container and the whole
//                     log (XRsaveXRZ, ReplaceRecordLine), the delete puts
//                     all nine components; the index changes made after the
//                     put (Zn2IndexAdd, Zn2IndexUpd) are not durable at all;
//   program           the program's own classes, as the recorders and edit
//                     dialogs call them: a save is recorder::NewRecordSave
//                     on a target bound to the session (under the store's
//                     writer lock: the container into the store, log line
//                     and index entry into the journal), an edit is
//                     core::RecordUpdater (subject, keywords; the container
//                     with its new line member into the store, log and
//                     index into the journal), a delete is DeleteRecords.
//                     Each runs under the store's writer lock and first
//                     checks that no other writer changed the store.
//
// (The whole-components path writes the store behind the session's back,
// which the session would now take for another program's writing; it runs
// without any session operation, as the program did then.)
//
// Each path runs on a store of its own, built with N dictations (a 401-byte
// line, an index entry and a 512-byte container each). It saves 20 records of
// 1 s of 8 kHz mono audio, edits each (subject and keywords), deletes each,
// then closes (SaveDataStore). Growth is the store file's size after an
// operation minus before; the close's growth is reported apart. "cpu ms" is
// the median CPU time (user and system) of an operation: on a machine
// shared with other work it is the steadier figure, and the wall time of a
// quiet machine is about it plus the operation's fsyncs.
//
// Usage: record_save_bench [FOLDER] [RECORDS...] [--program-only]
//        (defaults $TMPDIR, 1000 10000, both paths)
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "kivo/core/data_store_session.h"
#include "kivo/core/profile_file.h"
#include "kivo/core/record_deletion.h"
#include "kivo/core/record_update.h"
#include "kivo/core/working_folder.h"
#include "kivo/recorder/record_files.h"
#include "kivo/recorder/record_saving.h"
#include "kivo/recorder/recorder_target.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/recording_container.h"
#include "xrsave.h"
#include "zn2index.h"
#include "zn2xrrps.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;
namespace rs = kivo::recordstore;
namespace core = kivo::core;

constexpr int kOperations = 20;

[[noreturn]] void Die(const std::string& what) {
    std::fprintf(stderr, "record_save_bench: %s\n", what.c_str());
    std::exit(1);
}

enum class SavePath { kWholeComponents, kProgram };

const char* NameOf(SavePath path) {
    switch (path) {
        case SavePath::kWholeComponents:
            return "whole components";
        case SavePath::kProgram:
            return "program";
    }
    return "";
}

std::string FillerContainer(int n) {
    char name[32];
    std::snprintf(name, sizeof name, "D%017d.xrz", n);
    return name;
}

// A store of `records` dictations with their index entries and containers.
void MakeStore(const fs::path& scratch, const fs::path& store, int records) {
    std::ofstream log(scratch / "Voxwren.xrr", std::ios::binary);
    log << rs::RecordLine::HeaderLine();
    std::ofstream index(scratch / "Voxwren.xri", std::ios::binary);
    std::vector<std::string> names = {"Voxwren.xrr", "Voxwren.xrm", "Voxwren.xrp", "Voxwren.xrd",
                                      "Voxwren.xri", "xrgreet.wav", "xrwarn.wav",  "Voxwren.xrb",
                                      "Voxwren.xrc", "Voxwren.xra", "Voxwren.xrl"};
    for (const char* other : {"Voxwren.xrm", "Voxwren.xrp", "Voxwren.xrd"})
        std::ofstream(scratch / other, std::ios::binary) << rs::RecordLine::HeaderLine();
    const fs::path filler = scratch / "filler";
    std::ofstream(filler, std::ios::binary) << std::string(512, 'c');
    for (int n = 1; n <= records; ++n) {
        rs::RecordFields f;
        f.record_number = n;
        f.kind_code = rs::kind_code::kMessage;
        f.text_a = "0";
        f.subject = "Recording number " + std::to_string(n) + " about the quarterly budget";
        f.container_name = FillerContainer(n);
        f.start_date = f.end_date = "01/02/2025";
        f.start_time = "10:00:00";
        f.end_time = "10:05:00";
        f.duration = "00:05:00";
        const rs::RecordLineBuild line = rs::RecordLine::Build(f);
        if (!line.status.ok())
            Die("record line: " + line.status.message());
        log << line.bytes;
        rs::IndexRecord entry;
        entry.record_number = n;
        entry.kind_code = f.kind_code;
        entry.start_date = f.start_date;
        entry.keywords = "budget quarterly review";
        entry.mark_comments = " ";
        entry.line_position = 401LL * n;
        index << rs::EncodeIndexEntry(entry);
        // Links to one file: a real store of 10,000 records was filled over
        // months, and 10,000 files made and removed just before the timed
        // operations would leave ext4 skipping 10,000 freshly freed inodes
        // at every file those operations create.
        fs::create_hard_link(filler, scratch / f.container_name);
        names.push_back(f.container_name);
    }
    log.close();
    index.close();
    for (const char* empty : {"Voxwren.xrb", "Voxwren.xrc"})
        std::ofstream(scratch / empty);
    for (const char* marker : {"Voxwren.xra", "Voxwren.xrl"})
        std::ofstream(scratch / marker) << "999999999";
    std::ofstream(scratch / "xrgreet.wav") << "RIFF";
    std::ofstream(scratch / "xrwarn.wav") << "RIFF";
    std::vector<const char*> c_names;
    for (const auto& name : names)
        c_names.push_back(name.c_str());
    if (RPS_Put(store.c_str(), scratch.c_str(), c_names.data(),
                static_cast<int32_t>(c_names.size())) != nullptr) {
        Die("storing the members");
    }
}

// 1 s of 16-bit mono 8000 Hz audio, different for every record.
std::string Wave(int seed) {
    std::string bytes;
    auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<char>(v >> (8 * i)));
    };
    auto u16 = [&](std::uint16_t v) {
        bytes.push_back(static_cast<char>(v));
        bytes.push_back(static_cast<char>(v >> 8));
    };
    const std::uint32_t frames = 8000;
    bytes += "RIFF";
    u32(36 + frames * 2);
    bytes += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(1);
    u32(8000);
    u32(16000);
    u16(2);
    u16(16);
    bytes += "data";
    u32(frames * 2);
    for (std::uint32_t i = 0; i < frames; ++i)
        u16(static_cast<std::uint16_t>((i * 37 + static_cast<std::uint32_t>(seed) * 1000) % 20000));
    return bytes;
}

struct Measured {
    std::vector<double> ms;
    std::vector<double> cpu_ms;  // user and system time of the process
    std::vector<std::int64_t> growth_bytes;
};

// CPU time of the process (user and system), which other programs on a
// shared machine do not stretch as they stretch the wall time.
double ProcessCpuMilliseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <typename T>
double Mean(const std::vector<T>& values) {
    double sum = 0;
    for (T v : values)
        sum += static_cast<double>(v);
    return sum / static_cast<double>(values.size());
}

// One store and its open session, and the operations of one save path.
class Bench {
public:
    Bench(const fs::path& root, int records, SavePath path) : path_(path) {
        if (folder_.Create(root) != 0 || working_.Create(root) != 0)
            Die("no folder under " + root.string());
        const fs::path scratch = folder_.path() / "scratch";
        fs::create_directory(scratch);
        MakeStore(scratch, folder_.path() / "Bench.xrt", records);
        fs::remove_all(scratch);
        session_.emplace(working_.path());
        session_->set_location({folder_.path(), "Bench"});
        if (int code = session_->LoadDataStore(); code != 0)
            Die("open: " + std::to_string(code));
        first_number_ = records + 1;
    }

    std::int64_t StoreBytes() const {
        return static_cast<std::int64_t>(fs::file_size(session_->store_path()));
    }
    std::int64_t JournalBytes() const {
        std::error_code ec;
        const auto size = fs::file_size(session_->JournalPath(), ec);
        return ec ? 0 : static_cast<std::int64_t>(size);
    }
    // Mean size of the containers saved (and stored again by each edit).
    std::int64_t ContainerBytes() const {
        return static_cast<std::int64_t>(Mean(container_bytes_));
    }
    // Times of storing the container (the journal path's saves) or of
    // building and storing it (XRsaveXRZ, every edit) since the last call.
    std::vector<double> TakeContainerTimes() { return std::exchange(put_ms_, {}); }

    // Runs op(i) for every record, timing each and measuring the growth;
    // prepare(i), when given, runs before each, untimed.
    Measured Run(const std::function<void(int)>& op, const std::function<void(int)>& prepare = {}) {
        Measured measured;
        for (int i = 0; i < kOperations; ++i) {
            if (prepare)
                prepare(i);
            const std::int64_t before = StoreBytes();
            const double cpu_start = ProcessCpuMilliseconds();
            const auto start = Clock::now();
            op(i);
            measured.ms.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            measured.cpu_ms.push_back(ProcessCpuMilliseconds() - cpu_start);
            measured.growth_bytes.push_back(StoreBytes() - before);
        }
        return measured;
    }

    void Save(int i) {
        if (path_ == SavePath::kProgram)
            return SaveAsTheRecorderDoes(i);
        const int number = first_number_ + i;
        const std::string base = Base(number);
        WriteRecordFiles(number, "a new dictation");
        const std::string working = working_.path().string();
        const std::string store = session_->store_path().string();
        const std::int64_t position =
            XRsaveR((base + ".xrw").c_str(), (base + ".xrl").c_str(), (base + ".xrs").c_str(), "",
                    working.c_str(), store.c_str(), Stamp(number).c_str(), 0);
        if (position <= 0)
            Die("save of record " + std::to_string(number));
        positions_.push_back(position);
        container_bytes_.push_back(
            static_cast<std::int64_t>(fs::file_size(working_.path() / (base + ".xrz"))));
        fs::remove(working_.path() / (base + ".xrz"));
        UpdateIndex(number, position, "new keywords", Zn2IndexAdd);
    }

    void Edit(int i) {
        if (path_ == SavePath::kProgram)
            return EditAsTheDialogDoes(i);
        const int number = first_number_ + i;
        const std::string base = Base(number);
        WriteRecordFiles(number, "an edited subject");
        const std::string working = working_.path().string();
        const std::string store = session_->store_path().string();
        const auto start = Clock::now();
        if (XRsaveXRZ((base + ".xrz").c_str(), working.c_str(), store.c_str(), XR_PICTURE_NONE) !=
            XR_OK) {
            Die("storing the edited container");
        }
        put_ms_.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        fs::remove(working_.path() / (base + ".xrz"));
        const fs::path log = working_.path() / "Voxwren.xrr";
        ReplaceLineInWorkingLog(log, positions_[static_cast<std::size_t>(i)],
                                working_.path() / (base + ".xrl"));
        // The earlier path put the whole record log into the store.
        const std::string names[] = {"Voxwren.xrr"};
        if (core::StorePut(store, working_.path().string(), names) != core::kStoreOk)
            Die("replacing the line");
        UpdateIndex(number, positions_[static_cast<std::size_t>(i)], "edited keywords",
                    Zn2IndexUpd);
    }

    void Delete(int i) {
        const int number = path_ == SavePath::kProgram
                               ? program_numbers_[static_cast<std::size_t>(i)]
                               : first_number_ + i;
        const std::string container = path_ == SavePath::kProgram
                                          ? program_containers_[static_cast<std::size_t>(i)]
                                          : Base(number) + ".xrz";
        const core::SelectedRecord record{number, core::ViewKind::kDictation, container};
        if (path_ == SavePath::kWholeComponents) {
            DeleteWithWholeComponents(record, positions_[static_cast<std::size_t>(i)]);
        } else if (core::DeleteRecords(*session_, {&record, 1}) != core::kDeleteOk) {
            Die("delete");
        }
    }

    double Close(std::int64_t* growth_bytes) {
        const std::int64_t before = StoreBytes();
        const auto start = Clock::now();
        if (session_->SaveDataStore() != core::kStoreOk)
            Die("close");
        *growth_bytes = StoreBytes() - before;
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }

private:
    // NewRecordSave on a target bound to the session, as the Dictation
    // Recorder saves; the record number comes from the profile.
    void SaveAsTheRecorderDoes(int i) {
        if (!profile_) {
            profile_.emplace((folder_.path() / "KIVO.ini").string());
            profile_->Write("Default", "RecID", std::to_string(first_number_));
        }
        const kivo::recorder::RecordFiles files =
            kivo::recorder::RecordFiles::ForNewRecord(working_.path());
        std::ofstream(files.wave_path(), std::ios::binary) << Wave(first_number_ + i);
        kivo::recorder::RecorderTarget target;
        target.profile = &*profile_;
        target.profile_section = "Default";
        kivo::recorder::BindToSession(target, *session_);
        kivo::recorder::NewRecord record;
        record.fields.kind_code = rs::kind_code::kMessage;
        record.fields.text_a = "0";
        record.fields.subject = "a new dictation";
        record.fields.container_name = files.container_name();
        record.fields.start_date = record.fields.end_date = "01/02/2025";
        record.fields.start_time = "11:00:00";
        record.fields.end_time = "11:00:01";
        record.fields.duration = "00:00:01";
        record.marks = {rs::MakeIndexMark("00:00:00", "start")};
        record.keywords = "new keywords";
        kivo::recorder::NewRecordSave save(target, files);
        if (save.Save(record) != 0)
            Die("NewRecordSave");
        program_numbers_.push_back(save.record_number());
        program_containers_.push_back(files.container_name());
        container_bytes_.push_back(
            static_cast<std::int64_t>(fs::file_size(working_.path() / files.container_name())));
        for (const fs::path& made : {files.wave_path(), files.line_path(), files.marks_path(),
                                     working_.path() / files.container_name()})
            fs::remove(made);
    }

    // RecordUpdater with a new subject and keywords, as the record edit
    // dialog's OK; the container is extracted first, as the dialog does when
    // it opens (not timed: measured apart as "open ms" would be).
    void EditAsTheDialogDoes(int i) {
        const std::size_t at = static_cast<std::size_t>(i);
        const std::string container = program_containers_[at];
        rs::RecordFields f;
        f.record_number = program_numbers_[at];
        f.kind_code = rs::kind_code::kMessage;
        f.text_a = "0";
        f.subject = "an edited subject";
        f.container_name = container;
        f.start_date = f.end_date = "01/02/2025";
        f.start_time = "11:00:00";
        f.end_time = "11:00:01";
        f.duration = "00:00:01";
        core::RecordChange change;
        change.container_name = container;
        rs::RecordLine line;
        if (!rs::RecordLine::Parse(rs::RecordLine::Build(f).bytes, &line).ok())
            Die("edited line");
        change.line = line;
        rs::IndexRecord entry;
        entry.record_number = f.record_number;
        entry.kind_code = f.kind_code;
        entry.start_date = f.start_date;
        entry.keywords = "edited keywords";
        entry.mark_comments = "start";
        change.index_entry = entry;
        const core::RecordUpdateResult result = core::RecordUpdater(*session_).Update(change);
        if (!result.ok())
            Die(std::string("RecordUpdater: ") + core::RecordUpdateStatusText(result.status) + " " +
                result.detail);
        container_bytes_.push_back(
            static_cast<std::int64_t>(fs::file_size(working_.path() / container)));
    }

public:
    // The dialog's opening: the record's container into the working folder.
    void OpenForEdit(int i) {
        if (path_ != SavePath::kProgram)
            return;
        const rs::RecordingContainer container(program_containers_[static_cast<std::size_t>(i)],
                                               rs::MediaKind::kAudio);
        if (container.OpenFromStore(working_.path().string(), session_->store_path().string(),
                                    static_cast<int>(rs::MemberSelector::kDefault)) !=
            rs::ContainerResult::kDone) {
            Die("opening the record");
        }
    }

private:
    static std::string Stamp(int number) { return "20250201" + std::to_string(number); }
    static std::string Base(int number) { return "D" + Stamp(number); }

    void WriteRecordFiles(int number, const std::string& subject) {
        const fs::path base = working_.path() / Base(number);
        if (!fs::exists(base.string() + ".xrw"))
            std::ofstream(base.string() + ".xrw", std::ios::binary) << Wave(number);
        rs::RecordFields f;
        f.record_number = number;
        f.kind_code = rs::kind_code::kMessage;
        f.text_a = "0";
        f.subject = subject;
        f.container_name = Base(number) + ".xrz";
        f.start_date = f.end_date = "01/02/2025";
        f.start_time = "11:00:00";
        f.end_time = "11:00:01";
        f.duration = "00:00:01";
        const rs::RecordLineBuild line = rs::RecordLine::Build(f);
        if (!line.status.ok())
            Die("record line");
        std::ofstream(base.string() + ".xrl", std::ios::binary) << line.bytes;
        const std::vector<rs::IndexMark> marks = {rs::MakeIndexMark("00:00:00", "start")};
        if (!rs::WriteIndexMarkFile(base.string() + ".xrs", marks).ok())
            Die("marks");
    }

    void UpdateIndex(int number, std::int64_t position, const std::string& keywords,
                     std::int32_t (*change)(const Zn2IndexEntry*)) {
        const std::string index = (working_.path() / "Voxwren.xri").string();
        const std::string store = session_->store_path().string();
        const std::string working = working_.path().string();
        Zn2IndexEntry entry{};
        entry.index_path = index.c_str();
        entry.store_path = store.c_str();
        entry.working_folder = working.c_str();
        entry.record_number = number;
        entry.kind_code = "0";
        entry.start_date = "01/02/2025";
        entry.keywords = keywords.c_str();
        entry.mark_comments = "start";
        entry.line_position = position;
        if (change(&entry) == 0)
            Die("index");
    }

    // The record's new line written over its old one in the working log.
    static void ReplaceLineInWorkingLog(const fs::path& log, std::int64_t position,
                                        const fs::path& line_file) {
        std::ifstream in(line_file, std::ios::binary);
        std::string line(401, '\0');
        in.read(line.data(), 401);
        const int fd = ::open(log.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0 || ::pwrite(fd, line.data(), line.size(), position) != 401)
            Die("writing the log");
        ::close(fd);
    }

    // Deletion before the journal: the log rewritten through a copy, the
    // index entry removed, all nine components put, the container deleted.
    void DeleteWithWholeComponents(const core::SelectedRecord& record, std::int64_t position) {
        const fs::path log = working_.path() / "Voxwren.xrr";
        const fs::path copy = working_.path() / "Voxwren.xrr.tmp";
        fs::copy_file(log, copy, fs::copy_options::overwrite_existing);
        const std::string erased = core::ErasedRecordLine();
        const int fd = ::open(copy.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0 || ::pwrite(fd, erased.data(), erased.size(), position) != 401 ||
            ::fsync(fd) != 0) {
            Die("erasing the line");
        }
        ::close(fd);
        fs::rename(copy, log);
        const std::string index = (working_.path() / "Voxwren.xri").string();
        Zn2IndexEntry entry{};
        entry.index_path = index.c_str();
        entry.record_number = record.record_number;
        entry.kind_code = "0";
        Zn2IndexDel(&entry);
        std::vector<std::string> nine(core::SavedMembers().begin(), core::SavedMembers().end());
        if (core::StorePut(session_->store_path().string(), working_.path().string(), nine) !=
            core::kStoreOk) {
            Die("saving the store");
        }
        const std::string containers[] = {record.recording_file};
        core::StoreDelete(session_->store_path().string(), containers);
    }

    SavePath path_;
    core::WorkingFolder folder_;
    core::WorkingFolder working_;
    std::optional<core::DataStoreSession> session_;
    int first_number_ = 1;
    std::vector<std::int64_t> positions_;
    std::vector<std::int64_t> container_bytes_;
    std::vector<double> put_ms_;
    std::optional<core::ProfileFile> profile_;
    std::vector<std::int32_t> program_numbers_;
    std::vector<std::string> program_containers_;
};

// What the disk is doing now (it is shared): the median time of a 4 KiB
// write and fsync in the folder, over 10 tries.
double FsyncMilliseconds(const fs::path& folder) {
    const fs::path probe = folder / "fsync-probe";
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        Die("no probe file in " + folder.string());
    const std::string block(4096, 'p');
    std::vector<double> ms;
    for (int i = 0; i < 10; ++i) {
        const auto start = Clock::now();
        if (::write(fd, block.data(), block.size()) != 4096 || ::fsync(fd) != 0)
            Die("probe write");
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    ::close(fd);
    fs::remove(probe);
    return Median(ms);
}

std::string MedianText(const std::vector<double>& ms) {
    char text[32] = "-";
    if (!ms.empty())
        std::snprintf(text, sizeof text, "%.2f", Median(ms));
    return text;
}

void Print(const char* path, const char* operation, const Measured& measured,
           std::int64_t container_bytes, const std::vector<double>& container_ms) {
    std::printf("%-17s %-7s %9.2f %9.2f %9.2f %12.0f %12lld %12s\n", path, operation,
                Median(measured.ms), Mean(measured.ms), Median(measured.cpu_ms),
                Mean(measured.growth_bytes), static_cast<long long>(container_bytes),
                MedianText(container_ms).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const char* tmp = std::getenv("TMPDIR");
    const fs::path root = argc > 1 ? fs::path(argv[1]) : fs::path(tmp && *tmp ? tmp : "/tmp");
    std::vector<int> sizes;
    std::vector<SavePath> paths = {SavePath::kWholeComponents, SavePath::kProgram};
    for (int i = 2; i < argc; ++i) {
        if (std::string(argv[i]) == "--program-only")
            paths = {SavePath::kProgram};
        else
            sizes.push_back(std::atoi(argv[i]));
    }
    if (sizes.empty())
        sizes = {1000, 10000};

    for (int records : sizes) {
        std::printf("\n%d records (%d operations of each kind)\n", records, kOperations);
        std::printf("%-17s %-7s %9s %9s %9s %12s %12s %12s\n", "path", "op", "median ms", "mean ms",
                    "cpu ms", "growth B/op", "container B", "container ms");
        for (SavePath path : paths) {
            Bench bench(root, records, path);
            const Measured saves = bench.Run([&](int i) { bench.Save(i); });
            Print(NameOf(path), "save", saves, bench.ContainerBytes(), bench.TakeContainerTimes());
            const Measured edits =
                bench.Run([&](int i) { bench.Edit(i); }, [&](int i) { bench.OpenForEdit(i); });
            Print(NameOf(path), "edit", edits, bench.ContainerBytes(), bench.TakeContainerTimes());
            const Measured deletes = bench.Run([&](int i) { bench.Delete(i); });
            Print(NameOf(path), "delete", deletes, 0, {});
            const std::int64_t journal_bytes = bench.JournalBytes();
            std::int64_t close_growth = 0;
            const double close_ms = bench.Close(&close_growth);
            std::printf(
                "%-17s close: %.1f ms, store grew %lld B (journal was %lld B); "
                "a 4 KiB fsync took %.2f ms\n",
                NameOf(path), close_ms, static_cast<long long>(close_growth),
                static_cast<long long>(journal_bytes), FsyncMilliseconds(root));
        }
    }
    return 0;
}
