// Zn2Fmt: plain-text reports of stored records, for printing, e-mail and
// text export. One function per record kind; each takes the data store
// path, the working folder, the record's container file name (B + ".xrz",
// or B + ".xrv" for video, without folder) and the index file path, and
// returns the report. The container is extracted into the working folder,
// and the files extracted for the report (and the container copy) are
// deleted afterwards.
//
// The report is exactly "filerr" when the record line cannot be read;
// callers treat that text as the failure signal. Report layouts:
// docs/formats/record-report.md.
#pragma once

#include <string>

// Messages and dictations (kind codes 0 and 5).
std::string Zn2FmtMessage(const char* store_path, const char* working_folder,
                          const char* container_name, const char* index_path);
// Video records (kind code 9).
std::string Zn2FmtVideo(const char* store_path, const char* working_folder,
                        const char* container_name, const char* index_path);
// Translations (kind codes 11 to 16): adds the original and translated texts.
std::string Zn2FmtTrans(const char* store_path, const char* working_folder,
                        const char* container_name, const char* index_path);
// Meetings (kind code 1): adds the agenda kept after the record line.
std::string Zn2FmtMeeting(const char* store_path, const char* working_folder,
                          const char* container_name, const char* index_path);
// Phone calls (kind codes 2 and 3).
std::string Zn2FmtPhone(const char* store_path, const char* working_folder,
                        const char* container_name, const char* index_path);
// Diary entries (kind code 4).
std::string Zn2FmtDiary(const char* store_path, const char* working_folder,
                        const char* container_name, const char* index_path);
