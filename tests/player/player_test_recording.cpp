// Building recording files for the player tests.
#include "player_test_recording.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <QThread>

#include "kivo/recordstore/record_line.h"
#include "kivo/wavefile/wave_writer.h"
#include "xrsave.h"
#include "zn2xrrps.h"

namespace kivo::test {
namespace {

// Fields 1 to 14 from the record line builder, then fields 15 to 24.
std::string RecordLineBytes(const RecordingRecipe& recipe, const std::string& container_name) {
    recordstore::RecordFields fields;
    fields.record_number = 7;
    fields.kind_code = recipe.kind;
    fields.text_a = "0";
    fields.subject = "Message for Ann";
    fields.container_name = container_name;
    fields.start_date = "01/02/2024";
    fields.start_time = "10:00:00";
    fields.duration = recipe.duration_text;
    const recordstore::RecordLineBuild build = recordstore::RecordLine::Build(fields);
    EXPECT_TRUE(build.status.ok());
    std::string text = build.bytes.substr(0, recordstore::kRecordLineTextBytes);
    if (!recipe.effect_fields.empty()) {
        text.erase(text.find_last_not_of(' ') + 1);
        for (const std::string& field : recipe.effect_fields)
            text += " " + field;
        text.resize(recordstore::kRecordLineTextBytes, ' ');
    }
    return text + "\n";
}

// A 16-bit pattern that differs from frame to frame.
Bytes PatternSamples(std::int64_t frames) {
    Bytes samples;
    for (std::int64_t i = 0; i < frames; ++i) {
        const auto value = static_cast<std::uint16_t>((i * 37) & 0x7FFF);
        samples.push_back(static_cast<std::uint8_t>(value & 0xFF));
        samples.push_back(static_cast<std::uint8_t>(value >> 8));
    }
    return samples;
}

}  // namespace

PlayerTestFiles::PlayerTestFiles() = default;

wavefile::PcmFormat PlayerTestFiles::Format() {
    return wavefile::PcmFormat{1, 8000, 16};
}

std::string PlayerTestFiles::MakeRecording(const std::string& name, const RecordingRecipe& recipe,
                                           Bytes* samples) {
    const Bytes pcm = PatternSamples(static_cast<std::int64_t>(recipe.duration_ms) * 8);
    if (samples != nullptr)
        *samples = pcm;
    EXPECT_TRUE(wavefile::WritePcmWave(work_file("D7.xrw"), Format(), pcm).ok());
    std::vector<std::string> members = {"D7.xrw"};
    if (recipe.with_marks) {
        EXPECT_TRUE(recordstore::WriteIndexMarkFile(work_file("D7.xrs"), recipe.marks).ok());
        members.push_back("D7.xrs");
    }
    if (recipe.with_record_line) {
        WriteFileText(work_file("D7.xrl"), RecordLineBytes(recipe, "D7.xrz"));
        members.push_back("D7.xrl");
    }
    if (recipe.with_marks && recipe.with_record_line) {
        EXPECT_EQ(XRsaveXRZX("D7.xrz", output_.path().c_str(), working_.path().c_str()), XR_OK);
        const std::string path = out_file(name);
        std::filesystem::rename(out_file("D7.xrz"), path);
        return path;
    }
    EXPECT_EQ(XRMediaEncode(work_file("D7.xrw").c_str()), 0);
    return PutContainer(name, members);
}

void PlayerTestFiles::WriteCompanions(const RecordingRecipe& recipe,
                                      const std::string& container_name) {
    EXPECT_TRUE(recordstore::WriteIndexMarkFile(work_file("D7.xrs"), recipe.marks).ok());
    WriteFileText(work_file("D7.xrl"), RecordLineBytes(recipe, container_name));
}

std::string PlayerTestFiles::MakeVideoRecording(const std::string& name,
                                                const RecordingRecipe& recipe,
                                                const VideoRecipe& video) {
    const QString seconds = QString::number(video.seconds);
    // Every frame a key frame, so a seek lands on the frame asked for.
    const QStringList arguments = {QStringLiteral("-v"),
                                   QStringLiteral("error"),
                                   QStringLiteral("-y"),
                                   QStringLiteral("-f"),
                                   QStringLiteral("lavfi"),
                                   QStringLiteral("-i"),
                                   QStringLiteral("testsrc=duration=%1:size=160x120:rate=%2")
                                       .arg(seconds)
                                       .arg(video.frames_per_second),
                                   QStringLiteral("-f"),
                                   QStringLiteral("lavfi"),
                                   QStringLiteral("-i"),
                                   QStringLiteral("sine=duration=%1").arg(seconds),
                                   QStringLiteral("-c:v"),
                                   QStringLiteral("wmv2"),
                                   QStringLiteral("-g"),
                                   QStringLiteral("1"),
                                   QStringLiteral("-c:a"),
                                   QStringLiteral("wmav2"),
                                   QStringLiteral("-f"),
                                   QStringLiteral("asf"),
                                   QString::fromStdString(work_file("D7.wmv"))};
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), arguments);
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitStatus() != QProcess::NormalExit ||
        ffmpeg.exitCode() != 0) {
        ADD_FAILURE() << "ffmpeg: " << ffmpeg.readAllStandardError().toStdString();
        return {};
    }
    RecordingRecipe line = recipe;
    line.kind = recordstore::kind_code::kVideo;
    WriteCompanions(line, "D7.xrv");
    // The codec leaves a video as it is; encoding it is what a save does.
    EXPECT_EQ(XRMediaEncode(work_file("D7.wmv").c_str()), 0);
    return PutContainer(name, {"D7.wmv", "D7.xrs", "D7.xrl"});
}

std::string PlayerTestFiles::MakeVideoRecordingWithMedia(const std::string& name,
                                                         const RecordingRecipe& recipe,
                                                         const Bytes& media) {
    WriteFileBytes(work_file("D7.wmv"), media);
    RecordingRecipe line = recipe;
    line.kind = recordstore::kind_code::kVideo;
    WriteCompanions(line, "D7.xrv");
    return PutContainer(name, {"D7.wmv", "D7.xrs", "D7.xrl"});
}

std::string PlayerTestFiles::PutContainer(const std::string& name,
                                          const std::vector<std::string>& members) {
    std::vector<const char*> names;
    for (const std::string& member : members)
        names.push_back(member.c_str());
    const std::string path = out_file(name);
    EXPECT_EQ(RPS_Put(path.c_str(), working_.path().c_str(), names.data(),
                      static_cast<std::int32_t>(names.size())),
              nullptr);
    return path;
}

bool WaitUntil(const std::function<bool()>& done, int timeout_ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeout_ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return true;
}

}  // namespace kivo::test
