#pragma once

// What the production window keeps between runs: the settings of each
// kind's files, the shop's limits for the check, and the window's place.

#include "Check.h"
#include "Export.h"
#include "Parameters.h"
#include "Profiles.h"

#include <QByteArray>

#include <optional>

namespace qg {

// The kind's settings as last chosen, each brought within its bounds; the
// kind's defaults where none were kept.
output::Settings loadExportSettings(StampKind kind);
void storeExportSettings(StampKind kind, const output::Settings& settings);
// The profile last chosen for the kind, while `settings` still follow it.
std::optional<output::Profile> loadExportProfile(StampKind kind, const output::Settings& settings);
void storeExportProfile(StampKind kind, std::optional<output::Profile> profile);

// The limits as the user last set them, each within the range of its field.
check::Limits loadCheckLimits();
void storeCheckLimits(const check::Limits& limits);

// The window's geometry as QWidget::saveGeometry() gives it; empty when
// none was kept.
QByteArray loadProductionGeometry();
void storeProductionGeometry(const QByteArray& geometry);

}  // namespace qg
