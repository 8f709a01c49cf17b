// Locating the program's icons and help pages.
#include "resources.h"

namespace kivo::app {

Resources::Resources(std::filesystem::path folder) : folder_(std::move(folder)) {}

QString Resources::IconPath(const char* name) const {
    return QString::fromStdString((folder_ / "icons" / (std::string(name) + ".svg")).string());
}

QIcon Resources::Icon(const char* name, const char* theme_name) const {
    QIcon own;
    if (name != nullptr) {
        // The same picture when selected: the icons are drawn to stand on the
        // selection colour, so the default darkening is not wanted.
        own.addFile(IconPath(name), QSize(), QIcon::Normal);
        own.addFile(IconPath(name), QSize(), QIcon::Selected);
    }
    if (theme_name == nullptr)
        return own;
    return QIcon::fromTheme(QString::fromLatin1(theme_name), own);
}

std::vector<QIcon> Resources::RecordImageIcons() const {
    // Positions 10 and 12 to 16 are the translation images of the six
    // languages; they share one picture.
    static constexpr const char* kNames[] = {
        "record-message",        "record-wave-message",   "record-meeting",
        "record-phone-answered", "record-phone-recorded", "record-diary",
        "record-locked",         "record-new-message",    "sort-ascending",
        "sort-descending",       "record-translation",    "record-diary-reminder",
        "record-translation",    "record-translation",    "record-translation",
        "record-translation",    "record-translation",    "record-video",
    };
    std::vector<QIcon> icons;
    for (const char* name : kNames)
        icons.push_back(Icon(name));
    return icons;
}

QString Resources::HelpPage(const QString& topic) const {
    return QString::fromStdString((folder_ / "help" / topic.toStdString()).string());
}

}  // namespace kivo::app
