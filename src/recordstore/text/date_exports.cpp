// The C date helpers (qldate.h, zn2dtcmp.h, zn2srch.h) over clock.h.
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>

#include "kivo/recordstore/clock.h"
#include "kivo/recordstore/text_encoding.h"
#include "qldate.h"
#include "zn2dtcmp.h"
#include "zn2srch.h"

namespace rs = kivo::recordstore;

namespace {

char* CopyOut(const std::string& text, char* out, std::size_t buffer_bytes) {
    if (out == nullptr) {
        return out;
    }
    const std::string_view fitting = rs::CutAtCharBoundary(text, buffer_bytes - 1);
    std::memcpy(out, fitting.data(), fitting.size());
    out[fitting.size()] = '\0';
    return out;
}

char* CopyDateOut(const std::string& text, char* out) {
    return CopyOut(text, out, QLDATE_BUFFER_BYTES);
}

std::string DateAndTime(const rs::LocalDateTime& now) {
    return rs::FormatDateText(now) + " " + rs::FormatTimeText(now);
}

// A date text with an optional time of day after one space.
struct DateSortKey {
    bool is_date = false;
    std::int32_t date = 0;
    int seconds = -1;  // no time given
};

DateSortKey SortKeyOf(std::string_view text) {
    const std::size_t space = text.find(' ');
    const auto date = rs::ParseDateText(text.substr(0, space));
    if (!date) {
        return {};
    }
    DateSortKey key{true, date->AsNumber(), -1};
    if (space != std::string_view::npos) {
        key.seconds = rs::ParseTimeOfDaySeconds(text.substr(space + 1)).value_or(-1);
    }
    return key;
}

int Sign(long long value) {
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

}  // namespace

extern "C" char* LogDate(char* out) {
    return CopyDateOut(DateAndTime(rs::CurrentLocalTime()), out);
}

extern "C" char* DateStamp(char* out) {
    static std::mutex mutex;
    static long long last_stamp = 0;
    long long stamp = std::atoll(rs::FormatStampText(rs::CurrentLocalTime()).c_str());
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (stamp <= last_stamp) {
            stamp = last_stamp + 1;
        }
        last_stamp = stamp;
    }
    return CopyDateOut(std::to_string(stamp), out);
}

extern "C" char* DisplayDate(char* out) {
    return CopyDateOut(DateAndTime(rs::CurrentLocalTime()), out);
}

extern "C" char* ClockTime(char* out) {
    return CopyDateOut(rs::FormatTimeText(rs::CurrentLocalTime()), out);
}

extern "C" char* ClockDate(char* out) {
    return CopyDateOut(rs::FormatDateText(rs::CurrentLocalTime()), out);
}

extern "C" char* CallDuration(int64_t start, int64_t end, char* out) {
    const int64_t seconds = end > start ? end - start : 0;
    return CopyDateOut(rs::DurationText(seconds * 1000), out);
}

extern "C" char* conv_millisec(int64_t milliseconds, char* out) {
    return CopyDateOut(rs::DurationText(milliseconds), out);
}

extern "C" int64_t conv_duration(const char* duration_text) {
    if (duration_text == nullptr) {
        return 0;
    }
    return rs::ParseDurationMilliseconds(duration_text).value_or(0);
}

extern "C" char* TimeLeft(char* out, const char* planned_end, const char* now) {
    constexpr int kDaySeconds = 24 * 3600;
    const auto end_seconds = rs::ParseTimeOfDaySeconds(planned_end ? planned_end : "");
    const auto now_seconds = rs::ParseTimeOfDaySeconds(now ? now : "");
    int left = 0;
    if (end_seconds && now_seconds) {
        left = *end_seconds - *now_seconds;
        if (left > kDaySeconds / 2) {
            left -= kDaySeconds;
        } else if (left <= -kDaySeconds / 2) {
            left += kDaySeconds;
        }
    }
    const std::string text =
        std::string(left < 0 ? "-" : "+") + rs::DurationText((left < 0 ? -left : left) * 1000LL);
    return CopyDateOut(text, out);
}

extern "C" int32_t DtCmpddmmyyyy(const char* a, const char* b) {
    const std::string_view text_a = a ? a : "";
    const std::string_view text_b = b ? b : "";
    const DateSortKey key_a = SortKeyOf(text_a);
    const DateSortKey key_b = SortKeyOf(text_b);
    if (key_a.is_date != key_b.is_date) {
        return key_a.is_date ? 1 : -1;
    }
    if (!key_a.is_date) {
        return Sign(text_a.compare(text_b));
    }
    if (key_a.date != key_b.date) {
        return Sign(static_cast<long long>(key_a.date) - key_b.date);
    }
    return Sign(static_cast<long long>(key_a.seconds) - key_b.seconds);
}

extern "C" char* Zn2FormatDate(const char* record_date, char* out) {
    const std::string_view text = record_date ? record_date : "";
    auto date = rs::ParseDateNumber(text);
    if (!date) {
        date = rs::ParseDateText(text);
    }
    if (!date) {
        return CopyOut(std::string(text), out, ZN2_FORMAT_DATE_BUFFER_BYTES);
    }
    rs::LocalDateTime as_time;
    as_time.year = date->year;
    as_time.month = date->month;
    as_time.day = date->day;
    return CopyOut(rs::FormatDateText(as_time), out, ZN2_FORMAT_DATE_BUFFER_BYTES);
}
