// The export options, the compressor dialog and the mail hand-over.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>

#include "export_fixture.h"
#include "export_options_dialog.h"
#include "file_bytes.h"
#include "kivo/exchange/recording_export.h"
#include "kivo/exchange/recording_mail.h"
#include "mail_launcher.h"
#include "recording_compressor_dialog.h"
#include "temp_dir.h"

namespace kivo::app {
namespace {

namespace fs = std::filesystem;

TEST(ExportOptionsDialog, TitlesAndChoicesFollowThePurposeAndTheSelection) {
    ExportOptionsDialog export_dialog(ExportOptionsDialog::Purpose::kExport, false, true);
    EXPECT_EQ(export_dialog.windowTitle(), QStringLiteral("Kivo - Export Options"));
    EXPECT_TRUE(export_dialog.compress_box()->isChecked());
    EXPECT_FALSE(export_dialog.lock_box()->isChecked());
    export_dialog.lock_box()->setChecked(true);
    EXPECT_TRUE(export_dialog.options().lock);
    EXPECT_TRUE(export_dialog.options().compress);

    ExportOptionsDialog video(ExportOptionsDialog::Purpose::kSend, true, true);
    EXPECT_EQ(video.windowTitle(), QStringLiteral("Kivo - Send email Options"));
    EXPECT_FALSE(video.compress_box()->isChecked());
    EXPECT_FALSE(video.compress_box()->isEnabled());
    EXPECT_FALSE(video.convert_box()->isEnabled());
    EXPECT_TRUE(video.lock_box()->isEnabled());
    EXPECT_FALSE(video.options().compress);
}

class MailLauncherTest : public ::testing::Test {
protected:
    // A stub xdg-email that records its arguments and exits with status.
    void InstallStub(int status) {
        stub_received_ = bin_.file("received.txt");
        test::WriteFileText(bin_.file("xdg-email"),
                            "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n--\\n' \"$a\"; done > '" +
                                stub_received_ + "'\nexit " + std::to_string(status) + "\n");
        fs::permissions(bin_.file("xdg-email"), fs::perms::owner_all);
    }
    int Send(const exchange::RecordingMail& mail) {
        const QByteArray old_path = qgetenv("PATH");
        qputenv("PATH", QByteArray::fromStdString(bin_.path().string()) + ":/usr/bin:/bin");
        MailLauncher launcher(10000);
        QSignalSpy finished(&launcher, &MailLauncher::finished);
        launcher.Send(mail, QString::fromStdString(folder_.file("status")));
        const bool answered = finished.wait(10000);
        qputenv("PATH", old_path);
        return answered ? finished.front().front().toInt() : -100;
    }

    test::TempDir bin_;
    test::TempDir folder_;
    std::string stub_received_;
};

TEST_F(MailLauncherTest, TheMailProgramReceivesEveryAttachment) {
    InstallStub(0);
    test::WriteFileText(folder_.file("D1.xrz"), std::string(409600, 'a'));
    test::WriteFileText(folder_.file("D2.xrz"), std::string(409600, 'b'));
    const auto mail =
        exchange::BuildRecordingMail({folder_.file("D1.xrz"), folder_.file("D2.xrz")});
    EXPECT_EQ(Send(mail), exchange::kMailHandedOver);
    const std::string received = test::ReadFileText(stub_received_);
    EXPECT_NE(received.find("--attach\n--\n" + folder_.file("D1.xrz") + "\n--\n--attach\n--\n" +
                            folder_.file("D2.xrz")),
              std::string::npos)
        << received;
    EXPECT_NE(received.find("(Kivo Recording :- 800.00 KB)"), std::string::npos) << received;
    EXPECT_NE(received.find("Number of Messages : 2"), std::string::npos) << received;
}

TEST_F(MailLauncherTest, NoMailProgramIsToldApartFromOtherFailures) {
    InstallStub(3);  // xdg-email: a required tool could not be found
    EXPECT_EQ(Send(exchange::BuildRecordingMail({})), exchange::kNoMailClient);
    InstallStub(2);
    EXPECT_EQ(Send(exchange::BuildRecordingMail({})), exchange::kMailAttachmentMissing);
    fs::remove(bin_.path() / "xdg-email");  // and none on PATH at all
    const QByteArray old_path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(bin_.path().string()));
    MailLauncher launcher(10000);
    QSignalSpy finished(&launcher, &MailLauncher::finished);
    launcher.Send(exchange::BuildRecordingMail({}), QString::fromStdString(folder_.file("s")));
    ASSERT_TRUE(finished.wait(10000));
    qputenv("PATH", old_path);
    EXPECT_EQ(finished.front().front().toInt(), exchange::kNoMailClient);
}

class CompressorDialogTest : public ::testing::Test {
protected:
    CompressorDialogTest() {
        test::TestRecording second;
        second.number = 2;
        store_ = std::make_unique<test::ExportStore>(
            std::vector<test::TestRecording>{test::TestRecording{}, second});
        exporter_ = std::make_unique<exchange::RecordingExport>(store_->Source());
        EXPECT_EQ(exporter_->Prepare({"D1.xrz", "D2.xrz"}, {}), exchange::kExportOk);
        for (const auto& file : exporter_->files()) {
            copies_.push_back(file.path);
            sizes_.push_back(fs::file_size(file.path));
            bytes_.push_back(test::ReadFileText(file.path.string()));
        }
    }
    std::unique_ptr<test::ExportStore> store_;
    std::unique_ptr<exchange::RecordingExport> exporter_;
    std::vector<fs::path> copies_;
    std::vector<std::uintmax_t> sizes_;
    std::vector<std::string> bytes_;
};

TEST_F(CompressorDialogTest, CompressesEveryCopyAndClosesByItself) {
    exchange::ExportOptions compress;
    compress.compress = true;
    RecordingCompressorDialog dialog(copies_, compress, exporter_->MakeScratch());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Kivo Compressor"));
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.Start();
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.done_count(), 2);
    EXPECT_EQ(dialog.file_label(), QStringLiteral("Compressing file 2 of 2"));
    EXPECT_EQ(dialog.overall_percent(), 100);
    EXPECT_EQ(dialog.status_text(), QStringLiteral("Compressing..."));
    for (std::size_t i = 0; i < copies_.size(); ++i)
        EXPECT_LT(fs::file_size(copies_[i]), sizes_[i]);
}

TEST_F(CompressorDialogTest, StopLeavesTheCurrentCopyAndReStartGoesOnWithTheNext) {
    exchange::ExportOptions convert;
    convert.convert_to_voice = true;
    RecordingCompressorDialog dialog(copies_, convert, exporter_->MakeScratch());
    dialog.Start();
    dialog.StopWork();  // before the worker has read its first packet
    EXPECT_TRUE(dialog.stop_button()->isEnabled() == false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.restart_button()->isEnabled(); }, 20000));
    EXPECT_TRUE(dialog.cancel_button()->isEnabled());
    EXPECT_EQ(dialog.done_count(), 0);
    EXPECT_EQ(test::ReadFileText(copies_[0].string()), bytes_[0]);
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.RestartWork();
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_EQ(dialog.done_count(), 1);
    EXPECT_EQ(test::ReadFileText(copies_[0].string()), bytes_[0]);
    EXPECT_LT(fs::file_size(copies_[1]), sizes_[1]);
}

}  // namespace
}  // namespace kivo::app
