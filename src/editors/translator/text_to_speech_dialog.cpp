// The text-to-speech dialog (see text_to_speech_dialog.h).
#include "kivo/translator/text_to_speech_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "kivo/recorder/log_date.h"
#include "kivo/recorder/record_files.h"
#include "kivo/translator/speech_listening.h"
#include "kivo/translator/text_file_loading.h"
#include "kivo/translator/translator_dialog.h"
#include "spoken_save_runner.h"

namespace kivo::translator {
namespace {

constexpr int kSubjectLimitCharacters = 149;

}  // namespace

TextToSpeechDialog::TextToSpeechDialog(sound::AudioBackend& backend,
                                       recorder::RecorderTarget target,
                                       core::MessageReporter& reporter, QWidget* parent)
    : QDialog(parent), backend_(backend), target_(std::move(target)), reporter_(reporter) {
    setWindowTitle(QString::fromLatin1(kTextToSpeechCaption));
    listening_ = new SpeechListening(backend_, this);
    connect(listening_, &SpeechListening::finished, this, [this] { SetListening(false); });
    save_runner_ = new SpokenSaveRunner(this);
    BuildControls();
    voices_ = speech::InstalledVoices();
    for (const speech::SpeechVoice& voice : voices_)
        voice_->addItem(QString::fromStdString(voice.name));
    const int english = speech::MatchVoice(voices_, "English");
    if (english >= 0)
        voice_->setCurrentIndex(english);
    start_log_date_ = recorder::NowLogDate();
}

// A save still running works on pending_save_: it ends before the members go.
TextToSpeechDialog::~TextToSpeechDialog() {
    delete save_runner_;
}

void TextToSpeechDialog::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    voice_ = new QComboBox;
    subject_ = new QLineEdit;
    subject_->setMaxLength(kSubjectLimitCharacters);
    // Each field has its Alt letter; the labels hand the focus to it.
    form->addRow(tr("Select &Voice"), voice_);
    form->addRow(tr("&Subject"), subject_);
    layout->addLayout(form);
    auto* text_label = new QLabel(tr("Te&xt"));
    layout->addWidget(text_label);
    text_ = new QPlainTextEdit;
    text_label->setBuddy(text_);
    layout->addWidget(text_);

    auto* speed_layout = new QHBoxLayout;
    speed_ = new QSlider(Qt::Horizontal);
    speed_->setRange(speech::kSlowestRateWpm, speech::kFastestRateWpm);
    speed_->setValue(speech::kNormalRateWpm);
    auto* speed_label = new QLabel(tr("Adjust voice s&peed"));
    speed_label->setBuddy(speed_);
    speed_layout->addWidget(speed_label);
    speed_layout->addWidget(new QLabel(tr("Slow")));
    speed_layout->addWidget(speed_, 1);
    speed_layout->addWidget(new QLabel(tr("Fast")));
    layout->addLayout(speed_layout);
    auto* normal = new QLabel(tr("Normal"));
    normal->setAlignment(Qt::AlignHCenter);
    layout->addWidget(normal);

    auto* buttons = new QHBoxLayout;
    browse_ = new QPushButton(tr("&Browse for Text..."));
    translate_ = new QPushButton(tr("&Translate"));
    listen_ = new QPushButton(tr("&Listen"));
    save_dictation_ = new QPushButton(tr("Save as &Dictation"));
    save_meeting_ = new QPushButton(tr("Save as &Meeting"));
    for (QPushButton* button : {browse_, translate_, listen_, save_dictation_, save_meeting_})
        buttons->addWidget(button);
    layout->addLayout(buttons);

    connect(browse_, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, tr("Browse for Text"), QString(),
                                                          tr("Text files (*.txt);;All files (*)"));
        if (!path.isEmpty() && !LoadTextFile(path.toStdString()))
            QMessageBox::warning(this, windowTitle(), tr("Can't open the file!"));
    });
    connect(translate_, &QPushButton::clicked, this, &TextToSpeechDialog::OpenTranslator);
    connect(listen_, &QPushButton::clicked, this, &TextToSpeechDialog::Listen);
    connect(save_dictation_, &QPushButton::clicked, this,
            [this] { Save(SpokenRecordKind::kDictation); });
    connect(save_meeting_, &QPushButton::clicked, this,
            [this] { Save(SpokenRecordKind::kMeeting); });
    resize(600, 420);
}

bool TextToSpeechDialog::LoadTextFile(const std::filesystem::path& path) {
    const LoadedText loaded = translator::LoadTextFile(path);
    if (!loaded.ok)
        return false;
    text_->setPlainText(QString::fromStdString(loaded.utf8));
    return true;
}

void TextToSpeechDialog::SetListening(bool listening) {
    listen_->setText(listening ? tr("Stop &Listening") : tr("&Listen"));
    voice_->setEnabled(!listening);
}

void TextToSpeechDialog::Listen() {
    if (listening_->playing()) {
        listening_->Stop();
        SetListening(false);
        return;
    }
    const std::string text = text_->toPlainText().toStdString();
    if (text.empty())
        return;
    QString error;
    if (!listening_->Listen({text, voice_->currentText().toStdString(), speed_->value()}, &error)) {
        QMessageBox::warning(this, windowTitle(), error);
        return;
    }
    SetListening(true);
}

void TextToSpeechDialog::Save(SpokenRecordKind kind) {
    const std::string text = text_->toPlainText().toStdString();
    if (text.empty() || saving())
        return;
    listening_->Stop();
    SetListening(false);
    SetSaving(true);
    save_files_ = std::make_unique<recorder::RecordFiles>(
        recorder::RecordFiles::ForNewRecord(target_.working_folder));
    pending_save_ = std::make_unique<SpeechRecordSave>(target_, *save_files_);
    SpeechRecordSave* save = pending_save_.get();
    const SpeechDraft draft{text, subject_->text().toStdString(),
                            voice_->currentText().toStdString(), speed_->value(), start_log_date_};
    save_runner_->Start(
        windowTitle(), tr("Please wait while your recording is being saved"),
        [save, draft] { return save->Speak(draft); },
        [save, draft, kind] { return save->Store(draft, kind); },
        [this](int result) { FinishSave(result); });
}

bool TextToSpeechDialog::saving() const {
    return save_runner_->running();
}

void TextToSpeechDialog::SetSaving(bool saving) {
    for (QPushButton* button : {listen_, save_dictation_, save_meeting_, browse_, translate_})
        button->setEnabled(!saving);
}

void TextToSpeechDialog::FinishSave(int result) {
    const bool stored = pending_save_->stored();
    saved_ = saved_ || stored;
    SetSaving(false);
    if (result != 0)
        reporter_.ReportMessage(result, core::kStyleExclamation);
    if (stored)
        accept();
}

// While the record is being saved the dialog stays open.
void TextToSpeechDialog::reject() {
    if (saving())
        return;
    QDialog::reject();
}

void TextToSpeechDialog::OpenTranslator() {
    if (text_->toPlainText().isEmpty())
        return;
    listening_->Stop();
    SetListening(false);
    TranslatorDialog translator(backend_, target_, reporter_, this);
    if (!translator.Start())
        return;
    translator.SetTexts(text_->toPlainText(), subject_->text());
    translator.exec();
    saved_ = saved_ || translator.saved();
}

}  // namespace kivo::translator
