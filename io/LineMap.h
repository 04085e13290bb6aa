#pragma once

// The line map that a kind's design file is read and written by, and the
// optional "Key: value" lines kept after its fixed lines. Private to io/:
// the rest of the program uses StampFile.h.

#include "StampFile.h"

#include <QByteArrayList>
#include <QHash>
#include <QString>

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

namespace qg::io::detail {

// Every kind's file is described by one line map: for each line number the
// kind of line, its key and where its value lives in the parameters record.
// The writer walks the map from top to bottom; the reader looks up the entry
// of each line number it reads. Sharing the map is what keeps the two in
// step.

enum class LineKind {
    Fixed,   // written as is, never examined when reading
    Number,  // key + signed decimal (numbers and colours)
    Text,    // key + text as it stands (texts, face names, the emblem path)
    Switch,  // "Enable: True" / "Enable: False"
};

// A field of the record, reached through the element index of its line.
template <typename P, typename T>
struct Field {
    T& (*get)(P&, std::size_t) = nullptr;
    const T& (*peek)(const P&, std::size_t) = nullptr;
};

template <typename P, typename T, typename F>
T& getVia(P& p, std::size_t i) {
    return F{}(p, i);
}

template <typename P, typename T, typename F>
const T& peekVia(const P& p, std::size_t i) {
    return F{}(p, i);
}

// `field` is a captureless lambda `(auto& record, std::size_t index) -> auto&`;
// it serves both the const writer and the reader.
template <typename P, typename T, typename F>
Field<P, T> fieldOf(F) {
    return {&getVia<P, T, F>, &peekVia<P, T, F>};
}

template <typename P>
struct LineEntry {
    LineKind kind = LineKind::Fixed;
    QString text;  // the whole line of a fixed line, the key of a keyed line
    std::size_t index = 0;
    qsizetype maxLength = -1;  // of a text value, when it has a limit
    Field<P, std::int32_t> number;
    Field<P, QString> string;
    Field<P, bool> flag;
};

// A setting kept after the fixed lines as one "Key: value" line of its
// own, written only when it differs from its default. Reading a whole file
// first puts every such setting back to its default and then applies the
// lines it finds by their keys, in any order; a value the program does not
// know reads as the default and never damages the file.
//
// A setting too long for one line is kept on several lines of the same key,
// one after another (`repeated`). Its lines are gathered while the file is
// read and handed over together, with the other lines the reading noted, to
// the map's `finish`, which may find them damaged: such damage refuses the
// whole file.
template <typename P>
struct OptionalLine {
    QString key;
    std::size_t index = 0;
    // The bytes of the value to write (a text through valueBytes);
    // nothing when the setting is at its default.
    std::optional<QByteArray> (*value)(const P&, std::size_t) = nullptr;
    // Takes the value part of the line (the line without its key).
    void (*apply)(QStringView, P&, std::size_t) = nullptr;
    void (*reset)(P&, std::size_t) = nullptr;
    // For a setting on several lines: the values of its lines, in order
    // (none at its default). `value` and `apply` are then unused.
    QByteArrayList (*values)(const P&, std::size_t) = nullptr;
};

// The optional lines of one file as its reading met them: for each key of
// a repeated setting its lines, and for every other key the number of the
// last line that held it.
struct OptionalReading {
    struct Line {
        int number = 0;  // in the file, from 1
        QString value;
    };
    QHash<QString, std::vector<Line>> repeated;
    QHash<QString, int> lastLine;
};

template <typename P>
class LineMap {
public:
    void fixed(const QString& line) { lines_.push_back({LineKind::Fixed, line, 0, -1, {}, {}, {}}); }
    void blank() { fixed(QString()); }

    template <typename F>
    void number(const QString& key, std::size_t index, F field) {
        lines_.push_back({LineKind::Number, key, index, -1, fieldOf<P, std::int32_t>(field), {}, {}});
    }
    template <typename F>
    void text(const QString& key, std::size_t index, F field, qsizetype maxLength = -1) {
        lines_.push_back({LineKind::Text, key, index, maxLength, {}, fieldOf<P, QString>(field), {}});
    }
    template <typename F>
    void toggle(std::size_t index, F field) {
        lines_.push_back({LineKind::Switch, QString(), index, -1, {}, {}, fieldOf<P, bool>(field)});
    }

    // Marks the end of the kind's fixed lines. The entries added after it
    // are written in order too, but a reader finds them by their keys.
    void endFixedLines() { fixedCount_ = lines_.size(); }

    // A setting written after everything above, in the order of these
    // calls, and only when it is not at its default.
    void optional(const QString& key, std::size_t index, std::optional<QByteArray> (*value)(const P&, std::size_t),
                  void (*apply)(QStringView, P&, std::size_t), void (*reset)(P&, std::size_t)) {
        optional_.push_back({key, index, value, apply, reset});
    }

    // A setting written on as many lines of `key` as `values` gives, after
    // the lines above; `finish` takes them in when the file is read.
    void repeated(const QString& key, std::size_t index, QByteArrayList (*values)(const P&, std::size_t),
                  void (*reset)(P&, std::size_t)) {
        optional_.push_back({key, index, nullptr, nullptr, reset, values});
    }

    // Called once every line of a whole file has been read: takes in the
    // repeated settings and tells the number of a damaged line (0: none).
    void finishWith(int (*finish)(const OptionalReading&, P&)) { finish_ = finish; }
    int finish(const OptionalReading& reading, P& into) const { return finish_ ? finish_(reading, into) : 0; }

    const std::vector<LineEntry<P>>& lines() const { return lines_; }
    const std::vector<OptionalLine<P>>& optionalLines() const { return optional_; }
    std::size_t fixedCount() const { return fixedCount_ ? fixedCount_ : lines_.size(); }
    bool hasKeyedLines() const { return fixedCount() < lines_.size(); }

private:
    std::vector<LineEntry<P>> lines_;
    std::size_t fixedCount_ = 0;
    std::vector<OptionalLine<P>> optional_;
    int (*finish_)(const OptionalReading&, P&) = nullptr;
};

// The bytes of a text value as a line holds it: Windows-1251, every control
// character a blank.
QByteArray valueBytes(QStringView text);

inline QString keyed(const char* pattern, std::size_t n) {
    return QString::fromLatin1(pattern).arg(n);
}

// The style of each text line, "Line<n>Style: bold italic" (OptionalLines.cpp).
template <typename P>
void addStyleLines(LineMap<P>& map);

// The layout of each ring text of the round seal (OptionalLines.cpp).
void addRingLayoutLines(LineMap<RoundSealParameters>& map);

// The longest line of an emblem's copy carried in the design, in base64
// characters.
inline constexpr qsizetype kEmbeddedLineLength = 76;

// The round seal's emblem of any kind, its size, threshold and the copy
// carried in the design (EmblemLines.cpp).
void addEmblemLines(LineMap<RoundSealParameters>& map);

}  // namespace qg::io::detail
