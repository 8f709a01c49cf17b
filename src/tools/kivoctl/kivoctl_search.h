// kivoctl search STORE.xrt [--from DATE] [--to DATE] [--area AREA] [--smart]
//                          [--statistics] [WORDS...]
//
// Prints the rows the search dialog lists for the same choices, tab
// separated under the titles "ID", "Date" and "Information", in index order.
// Dates are "dd/mm/yyyy" or "yyyy-mm-dd", both included; AREA is dictation,
// meeting, phone, diary, translation, video or all (every kind but video,
// the default). --statistics adds, after an empty line, the "Word" and
// "Matches" table. Nothing found: the program's message on the error stream
// and exit status 1. Reads only; the store is never written.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kivo::kivoctl {

int CommandSearch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kivo::kivoctl
