// The splash screen shown for three seconds before the main window.
#pragma once

#include <memory>

class QSplashScreen;

namespace kivo::app {

class Resources;

inline constexpr int kSplashDuration_ms = 3000;
// Size of the splash picture in pixels.
inline constexpr int kSplashWidth_px = 785;
inline constexpr int kSplashHeight_px = 579;

// The splash screen with the program's picture (share/kivo/icons/kivo-splash.svg).
std::unique_ptr<QSplashScreen> MakeSplashScreen(const Resources& resources);

}  // namespace kivo::app
