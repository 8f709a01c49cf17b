// The autostart entry behind "Run diary reminder on startup": written where
// the desktop looks for it, removed only when it is this program's, and a
// program path with spaces or reserved characters still starts the program.
#include "kivo/core/autostart_entry.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "file_bytes.h"
#include "temp_dir.h"

namespace kivo::core {
namespace {

namespace fs = std::filesystem;
using test::ReadFileText;
using test::TempDir;
using test::WriteFileText;

TEST(AutostartEntryTest, InstalledEntryStartsTheProgramAndIsRemovedAgain) {
    TempDir home;
    const AutostartEntry entry(home.path() / ".config", "/usr/bin/kivo");
    EXPECT_FALSE(entry.Installed());
    EXPECT_TRUE(entry.Remove());  // nothing to remove
    ASSERT_TRUE(entry.Install());
    EXPECT_EQ(entry.path(), home.path() / ".config" / "autostart" / "kivo.desktop");
    const std::string text = ReadFileText(entry.path().string());
    EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_NE(text.find("\nType=Application\n"), std::string::npos);
    EXPECT_NE(text.find("\nExec=/usr/bin/kivo\n"), std::string::npos);
    EXPECT_TRUE(entry.Installed());
    // Installing again replaces it whole.
    ASSERT_TRUE(entry.Install());
    EXPECT_EQ(ReadFileText(entry.path().string()), text);
    EXPECT_TRUE(entry.Remove());
    EXPECT_FALSE(fs::exists(entry.path()));
}

TEST(AutostartEntryTest, AnEntryTheUserWroteIsNeitherTakenForOursNorRemoved) {
    TempDir home;
    const AutostartEntry entry(home.path(), "/usr/bin/kivo");
    fs::create_directories(home.path() / "autostart");
    const std::string own = "[Desktop Entry]\nType=Application\nExec=kivo --no-splash\n";
    WriteFileText(entry.path().string(), own);
    EXPECT_FALSE(entry.Installed());
    EXPECT_FALSE(entry.Remove());
    EXPECT_EQ(ReadFileText(entry.path().string()), own);
}

TEST(AutostartEntryTest, ProgramPathsWithSpacesAndReservedCharactersAreQuoted) {
    EXPECT_EQ(DesktopExecArgument("/opt/kivo/bin/kivo"), "/opt/kivo/bin/kivo");
    EXPECT_EQ(DesktopExecArgument("/home/a b/kivo"), "\"/home/a b/kivo\"");
    // '$' and '"' take an escaped backslash, '\' four in all; '%' is doubled.
    EXPECT_EQ(DesktopExecArgument("/x/$HOME \"q\"/k\\v"),
              "\"/x/\\\\$HOME \\\\\"q\\\\\"/k\\\\\\\\v\"");
    EXPECT_EQ(DesktopExecArgument("/x/100%/kivo"), "/x/100%%/kivo");
    // A line break would break the file: nothing is written.
    TempDir home;
    EXPECT_FALSE(AutostartEntry(home.path(), "/x/a\nExec=evil").Install());
    EXPECT_FALSE(fs::exists(home.path() / "autostart" / "kivo.desktop"));
}

TEST(AutostartEntryTest, TheUsersConfigurationFolderFollowsXdgConfigHome) {
    const char* saved_xdg = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = saved_xdg != nullptr ? saved_xdg : "";
    ::setenv("XDG_CONFIG_HOME", "/tmp/cfg", 1);
    EXPECT_EQ(AutostartEntry::ConfigHomeOfUser(), fs::path("/tmp/cfg"));
    // A relative value is ignored, as the base directory rules say.
    ::setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(AutostartEntry::ConfigHomeOfUser(), fs::path(std::getenv("HOME")) / ".config");
    if (saved_xdg != nullptr)
        ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace kivo::core
