// Checking and unpacking one recording file (see unpacked_recording.h).
#include "unpacked_recording.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <iterator>

#include "container_check.h"
#include "kivo/recordstore/data_store.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/recording_container.h"
#include "player_texts.h"
#include "wave_decompression.h"

namespace kivo::player {
namespace {

// Fields 15 to 24 of the record line hold the stored sound effects.
constexpr int kFirstEffectField = 15;
constexpr int kStoredEffectFields = 10;

std::string Utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

// A member name extension of the container layout (".xrs" ...).
QString Extension(std::string_view extension) {
    return QString::fromLatin1(extension.data(), static_cast<qsizetype>(extension.size()));
}

bool IsKnownKind(const QString& kind) {
    static const char* const kKinds[] = {"0",  "1",  "2",  "3",  "4",  "5", "9",
                                         "11", "12", "13", "14", "15", "16"};
    return std::any_of(std::begin(kKinds), std::end(kKinds),
                       [&](const char* known) { return kind == QLatin1String(known); });
}

}  // namespace

QString UnpackedRecording::folder() const {
    return folder_ ? folder_->path() : QString();
}

std::int64_t UnpackedRecording::stated_length_ms() const {
    return std::max<std::int64_t>(0, ParseHms(duration_text_));
}

OpenResult UnpackedRecording::Unpack(const QString& recording_path) {
    Remove();
    const QFileInfo file(recording_path);
    recording_path_ = file.absoluteFilePath();
    video_ = file.suffix().compare(QLatin1String("xrv"), Qt::CaseInsensitive) == 0;

    const std::string container = Utf8(recording_path_);
    const ContainerProblem problem = CheckContainer(container);
    if (problem != ContainerProblem::kNone)
        return Fail(OpenResult::kCorrupt, kCorruptOrInUse, ContainerProblemText(problem));
    folder_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/kvmp-XXXXXX"));
    if (!folder_->isValid())
        return Fail(OpenResult::kCorrupt, kCorruptOrInUse, kNoTemporaryFolder);
    const std::string folder = Utf8(folder_->path());
    const recordstore::ContainerResult unpacked = recordstore::RecordingContainer::OpenStandAlone(
        container, folder,
        video_ ? recordstore::MediaKind::kVideo : recordstore::MediaKind::kAudio);
    if (unpacked != recordstore::ContainerResult::kDone)
        return Fail(OpenResult::kCorrupt, kCorruptOrInUse,
                    ContainerProblemText(ContainerProblem::kDamaged));

    // The components are named after the file: its name up to the last '.'.
    const QString stem = file.fileName().left(file.fileName().lastIndexOf(QLatin1Char('.')));
    const QString base = folder_->path() + QLatin1Char('/') + stem;
    marks_ = LoadMarks(Utf8(base + Extension(recordstore::kIndexMarksExtension)));
    ReadRecordLine(Utf8(base + Extension(recordstore::kRecordLineExtension)));
    if (video_) {
        video_path_ = base + Extension(recordstore::kVideoMediaExtension);
    } else {
        wave_path_ = base + Extension(recordstore::kAudioMediaExtension);
        reversed_wave_path_ = base + QStringLiteral(".wbc");
        if (!MakeWavePlayable())
            return Fail(OpenResult::kUnplayable, kUnableToPlay);
    }
    FindPicture(Utf8(stem));
    return OpenResult::kOpened;
}

OpenResult UnpackedRecording::Fail(OpenResult result, const char* text, const char* reason) {
    Remove();
    failure_text_ = text;
    failure_reason_ = reason;
    return result;
}

bool UnpackedRecording::MakeWavePlayable() {
    if (Zn2WavCheck(Utf8(wave_path_)) != 0)
        return true;
    const QString decompressed = folder_->path() + QStringLiteral("/xrcomp.ogg");
    if (Zn2WavDeCompX(Utf8(wave_path_), Utf8(decompressed)) > 0)
        return false;
    QFile::remove(wave_path_);
    QFile::rename(decompressed, wave_path_);
    return true;
}

void UnpackedRecording::ReadRecordLine(const std::string& path) {
    recordstore::RecordLine line;
    if (!recordstore::RecordLine::ReadFile(path, &line).ok()) {
        record_status_ = QString::fromLatin1(kUnknownType);
        return;
    }
    kind_code_ = QString::fromUtf8(line.StoredField(recordstore::record_field::kKindCode));
    record_number_ = QString::fromUtf8(line.StoredField(recordstore::record_field::kRecordNumber));
    subject_ = QString::fromStdString(line.DisplayField(recordstore::record_field::kSubject));
    start_date_ =
        QString::fromStdString(line.DisplayField(recordstore::record_field::kStartDate)).trimmed();
    start_time_ =
        QString::fromStdString(line.DisplayField(recordstore::record_field::kStartTime)).trimmed();
    duration_text_ =
        QString::fromStdString(line.DisplayField(recordstore::record_field::kDuration));
    std::vector<std::string> stored;
    for (int n = kFirstEffectField; n < kFirstEffectField + kStoredEffectFields; ++n)
        stored.emplace_back(line.FieldText(n));
    stored_effects_ = audio::DecodeStoredEffects(stored);

    record_status_.clear();
    if (stored_effects_.any_stored)
        record_status_ = QString::fromLatin1(kSavedEffects);
    if (stored_effects_.edited_marker && kind_code_ != QLatin1String("5"))
        record_status_ = QString::fromLatin1(kNotOriginal);
    if (kind_code_ == QLatin1String("5"))
        record_status_ = QString::fromLatin1(kNotOriginal);
    else if (!IsKnownKind(kind_code_))
        record_status_ = QString::fromLatin1(kUnknownType);
}

void UnpackedRecording::FindPicture(const std::string& stem) {
    bool gif = false;
    const std::string name = ContainerPictureName(Utf8(recording_path_), stem, &gif);
    if (name.empty())
        return;
    const QString path = folder_->path() + QLatin1Char('/') + QString::fromStdString(name);
    if (!QFileInfo::exists(path)) {
        const std::string folder = Utf8(folder_->path());
        if (!recordstore::DataStore(Utf8(recording_path_)).ExtractMember(name, folder))
            return;
    }
    picture_path_ = path;
    picture_type_ = gif ? PictureType::kGif : PictureType::kJpg;
}

void UnpackedRecording::Remove() {
    folder_.reset();  // removes the folder and everything unpacked into it
    video_ = false;
    wave_path_.clear();
    reversed_wave_path_.clear();
    video_path_.clear();
    marks_.clear();
    kind_code_.clear();
    record_number_.clear();
    subject_.clear();
    start_date_.clear();
    start_time_.clear();
    duration_text_.clear();
    stored_effects_ = audio::StoredEffects{};
    record_status_.clear();
    picture_path_.clear();
    picture_type_ = PictureType::kNone;
    failure_text_ = nullptr;
    failure_reason_ = "";
}

}  // namespace kivo::player
