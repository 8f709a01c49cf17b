// The translator dialog (see translator_dialog.h).
#include "kivo/translator/translator_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStandardItemModel>
#include <QUrl>
#include <QVBoxLayout>
#include <memory>
#include <optional>

#include "background_call.h"
#include "kivo/recorder/log_date.h"
#include "kivo/recorder/record_files.h"
#include "kivo/translator/speech_listening.h"
#include "kivo/translator/text_file_loading.h"
#include "kivo/translator/translation_save.h"
#include "spoken_save_runner.h"

namespace kivo::translator {
namespace {

constexpr int kSubjectLimitCharacters = 149;
constexpr const char* kVoicesAddress =
    "https://github.com/espeak-ng/espeak-ng/blob/master/docs/languages.md";

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

// A caption whose Alt letter moves the focus to its field.
QLabel* BuddyLabel(const QString& text, QWidget* field) {
    auto* label = new QLabel(text);
    label->setBuddy(field);
    return label;
}

// The item's position in the language table: group << 16 | choice.
int ChoiceKey(std::size_t group, std::size_t choice) {
    return static_cast<int>((group << 16) | choice);
}

}  // namespace

TranslatorDialog::TranslatorDialog(sound::AudioBackend& backend, recorder::RecorderTarget target,
                                   core::MessageReporter& reporter, QWidget* parent)
    : QDialog(parent), backend_(backend), target_(std::move(target)), reporter_(reporter) {
    setWindowTitle(QString::fromLatin1(kTranslatorCaption));
    listening_ = new SpeechListening(backend_, this);
    connect(listening_, &SpeechListening::finished, this, [this] { SetBusy(false); });
    translation_call_ = new BackgroundCall(this);
    save_runner_ = new SpokenSaveRunner(this);
    BuildControls();
}

// Work still running uses library_ and pending_save_: it ends before the
// members go.
TranslatorDialog::~TranslatorDialog() {
    if (translating())
        QApplication::restoreOverrideCursor();
    delete translation_call_;
    delete save_runner_;
}

void TranslatorDialog::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    language_ = new QComboBox;
    subject_ = new QLineEdit;
    subject_->setMaxLength(kSubjectLimitCharacters);
    keywords_ = new QLineEdit;
    form->addRow(tr("Select Lan&guage"), language_);
    form->addRow(tr("S&ubject"), subject_);
    form->addRow(tr("&Keywords"), keywords_);
    layout->addLayout(form);

    source_ = new QPlainTextEdit;
    layout->addWidget(BuddyLabel(tr("Te&xt to be translated (Limits apply)"), source_));
    layout->addWidget(source_);
    auto* source_buttons = new QHBoxLayout;
    browse_ = new QPushButton(tr("&Browse for Text..."));
    translate_ = new QPushButton(tr("&Translate"));
    source_buttons->addWidget(browse_);
    source_buttons->addStretch();
    source_buttons->addWidget(translate_);
    layout->addLayout(source_buttons);

    translated_ = new QPlainTextEdit;
    layout->addWidget(BuddyLabel(tr("Translat&ed text"), translated_));
    translated_->setReadOnly(true);
    layout->addWidget(translated_);

    auto* listen_group = new QGroupBox(tr("Listen"));
    auto* listen_layout = new QHBoxLayout(listen_group);
    speak_original_ = new QRadioButton(tr("&Original Text"));
    speak_translated_ = new QRadioButton(tr("T&ranslated Text"));
    speak_original_->setChecked(true);
    voice_ = new QComboBox;
    listen_ = new QPushButton(tr("&Listen"));
    listen_layout->addWidget(speak_original_);
    listen_layout->addWidget(speak_translated_);
    listen_layout->addWidget(BuddyLabel(tr("Select &Voice"), voice_));
    listen_layout->addWidget(voice_, 1);
    listen_layout->addWidget(listen_);
    layout->addWidget(listen_group);

    auto* speed_layout = new QHBoxLayout;
    speed_ = new QSlider(Qt::Horizontal);
    speed_->setRange(speech::kSlowestRateWpm, speech::kFastestRateWpm);
    speed_->setValue(speech::kNormalRateWpm);
    speed_layout->addWidget(BuddyLabel(tr("S&peed"), speed_));
    speed_layout->addWidget(new QLabel(tr("Slow")));
    speed_layout->addWidget(speed_, 1);
    speed_layout->addWidget(new QLabel(tr("Fast")));
    layout->addLayout(speed_layout);

    auto* buttons = new QHBoxLayout;
    save_ = new QPushButton(tr("&Save"));
    save_->setEnabled(false);
    cancel_ = new QPushButton(tr("&Cancel"));
    buttons->addStretch();
    buttons->addWidget(save_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);

    connect(browse_, &QPushButton::clicked, this, &TranslatorDialog::BrowseForText);
    connect(translate_, &QPushButton::clicked, this, &TranslatorDialog::Translate);
    connect(listen_, &QPushButton::clicked, this, &TranslatorDialog::Listen);
    connect(save_, &QPushButton::clicked, this, &TranslatorDialog::Save);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    resize(640, 560);
}

bool TranslatorDialog::Start(const std::filesystem::path& data_folder) {
    if (library_.InitLangTrans(data_folder) < 0) {
        reporter_.ReportMessage(translation::kMessageNoLanguages, core::kStyleExclamation);
        return false;
    }
    FillLanguages();
    FillVoices();
    start_log_date_ = recorder::NowLogDate();
    // The user starts by typing or pasting the text; the language has Alt+G.
    source_->setFocus(Qt::OtherFocusReason);
    return true;
}

// Every choice of every group; those without an installed route are shown
// with their note but cannot be selected.
void TranslatorDialog::FillLanguages() {
    language_->clear();
    auto* model = qobject_cast<QStandardItemModel*>(language_->model());
    const auto& groups = library_.groups();
    for (std::size_t group = 0; group < groups.size(); ++group) {
        for (std::size_t choice = 0; choice < groups[group].choices.size(); ++choice) {
            const translation::LanguageChoice& entry = groups[group].choices[choice];
            language_->addItem(Text(entry.display_name), ChoiceKey(group, choice));
            if (!entry.available() && model != nullptr)
                model->item(language_->count() - 1)->setEnabled(false);
        }
    }
    language_->setCurrentIndex(0);
}

void TranslatorDialog::FillVoices() {
    voices_ = speech::InstalledVoices();
    voice_->clear();
    for (const speech::SpeechVoice& voice : voices_)
        voice_->addItem(Text(voice.name));
    const int english = speech::MatchVoice(voices_, "English");
    if (english >= 0)
        voice_->setCurrentIndex(english);
}

void TranslatorDialog::SetTexts(const QString& text, const QString& subject) {
    source_->setPlainText(text);
    subject_->setText(subject.left(kSubjectLimitCharacters));
}

bool TranslatorDialog::LoadTextFile(const std::filesystem::path& path) {
    const LoadedText loaded = translator::LoadTextFile(path);
    if (!loaded.ok)
        return false;
    source_->setPlainText(Text(loaded.utf8));
    return true;
}

void TranslatorDialog::BrowseForText() {
    const QString path = QFileDialog::getOpenFileName(this, tr("Browse for Text"), QString(),
                                                      tr("Text files (*.txt);;All files (*)"));
    if (!path.isEmpty() && !LoadTextFile(path.toStdString()))
        QMessageBox::warning(this, windowTitle(), tr("Can't open the file!"));
}

const translation::LanguageChoice* TranslatorDialog::SelectedChoice() const {
    if (language_->currentIndex() < 0)
        return nullptr;
    const int key = language_->currentData().toInt();
    const std::size_t group = static_cast<std::size_t>(key) >> 16;
    const std::size_t choice = static_cast<std::size_t>(key) & 0xFFFF;
    const auto& groups = library_.groups();
    if (group >= groups.size() || choice >= groups[group].choices.size())
        return nullptr;
    return &groups[group].choices[choice];
}

// The translator runs on its own thread: a long text takes seconds, and the
// window keeps answering (and can be closed) meanwhile.
void TranslatorDialog::Translate() {
    const translation::LanguageChoice* selected = SelectedChoice();
    const std::string text = source_->toPlainText().toStdString();
    if (text.empty() || selected == nullptr || !selected->available() ||
        translation_call_->running())
        return;
    struct Outcome {
        translation::TranslationStatus status = translation::TranslationStatus::Ok();
        std::string text;
    };
    auto outcome = std::make_shared<Outcome>();
    const translation::LanguageChoice choice = *selected;
    SetTranslating(true);
    translation_call_->Start(
        [library = &library_, text, code = choice.code, outcome] {
            outcome->status = library->LangTransForm({text, code}, &outcome->text);
        },
        [this, choice, outcome] {
            SetTranslating(false);
            ShowTranslation(choice, outcome->status, outcome->text);
        });
}

bool TranslatorDialog::translating() const {
    return translation_call_->running();
}

bool TranslatorDialog::saving() const {
    return save_runner_->running();
}

void TranslatorDialog::SetTranslating(bool translating) {
    translate_->setText(translating ? tr("Translating...") : tr("&Translate"));
    translate_->setEnabled(!translating);
    language_->setEnabled(!translating);
    browse_->setEnabled(!translating);
    source_->setReadOnly(translating);
    if (translating)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TranslatorDialog::ShowTranslation(const translation::LanguageChoice& choice,
                                       const translation::TranslationStatus& status,
                                       const std::string& translated) {
    if (!status.ok()) {
        QMessageBox::warning(this, windowTitle(), Text(status.detail()));
        return;
    }
    translated_->setPlainText(Text(translated));
    translated_->setReadOnly(false);
    translated_->setFocus();  // Translate was held while it ran
    speak_translated_->setChecked(true);
    const int voice = speech::MatchVoice(voices_, choice.result_language);
    voice_found_ = voice >= 0;
    if (voice_found_)
        voice_->setCurrentIndex(voice);
    save_->setEnabled(true);
    result_language_ = choice.result_language;
    translation_code_ = choice.code;
}

void TranslatorDialog::SetBusy(bool busy) {
    listen_->setText(busy ? tr("Stop &Listening") : tr("&Listen"));
    voice_->setEnabled(!busy);
    save_->setEnabled(!busy && !result_language_.empty());
}

void TranslatorDialog::Listen() {
    if (listening_->playing()) {
        listening_->Stop();
        SetBusy(false);
        return;
    }
    const QPlainTextEdit* spoken = speak_original_->isChecked() ? source_ : translated_;
    const std::string text = spoken->toPlainText().toStdString();
    if (text.empty())
        return;
    QString error;
    if (!listening_->Listen({text, voice_->currentText().toStdString(), speed_->value()}, &error)) {
        QMessageBox::warning(this, windowTitle(), error);
        return;
    }
    SetBusy(true);
}

void TranslatorDialog::Save() {
    const std::string translated = translated_->toPlainText().toStdString();
    if (translated.empty() || saving() || translating())
        return;
    if (!voice_found_) {
        const QMessageBox::StandardButton answer = QMessageBox::question(
            this, windowTitle(),
            tr("You do not have the required voice installed to speak in the selected "
               "language.\nWould you like to download more voices now?"));
        if (answer == QMessageBox::Yes)
            QDesktopServices::openUrl(QUrl(QString::fromLatin1(kVoicesAddress)));
    }
    listening_->Stop();
    SetBusy(false);
    TranslationDraft draft;
    draft.original_text = source_->toPlainText().toStdString();
    draft.translated_text = translated;
    draft.result_language = result_language_;
    draft.translation_code = translation_code_;
    draft.subject = subject_->text().toStdString();
    draft.keywords = keywords_->text().replace('\r', ' ').replace('\n', ' ').toStdString();
    draft.voice_name = voice_->currentText().toStdString();
    draft.rate_wpm = speed_->value();
    draft.start_log_date = start_log_date_;

    SetSaving(true);
    save_files_ = std::make_unique<recorder::RecordFiles>(
        recorder::RecordFiles::ForNewRecord(target_.working_folder));
    pending_save_ = std::make_unique<TranslationSave>(target_, *save_files_);
    TranslationSave* save = pending_save_.get();
    save_runner_->Start(
        tr("Kivo - Saving Translation"), tr("Please wait while your translation is being saved"),
        [save, draft] { return save->Speak(draft); }, [save, draft] { return save->Store(draft); },
        [this](int result) { FinishSave(result); });
}

void TranslatorDialog::SetSaving(bool saving) {
    for (QPushButton* button : {translate_, listen_, save_, cancel_})
        button->setEnabled(!saving);
}

void TranslatorDialog::FinishSave(int result) {
    saved_ = pending_save_->stored();
    SetSaving(false);
    if (result != 0)
        reporter_.ReportMessage(result, core::kStyleExclamation);
    if (saved_)
        accept();
}

// While the record is being saved the dialog stays open (Esc and the close
// button wait for the save to end).
void TranslatorDialog::reject() {
    if (saving())
        return;
    QDialog::reject();
}

}  // namespace kivo::translator
