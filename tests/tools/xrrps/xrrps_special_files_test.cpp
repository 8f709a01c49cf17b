// A FIFO, a socket or a device given to xrrps, as the repository or as a file
// to store, is refused at once with a plain message; nothing waits for the
// other end of a pipe while the repository is held.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "file_bytes.h"
#include "temp_dir.h"
#include "tool_process.h"

namespace kivo::test {
namespace {

// Far longer than a refusal takes; a command that waits on a pipe is killed here.
constexpr std::chrono::milliseconds kTimeLimit{5000};

class XrrpsSpecialFiles : public ::testing::Test {
protected:
    ToolRun Run(const std::vector<std::string>& arguments) {
        ToolRun run = RunXrrpsWithin(arguments, folder_.path().string(), kTimeLimit);
        EXPECT_FALSE(run.timed_out) << arguments.front() << " hung";
        return run;
    }
    std::string Fifo(const std::string& name) {
        EXPECT_EQ(mkfifo(folder_.file(name).c_str(), 0600), 0);
        return folder_.file(name);
    }
    std::string Socket(const std::string& name) {
        socket_ = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, folder_.file(name).c_str(), sizeof address.sun_path - 1);
        EXPECT_EQ(bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        return folder_.file(name);
    }
    std::string Repository() {
        std::string path = folder_.file("store.xrt");
        if (!std::filesystem::exists(path)) {
            WriteFileText(folder_.file("first.txt"), "first");
            EXPECT_EQ(Run({"put", path, folder_.file("first.txt")}).exit_status, 0);
        }
        return path;
    }
    std::string ListOf(const std::string& repository) {
        return Run({"list", repository}).standard_output;
    }

    void TearDown() override {
        if (socket_ >= 0) {
            close(socket_);
        }
    }

    TempDir folder_;
    int socket_ = -1;
};

TEST_F(XrrpsSpecialFiles, ASpecialFileAsTheRepositoryIsRefusedByEveryCommand) {
    struct Special {
        std::string path;
        std::string kind;
    };
    const Special specials[] = {
        {Fifo("pipe.xrt"), "FIFO"},
        {Socket("socket.xrt"), "socket"},
        {"/dev/null", "character device"},
    };
    for (const Special& special : specials) {
        const std::string message = "RPS01 Unable to open repository file (" + special.path +
                                    ") - Not a regular file (" + special.kind + ")\n";
        for (std::vector<std::string> command :
             {std::vector<std::string>{"list", special.path},
              {"check", special.path},
              {"get-all", special.path, "-C", folder_.path().string()},
              {"delete", special.path, "a"},
              {"compress", special.path},
              {"recover", special.path}}) {
            SCOPED_TRACE(command.front() + " " + special.path);
            ToolRun run = Run(command);
            EXPECT_EQ(run.exit_status, 1);
            EXPECT_EQ(run.standard_error, message);
        }
    }
    WriteFileText(folder_.file("a.txt"), "alpha");
    ToolRun put = Run({"put", folder_.file("pipe.xrt"), folder_.file("a.txt")});
    EXPECT_EQ(put.exit_status, 1);
    EXPECT_EQ(put.standard_error, "RPS01 Unable to open repository file (" +
                                      folder_.file("pipe.xrt") + ") - Not a regular file (FIFO)\n");
}

TEST_F(XrrpsSpecialFiles, AFifoOrDeviceToStoreIsRefusedAndTheOtherFilesAreStored) {
    std::string repository = Repository();
    std::string pipe = Fifo("pipe");
    WriteFileText(folder_.file("b.txt"), "bravo");
    ToolRun run = Run({"put", repository, pipe, folder_.file("b.txt")});
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.standard_error,
              "RPS03 Unable to open file " + pipe + " - Not a regular file (FIFO)\n");
    ToolRun device = Run({"put", repository, "/dev/zero"});
    EXPECT_EQ(device.exit_status, 1);
    EXPECT_EQ(device.standard_error,
              "RPS03 Unable to open file /dev/zero - Not a regular file (character device)\n");
    std::string list = ListOf(repository);
    EXPECT_NE(list.find("\tb.txt\n"), std::string::npos) << list;
    EXPECT_EQ(list.find("pipe"), std::string::npos) << list;
    EXPECT_EQ(list.find("zero"), std::string::npos) << list;
}

TEST_F(XrrpsSpecialFiles, PutAllReportsSpecialFilesOfTheFolderAndStoresTheRest) {
    std::string repository = Repository();
    std::filesystem::create_directory(folder_.path() / "in");
    WriteFileText(folder_.file("in/c.txt"), "charlie");
    std::string pipe = Fifo("in/pipe");
    std::string socket_path = Socket("in/socket");
    ToolRun run = Run({"put-all", repository, folder_.file("in")});
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_NE(run.standard_error.find("RPS03 Unable to open file " + pipe +
                                      " - Not a regular file (FIFO)\n"),
              std::string::npos)
        << run.standard_error;
    EXPECT_NE(run.standard_error.find("RPS03 Unable to open file " + socket_path +
                                      " - Not a regular file (socket)\n"),
              std::string::npos)
        << run.standard_error;
    std::string list = ListOf(repository);
    EXPECT_NE(list.find("\tc.txt\n"), std::string::npos) << list;
    EXPECT_EQ(list.find("\tpipe\n"), std::string::npos) << list;
}

}  // namespace
}  // namespace kivo::test
