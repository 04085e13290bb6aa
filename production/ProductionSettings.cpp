#include "ProductionSettings.h"

#include "ProgramSettings.h"

#include <algorithm>
#include <cmath>

namespace qg {

namespace {

// The kind's group among the settings.
QString exportGroup(StampKind kind) {
    static const char* const keys[] = {"round", "triangle", "rect"};
    return QStringLiteral("export/") + QLatin1String(keys[static_cast<int>(kind)]);
}

double storedLimit(const QSettings& store, const char* key, double fallback, double low, double high) {
    const double value = store.value(QString::fromLatin1(key), fallback).toDouble();
    return std::isfinite(value) ? std::clamp(value, low, high) : fallback;
}

const QString kGeometryKey = QStringLiteral("production/geometry");

}  // namespace

output::Settings loadExportSettings(StampKind kind) {
    QSettings store = programSettings();
    store.beginGroup(exportGroup(kind));
    output::Settings s;
    const double width = store.value(QStringLiteral("widthMm"), output::defaultWidthMm(kind)).toDouble();
    s.widthMm = std::isfinite(width) ? std::clamp(width, output::kMinWidthMm, output::kMaxWidthMm)
                                     : output::defaultWidthMm(kind);
    s.format = output::formatFromName(store.value(QStringLiteral("format")).toString())
                   .value_or(output::Format::Png);
    s.dpi = std::clamp(store.value(QStringLiteral("dpi"), s.dpi).toInt(), output::kMinDpi, output::kMaxDpi);
    s.colour = store.value(QStringLiteral("colour"), false).toBool();
    s.mirror = store.value(QStringLiteral("mirror"), false).toBool();
    s.negative = store.value(QStringLiteral("negative"), false).toBool();
    const double margin = store.value(QStringLiteral("marginMm"), s.marginMm).toDouble();
    s.marginMm = std::isfinite(margin) ? std::clamp(margin, 0.0, output::kMaxMarginMm) : 2;
    s.mergeOutlines = store.value(QStringLiteral("mergeOutlines"), false).toBool();
    return s;
}

void storeExportSettings(StampKind kind, const output::Settings& s) {
    QSettings store = programSettings();
    store.beginGroup(exportGroup(kind));
    store.setValue(QStringLiteral("widthMm"), s.widthMm);
    store.setValue(QStringLiteral("format"), output::formatSuffix(s.format));
    store.setValue(QStringLiteral("dpi"), s.dpi);
    store.setValue(QStringLiteral("colour"), s.colour);
    store.setValue(QStringLiteral("mirror"), s.mirror);
    store.setValue(QStringLiteral("negative"), s.negative);
    store.setValue(QStringLiteral("marginMm"), s.marginMm);
    store.setValue(QStringLiteral("mergeOutlines"), s.mergeOutlines);
}

std::optional<output::Profile> loadExportProfile(StampKind kind, const output::Settings& settings) {
    QSettings store = programSettings();
    store.beginGroup(exportGroup(kind));
    const std::optional<output::Profile> profile =
        output::profileFromKey(store.value(QStringLiteral("profile")).toString());
    if (profile && output::followsProfile(settings, *profile))
        return profile;
    return std::nullopt;
}

void storeExportProfile(StampKind kind, std::optional<output::Profile> profile) {
    QSettings store = programSettings();
    store.beginGroup(exportGroup(kind));
    if (profile)
        store.setValue(QStringLiteral("profile"), output::profileKey(*profile));
    else
        store.remove(QStringLiteral("profile"));
}

check::Limits loadCheckLimits() {
    const QSettings store = programSettings();
    check::Limits limits;
    limits.minLineMm = storedLimit(store, "check/minLineMm", limits.minLineMm, 0.01, 5);
    limits.safeLineMm = storedLimit(store, "check/safeLineMm", limits.safeLineMm, 0.01, 5);
    limits.minGapMm = storedLimit(store, "check/minGapMm", limits.minGapMm, 0.01, 5);
    limits.minCapMm = storedLimit(store, "check/minCapMm", limits.minCapMm, 0.1, 20);
    limits.minEmblemDpi = storedLimit(store, "check/minEmblemDpi", limits.minEmblemDpi, 50, 2400);
    return limits;
}

void storeCheckLimits(const check::Limits& limits) {
    QSettings store = programSettings();
    store.setValue(QStringLiteral("check/minLineMm"), limits.minLineMm);
    store.setValue(QStringLiteral("check/safeLineMm"), limits.safeLineMm);
    store.setValue(QStringLiteral("check/minGapMm"), limits.minGapMm);
    store.setValue(QStringLiteral("check/minCapMm"), limits.minCapMm);
    store.setValue(QStringLiteral("check/minEmblemDpi"), limits.minEmblemDpi);
}

QByteArray loadProductionGeometry() {
    return programSettings().value(kGeometryKey).toByteArray();
}

void storeProductionGeometry(const QByteArray& geometry) {
    programSettings().setValue(kGeometryKey, geometry);
}

}  // namespace qg
