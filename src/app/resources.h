// Resources: the program's read-only files in share/kivo (icons, help pages,
// greeting sounds), found beside the executable's bin/ folder.
#pragma once

#include <QIcon>
#include <QString>

#include <filesystem>
#include <vector>

namespace kivo::app {

class Resources {
public:
    explicit Resources(std::filesystem::path folder);

    const std::filesystem::path& folder() const { return folder_; }

    // share/kivo/icons/<name>.svg. With a theme name, the desktop theme's icon
    // of that name is used when the theme has one.
    QIcon Icon(const char* name, const char* theme_name = nullptr) const;
    // Absolute path of share/kivo/icons/<name>.svg.
    QString IconPath(const char* name) const;
    // Absolute path of share/kivo/help/<topic>.
    QString HelpPage(const QString& topic) const;

    // The record list's 16 by 16 row images, by position (18 of them; see
    // core::RecordImage).
    std::vector<QIcon> RecordImageIcons() const;

private:
    std::filesystem::path folder_;
};

}  // namespace kivo::app
