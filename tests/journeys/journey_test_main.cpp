// Runs the journeys inside one QApplication on Qt's offscreen platform. The
// virtual microphone plays a known counting pattern ("journey-tape.wav"),
// and its clock only moves when a test advances it, so what is recorded is
// exact to the frame.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "audio_test_support.h"
#include "journey_tape.h"
#include "test_signals.h"

namespace kivo::test {

std::vector<std::uint8_t>& JourneyTape() {
    static std::vector<std::uint8_t> tape;
    return tape;
}

}  // namespace kivo::test

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch;
    qputenv("XDG_CONFIG_HOME", scratch.path().toLocal8Bit());

    kivo::test::JourneyTape() =
        kivo::test::MakeCountingPattern(kivo::test::kJourneyFormat, 8000 * 30);
    const QString tape_path = scratch.filePath(QStringLiteral("journey-tape.wav"));
    kivo::test::WriteWave(tape_path.toStdString(), kivo::test::kJourneyFormat,
                          kivo::test::JourneyTape());
    qputenv("KIVO_AUDIO", "virtual");
    qputenv("KIVO_AUDIO_CLOCK", "manual");
    qputenv("KIVO_AUDIO_IN", tape_path.toLocal8Bit());
    qputenv("KIVO_AUDIO_OUT", scratch.filePath(QStringLiteral("played.wav")).toLocal8Bit());

    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
