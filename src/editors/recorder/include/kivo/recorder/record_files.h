// RecordFiles: the temporary files of one record in the working folder, all
// named by one rule: the record's base name B and an extension. A new
// record's B is "D" + a stamp taken from the clock (DateStamp, unique within
// the program); a stored record's B is its container's name without ".xrz".
// The files are the wave B.xrw, the index-mark file B.xrs, the record line
// B.xrl, the container B.xrz and the picture B.GIF or B.JPG.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "kivo/recordstore/record_picture.h"

namespace kivo::recorder {

class RecordFiles {
public:
    // A new record, named by a fresh stamp.
    static RecordFiles ForNewRecord(std::filesystem::path working_folder);
    // A stored record, by its container's name ("D" + stamp + ".xrz"):
    // nullopt when the name is not a plain file name ending with ".xrz"
    // (nothing that could reach outside the working folder).
    static std::optional<RecordFiles> ForStoredRecord(std::filesystem::path working_folder,
                                                      const std::string& container_name);

    const std::filesystem::path& working_folder() const { return working_folder_; }
    const std::string& base_name() const { return base_name_; }
    // B without its leading "D" (the stamp a new record's save is given).
    const std::string& stamp() const { return stamp_; }

    // B + extension, as a name and as a path in the working folder.
    std::string Name(std::string_view extension) const;
    std::filesystem::path Path(std::string_view extension) const;

    std::filesystem::path wave_path() const;
    std::filesystem::path marks_path() const;
    std::filesystem::path line_path() const;
    std::string container_name() const;
    std::filesystem::path container_path() const;
    // B.GIF or B.JPG; empty for no picture.
    std::string PictureName(recordstore::PictureType type) const;

    // Removes every temporary file of the record: wave, marks, line,
    // container, pictures (in either case), and what an interrupted wave
    // save leaves ("temp.xrw", the name WaveDocument saves through).
    void RemoveAll() const;

private:
    RecordFiles(std::filesystem::path working_folder, std::string base_name);

    std::filesystem::path working_folder_;
    std::string base_name_;
    std::string stamp_;
};

}  // namespace kivo::recorder
