// The C interface: null on success, the process-wide status record on
// failure (and always for Info), callbacks, and calls from several threads.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "file_bytes.h"
#include "temp_dir.h"
#include "zn2xrrps.h"

namespace {

std::vector<std::string> Texts(const RPS_STATUS* status) {
    std::vector<std::string> texts;
    for (const RPS_MESSAGE* m = status != nullptr ? status->messages : nullptr; m; m = m->next) {
        texts.push_back(m->text);
    }
    return texts;
}

TEST(RepositoryExports, SuccessIsNullAndFailureTheRecordWithItsMessages) {
    kivo::test::TempDir dir;
    kivo::test::WriteFileText(dir.file("a"), "abc");
    const std::string repository = dir.file("s.xrt");
    const char* names[] = {"a", "missing"};
    EXPECT_EQ(RPS_Put(repository.c_str(), dir.path().c_str(), names, 1), nullptr);

    RPS_STATUS* status = RPS_Get(repository.c_str(), dir.file("").c_str(), names + 1, 1);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->message_count, 1);
    EXPECT_EQ(status->severity, RPS_SEVERITY_FAILURE);
    EXPECT_EQ(Texts(status),
              std::vector<std::string>{"RPS07 File missing not found in Repository"});
    EXPECT_EQ(status->total_size, 239u);

    RPS_STATUS* info = RPS_Info(repository.c_str());
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->message_count, 0);
    ASSERT_NE(info->entries, nullptr);
    EXPECT_STREQ(info->entries->name, "a");
    EXPECT_EQ(info->entries->size, 3u);
    EXPECT_EQ(info->entries->next, nullptr);
    EXPECT_EQ(info->entries->nested, '?');
}

TEST(RepositoryExports, CallbackVariantReportsEachBlockAndIsForThatCallOnly) {
    kivo::test::TempDir dir;
    kivo::test::WriteFileText(dir.file("a"), std::string(1100000, 'x'));
    static std::vector<std::string> seen;
    seen.clear();
    RPS_CALLBACK callback = [](int32_t phase, uint32_t bytes, const char* label) {
        seen.push_back(std::to_string(phase) + ":" + std::to_string(bytes) + ":" + label);
    };
    const char* names[] = {"a"};
    const std::string repository = dir.file("s.xrt");
    ASSERT_EQ(RPS_PutCB(repository.c_str(), dir.path().c_str(), names, 1, callback), nullptr);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[1], "1:1048576:" + repository + "(a)");
    EXPECT_EQ(RPS_Put(repository.c_str(), dir.path().c_str(), names, 1), nullptr);
    EXPECT_EQ(seen.size(), 4u);
}

TEST(RepositoryExports, LoadFileFillsTheCallersBuffer) {
    kivo::test::TempDir dir;
    kivo::test::WriteFileText(dir.file("t"), "line\n");
    const char* names[] = {"t"};
    const std::string repository = dir.file("s.xrt");
    ASSERT_EQ(RPS_Put(repository.c_str(), dir.path().c_str(), names, 1), nullptr);
    char buffer[5];
    RPS_LOAD_REQUEST request{};
    std::strcpy(request.name, "t");
    request.buffer = buffer;
    request.buffer_size = 5;
    ASSERT_EQ(RPS_LoadFile(repository.c_str(), &request), nullptr);
    EXPECT_EQ(std::string(buffer, 5), "line\n");
    EXPECT_EQ(request.text_kind, RPS_TEXT_LF);
}

TEST(RepositoryExports, CallsFromSeveralThreadsAreSerialised) {
    kivo::test::TempDir dir;
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            std::string folder = dir.file("t" + std::to_string(t));
            std::filesystem::create_directory(folder);
            kivo::test::WriteFileText(folder + "/m", std::string(1000 + t, 'a' + t));
            std::string repository = folder + "/s.xrt";
            const char* names[] = {"m"};
            for (int i = 0; i < 25; ++i) {
                failures[t] += RPS_Put(repository.c_str(), folder.c_str(), names, 1) != nullptr;
                failures[t] += RPS_CheckIntegrity(repository.c_str()) != nullptr;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, std::vector<int>(4, 0));
    RPS_STATUS* all = RPS_AllInfo(dir.file("t2/s.xrt").c_str());
    int count = 0;
    for (const RPS_ENTRY_INFO* e = all->entries; e != nullptr; e = e->next) {
        ++count;
    }
    EXPECT_EQ(count, 25);
}

}  // namespace
