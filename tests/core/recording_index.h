// A record index for tests: keeps entries in memory and records every call.
#pragma once

#include <map>
#include <set>
#include <vector>

#include "kivo/core/store_index.h"

namespace kivo::core {

class RecordingIndex : public core::RecordIndex {
public:
    bool Remove(std::int32_t record_number, const std::string& /*kind_code*/) override {
        removed.push_back(record_number);
        keywords.erase(record_number);
        return true;
    }
    std::string Keywords(std::int32_t record_number) override {
        auto it = keywords.find(record_number);
        return it == keywords.end() ? std::string() : it->second;
    }
    bool Move(const core::IndexMove& move) override {
        moves.push_back(move);
        return failing.count(move.record_number) == 0;
    }

    std::map<std::int32_t, std::string> keywords;
    std::vector<std::int32_t> removed;
    std::vector<core::IndexMove> moves;
    std::set<std::int32_t> failing;
};

}  // namespace kivo::core
