// The e-mail button: size text, subject, body and the xdg-email call.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <filesystem>

#include "player_mail.h"
#include "player_test_recording.h"

namespace kivo::test {
namespace {

TEST(PlayerMailSize, UnitsAndFormat) {
    EXPECT_EQ(player::FormatFileSize(0), QStringLiteral(" 0.00 bytes"));
    EXPECT_EQ(player::FormatFileSize(512), QStringLiteral("512.00 bytes"));
    EXPECT_EQ(player::FormatFileSize(1024), QStringLiteral(" 1.00 KB"));
    EXPECT_EQ(player::FormatFileSize(3 * 409600), QStringLiteral(" 1.17 MB"));
    EXPECT_EQ(player::FormatFileSize(1ull << 30), QStringLiteral(" 1.00 GB"));
}

TEST(PlayerMailText, SubjectAndBodyNameTheRecording) {
    PlayerTestFiles files;
    const std::string path = files.MakeRecording("Message.xrz", RecordingRecipe{});
    const player::PlayerMail mail = player::BuildPlayerMail(QString::fromStdString(path));
    const QString size = player::FormatFileSize(QFileInfo(QString::fromStdString(path)).size());
    EXPECT_EQ(mail.subject,
              QStringLiteral("[Enter your subject heading here] (Kivo Recording :- ") + size +
                  QStringLiteral(")"));
    // The same words as the main program's Send, for one file.
    EXPECT_EQ(mail.body, QStringLiteral("Kivo\u2122 voice mail attached\n\n"
                                        "Number of Messages : 1\n"
                                        "To play the attached recording (\".xrz\" file) you need "
                                        "Kivo or the free Kivo Message Player (kvmp); both come "
                                        "in the \"kivo\" package for Linux.\n"));
    EXPECT_EQ(mail.attachment, QString::fromStdString(path));
    const player::PlayerMail video = player::BuildPlayerMail(QStringLiteral("/x/Clip.XRV"));
    EXPECT_TRUE(video.body.startsWith(QStringLiteral("Kivo\u2122 video mail attached")));
    EXPECT_TRUE(video.body.contains(QStringLiteral("attached video recording (\".xrv\" file)")));
}

TEST(PlayerMailSend, XdgEmailReceivesSubjectBodyAndAttachment) {
    PlayerTestFiles files;
    const std::string path = files.MakeRecording("Message.xrz", RecordingRecipe{});
    TempDir bin;
    const std::string received = bin.file("received.txt");
    WriteFileText(bin.file("xdg-email"),
                  "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n--\\n' \"$a\"; done > '" + received +
                      ".part'\nmv '" + received + ".part' '" + received + "'\n");
    std::filesystem::permissions(bin.file("xdg-email"), std::filesystem::perms::owner_all);
    const QByteArray old_path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(bin.path().string()) + ":" + old_path);
    const player::PlayerMail mail = player::BuildPlayerMail(QString::fromStdString(path));
    const bool started = player::SendPlayerMail(mail);
    qputenv("PATH", old_path);
    ASSERT_TRUE(started);
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(received); }));
    const QString text = QString::fromStdString(ReadFileText(received));
    const QStringList arguments = text.split(QStringLiteral("\n--\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(arguments.size(), 6) << text.toStdString();
    EXPECT_EQ(arguments[0], QStringLiteral("--subject"));
    EXPECT_EQ(arguments[1], mail.subject);
    EXPECT_TRUE(arguments[1].contains(player::FormatFileSize(ReadFileBytes(path).size())));
    EXPECT_EQ(arguments[2], QStringLiteral("--body"));
    EXPECT_EQ(arguments[3], mail.body);
    EXPECT_EQ(arguments[4], QStringLiteral("--attach"));
    EXPECT_EQ(arguments[5], QString::fromStdString(path));
}

}  // namespace
}  // namespace kivo::test
