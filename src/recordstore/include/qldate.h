/* Date, time and duration texts.
 *
 *  date text          "dd/mm/yyyy"   (no space)
 *  time-of-day text   "HH:MM:SS"     (the first five characters are "HH:MM")
 *  duration text      "hh:mm:ss"     ("00:00:00" is nothing recorded; hours
 *                                     grow past two digits only after 99 h)
 *
 * The current time comes from the local clock installed through
 * kivo/recordstore/clock.h (the system clock unless a test replaced it).
 * Every function writes into a buffer the caller owns, which must hold at
 * least QLDATE_BUFFER_BYTES bytes. */
#ifndef KIVO_QLDATE_H
#define KIVO_QLDATE_H

#include <stdint.h>

#define QLDATE_BUFFER_BYTES 32

#ifdef __cplusplus
extern "C" {
#endif

/* Current date and time as two words: "dd/mm/yyyy HH:MM:SS". A record's
 * start and end are written this way and occupy two record-line fields. */
char* LogDate(char* out);

/* A file-name-safe stamp of the current time as one word of 17 digits,
 * "yyyymmddHHMMSSmmm". Stamps are unique within the process: a stamp that
 * would not be greater than the previous one is the previous one plus one. */
char* DateStamp(char* out);

/* Current date and time as shown on screen: "dd/mm/yyyy HH:MM:SS". */
char* DisplayDate(char* out);

/* Current time of day "HH:MM:SS" and current date "dd/mm/yyyy". */
char* ClockTime(char* out);
char* ClockDate(char* out);

/* The time from start to end (seconds since 1970, as from time()) as a
 * duration text; "00:00:00" when end is before start. */
char* CallDuration(int64_t start, int64_t end, char* out);

/* Milliseconds as a duration text (whole seconds, rounded down); negative
 * values give "00:00:00". */
char* conv_millisec(int64_t milliseconds, char* out);

/* Milliseconds in a duration text "h:mm:ss" (one or more hour digits, two
 * minute and two second digits below 60). Malformed text gives 0. */
int64_t conv_duration(const char* duration_text);

/* The time left before a planned end, as a signed duration text:
 * "+hh:mm:ss" while time remains (also "+00:00:00" exactly at the end),
 * "-hh:mm:ss" once it is past. planned_end and now are time-of-day texts
 * "HH:MM:SS" (callers append ":00" to "HH:MM"). Times of day wrap at
 * midnight: a difference is taken within half a day either way, so an end
 * at 00:30 seen at 23:50 leaves "+00:40:00". Malformed text gives
 * "+00:00:00". */
char* TimeLeft(char* out, const char* planned_end, const char* now);

#ifdef __cplusplus
}
#endif

#endif /* KIVO_QLDATE_H */
