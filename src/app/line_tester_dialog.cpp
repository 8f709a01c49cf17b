// The line tester dialog (see line_tester_dialog.h).
#include "line_tester_dialog.h"

#include <QEvent>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "zn2tapi.h"

namespace kivo::app {
namespace {

constexpr int kPumpPeriodMs = 20;

bool IsLineMessage(int type) {
    return type >= ZN2TAPI_MSG_RING && type <= ZN2TAPI_MSG_PROCEEDING;
}

}  // namespace

LineTesterDialog::LineTesterDialog(telephony::TapiLibrary& library, phone::LineDevice device,
                                   std::filesystem::path scratch_folder,
                                   std::filesystem::path greeting, QWidget* parent)
    : QDialog(parent), library_(library), device_(std::move(device)) {
    setWindowTitle(QString::fromLatin1(phone::kLineTesterTitle));
    phone::LineTesterHost& host = *this;
    tester_ = std::make_unique<phone::LineTester>(library_, std::move(scratch_folder),
                                                  std::move(greeting), host);
    number_ = new QLineEdit(this);
    start_ = new QPushButton(QStringLiteral("&Start"), this);
    stop_ = new QPushButton(QStringLiteral("S&top"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    log_ = new QPlainTextEdit(this);
    log_->setReadOnly(true);
    log_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    log_->setMinimumSize(420, 260);
    status_ = new QLabel(this);
    start_->setDefault(true);

    auto* number_row = new QFormLayout;
    number_row->addRow(QStringLiteral("&Phone number to use"), number_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(start_);
    buttons->addWidget(stop_);
    buttons->addStretch(1);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(number_row);
    layout->addWidget(log_, 1);
    layout->addWidget(status_);
    layout->addLayout(buttons);

    connect(start_, &QPushButton::clicked, this, &LineTesterDialog::StartTest);
    connect(stop_, &QPushButton::clicked, this, &LineTesterDialog::StopTest);
    connect(cancel, &QPushButton::clicked, this, &LineTesterDialog::reject);
    pump_.setInterval(kPumpPeriodMs);
    connect(&pump_, &QTimer::timeout, this, &LineTesterDialog::TickWaitLoop);

    AppendLog(phone::SelectedForTestingLine(device_.name));
    UpdateButtons();
}

LineTesterDialog::~LineTesterDialog() {
    pump_.stop();
    // The library must not post to a window that is gone.
    if (library_.status().lineOpen != 0)
        library_.Close();
}

QString LineTesterDialog::status_text() const {
    return status_->text();
}

void LineTesterDialog::StartTest() {
    const std::string number = number_->text().trimmed().toStdString();
    if (number.empty()) {
        QMessageBox::information(this, windowTitle(), QString::fromLatin1(phone::kEnterNumberText));
        return;
    }
    status_->setText(QStringLiteral("Testing %1 ...").arg(QString::fromStdString(device_.name)));
    if (tester_->Start(device_.device, number, this) == phone::LineTester::StartResult::kRunning)
        pump_.start();
    UpdateButtons();
}

void LineTesterDialog::StopTest() {
    tester_->Stop();
    UpdateButtons();
}

void LineTesterDialog::reject() {
    tester_->Stop();
    pump_.stop();
    if (library_.status().lineOpen != 0)
        library_.Close();
    QDialog::reject();
}

void LineTesterDialog::TickWaitLoop() {
    library_.Iterate();
    tester_->Tick(std::chrono::milliseconds(kPumpPeriodMs));
    if (!tester_->running()) {
        pump_.stop();
        UpdateButtons();
    }
}

bool LineTesterDialog::event(QEvent* event) {
    const int type = static_cast<int>(event->type());
    if (!IsLineMessage(type))
        return QDialog::event(event);
    tester_->HandleMessage(type);
    UpdateButtons();
    return true;
}

void LineTesterDialog::UpdateButtons() {
    const bool running = tester_->running();
    start_->setEnabled(!running);
    stop_->setEnabled(running);
    number_->setEnabled(!running);
    if (!running && !status_->text().isEmpty())
        status_->setText(QStringLiteral("Test finished"));
}

void LineTesterDialog::AppendLog(std::string_view line) {
    // The log's lines end with "\r\n"; the view wants plain line ends.
    QString text = QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
    text.remove(QLatin1Char('\r'));
    log_->moveCursor(QTextCursor::End);
    log_->insertPlainText(text);
    log_->verticalScrollBar()->setValue(log_->verticalScrollBar()->maximum());
}

void LineTesterDialog::NoDialTone() {
    auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(),
                                QString::fromLatin1(phone::kNoDialToneText), QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("noDialTone"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

}  // namespace kivo::app
