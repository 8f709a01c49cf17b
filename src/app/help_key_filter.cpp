// F1 for the windows without a help key of their own.
#include "help_key_filter.h"

#include <QKeyEvent>
#include <QWidget>
#include <array>
#include <string_view>

#include "help_topics.h"
#include "help_window.h"

namespace kivo::app {
namespace {

struct WindowHelpPage {
    std::string_view window_class;  // without its namespace
    const char* page;
};

constexpr std::array<WindowHelpPage, 17> kWindowPages{{
    {"ExportOptionsDialog", "export.htm"},
    {"RecordingCompressorDialog", "export.htm"},
    {"StoreImportDialog", "import.htm"},
    {"AudioImportDialog", "import.htm"},
    {"SearchDialog", "search.htm"},
    {"PhoneBookDialog", "phone-recorder.htm"},
    {"PhoneBookEntryDialog", "phone-recorder.htm"},
    {"PhoneCostDialog", "phone-recorder.htm"},
    {"IncomingCallDialog", "phone-line.htm"},
    {"PlayOverLineDialog", "phone-line.htm"},
    {"LineSelectionDialog", "phone-line.htm"},
    {"LineTesterDialog", "phone-line.htm"},
    {"OfflineMeetingDialog", "317.htm"},
    {"TimesAndCostsDialog", "317.htm"},
    {"ReminderWindow", "344.htm"},
    {"TextToSpeechDialog", "translator.htm"},
    {"TranslatorDialog", "translator.htm"},
}};

std::string_view WithoutNamespace(std::string_view name) {
    const auto colons = name.rfind("::");
    return colons == std::string_view::npos ? name : name.substr(colons + 2);
}

}  // namespace

QString HelpTopicOfWindow(const QWidget* window) {
    const std::string_view name = WithoutNamespace(window->metaObject()->className());
    for (const WindowHelpPage& entry : kWindowPages) {
        if (entry.window_class == name)
            return QString::fromLatin1(entry.page);
    }
    return QString::fromLatin1(kHelpContentsTopic);
}

bool HelpKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier || widget == nullptr)
        return false;
    const QWidget* window = widget->window();
    if (qobject_cast<const HelpWindow*>(window) != nullptr)
        return false;
    emit helpRequested(HelpTopicOfWindow(window));
    return true;
}

}  // namespace kivo::app
