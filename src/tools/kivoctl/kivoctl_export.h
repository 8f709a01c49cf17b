// kivoctl export: recordings of a data store written to a folder, as Kivo
// recording files (".xrz", with their keywords and, with --lock, locked) or
// as WAV, MP3, OGG or WMA files with tags and chapters.
//
//   kivoctl export STORE --to DIR [--format xrz|wav|mp3|ogg|wma] [--lock]
//                  [--compress] [--voice] ID...
//
// The store is only read. A file that exists in DIR is never replaced: that
// record is reported and the others are exported. Exit 0 when every record
// was exported, 1 otherwise, 2 for a bad command line.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kivo::kivoctl {

int CommandExport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kivo::kivoctl
