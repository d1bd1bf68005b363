#pragma once

#include <cstdio>
#include <string>

#include "fit/ReportFile.h"

// The report files of one run, written beside their final names under names
// no other run uses, and put in place only once both are whole. Runs side
// by side in one folder take turns at that step, so "OUT" and "OUTG"
// always hold one complete run, this one or an earlier one, never parts of
// two.
class OutFiles {
public:
    OutFiles();   // creates the two temporary files
    ~OutFiles();  // removes whatever was not put in place
    OutFiles(const OutFiles&) = delete;
    OutFiles& operator=(const OutFiles&) = delete;

    bool created() const { return out_ && outg_; }
    // Writes both whole and closes them; false when a write fails.
    bool write(const ScoreTable& table);
    // Puts both written reports in place, once; false, leaving the earlier
    // reports, when any step fails or the folder stays held by another run.
    bool place();
    bool publish(const ScoreTable& table) { return write(table) && place(); }

private:
    std::string outName_, outgName_;
    std::FILE* out_ = nullptr;
    std::FILE* outg_ = nullptr;
    bool written_ = false;
};
