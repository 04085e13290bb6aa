// The round seal's emblem beyond the fixed lines: a picture of any kind,
// the width and threshold it is drawn at, and a copy of its file carried in
// the design.

#include "LineMap.h"

#include <QByteArrayList>

namespace qg::io::detail {

namespace {

using P = RoundSealParameters;

const QString kFileKey = QStringLiteral("EmblemFile: ");
const QString kWidthKey = QStringLiteral("EmblemWidth: ");
const QString kThresholdKey = QStringLiteral("EmblemThreshold: ");
const QString kNameKey = QStringLiteral("EmblemName: ");
const QString kDataKey = QStringLiteral("EmblemData: ");

// A number as the whole value, or nothing.
std::optional<std::int32_t> wholeNumber(QStringView value) {
    bool ok = false;
    const int number = value.trimmed().toInt(&ok);
    return ok ? std::optional<std::int32_t>(number) : std::nullopt;
}

bool isBase64Character(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '+' || u == '/';
}

// The copy of the emblem's file: its lines are whole base64 text of at most
// kEmbeddedLineLength characters each, the padding at the very end only,
// after a line that names the file. Gives the number of the first line found
// damaged, or 0 with the copy taken in.
int takeEmbeddedCopy(const OptionalReading& reading, P& p) {
    const std::vector<OptionalReading::Line> lines = reading.repeated.value(kDataKey);
    const int nameLine = reading.lastLine.value(kNameKey, 0);
    if (lines.empty())
        return nameLine;  // a name with nothing to name
    if (nameLine == 0 || p.emblem.embeddedName.isEmpty())
        return lines.front().number;
    QByteArray text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const QString& value = lines[i].value;
        if (value.isEmpty() || value.size() > kEmbeddedLineLength)
            return lines[i].number;
        const bool last = i + 1 == lines.size();
        qsizetype padding = 0;
        for (qsizetype k = 0; k < value.size(); ++k) {
            if (value[k] == u'=') {
                ++padding;
                continue;
            }
            // Nothing but padding after padding, and padding only at the end.
            if (padding > 0 || !isBase64Character(value[k]))
                return lines[i].number;
        }
        if (padding > 0 && (!last || padding > 2))
            return lines[i].number;
        text += value.toLatin1();
    }
    if (text.size() % 4 != 0)
        return lines.back().number;
    const QByteArray::FromBase64Result decoded =
        QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.isEmpty())
        return lines.back().number;
    p.emblem.embeddedData = decoded.decoded;
    return 0;
}

}  // namespace

void addEmblemLines(LineMap<P>& map) {
    map.optional(
        kFileKey, 0,
        [](const P& p, std::size_t) -> std::optional<QByteArray> {
            return p.emblem.file.isEmpty() ? std::nullopt : std::optional(valueBytes(p.emblem.file));
        },
        [](QStringView value, P& p, std::size_t) { p.emblem.file = value.toString(); },
        [](P& p, std::size_t) { p.emblem.file.clear(); });
    map.optional(
        kWidthKey, 0,
        [](const P& p, std::size_t) -> std::optional<QByteArray> {
            return isEmblemWidth(p.emblem.width) ? std::optional(QByteArray::number(p.emblem.width)) : std::nullopt;
        },
        [](QStringView value, P& p, std::size_t) {
            const std::optional<std::int32_t> width = wholeNumber(value);
            p.emblem.width = width && isEmblemWidth(*width) ? *width : 0;
        },
        [](P& p, std::size_t) { p.emblem.width = 0; });
    map.optional(
        kThresholdKey, 0,
        [](const P& p, std::size_t) -> std::optional<QByteArray> {
            return isEmblemThreshold(p.emblem.threshold) ? std::optional(QByteArray::number(p.emblem.threshold))
                                                         : std::nullopt;
        },
        [](QStringView value, P& p, std::size_t) {
            const std::optional<std::int32_t> level = wholeNumber(value);
            p.emblem.threshold = level && isEmblemThreshold(*level) ? *level : kDefaultEmblemThreshold;
        },
        [](P& p, std::size_t) { p.emblem.threshold = kDefaultEmblemThreshold; });
    // The copy is written only whole: its data with the name of its file.
    map.optional(
        kNameKey, 0,
        [](const P& p, std::size_t) -> std::optional<QByteArray> {
            if (p.emblem.embeddedData.isEmpty() || p.emblem.embeddedName.isEmpty())
                return std::nullopt;
            return valueBytes(p.emblem.embeddedName);
        },
        [](QStringView value, P& p, std::size_t) { p.emblem.embeddedName = value.toString(); },
        [](P& p, std::size_t) { p.emblem.embeddedName.clear(); });
    map.repeated(
        kDataKey, 0,
        [](const P& p, std::size_t) {
            QByteArrayList lines;
            if (p.emblem.embeddedData.isEmpty() || p.emblem.embeddedName.isEmpty())
                return lines;
            const QByteArray text = p.emblem.embeddedData.toBase64();
            for (qsizetype at = 0; at < text.size(); at += kEmbeddedLineLength)
                lines.append(text.mid(at, kEmbeddedLineLength));
            return lines;
        },
        [](P& p, std::size_t) { p.emblem.embeddedData.clear(); });
    map.finishWith(&takeEmbeddedCopy);
}

}  // namespace qg::io::detail
