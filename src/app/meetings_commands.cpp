// The meeting and diary commands of the main window (see meetings_commands.h).
#include "meetings_commands.h"

#include <QAction>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

#include "kivo/core/shell_session.h"
#include "kivo/core/user_messages.h"
#include "kivo/dbus/desktop_notifier.h"
#include "kivo/diary/diary_recorder_dialog.h"
#include "kivo/diary/diary_reminder.h"
#include "kivo/diary/reminder_notice.h"
#include "kivo/diary/reminder_window.h"
#include "kivo/meeting/meeting_recorder_dialog.h"
#include "kivo/meeting/offline_meeting_dialog.h"
#include "kivo/meeting/stored_agendas.h"
#include "kivo/recorder/recorder_target.h"
#include "kivo/recorder/take_recovery.h"
#include "kivo/sound/audio_backend_factory.h"
#include "main_window.h"
#include "phone_recorder_commands.h"
#include "video_commands.h"

namespace kivo::app {
namespace {

constexpr const char* kReminderName = "diary_reminder";

// A recorder's target, bound to the store open now: its save goes into this
// store only, under the writer lock, and is refused after Open or New.
recorder::RecorderTarget TargetOf(core::ShellSession& session) {
    recorder::RecorderTarget target{
        {},
        {},
        &session.profile(),
        session.section(),
        recorder::ReadRecordingQuality(session.profile(), session.section()),
        session.places().folders.takes_folder};
    recorder::BindToSession(target, session.store());
    return target;
}

// The program's diary reminder, made once a store is open.
diary::DiaryReminder* Reminder(MainWindow* window, core::MessageReporter& reporter) {
    if (auto* existing = window->findChild<diary::DiaryReminder*>(QLatin1String(kReminderName)))
        return existing;
    if (!window->session().started())
        return nullptr;
    auto* reminder = new diary::DiaryReminder(window->session().store(), reporter, {}, window);
    reminder->setObjectName(QLatin1String(kReminderName));
    QAction* monitor = window->commands().action(Command::kDiaryMonitor);
    monitor->setCheckable(true);
    QObject::connect(reminder, &diary::DiaryReminder::runningChanged, monitor,
                     &QAction::setChecked);
    // Each due entry opens the reminder window, with a desktop notification
    // beside it; the next waits for its answer.
    auto* notifier = new dbus::DesktopNotifier(QDBusConnection::sessionBus(), reminder);
    QObject::connect(
        reminder, &diary::DiaryReminder::due, window,
        [window, reminder, notifier](const diary::DueReminder& due) {
            const core::DataStoreSession& store = window->session().store();
            diary::ReminderWindow box(sound::SharedAudioBackend(), store.working_folder(),
                                      store.store_path(), due, QString::fromStdString(due.subject),
                                      window);
            box.show();
            box.PlayRecording();
            const diary::ReminderNotice notice(*notifier, box, QString::fromStdString(due.subject));
            box.exec();
            switch (box.answer()) {
                case diary::ReminderAnswer::kSnoozed:
                    reminder->Snooze(due.id, box.snooze_minutes());
                    break;
                case diary::ReminderAnswer::kNagAgain:
                    reminder->PlayedWithNagMe(due.id);
                    break;
                case diary::ReminderAnswer::kDismissed:
                    reminder->Dismiss(due.id);
                    break;
            }
        },
        Qt::QueuedConnection);
    return reminder;
}

// A template's subject and predefined index comments.
void Prime(recorder::SpanRecorderDialog& recorder, RecordingStart& start) {
    if (!start.subject.empty())
        recorder.subject_edit()->setText(QString::fromStdString(start.subject));
    recorder.TakePredefinedComments(start.predefined_comments);
}

template <typename Dialog>
void RunRecorder(MainWindow* window, Dialog& recorder) {
    QObject::connect(&recorder, &Dialog::helpRequested, window, &MainWindow::ShowHelpTopic);
    recorder.exec();
    if (recorder.saved()) {
        window->session().CommitStoreChanges();
        window->RefreshCurrentView();
        window->ShowSavedRecord(recorder.saved_record_number());
    }
}

}  // namespace

bool RunRecorderOfView(MainWindow* window, core::MessageReporter& reporter, RecordingStart start) {
    if (RunVideoRecorderOfView(window, reporter) || RunPhoneRecorderOfView(window))
        return true;
    core::ShellSession& session = window->session();
    if (window->view() == core::ViewKind::kMeeting) {
        RunMeetingRecorder(window, reporter, std::move(start));
        return true;
    }
    if (window->view() == core::ViewKind::kDiary) {
        if (!session.started())
            return true;
        diary::DiaryRecorderDialog recorder(sound::SharedAudioBackend(), TargetOf(session),
                                            reporter, Reminder(window, reporter), window);
        if (recorder.Start()) {
            Prime(recorder, start);
            RunRecorder(window, recorder);
        }
        return true;
    }
    return false;
}

void RunMeetingRecorder(MainWindow* window, core::MessageReporter& reporter, RecordingStart start) {
    core::ShellSession& session = window->session();
    if (!session.started())
        return;
    meeting::MeetingRecorderDialog recorder(sound::SharedAudioBackend(), TargetOf(session),
                                            reporter, window);
    const bool chosen_agenda = !start.agenda.title.empty() || !start.agenda.items.empty();
    if (!recorder.Start(std::move(start.agenda)))
        return;
    if (!chosen_agenda)
        recorder.OfferStoredAgendas(meeting::OpenStoredAgendas(session.store()).entries());
    Prime(recorder, start);
    RunRecorder(window, recorder);
}

bool RunRecoveredSpanRecorder(MainWindow* window, core::MessageReporter& reporter,
                              const recorder::RecoveredTake& take,
                              const std::function<void()>& release_take) {
    core::ShellSession& session = window->session();
    if (!session.started())
        return false;
    // The recorder belongs to its view, where the saved record is then
    // chosen.
    if (take.info.kind == recorder::RecorderKind::kMeeting) {
        window->ShowKind(core::ViewKind::kMeeting);
        meeting::MeetingRecorderDialog recorder(sound::SharedAudioBackend(), TargetOf(session),
                                                reporter, window);
        if (!recorder.StartRecovered(take))
            return false;
        release_take();
        RunRecorder(window, recorder);
        return true;
    }
    if (take.info.kind == recorder::RecorderKind::kDiary) {
        window->ShowKind(core::ViewKind::kDiary);
        diary::DiaryRecorderDialog recorder(sound::SharedAudioBackend(), TargetOf(session),
                                            reporter, Reminder(window, reporter), window);
        if (!recorder.StartRecovered(take))
            return false;
        release_take();
        RunRecorder(window, recorder);
        return true;
    }
    return false;
}

void RouteMeetingCommands(MainWindow* window, core::MessageReporter* reporter) {
    window->commands().Route(Command::kDiaryMonitor, [window, reporter] {
        diary::DiaryReminder* reminder = Reminder(window, *reporter);
        if (reminder == nullptr)
            return;
        if (reminder->running())
            reminder->Stop();
        else
            reminder->Start();
    });
    window->commands().Route(Command::kOfflineMeeting, [window] {
        core::ShellSession& session = window->session();
        meeting::OfflineMeetingDialog timer(&session.profile(), session.section(), window);
        timer.exec();
    });
    // "ADiary" "Y": the reminder runs from start-up, once the store is open.
    QTimer::singleShot(0, window, [window, reporter] {
        core::ShellSession& session = window->session();
        if (!session.started() || session.profile().Read(session.section(), "ADiary") != "Y")
            return;
        if (diary::DiaryReminder* reminder = Reminder(window, *reporter))
            reminder->Start();
    });
}

}  // namespace kivo::app
