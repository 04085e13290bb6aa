#pragma once

// What stamp shops' processes ask for, as named sets of export settings,
// and the names of the files made with them.

#include "Export.h"

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace qg::output {

// A shop's process and the file it asks for:
//   Laser     "Лазерная гравировка резины": negative, mirrored, 1-bit TIFF at 1200 dpi;
//   Polymer   "Фотополимер": negative, not mirrored, 1-bit TIFF at 1200 dpi;
//   Positive  "Оснастка с позитивом": positive, not mirrored, 1-bit PNG at 600 dpi;
//   Shop      "Для мастерской: PDF кривыми": a PDF of black outlines, merged,
//             positive and not mirrored, for the shop to make its own plate.
// A profile sets the file and how the ink is drawn into it; it leaves the
// width (the seal's size) and the margin (the page's room) as they are, and
// the resolution of a vector file, which has none.
enum class Profile { Laser, Polymer, Positive, Shop };
inline constexpr std::array<Profile, 4> kProfiles{Profile::Laser, Profile::Polymer, Profile::Positive,
                                                  Profile::Shop};

// The command line's name: "laser", "polymer", "positive", "shop".
QString profileKey(Profile profile);
std::optional<Profile> profileFromKey(QStringView key);
// The name the window lists it by.
QString profileTitle(Profile profile);
// A file name's short word for it: "лазер", "фотополимер", "позитив", "мастерская".
QString profileTag(Profile profile);

// Sets what the profile asks for, and nothing else.
void applyProfile(Profile profile, Settings& settings);
// Whether the settings have every setting of the profile.
bool followsProfile(const Settings& settings, Profile profile);

// The name of an export's file: `base` with the width, the resolution of a
// picture, the profile chosen while the settings still follow it, and the
// format's extension: "круглая_печать_40мм_1200dpi_лазер.tif".
QString exportFileName(const QString& base, const Settings& settings, std::optional<Profile> profile = std::nullopt);

}  // namespace qg::output
