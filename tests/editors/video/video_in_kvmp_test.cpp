// A video recorded in Kivo on the virtual camera, saved with two marks and
// exported as a Kivo recording file (".xrv"), as a user sends one: the
// message player kvmp opens it with its marks and subject, takes the
// media's own length and plays from a mark.
#include <gtest/gtest.h>

#include <QVideoFrame>
#include <QVideoSink>

#include "kivo/exchange/recording_export.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/video/video_session.h"
#include "player_session.h"
#include "video_store_fixture.h"

namespace kivo::video {
namespace {

namespace fs = std::filesystem;
using VideoInKvmpTest = test::VideoStoreTest;

TEST_F(VideoInKvmpTest, AKivoMadeVideoExportedAsARecordingFilePlaysInKvmpWithItsMarks) {
    VideoSession recorder(*backend_, virtual_camera_, target_, reporter_);
    ASSERT_EQ(recorder.Open(), 0);
    recorder.set_subject("Porch door");
    ASSERT_EQ(recorder.Record(), 0);
    ASSERT_TRUE(test::PumpUntil([&] { return recorder.duration_ms() >= 1100; }));
    recorder.AddMark("Hinge");
    ASSERT_TRUE(test::PumpUntil([&] { return recorder.duration_ms() >= 2100; }));
    recorder.AddMark("Lock");
    ASSERT_TRUE(test::PumpUntil([&] { return recorder.duration_ms() >= 3000; }));
    recorder.Stop();
    ASSERT_TRUE(recorder.Convert().kept_target());
    ASSERT_EQ(recorder.SaveRecord(), 0);
    const std::string container = recorder.files().Name(".xrv");

    exchange::RecordingExport exporter(
        {store_->store_path(), work_ / recordstore::kIndexName, work_, core::StoreAccess()});
    ASSERT_EQ(exporter.Prepare({container}, {}), exchange::kExportOk);
    ASSERT_TRUE(exporter.files().at(0).ok()) << exporter.files()[0].detail;
    const fs::path sent = dir_.path() / "Porch door.xrv";
    fs::copy_file(exporter.files()[0].path, sent);

    sound::VirtualAudioBackend quiet(
        {QString(), QString(), sound::VirtualAudioBackend::Clock::kFast, 20});
    player::PlayerSession kvmp(quiet);
    QVideoSink frames;
    std::int64_t last_frame_ms = -1;
    QObject::connect(&frames, &QVideoSink::videoFrameChanged, [&](const QVideoFrame& frame) {
        if (frame.isValid())
            last_frame_ms = frame.startTime() / 1000;
    });
    kvmp.SetVideoOutput(&frames);
    ASSERT_EQ(kvmp.Open(QString::fromStdString(sent.string())), player::OpenResult::kOpened);
    EXPECT_TRUE(kvmp.is_video());
    EXPECT_EQ(kvmp.kind_code(), QStringLiteral("9"));
    ASSERT_EQ(kvmp.marks().size(), 2u);
    EXPECT_EQ(kvmp.marks()[0].comment, QStringLiteral("Hinge"));
    EXPECT_EQ(kvmp.marks()[0].time_stamp, QStringLiteral("00:00:01"));
    EXPECT_EQ(kvmp.marks()[1].comment, QStringLiteral("Lock"));

    ASSERT_TRUE(test::PumpUntil([&] { return kvmp.can_play(); }, std::chrono::seconds(15)))
        << kvmp.status_text().toStdString() << ": " << kvmp.video_error().toStdString();
    EXPECT_NEAR(static_cast<double>(kvmp.length_ms()), 3000.0, 200.0);
    kvmp.Start(2000);  // from the second mark
    EXPECT_TRUE(test::PumpUntil([&] { return last_frame_ms >= 2000; }, std::chrono::seconds(15)))
        << last_frame_ms;
    kvmp.Stop();
    kvmp.SetVideoOutput(nullptr);
    kvmp.Close();
}

}  // namespace
}  // namespace kivo::video
