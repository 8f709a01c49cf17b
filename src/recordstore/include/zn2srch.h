/* Date formatting for the search and record lists. */
#ifndef KIVO_ZN2SRCH_H
#define KIVO_ZN2SRCH_H

#include <stdint.h>

#define ZN2_FORMAT_DATE_BUFFER_BYTES 32

#ifdef __cplusplus
extern "C" {
#endif

/* Writes a record's date as a date text "dd/mm/yyyy". The date may be given
 * as the record index keeps it (eight digits "yyyymmdd") or as a record-line
 * date word ("dd/mm/yyyy", "d/m/yyyy"). Anything else is copied as it is,
 * cut to fit. out must hold ZN2_FORMAT_DATE_BUFFER_BYTES bytes. Returns out. */
char* Zn2FormatDate(const char* record_date, char* out);

#ifdef __cplusplus
}
#endif

#endif /* KIVO_ZN2SRCH_H */
