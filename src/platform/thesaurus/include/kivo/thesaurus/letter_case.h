// Letter case of UTF-8 text, one whole character at a time ("é" <-> "É",
// "ж" <-> "Ж"), by the simple one-to-one case mappings of Unicode. Bytes that
// are not valid UTF-8 are kept as they are.
#pragma once

#include <string>
#include <string_view>

namespace kivo::thesaurus {

std::string UpperCase(std::string_view utf8);
std::string LowerCase(std::string_view utf8);

}  // namespace kivo::thesaurus
