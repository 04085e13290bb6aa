#include "EditHistory.h"

#include <algorithm>
#include <array>

namespace qg {

namespace {

// The texts a record holds, in a fixed order, so that two records of a kind
// can be compared text by text.
template <typename Record>
auto textsOf(const Record& record) {
    std::array<const QString*, 12> texts{};
    for (std::size_t i = 0; i < record.lines.size(); ++i) {
        texts[2 * i] = &record.lines[i].text;
        texts[2 * i + 1] = &record.lines[i].font.face;
    }
    return texts;
}

auto textsOf(const RoundSealParameters& record) {
    std::array<const QString*, 13> texts{};
    const auto lines = textsOf<RoundSealParameters>(record);
    std::copy(lines.begin(), lines.end(), texts.begin());
    texts.back() = &record.emblem.path;
    return texts;
}

// What a text takes on the heap, unless it shares its characters with
// `before` (an unchanged text of a copied record does).
std::size_t textBytes(const QString& text, const QString* before) {
    if (text.capacity() == 0 || (before && before->constData() == text.constData()))
        return 0;
    return sizeof(QArrayData) + static_cast<std::size_t>(text.capacity() + 1) * sizeof(QChar);
}

// What a state holds beyond the state before it (none for the oldest).
template <typename Record>
std::size_t stateBytes(const Record& record, const Record* before) {
    const auto texts = textsOf(record);
    decltype(texts) previous = before ? textsOf(*before) : decltype(texts){};
    std::size_t bytes = sizeof(record);
    for (std::size_t i = 0; i < texts.size(); ++i)
        bytes += textBytes(*texts[i], previous[i]);
    return bytes;
}

}  // namespace

template <typename Record>
void EditHistory::Track<Record>::recount(std::size_t index) {
    State& state = states[index];
    bytes -= state.bytes;
    state.bytes = stateBytes(state.record, index > 0 ? &states[index - 1].record : nullptr);
    bytes += state.bytes;
}

template <typename Record>
void EditHistory::Track<Record>::trim() {
    while (current > 0 && (states.size() > kMaxSteps + 1 || bytes > kMaxBytes)) {
        bytes -= states.front().bytes;
        states.pop_front();
        --current;
        if (clean)
            clean = *clean == 0 ? std::nullopt : std::optional<std::size_t>(*clean - 1);
        // What the dropped state shared with the new oldest one is now held
        // by that one alone.
        recount(0);
    }
}

template <typename Record>
void EditHistory::Track<Record>::record(const Record& now, bool counts, const void* source) {
    if (states.empty()) {
        states.push_back(State{now, false});
        current = 0;
        recount(0);
        return;
    }
    if (now == states[current].record)
        return;
    // The edit typed in is still the last step, past the clean state.
    if (source && source == typedIn) {
        State& state = states[current];
        state.record = now;
        state.counts = state.counts || counts;
        // Typing that ends where it began leaves no step behind.
        if (now == states[current - 1].record) {
            bytes -= states.back().bytes;
            states.pop_back();
            --current;
            typedIn = nullptr;
            return;
        }
        recount(current);
        trim();
        return;
    }
    for (std::size_t i = current + 1; i < states.size(); ++i)
        bytes -= states[i].bytes;
    states.erase(states.begin() + static_cast<std::ptrdiff_t>(current) + 1, states.end());
    if (clean && *clean > current)
        clean.reset();
    states.push_back(State{now, counts});
    ++current;
    recount(current);
    typedIn = source;
    trim();
}

template <typename Record>
bool EditHistory::Track<Record>::step(Record& now, bool forward) {
    if (forward ? current + 1 >= states.size() : current == 0)
        return false;
    current = forward ? current + 1 : current - 1;
    now = states[current].record;
    typedIn = nullptr;
    return true;
}

template <typename Record>
bool EditHistory::Track<Record>::isModified() const {
    if (cleanRecord && states[current].record == *cleanRecord)
        return false;
    if (!clean)
        return true;
    const auto [from, to] = std::minmax(current, *clean);
    for (std::size_t i = from + 1; i <= to; ++i) {
        if (states[i].counts)
            return true;
    }
    return false;
}

template <typename F>
decltype(auto) EditHistory::withTrack(StampKind kind, F&& f) {
    switch (kind) {
        case StampKind::Round:
            return f(std::get<0>(m_tracks), m_designs.round);
        case StampKind::Triangle:
            return f(std::get<1>(m_tracks), m_designs.triangle);
        case StampKind::Rect:
            break;
    }
    return f(std::get<2>(m_tracks), m_designs.rect);
}

template <typename F>
decltype(auto) EditHistory::withTrack(StampKind kind, F&& f) const {
    return const_cast<EditHistory*>(this)->withTrack(
        kind, [&f](const auto& track, const auto& record) { return f(track, record); });
}

EditHistory::EditHistory(StampDesigns& designs) : m_designs(designs) {}

void EditHistory::record(StampKind kind, bool counts, const void* typedIn) {
    withTrack(kind, [&](auto& track, const auto& record) { track.record(record, counts, typedIn); });
}

void EditHistory::endTyping() {
    std::apply([](auto&... track) { ((track.typedIn = nullptr), ...); }, m_tracks);
}

void EditHistory::markClean(StampKind kind) {
    withTrack(kind, [](auto& track, const auto& record) {
        track.record(record, true, nullptr);
        track.clean = track.current;
        track.cleanRecord = record;
        track.typedIn = nullptr;
    });
}

// A change the history was not told of becomes a step of its own first,
// so that stepping back undoes it rather than losing it.
bool EditHistory::undo(StampKind kind) {
    return withTrack(kind, [](auto& track, auto& record) {
        track.record(record, true, nullptr);
        return track.step(record, false);
    });
}

bool EditHistory::redo(StampKind kind) {
    return withTrack(kind, [](auto& track, auto& record) {
        track.record(record, true, nullptr);
        return track.step(record, true);
    });
}

bool EditHistory::isModified(StampKind kind) const {
    return withTrack(kind, [](const auto& track, const auto&) { return track.isModified(); });
}

std::size_t EditHistory::heldBytes(StampKind kind) const {
    return withTrack(kind, [](const auto& track, const auto&) { return track.bytes; });
}

}  // namespace qg
