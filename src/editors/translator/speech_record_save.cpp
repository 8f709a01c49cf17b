// Saving a spoken text as a dictation or a meeting (see speech_record_save.h).
#include "kivo/translator/speech_record_save.h"

#include <tuple>

#include "kivo/recorder/log_date.h"
#include "kivo/recorder/record_saving.h"
#include "kivo/recordstore/clock.h"
#include "kivo/recordstore/record_save.h"
#include "kivo/translator/text_keywords.h"
#include "kivo/translator/translation_save.h"
#include "spoken_wave.h"

namespace kivo::translator {

int SpeechRecordSave::SaveNew(const SpeechDraft& draft, SpokenRecordKind kind) {
    if (draft.text.empty())
        return 0;
    const int spoken = Speak(draft);
    return spoken != 0 ? spoken : Store(draft, kind);
}

int SpeechRecordSave::Speak(const SpeechDraft& draft) {
    spoken_ = false;
    const speech::SpeechRequest request{
        draft.text, draft.voice_name, draft.rate_wpm > 0 ? draft.rate_wpm : speech::kNormalRateWpm};
    const SpokenRecordWave wave = SpeakRecordWave(request, target_.recording_quality, files_);
    if (wave.message != 0)
        return wave.message;
    length_ms_ = wave.length_ms;
    end_log_date_ = wave.end_log_date;
    spoken_ = true;
    return 0;
}

int SpeechRecordSave::Store(const SpeechDraft& draft, SpokenRecordKind kind) {
    if (!spoken_)
        return kMessageCannotCreateRecording;
    const std::string& end_log_date = end_log_date_;
    const std::int64_t length_ms = length_ms_;
    const bool meeting = kind == SpokenRecordKind::kMeeting;
    recorder::NewRecord record;
    recordstore::RecordFields& fields = record.fields;
    fields.kind_code.assign(1, meeting ? '1' : '0');
    fields.text_a.assign(1, '0');
    fields.subject = draft.subject.empty() ? kDefaultSpeechSubject : draft.subject;
    fields.container_name = files_.container_name();
    std::tie(fields.start_date, fields.start_time) =
        recorder::SplitLogDate(draft.start_log_date.empty() ? end_log_date : draft.start_log_date);
    std::tie(fields.end_date, fields.end_time) = recorder::SplitLogDate(end_log_date);
    fields.duration = recordstore::DurationText(length_ms);
    fields.recording_quality = std::to_string(target_.recording_quality);
    record.log =
        meeting ? recordstore::RecordLogKind::kMeetings : recordstore::RecordLogKind::kMessages;
    record.keywords = TranslationKeywords("", draft.text, "");

    recorder::NewRecordSave save(target_, files_);
    const int result = save.Save(record);
    record_number_ = save.record_number();
    stored_ = save.stored();
    if (stored_)
        files_.RemoveAll();
    return result;
}

}  // namespace kivo::translator
