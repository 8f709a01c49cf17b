// The directory as the file holds it, built in memory to be written in one
// piece: per entry the 99-byte "XR01" entry (or 48-byte "XR00" record) with
// continuation 1 in all but the last, then the name.
//
// A directory read from a kept encoding (RepositoryDirectory::encoding, the
// bytes the file was found to hold) is not encoded again: the entries changed
// since are encoded over their old bytes, and only the entries added since
// are encoded after them. A store of one member into a
// repository of 10,000 thus encodes one or two entries, not 10,000; the
// bytes are the same either way.
#pragma once

#include <cstddef>
#include <cstdint>

#include "repository_directory.h"
#include "repository_header.h"

namespace kivo::repository {

// Makes the directory's encoding that of its entries as they are now, and
// returns it. The kept bytes are changed where they lie when they have room
// for the entries added.
const DirectoryEncoding& EncodeDirectory(RepositoryDirectory& directory, FormatVersion version,
                                         std::uint64_t repository_start);

// Whether a write of the encoded directory that stopped after `written`
// bytes stopped inside a name (else inside an entry).
bool StoppedInName(const RepositoryDirectory& directory, FormatVersion version,
                   std::size_t written);

}  // namespace kivo::repository
