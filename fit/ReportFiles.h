#pragma once

#include <cstdio>
#include <string>

#include "fit/ReportFile.h"

// The report files of one run, written beside their final names under names
// no other run uses, and put in place only once both are whole. Runs side
// by side in one folder take turns at that step, so "OUT" and "OUTG"
// always hold one complete run, this one or an earlier one, never parts of
// two.
class ReportFiles {
public:
    ReportFiles();   // creates the two temporary files
    ~ReportFiles();  // removes whatever was not put in place
    ReportFiles(const ReportFiles&) = delete;
    ReportFiles& operator=(const ReportFiles&) = delete;

    bool created() const { return out_ && outg_; }
    // Writes, closes and puts both in place; false, leaving the earlier
    // reports, when any step fails or the folder stays held by another run.
    bool publish(const ScoreTable& table);

private:
    std::string outName_, outgName_;
    std::FILE* out_ = nullptr;
    std::FILE* outg_ = nullptr;
};
