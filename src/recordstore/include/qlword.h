/* Words of a text: the text between two consecutive single spaces, or
 * between the start of the text and the first space. Every single space
 * separates two words, so two spaces in a row enclose an empty word, and
 * empty words count when words are numbered (from 1). A record line is a
 * sequence of such words; a space inside a field is stored as the byte 0xAC.
 * C++ callers: kivo/recordstore/words.h. */
#ifndef KIVO_QLWORD_H
#define KIVO_QLWORD_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Copies word n (counted from 1) of the NUL-terminated text into out,
 * NUL-terminated. out must hold strlen(text) + 1 bytes (a word is never
 * longer than its text). Returns 1 when the text has a word n; otherwise
 * (n < 1 or past the last word) writes the empty text and returns 0. */
int32_t word_find(const char* text, char* out, int32_t n);

/* The number of words of the text: the number of single spaces plus one;
 * 0 for an empty text or a null pointer. */
int32_t word_count(const char* text);

#ifdef __cplusplus
}
#endif

#endif /* KIVO_QLWORD_H */
