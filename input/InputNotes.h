#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "input/FileRole.h"

// What reading one input file found that the reading rules pass over in
// silence.
struct FileNotes {
    FileRole what = FileRole::Scores;  // what the file holds
    std::string name;              // as the request names it
    std::int64_t declared = 0;     // values the request's sizes call for
    std::int64_t read = 0;         // of those, read before the first failure
    std::uint64_t failedAt = 0;    // byte offset of the first failed read
    bool failedAtEnd = false;      // the file had ended there
    bool trailing = false;         // more follows the last value called for

    bool shortOfValues() const { return read < declared; }
};

// Codes outside the model's range, in file order.
struct CodeNotes {
    std::int32_t lowest = 0, highest = 0;  // the model's codes
    std::int64_t outside = 0;              // how many of the scores read are not
    std::int64_t firstIndex = -1;          // the first one's place among the scores
    std::int32_t firstValue = 0;

    // One more score outside, at index among the scores.
    void noteOutside(std::int64_t index, std::int32_t value)
    {
        if (outside++ == 0) {
            firstIndex = index;
            firstValue = value;
        }
    }
    // Those a later part of the same scores noted.
    void add(const CodeNotes& later)
    {
        if (later.outside > 0 && outside == 0) {
            firstIndex = later.firstIndex;
            firstValue = later.firstValue;
        }
        outside += later.outside;
    }
};

inline bool operator==(const FileNotes& a, const FileNotes& b)
{
    return a.what == b.what && a.name == b.name && a.declared == b.declared && a.read == b.read &&
           a.failedAt == b.failedAt && a.failedAtEnd == b.failedAtEnd && a.trailing == b.trailing;
}

inline bool operator==(const CodeNotes& a, const CodeNotes& b)
{
    return a.lowest == b.lowest && a.highest == b.highest && a.outside == b.outside &&
           a.firstIndex == b.firstIndex && a.firstValue == b.firstValue;
}

// Everything a run noted of its inputs, in the order it read them. Items
// are numbered from 1.
struct InputNotes {
    std::vector<FileNotes> files;
    int items = 0;                     // per subject, to place a score
    CodeNotes codes;
    std::uint64_t withoutAnswers = 0;  // subjects with nothing but missing codes
    std::vector<int> decreasingThresholds;  // graded model
    std::vector<int> cOutside;              // C outside [0, 1)
    std::vector<int> nonpositiveDiscrimination;
    bool constantNonpositive = false;  // the common discrimination
    bool weighed = false;              // a nodes file was read
    double weightSum = 0.0;
};
