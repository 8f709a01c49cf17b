/* Calendar order of date texts. */
#ifndef KIVO_ZN2DTCMP_H
#define KIVO_ZN2DTCMP_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Compares two date texts "dd/mm/yyyy" (one-digit day and month accepted),
 * each optionally followed by a space and a time-of-day text, by calendar
 * order and then by time of day. Returns a negative number, 0 or a positive
 * number. A text that is not a date sorts before every date; two such texts
 * compare byte for byte. A null pointer reads as the empty text. */
int32_t DtCmpddmmyyyy(const char* a, const char* b);

#ifdef __cplusplus
}
#endif

#endif /* KIVO_ZN2DTCMP_H */
