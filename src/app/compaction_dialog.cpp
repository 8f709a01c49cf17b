// The compaction dialog: step labels, error list and the worker thread.
#include "compaction_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "kivo/exchange/store_compaction.h"

namespace kivo::app {

CompactionDialog::CompactionDialog(core::DataStoreSession& session, const QIcon& error_icon,
                                   QWidget* parent)
    : QDialog(parent), session_(session), error_icon_(error_icon) {
    setWindowTitle(QString::fromLatin1(exchange::kCompactionTitle));
    setModal(true);

    components_ = new QLabel(this);
    store_ = new QLabel(this);
    errors_ = new QTreeWidget(this);
    errors_->setColumnCount(1);
    errors_->setHeaderLabels({QString::fromLatin1(exchange::kErrorColumnTitle)});
    errors_->setRootIsDecorated(false);
    errors_->setIconSize(QSize(16, 16));
    errors_->setVisible(false);

    error_log_ = new QPushButton(tr("&Error Log"), this);
    error_log_->setCheckable(true);
    connect(error_log_, &QPushButton::toggled, errors_, &QWidget::setVisible);
    close_ = new QPushButton(tr("&Close"), this);
    close_->setEnabled(false);
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
    auto* help_key = new QShortcut(QKeySequence::HelpContents, this);
    connect(help_key, &QShortcut::activated, this,
            [this] { emit helpRequested(QString::fromLatin1(kCompactionHelpTopic)); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(error_log_);
    buttons->addStretch();
    buttons->addWidget(close_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(components_);
    layout->addWidget(store_);
    layout->addWidget(errors_);
    layout->addLayout(buttons);
    setMinimumWidth(460);

    SetLabel(components_, QString::fromLatin1(exchange::kComponentsLabelStart), 0);
    SetLabel(store_, QString::fromLatin1(exchange::kStoreLabelStart), 0);
}

CompactionDialog::~CompactionDialog() {
    thread_.quit();
    thread_.wait();
}

void CompactionDialog::Start() {
    if (running_ || thread_.isRunning())
        return;
    running_ = true;
    auto* worker = new CompactionWorker(session_);
    worker->moveToThread(&thread_);
    connect(&thread_, &QThread::started, worker, &CompactionWorker::Run);
    connect(&thread_, &QThread::finished, worker, &QObject::deleteLater);
    connect(worker, &CompactionWorker::stepFinished, this, &CompactionDialog::ShowStep,
            Qt::QueuedConnection);
    connect(worker, &CompactionWorker::finished, this, &CompactionDialog::Finish,
            Qt::QueuedConnection);
    thread_.start();
}

int CompactionDialog::error_count() const {
    return errors_->topLevelItemCount();
}

QString CompactionDialog::components_label() const {
    return components_->text();
}

QString CompactionDialog::store_label() const {
    return store_->text();
}

QColor CompactionDialog::StateColour(int state) {
    switch (state) {
        case exchange::kLabelGreen:
            return QColor(0x00, 0x80, 0x00);
        case exchange::kLabelBlue:
            return QColor(0x00, 0x00, 0xFF);
        case exchange::kLabelRed:
            return QColor(0xFF, 0x00, 0x00);
        default:
            return QColor(0x00, 0x00, 0x00);
    }
}

void CompactionDialog::SetLabel(QLabel* label, const QString& text, int state) {
    label->setText(text);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, StateColour(state));
    label->setPalette(palette);
}

void CompactionDialog::ShowStep(const CompactionProgress& progress) {
    if (!progress.components_label.isEmpty())
        SetLabel(components_, progress.components_label, progress.components_state);
    if (!progress.store_label.isEmpty())
        SetLabel(store_, progress.store_label, progress.store_state);
    if (!progress.error_row.isEmpty()) {
        auto* item = new QTreeWidgetItem(errors_, {progress.error_row});
        item->setIcon(0, error_icon_);
    }
}

void CompactionDialog::Finish(int /*error_count*/) {
    running_ = false;
    thread_.quit();
    thread_.wait();
    emit compactionFinished(error_count());
    if (error_count() == 0) {
        accept();
        return;
    }
    error_log_->setChecked(true);
    close_->setEnabled(true);
    close_->setDefault(true);
    close_->setFocus();
}

void CompactionDialog::done(int result) {
    // Esc and the window's close button do nothing while the work runs.
    if (running_)
        return;
    QDialog::done(result);
}

}  // namespace kivo::app
