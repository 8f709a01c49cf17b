// The About box (Help > About Kivo): the program's name, version and purpose.
#pragma once

class QWidget;

namespace kivo::app {

class Resources;

inline constexpr const char* kAboutTitle = "About Kivo";

void ShowAboutBox(const Resources& resources, QWidget* parent);

}  // namespace kivo::app
