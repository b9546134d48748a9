#pragma once

#include <QString>

// The one version text the program shows; set on the first idle pass.
extern QString versionText;
inline constexpr char kVersion[] = "1.2";
// The reverse-DNS application id: desktop entry, AppStream id, icon name.
inline constexpr char kApplicationId[] = WAVEDOCK_APP_ID;
