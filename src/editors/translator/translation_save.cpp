// Saving a spoken translation (see translation_save.h).
#include "kivo/translator/translation_save.h"

#include <fstream>
#include <system_error>
#include <tuple>

#include "kivo/recorder/log_date.h"
#include "kivo/recorder/record_saving.h"
#include "kivo/recorder/recorder_messages.h"
#include "kivo/recordstore/clock.h"
#include "kivo/recordstore/record_save.h"
#include "kivo/speech/speech_synthesizer.h"
#include "kivo/translation/language_names.h"
#include "kivo/translator/text_keywords.h"
#include "spoken_wave.h"

namespace kivo::translator {
namespace {

constexpr const char* kOriginalTextExtension = ".xr1";
constexpr const char* kTranslatedTextExtension = ".xr2";

bool WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    return !file.fail();
}

}  // namespace

int TranslationSave::SaveNew(const TranslationDraft& draft) {
    if (draft.translated_text.empty())
        return 0;
    const int spoken = Speak(draft);
    return spoken != 0 ? spoken : Store(draft);
}

int TranslationSave::Speak(const TranslationDraft& draft) {
    spoken_ = false;
    const speech::SpeechRequest speech{
        draft.translated_text, draft.voice_name,
        draft.rate_wpm > 0 ? draft.rate_wpm : speech::kNormalRateWpm};
    const SpokenRecordWave wave = SpeakRecordWave(speech, target_.recording_quality, files_);
    if (wave.message != 0)
        return wave.message;
    if (!WriteText(files_.Path(kOriginalTextExtension), draft.original_text) ||
        !WriteText(files_.Path(kTranslatedTextExtension), draft.translated_text))
        return recorder::kMessageMissingFile;
    length_ms_ = wave.length_ms;
    end_log_date_ = wave.end_log_date;
    spoken_ = true;
    return 0;
}

int TranslationSave::Store(const TranslationDraft& draft) {
    if (!spoken_)
        return kMessageCannotCreateRecording;
    const std::string& end_log_date = end_log_date_;
    const std::int64_t length_ms = length_ms_;
    recorder::NewRecord record;
    recordstore::RecordFields& fields = record.fields;
    fields.kind_code = std::to_string(translation::TranslationKindCode(draft.result_language));
    fields.text_a.assign(1, '0');  // assign: GCC 12 warns wrongly on = "0" here
    fields.text_b = draft.translation_code;
    fields.subject = draft.subject;
    fields.container_name = files_.container_name();
    std::tie(fields.start_date, fields.start_time) =
        recorder::SplitLogDate(draft.start_log_date.empty() ? end_log_date : draft.start_log_date);
    std::tie(fields.end_date, fields.end_time) = recorder::SplitLogDate(end_log_date);
    fields.duration = recordstore::DurationText(length_ms);
    fields.recording_quality = std::to_string(target_.recording_quality);
    record.log = recordstore::RecordLogKind::kMessages;
    record.extra_members = {files_.Name(kOriginalTextExtension),
                            files_.Name(kTranslatedTextExtension)};
    record.keywords =
        TranslationKeywords(draft.keywords, draft.original_text, draft.translated_text);

    recorder::NewRecordSave save(target_, files_);
    const int result = save.Save(record);
    record_number_ = save.record_number();
    stored_ = save.stored();
    if (stored_) {
        std::error_code error;
        std::filesystem::remove(files_.Path(kOriginalTextExtension), error);
        std::filesystem::remove(files_.Path(kTranslatedTextExtension), error);
        files_.RemoveAll();
    }
    return result;
}

}  // namespace kivo::translator
