#pragma once

// The main window's undo history: the states each kind's design went
// through, within a bound of steps and memory.

#include "Parameters.h"

#include <cstddef>
#include <deque>
#include <optional>
#include <tuple>

namespace qg {

// The undo history of the three designs, one track per kind, so that a
// step back on one page never touches another. A track keeps the states
// its record went through; the record as it stands is always the track's
// current state, so every change is taken by comparing the two.
class EditHistory {
public:
    // Steps kept per kind, and the memory their states may take; the
    // oldest steps go first when either is passed.
    static constexpr std::size_t kMaxSteps = 1000;
    static constexpr std::size_t kMaxBytes = std::size_t(64) << 20;

    explicit EditHistory(StampDesigns& designs);

    // Takes the kind's record as it now stands as a new step, unless it
    // equals the current state. `counts` is whether the change marks the
    // kind modified. Changes typed into one edit (`typedIn`) make a single
    // step until endTyping() or a change from anywhere else.
    void record(StampKind kind, bool counts, const void* typedIn = nullptr);
    // The edit being typed in lost the focus: its next change is a new step.
    void endTyping();
    // The record as it now stands is the one last saved or read.
    void markClean(StampKind kind);

    // Puts the kind's previous (next) state into its record; false when
    // there is none.
    bool undo(StampKind kind);
    bool redo(StampKind kind);

    // Whether the kind's record differs from the one last saved or read by
    // a change that marks the kind modified.
    bool isModified(StampKind kind) const;

    // The memory the kind's kept states take: each state counts its record
    // and the texts it does not share with the state before it.
    std::size_t heldBytes(StampKind kind) const;

private:
    template <typename Record>
    struct Track {
        struct State {
            Record record;
            bool counts;  // whether the step into this state marks the kind modified
            std::size_t bytes = 0;  // what it holds beyond the state before it
        };
        std::deque<State> states;
        std::size_t current = 0;
        std::size_t bytes = 0;  // of all the states
        std::optional<std::size_t> clean;   // the state last saved or read, while kept
        std::optional<Record> cleanRecord;  // what it held
        const void* typedIn = nullptr;  // the edit the current step is being typed in

        void record(const Record& now, bool counts, const void* source);
        bool step(Record& now, bool forward);
        // Counts the state anew against the one before it.
        void recount(std::size_t index);
        // Drops the oldest steps beyond the limits; the current state stays.
        void trim();
        bool isModified() const;
    };

    template <typename F>
    decltype(auto) withTrack(StampKind kind, F&& f);
    template <typename F>
    decltype(auto) withTrack(StampKind kind, F&& f) const;

    StampDesigns& m_designs;
    std::tuple<Track<RoundSealParameters>, Track<TriangleSealParameters>, Track<RectStampParameters>> m_tracks;
};

}  // namespace qg
