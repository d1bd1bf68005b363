#pragma once

#include <cstdint>
#include <vector>

#include "analysis/Analysis.h"
#include "stats/PersonFit.h"
#include "stats/PersonPass.h"

// Every subject of one person fit pass as a window lists them: each
// one's figures and categories in the file's order, the pass's summary,
// and the estimator it ran with, kept for the expected scores of the
// subjects' charts whatever the run is asked next. model must outlive
// this.
class PersonRecords {
public:
    PersonRecords(const FitModel& model, const PersonRequest& request);

    // Hears the pass's subjects in order (PersonPass::Row).
    void take(const PersonFigures& figures, const unsigned char* categories);
    // The pass's summary, once it has succeeded.
    void finish(const PersonSummary& summary) { summary_ = summary; }

    const PersonRequest& request() const { return request_; }
    const PersonFit& fit() const { return fit_; }
    const PersonSummary& summary() const { return summary_; }
    std::size_t size() const { return figures_.size(); }
    const PersonFigures& figures(std::size_t record) const { return figures_[record]; }
    // Record's category of each item, kNotAnswered where it gave none.
    const unsigned char* categories(std::size_t record) const { return categories_.data() + record * items_; }

private:
    const PersonRequest request_;
    const PersonFit fit_;
    const std::size_t items_;
    std::vector<PersonFigures> figures_;
    std::vector<unsigned char> categories_;
    PersonSummary summary_;
};
