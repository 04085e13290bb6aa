#include "Profiles.h"

#include <cmath>

namespace qg::output {

namespace {

struct ProfileWords {
    const char* key;
    QString title;
    QString tag;
};

const ProfileWords& wordsOf(Profile profile) {
    static const ProfileWords words[] = {
        {"laser", QStringLiteral("Лазерная гравировка резины"), QStringLiteral("лазер")},
        {"polymer", QStringLiteral("Фотополимер"), QStringLiteral("фотополимер")},
        {"positive", QStringLiteral("Оснастка с позитивом"), QStringLiteral("позитив")},
        {"shop", QStringLiteral("Для мастерской: PDF кривыми"), QStringLiteral("мастерская")},
    };
    return words[static_cast<int>(profile)];
}

// A profile's settings, those of the settings it leaves alone taken from `base`.
Settings profileSettings(Profile profile, const Settings& base) {
    Settings s = base;
    s.colour = false;  // black ink: a 1-bit picture, one colour of outlines
    switch (profile) {
        case Profile::Laser:
            s.format = Format::Tiff;
            s.dpi = 1200;
            s.negative = true;
            s.mirror = true;
            break;
        case Profile::Polymer:
            s.format = Format::Tiff;
            s.dpi = 1200;
            s.negative = true;
            s.mirror = false;
            break;
        case Profile::Positive:
            s.format = Format::Png;
            s.dpi = 600;
            s.negative = false;
            s.mirror = false;
            break;
        case Profile::Shop:
            s.format = Format::Pdf;
            s.mergeOutlines = true;
            s.negative = false;
            s.mirror = false;
            break;
    }
    return s;
}

bool isVector(Format format) {
    return format == Format::Pdf || format == Format::Svg;
}

// A number for a file name: "40", "40.5".
QString shortNumber(double value) {
    return QString::number(std::round(value * 100) / 100, 'g', 6);
}

}  // namespace

QString profileKey(Profile profile) {
    return QString::fromLatin1(wordsOf(profile).key);
}

std::optional<Profile> profileFromKey(QStringView key) {
    for (const Profile profile : kProfiles) {
        if (key.compare(QLatin1String(wordsOf(profile).key), Qt::CaseInsensitive) == 0)
            return profile;
    }
    return std::nullopt;
}

QString profileTitle(Profile profile) {
    return wordsOf(profile).title;
}

QString profileTag(Profile profile) {
    return wordsOf(profile).tag;
}

void applyProfile(Profile profile, Settings& settings) {
    settings = profileSettings(profile, settings);
}

bool followsProfile(const Settings& settings, Profile profile) {
    const Settings wanted = profileSettings(profile, settings);
    // A picture's outlines are never merged, and a vector file has no
    // resolution: neither is the profile's where it means nothing.
    return settings.format == wanted.format && settings.colour == wanted.colour &&
           settings.negative == wanted.negative && settings.mirror == wanted.mirror &&
           (isVector(wanted.format) ? settings.mergeOutlines == wanted.mergeOutlines : settings.dpi == wanted.dpi);
}

QString exportFileName(const QString& base, const Settings& settings, std::optional<Profile> profile) {
    QString name = base + QStringLiteral("_%1мм").arg(shortNumber(settings.widthMm));
    if (!isVector(settings.format))
        name += QStringLiteral("_%1dpi").arg(settings.dpi);
    if (profile && followsProfile(settings, *profile))
        name += QLatin1Char('_') + profileTag(*profile);
    return name + QLatin1Char('.') + formatSuffix(settings.format);
}

}  // namespace qg::output
