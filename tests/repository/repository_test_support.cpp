#include "repository_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kivo::repository::test {

SystemTime FixedClock() {
    return SystemTime{2024, 5, 5, 3, 15, 10, 20, 400};
}

EngineOptions TestOptions() {
    EngineOptions options;
    options.clock = FixedClock;
    options.compaction_window_bytes = 65536;
    return options;
}

Bytes Pattern(std::size_t size, std::uint32_t seed) {
    Bytes bytes(size);
    std::uint32_t state = seed * 2654435761u + 1;
    for (std::uint8_t& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(state >> 16);
    }
    return bytes;
}

Bytes TextBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

std::string Messages(const StatusRecord& status) {
    std::string all;
    for (const Message& message : status.messages) {
        all += message.text + "\n";
    }
    return all;
}

MemoryDisk::MemoryDisk() : engine(fs, TestOptions()) {
    fs.MakeDirectory("/src", 0755);
    fs.MakeDirectory("/out", 0755);
    fs.MakeDirectory("/r", 0755);
}

void MemoryDisk::AddFile(const std::string& name, const Bytes& bytes) {
    fs.WriteDurableFile("/src/" + name, bytes);
}

Bytes MemoryDisk::FileBytes(const std::string& path) const {
    auto bytes = fs.FileBytes(path);
    EXPECT_TRUE(bytes.has_value()) << path;
    return bytes.value_or(Bytes{});
}

void MemoryDisk::Store(const std::string& repository, const std::vector<std::string>& names) {
    StatusRecord status = engine.Put(repository, "/src", names);
    ASSERT_TRUE(status.ok()) << Messages(status);
}

std::map<std::string, Bytes> LiveMembers(Engine& engine, const std::string& repository) {
    std::map<std::string, Bytes> members;
    StatusRecord info = engine.Info(repository);
    EXPECT_TRUE(info.ok()) << Messages(info);
    for (const EntryInfo& entry : info.entries) {
        Bytes data(entry.size_bytes);
        LoadRequest request;
        request.name = entry.name;
        request.buffer = data.data();
        request.buffer_size = entry.size_bytes;
        StatusRecord loaded = engine.LoadFile(repository, request);
        EXPECT_TRUE(loaded.ok()) << Messages(loaded);
        EXPECT_TRUE(members.emplace(entry.name, std::move(data)).second)
            << entry.name << " is live twice";
    }
    return members;
}

Bytes BuildXr00(const std::vector<HandMember>& members) {
    Bytes bytes(36, 0);
    std::memcpy(bytes.data(), "XR00", 4);
    std::vector<std::uint32_t> offsets;
    for (const HandMember& member : members) {
        offsets.push_back(static_cast<std::uint32_t>(bytes.size()));
        bytes.insert(bytes.end(), member.data.begin(), member.data.end());
    }
    if (!members.empty()) {
        SetU32(bytes, 4, static_cast<std::uint32_t>(bytes.size()));
    }
    for (std::size_t i = 0; i < members.size(); ++i) {
        Bytes record(48, 0);
        SetU32(record, 0, i + 1 < members.size() ? 1 : 0);
        SetU32(record, 4, offsets[i]);
        SetU64(record, 8, 133000000000000000ULL + i);   // created
        SetU64(record, 16, 133000000010000000ULL + i);  // accessed
        SetU64(record, 24, 133000000020000000ULL + i);  // written
        SetU32(record, 32, static_cast<std::uint32_t>(members[i].data.size()));
        SetU32(record, 36, members[i].deleted ? 1 : 0);
        SetU32(record, 40, static_cast<std::uint32_t>(members[i].name.size()));
        bytes.insert(bytes.end(), record.begin(), record.end());
        bytes.insert(bytes.end(), members[i].name.begin(), members[i].name.end());
    }
    return bytes;
}

Bytes BuildXr01(const std::vector<HandMember>& members) {
    Bytes bytes(36, 0);
    std::memcpy(bytes.data(), "XR01", 4);
    SetU32(bytes, 4, 36);
    SetU32(bytes, 8, static_cast<std::uint32_t>(members.size()));
    std::map<std::string, std::uint32_t> versions;
    std::vector<Bytes> entries;
    for (const HandMember& member : members) {
        Bytes entry(99, 0);
        std::memcpy(entry.data(), "DIR", 3);
        SetU32(entry, 3, 99);
        SetU64(entry, 11, bytes.size());
        SetU64(entry, 19, 133000000000000000ULL);
        SetU64(entry, 27, 133000000010000000ULL);
        SetU64(entry, 35, 133000000020000000ULL);
        SetU32(entry, 75, static_cast<std::uint32_t>(member.data.size()));
        SetU32(entry, 79, 0x80);
        SetU32(entry, 83, member.deleted ? 1 : 0);
        SetU32(entry, 87, static_cast<std::uint32_t>(member.name.size()));
        SetU32(entry, 91, ++versions[member.name]);
        bytes.insert(bytes.end(), entry.begin(), entry.end());
        bytes.insert(bytes.end(), member.name.begin(), member.name.end());
        bytes.insert(bytes.end(), member.data.begin(), member.data.end());
        entries.push_back(entry);
    }
    if (!members.empty()) {
        SetU64(bytes, 12, bytes.size());
    }
    for (std::size_t i = 0; i < members.size(); ++i) {
        SetU32(entries[i], 7, i + 1 < members.size() ? 1 : 0);
        bytes.insert(bytes.end(), entries[i].begin(), entries[i].end());
        bytes.insert(bytes.end(), members[i].name.begin(), members[i].name.end());
    }
    return bytes;
}

std::uint32_t U32At(const Bytes& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | bytes.at(offset + static_cast<std::size_t>(i));
    }
    return value;
}

std::uint64_t U64At(const Bytes& bytes, std::size_t offset) {
    return U32At(bytes, offset) | (static_cast<std::uint64_t>(U32At(bytes, offset + 4)) << 32);
}

void SetU32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes.at(offset + static_cast<std::size_t>(i)) =
            static_cast<std::uint8_t>(value >> (8 * i));
    }
}

void SetU64(Bytes& bytes, std::size_t offset, std::uint64_t value) {
    SetU32(bytes, offset, static_cast<std::uint32_t>(value));
    SetU32(bytes, offset + 4, static_cast<std::uint32_t>(value >> 32));
}

}  // namespace kivo::repository::test
