// How a member's bytes look as text, for RPS_LoadFile: which line ends it
// uses, or whether it holds other control characters.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kivo/repository/engine.h"

namespace kivo::repository {

// kControl when a control character other than CR and LF occurs (codes 0-31
// and 127, so TAB counts); else kLf when every line end is a lone LF, kCr when
// every one is a lone CR, and kCrLf otherwise (CR LF only, none, or a mix).
// A CR as the last byte is not counted as a line end.
TextKind ClassifyText(const std::uint8_t* bytes, std::size_t size);

}  // namespace kivo::repository
