#pragma once

#include <ostream>
#include <string>

#include "stats/PersonPass.h"

// The person fit as text. Numbers of CSV and JSON are the shortest that
// read back to the same double; a figure a subject does not have is empty
// (CSV) or null (JSON).
//
// A subject's row: "id,answered,total,theta,se[,given_theta],lz,lz_star,p
// [,p_mc],infit,outfit,infit_t,outfit_t,flagged,note", id the table's
// identifier or else the subject's number, flagged true or false, note
// empty or one of codes_outside, too_few_answers, extreme, at_bound,
// no_correction_for_eap. given_theta with the subjects' estimates, p_mc
// when each subject was simulated.
class PersonRows {
public:
    PersonRows(std::ostream& out, bool givenTheta, bool simulated);
    void header();
    void row(const PersonFigures& figures);
    // The row appended to text, on any thread.
    void append(const PersonFigures& figures, std::string& text) const;

private:
    std::ostream& out_;
    const bool given_, simulated_;
    std::string line_;
};

// The summary's section: the estimator, subjects with figures and without
// (by note), those flagged against those chance alone would flag, and the
// most misfitting subjects.
void WritePersonTable(std::ostream& out, const PersonSummary& summary);
// Two tables after an empty line each: "estimator,subjects,with_figures,
// without_figures,flagged,expected_by_chance,flagged_p" and the most
// misfitting subjects' rows.
void WritePersonCsv(std::ostream& out, const PersonSummary& summary, bool givenTheta);
// {"estimator", "subjects", "with_figures", "notes" (subjects by note), "flagged",
// "expected_by_chance", "flagged_p", "replicates", "rows" (the most
// misfitting, keys as the row's columns)}.
void WritePersonJson(std::ostream& out, const PersonSummary& summary, bool givenTheta);

// The screening rule and what chance alone gives, in words.
std::string PersonFlagRule(bool simulated);
std::string PersonChanceLine(const PersonSummary& summary);
// Whether the subjects have p-values to be flagged by: all but eap's
// without simulation.
bool PersonHasP(const PersonSummary& summary);
// The chance line, or why there are no p-values.
std::string PersonScreeningLine(const PersonSummary& summary);
// How many subjects have figures, and why the others have none.
std::string PersonCountsLine(const PersonSummary& summary);
