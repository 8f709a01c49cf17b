// The Phone Recorder's routing (see phone_recorder_commands.h).
#include "phone_recorder_commands.h"

#include <QCloseEvent>

#include "kivo/recorder/record_files.h"
#include "kivo/recorder/recorder_target.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/recording_container.h"
#include "main_window.h"
#include "play_over_line_dialog.h"

namespace kivo::app {
namespace {

constexpr const char* kDeskName = "phoneRecorders";
// Columns of the phone list.
constexpr std::size_t kNumberColumn = 1;
constexpr std::size_t kNameColumn = 2;

PhoneRecorderDesk* DeskOf(MainWindow* window) {
    return dynamic_cast<PhoneRecorderDesk*>(window->findChild<QObject*>(QLatin1String(kDeskName)));
}

}  // namespace

PhoneRecorderDesk::PhoneRecorderDesk(MainWindow* window, PhoneLine* line,
                                     core::MessageReporter& reporter)
    : QObject(window), window_(window), line_(line), reporter_(reporter) {
    setObjectName(QLatin1String(kDeskName));
    line_->set_call_taker(this);
    window_->installEventFilter(this);
}

PhoneRecorderDialog* PhoneRecorderDesk::Open() {
    core::ShellSession& session = window_->session();
    if (!session.started())
        return nullptr;
    if (dialog_ == nullptr || !dialog_->isVisible()) {
        recorder::RecorderTarget target{{},
                                        {},
                                        &session.profile(),
                                        session.section(),
                                        0,
                                        session.places().folders.takes_folder};
        // It saves into this store only, under its writer lock.
        recorder::BindToSession(target, session.store());
        dialog_ = new PhoneRecorderDialog(
            line_->library(), target, reporter_,
            session.store().working_folder() / recordstore::kPhoneBookName,
            [&session] { session.CommitStoreChanges(); }, window_);
        dialog_->setObjectName(QStringLiteral("phoneRecorder"));
        dialog_->set_sound_folder(window_->resources().folder());
        dialog_->setAttribute(Qt::WA_DeleteOnClose);
        connect(dialog_, &PhoneRecorderDialog::saved, window_, [this] {
            window_->session().CommitStoreChanges();
            window_->RefreshCurrentView();
        });
        connect(dialog_, &PhoneRecorderDialog::helpRequested, window_, &MainWindow::ShowHelpTopic);
    }
    dialog_->show();
    dialog_->raise();
    dialog_->activateWindow();
    return dialog_;
}

void PhoneRecorderDesk::LineMessage(int message) {
    if (dialog_ != nullptr)
        dialog_->LineMessage(message);
}

void PhoneRecorderDesk::LineClosed() {
    if (dialog_ != nullptr)
        dialog_->LineClosed();
}

void PhoneRecorderDesk::TakeCall() {
    const TapiStatus& status = line_->library().status();
    PhoneRecorderDialog* dialog = Open();
    if (dialog == nullptr)
        return;
    if (dialog->recorder().in_call()) {
        reporter_.ReportMessage(15, core::kStyleInformation);
        return;
    }
    dialog->ShowCaller(QString::fromUtf8(status.callerName),
                       QString::fromUtf8(status.callerNumber));
    dialog->Dial();
}

void PhoneRecorderDesk::PlaceCall(const std::string& name, const std::string& number) {
    PhoneRecorderDialog* dialog = Open();
    if (dialog == nullptr || dialog->recorder().in_call())
        return;
    dialog->ShowCaller(QString::fromStdString(name), QString::fromStdString(number));
    if (!number.empty())
        dialog->Dial();
}

void PhoneRecorderDesk::Redial() {
    const std::vector<int> rows = window_->SelectedRows();
    if (window_->view() != core::ViewKind::kPhone || rows.size() != 1)
        return;
    const std::vector<std::string>& columns =
        window_->records().list().rows().at(static_cast<std::size_t>(rows.front())).columns;
    PlaceCall(columns[kNameColumn], columns[kNumberColumn]);
}

void PhoneRecorderDesk::PlaySelectedOverLine() {
    core::ShellSession& session = window_->session();
    const std::vector<int> rows = window_->SelectedRows();
    if (!session.started() || rows.size() != 1)
        return;
    const std::vector<core::SelectedRecord> chosen = window_->records().CollectSelection(rows);
    if (chosen.empty())
        return;
    if (line_->library().status().callConnected == 0) {
        reporter_.ReportText(kNoCallConnectedText, core::kStyleInformation);
        return;
    }
    // The name comes from the record log: only a plain container name is used.
    const auto files = recorder::RecordFiles::ForStoredRecord(session.store().working_folder(),
                                                              chosen.front().recording_file);
    if (!files)
        return;
    const recordstore::RecordingContainer container(files->container_name(),
                                                    recordstore::MediaKind::kAudio);
    if (container.OpenFromStore(session.store().working_folder().string(),
                                session.store().store_path().string(),
                                static_cast<int>(recordstore::MemberSelector::kMedia)) !=
        recordstore::ContainerResult::kDone) {
        reporter_.ReportText("The recording could not be read from the data store.",
                             core::kStyleExclamation);
        return;
    }
    // Not modal: the Phone Recorder stays at hand during the call.
    auto* player = new PlayOverLineDialog(line_->library(), files->wave_path(),
                                          {files->wave_path()}, reporter_, window_);
    player->setObjectName(QStringLiteral("playOverLine"));
    player->setAttribute(Qt::WA_DeleteOnClose);
    player->show();
    player->Play();
}

bool PhoneRecorderDesk::eventFilter(QObject* watched, QEvent* event) {
    // The main window closes: the Phone Recorder hangs up and asks about an
    // unsaved call first; the window stays when that save failed.
    if (watched == window_ && event->type() == QEvent::Close && dialog_ != nullptr &&
        dialog_->isVisible() && !dialog_->CloseAskingToSave()) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void RoutePhoneRecorderCommands(MainWindow* window, core::MessageReporter* reporter) {
    auto* line = dynamic_cast<PhoneLine*>(window->findChild<QObject*>(QStringLiteral("phoneLine")));
    if (line == nullptr)
        return;
    auto* desk = new PhoneRecorderDesk(window, line, *reporter);
    window->commands().Route(Command::kRedial, [desk] { desk->Redial(); });
    window->commands().Route(Command::kPlayOverPhone, [desk] { desk->PlaySelectedOverLine(); });
}

bool OpenRecoveredCall(MainWindow* window, const recorder::RecoveredTake& take,
                       const std::function<void()>& release_take) {
    PhoneRecorderDesk* desk = DeskOf(window);
    if (desk == nullptr)
        return false;
    PhoneRecorderDialog* dialog = desk->Open();
    if (dialog == nullptr || !dialog->StartRecovered(take))
        return false;
    release_take();
    return true;
}

bool RunPhoneRecorderOfView(MainWindow* window) {
    if (window->view() != core::ViewKind::kPhone)
        return false;
    if (PhoneRecorderDesk* desk = DeskOf(window))
        desk->Open();
    return true;
}

}  // namespace kivo::app
