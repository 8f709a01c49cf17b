// Tools > Meeting Agendas... and Tools > Templates... (see
// meeting_tools_commands.h).
#include "meeting_tools_commands.h"

#include <QCoreApplication>

#include "dictation_runner.h"
#include "kivo/core/autostart_entry.h"
#include "kivo/core/shell_session.h"
#include "kivo/dictation/dictation_recorder_dialog.h"
#include "kivo/meeting/agendas_dialog.h"
#include "kivo/recorder/predefined_comments.h"
#include "kivo/recorder/templates_dialog.h"
#include "main_window.h"
#include "meetings_commands.h"

namespace kivo::app {
namespace {

void ShowAgendas(MainWindow* window, core::MessageReporter& reporter) {
    core::ShellSession& session = window->session();
    if (!session.started())
        return;
    meeting::AgendasDialog agendas(meeting::OpenStoredAgendas(session.store()), reporter, window);
    QObject::connect(&agendas, &meeting::AgendasDialog::helpRequested, window,
                     &MainWindow::ShowHelpTopic);
    agendas.exec();
    if (const std::optional<format::Agenda>& chosen = agendas.chosen_for_meeting())
        RunMeetingRecorder(window, reporter, {{}, {}, *chosen});
}

void RecordWithTemplate(MainWindow* window, core::MessageReporter& reporter,
                        const format::RecordTemplate& chosen) {
    RecordingStart start{recorder::PackPredefinedComments(chosen.comments), chosen.subject, {}};
    const core::ViewKind view = window->view();
    if (view == core::ViewKind::kMeeting || view == core::ViewKind::kDiary) {
        RunRecorderOfView(window, reporter, std::move(start));
        return;
    }
    RunDictationRecorder(window, reporter, [&start](dictation::DictationRecorderDialog& recorder) {
        if (!recorder.Start())
            return false;
        if (!start.subject.empty())
            recorder.SetPrimedTexts(QString::fromStdString(start.subject), QString());
        recorder.TakePredefinedComments(start.predefined_comments);
        return true;
    });
}

void ShowTemplates(MainWindow* window, core::MessageReporter& reporter) {
    core::ShellSession& session = window->session();
    if (!session.started())
        return;
    recorder::TemplatesDialog templates(recorder::OpenStoredTemplates(session.store()), reporter,
                                        window);
    QObject::connect(&templates, &recorder::TemplatesDialog::helpRequested, window,
                     &MainWindow::ShowHelpTopic);
    templates.exec();
    if (const std::optional<format::RecordTemplate>& chosen = templates.chosen_for_recording())
        RecordWithTemplate(window, reporter, *chosen);
}

core::AutostartEntry AutostartOfThisProgram() {
    return core::AutostartEntry(core::AutostartEntry::ConfigHomeOfUser(),
                                QCoreApplication::applicationFilePath().toStdString());
}

}  // namespace

void FollowDiaryStartSetting(core::MessageReporter& reporter, bool was_on, bool now_on) {
    const core::AutostartEntry entry = AutostartOfThisProgram();
    if (was_on && !now_on) {
        if (!entry.Remove())
            reporter.ReportText("The autostart entry " + entry.path().string() +
                                    " is not Kivo's own; it was left as it is.",
                                core::kStyleInformation);
        return;
    }
    if (was_on || !now_on || entry.Installed())
        return;
    const int answer = reporter.ReportText(
        "The diary reminder runs while Kivo runs. Start Kivo when you log in, so that "
        "reminders are also given after the computer restarts?",
        core::kStyleQuestion);
    if (answer == core::kAnswerYes && !entry.Install())
        reporter.ReportText(
            "The autostart entry " + entry.path().string() + " could not be written.",
            core::kStyleExclamation);
}

void RouteMeetingToolsCommands(MainWindow* window, core::MessageReporter* reporter) {
    window->commands().Route(Command::kMeetingAgendas,
                             [window, reporter] { ShowAgendas(window, *reporter); });
    window->commands().Route(Command::kTemplates,
                             [window, reporter] { ShowTemplates(window, *reporter); });
}

}  // namespace kivo::app
