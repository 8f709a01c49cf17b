/* In-place replacement of one string by another of the same length. */
#ifndef KIVO_QLREP1_H
#define KIVO_QLREP1_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Replaces, in place, every occurrence of find in the NUL-terminated text by
 * replace, scanning left to right without overlap. find and replace must be
 * non-empty and of the same length, so the text never changes length;
 * otherwise nothing is done and -1 is returned. Returns the number of
 * replacements.
 *
 * Text is UTF-8. When find is the single byte 0xAC (the stored form of a
 * space inside a record-line field), only a 0xAC that stands alone is
 * replaced: a 0xAC that continues a valid multi-byte UTF-8 character (as in
 * "ì", C3 AC, or Greek "ά", CE AC) belongs to that character and is kept.
 * In every other case find is matched byte for byte. */
int32_t strstrrep(char* text, const char* find, const char* replace);

#ifdef __cplusplus
}
#endif

#endif /* KIVO_QLREP1_H */
