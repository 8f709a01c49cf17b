// The program's own files: every icon and help topic the window names exists
// in share/kivo, and the help pages link only to pages that exist.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "app_fixture.h"
#include "command_table.h"
#include "compaction_dialog.h"
#include "help_topics.h"
#include "hot_keys_dialog.h"
#include "options_dialog.h"
#include "record_kind_list.h"

namespace kivo::app {
namespace {

bool IconExists(const Resources& resources, const char* name) {
    return QFileInfo::exists(resources.IconPath(name));
}

TEST(Resources, EveryIconTheWindowNamesExists) {
    const Resources resources = test::AppHome().resources();
    for (const CommandEntry& entry : CommandTable()) {
        if (entry.icon != nullptr) {
            EXPECT_TRUE(IconExists(resources, entry.icon)) << entry.icon;
        }
    }
    for (const KindItem& kind : KindItems())
        EXPECT_TRUE(IconExists(resources, kind.icon)) << kind.icon;
    for (PhoneIcon icon :
         {PhoneIcon::kMonitoringOff, PhoneIcon::kMonitoring, PhoneIcon::kMonitoringWithNewMessages,
          PhoneIcon::kAnswering, PhoneIcon::kAnsweringWithNewMessages}) {
        EXPECT_TRUE(IconExists(resources, PhoneIconName(icon))) << PhoneIconName(icon);
    }
    const std::vector<QIcon> images = resources.RecordImageIcons();
    ASSERT_EQ(images.size(), static_cast<std::size_t>(core::kRecordImageCount));
    for (const QIcon& image : images)
        EXPECT_FALSE(image.pixmap(16, 16).isNull());
    for (const char* name : {"kivo", "kivo-splash", "record-error"})
        EXPECT_TRUE(IconExists(resources, name)) << name;
}

TEST(Resources, EveryHelpTopicExistsAndLinksOnlyToPagesThatExist) {
    const Resources resources = test::AppHome().resources();
    for (const char* topic : {kHelpContentsTopic, kAmazingTopic, kOptionsHelpTopic,
                              kHotKeysHelpTopic, kCompactionHelpTopic}) {
        EXPECT_TRUE(QFileInfo::exists(resources.HelpPage(QString::fromLatin1(topic)))) << topic;
    }
    const QDir help(resources.HelpPage(QString()));
    const QRegularExpression link(QStringLiteral("href=\"([^\"#:]+)\""));
    const QStringList pages = help.entryList({QStringLiteral("*.htm")}, QDir::Files);
    EXPECT_GE(pages.size(), 5);
    for (const QString& page : pages) {
        QFile file(help.filePath(page));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        for (const auto& match : link.globalMatch(text)) {
            EXPECT_TRUE(help.exists(match.captured(1)))
                << page.toStdString() << " links to " << match.captured(1).toStdString();
        }
    }
}

TEST(PhoneIcon, FollowsMonitoringAnswerMachineAndNewMessages) {
    EXPECT_EQ(PhoneIconFor(false, false, 3), PhoneIcon::kMonitoringOff);
    EXPECT_EQ(PhoneIconFor(true, false, 0), PhoneIcon::kMonitoring);
    EXPECT_EQ(PhoneIconFor(true, false, 2), PhoneIcon::kMonitoringWithNewMessages);
    EXPECT_EQ(PhoneIconFor(true, true, 0), PhoneIcon::kAnswering);
    EXPECT_EQ(PhoneIconFor(true, true, 1), PhoneIcon::kAnsweringWithNewMessages);
}

}  // namespace
}  // namespace kivo::app
