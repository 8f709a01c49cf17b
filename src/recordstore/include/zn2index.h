/* Zn2Index: the record index, the search fields of every record that do not
 * fit into its record line (keywords and index-mark comments), kept in the
 * data store's "Voxwren.xri". C++ callers: kivo/recordstore/record_index.h.
 * File layout: docs/formats/record-index.md.
 *
 * The file is a sequence of entries, each an 8-character decimal length L,
 * then L bytes of entry and a line feed, so a reader can go through it entry
 * by entry and take fields with Zn2IndexField. */
#ifndef KIVO_ZN2INDEX_H
#define KIVO_ZN2INDEX_H

#include <stddef.h>
#include <stdint.h>

/* Buffers: Zn2IndexRead writes at most 5000 bytes with its NUL;
 * Zn2IndexField at most ZN2INDEX_FIELD_BUFFER_BYTES. */
#define ZN2INDEX_KEYWORDS_BUFFER_BYTES 5000
#define ZN2INDEX_FIELD_BUFFER_BYTES 5001

/* Field numbers of a stored entry for Zn2IndexField. */
enum {
    ZN2INDEX_FIELD_RECORD_NUMBER = 0, /* "%08d"; "00000000" marks a dead entry */
    ZN2INDEX_FIELD_KIND = 1,          /* kind code, as field 2 of the record line */
    ZN2INDEX_FIELD_DATE = 2,          /* start date as yyyymmdd, "0" when unknown */
    ZN2INDEX_FIELD_KEYWORDS = 3,      /* at most 4999 bytes */
    ZN2INDEX_FIELD_MARK_COMMENTS = 4, /* at most 5000 bytes */
    ZN2INDEX_FIELD_START_DATE = 5,    /* start date as the entry gave it */
    ZN2INDEX_FIELD_MOVED = 6,         /* "1" when compaction moved the line */
    ZN2INDEX_FIELD_POSITION = 9       /* byte position of the record line */
};

/* The entry that callers fill and pass by address (the ten slots). Texts
 * are NUL-terminated UTF-8; a null text reads as empty. */
typedef struct Zn2IndexEntry {
    const char* index_path;     /* 1: the index file */
    const char* store_path;     /* 2: the open data store (not kept) */
    const char* working_folder; /* 3: its working folder (not kept) */
    int32_t record_number;      /* 4: word 1 of the record line */
    const char* kind_code;      /* 5: field 2 of the record line */
    const char* start_date;     /* 6: field 8 of the record line, "dd/mm/yyyy" */
    const char* keywords;       /* 7: up to 4999 bytes; CR, LF, TAB become spaces */
    const char* mark_comments;  /* 8: up to 5000 bytes; " " when none */
    int64_t line_position;      /* 9: byte position of the line in its record log */
    int32_t moved;              /* 10: 0 added or edited; 1 moved by compaction */
} Zn2IndexEntry;

#ifdef __cplusplus
extern "C" {
#endif

/* Adds the record's entry (replacing any earlier entry of the same record
 * number, so a record never has two). Non-zero on success. */
int32_t Zn2IndexAdd(const Zn2IndexEntry* entry);

/* Replaces the stored fields of the record's entry (adding it when the index
 * has none). Non-zero on success. */
int32_t Zn2IndexUpd(const Zn2IndexEntry* entry);

/* Removes the record's entry. Non-zero when an entry was removed. */
int32_t Zn2IndexDel(const Zn2IndexEntry* entry);

/* Writes the keywords of the record into out (at most 4999 bytes and a NUL;
 * out must hold ZN2INDEX_KEYWORDS_BUFFER_BYTES). Non-zero when the record has
 * an entry; otherwise out is left as it was. */
int32_t Zn2IndexRead(int32_t record_number, const char* index_path, char* out);

/* Copies field field_number of a stored entry (the entry's bytes as read
 * from the file, ending with its line feed or a NUL) into text, NUL-
 * terminated, at most ZN2INDEX_FIELD_BUFFER_BYTES bytes with the NUL.
 * Returns 1, or 0 (text empty) when the entry has no such field. */
int32_t Zn2IndexField(int32_t field_number, const char* entry, char* text);

/* Called by the playback dialogs after Zn2IndexUpd with the same entry and
 * the path of the record's index-mark file: the record's mark comments are
 * refreshed from that file. Non-zero on success. */
int32_t Zn2IndexSFS(const Zn2IndexEntry* entry, const char* index_mark_path);

#ifdef __cplusplus
}
#endif

#endif /* KIVO_ZN2INDEX_H */
