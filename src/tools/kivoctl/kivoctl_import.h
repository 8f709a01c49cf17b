// kivoctl import STORE FILE...: recording files (".xrz") and audio files
// (WAV, MP3, OGG, WMA) made new records of the store, as the window's
// import commands and dropped files make them: new record numbers from the
// user's profile ("RecID", the same counter the program uses), the keywords
// a recording carries, kind "5" records from audio files at the profile's
// recording quality. Each file is imported or refused alone; one line per
// file tells which, and why.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kivo::kivoctl {

// arguments: "import", the store, the files. The exit status: 0 when every
// file was imported, 1 when one failed (the others still imported), 2 for a
// usage fault, 3 when another writer holds the store.
int CommandImport(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace kivo::kivoctl
