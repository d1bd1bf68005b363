#include "stats/PersonFormat.h"

#include <charconv>

#include <nlohmann/json.hpp>

#include "fit/FitWarning.h"
#include "stats/TextFormat.h"

namespace {

void appendNumber(std::string& line, double value)
{
    if (!HasFigure(value))
        return;
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    line.append(text, ec == std::errc() ? end : text);
}

nlohmann::json jsonNumber(double value) { return HasFigure(value) ? nlohmann::json(value) : nlohmann::json(); }

std::string grouped(std::uint64_t count) { return GroupDigits(static_cast<std::int64_t>(count)); }

bool lzOnly(const PersonSummary& summary) { return summary.estimator == ThetaEstimator::Eap; }

// "3 too_few_answers, 2 codes_outside", or "none".
std::string withoutLine(const PersonSummary& summary)
{
    std::string line;
    for (int note = 1; note < kPersonNotes; ++note) {
        const std::uint64_t count = summary.byNote[static_cast<std::size_t>(note)];
        // at_bound of wle and map and eap's note keep their figures.
        if (count == 0 || (static_cast<PersonNote>(note) == PersonNote::AtBound &&
                           summary.estimator != ThetaEstimator::Ml) ||
            static_cast<PersonNote>(note) == PersonNote::NoCorrectionForEap)
            continue;
        line += (line.empty() ? "" : ", ") + grouped(count) + " " + PersonNoteName(static_cast<PersonNote>(note));
    }
    return line.empty() ? "none" : line;
}

std::string fixed(double value, const char* pattern, int width)
{
    return HasFigure(value) ? FormatText(pattern, width, value)
                            : std::string(static_cast<std::size_t>(width - 1), ' ') + kNoFigure;
}

nlohmann::json rowJson(const PersonFigures& f, bool givenTheta, bool simulated)
{
    nlohmann::json row = {{"id", f.shownId()}, {"answered", f.answered}, {"total", f.total},
                          {"theta", jsonNumber(f.theta)}, {"se", jsonNumber(f.se)}};
    if (givenTheta)
        row["given_theta"] = jsonNumber(f.givenTheta);
    row["lz"] = jsonNumber(f.lz);
    row["lz_star"] = jsonNumber(f.lzStar);
    row["p"] = jsonNumber(f.p);
    if (simulated)
        row["p_mc"] = jsonNumber(f.pSimulated);
    row["infit"] = jsonNumber(f.infit);
    row["outfit"] = jsonNumber(f.outfit);
    row["infit_t"] = jsonNumber(f.infitT);
    row["outfit_t"] = jsonNumber(f.outfitT);
    row["flagged"] = f.flagged;
    row["note"] = PersonNoteName(f.note);
    return row;
}

}  // namespace

PersonRows::PersonRows(std::ostream& out, bool givenTheta, bool simulated)
    : out_(out), given_(givenTheta), simulated_(simulated)
{
}

void PersonRows::header()
{
    out_ << "id,answered,total,theta,se" << (given_ ? ",given_theta" : "") << ",lz,lz_star,p"
         << (simulated_ ? ",p_mc" : "") << ",infit,outfit,infit_t,outfit_t,flagged,note\n";
}

void PersonRows::row(const PersonFigures& f)
{
    line_.clear();
    append(f, line_);
    out_.write(line_.data(), static_cast<std::streamsize>(line_.size()));
}

void PersonRows::append(const PersonFigures& f, std::string& line) const
{
    if (f.id.empty())
        line += std::to_string(f.subject);
    else
        line += CsvField(f.id);
    line += ',';
    line += std::to_string(f.answered);
    line += ',';
    line += std::to_string(f.total);
    const auto number = [&line](double value) {
        line += ',';
        appendNumber(line, value);
    };
    number(f.theta);
    number(f.se);
    if (given_)
        number(f.givenTheta);
    number(f.lz);
    number(f.lzStar);
    number(f.p);
    if (simulated_)
        number(f.pSimulated);
    number(f.infit);
    number(f.outfit);
    number(f.infitT);
    number(f.outfitT);
    line += f.flagged ? ",true," : ",false,";
    line += PersonNoteName(f.note);
    line += '\n';
}

std::string PersonFlagRule(bool simulated)
{
    return FormatText(simulated ? "simulated p below %g" : "p below %g", kPersonFlagLevel);
}

std::string PersonChanceLine(const PersonSummary& summary)
{
    return "Flagged (" + PersonFlagRule(summary.replicates > 0) + "): " + grouped(summary.flagged) + " of " +
           grouped(summary.withP) + FormatText("; chance alone would flag %.1f (%g%%)", summary.expectedByChance(),
                                               100.0 * kPersonFlagLevel) +
           "; binomial p of flagging so many: " + PValueText(summary.flaggedTailP);
}

std::string PersonCountsLine(const PersonSummary& summary)
{
    return "Subjects with figures: " + grouped(summary.withFigures) + " of " + grouped(summary.subjects) +
           "; without: " + withoutLine(summary);
}

bool PersonHasP(const PersonSummary& summary) { return !lzOnly(summary) || summary.replicates > 0; }

std::string PersonScreeningLine(const PersonSummary& summary)
{
    return PersonHasP(summary) ? PersonChanceLine(summary)
                               : "No p-values: eap has no correction of lz for its estimate (no_correction_for_eap)";
}

void WritePersonTable(std::ostream& out, const PersonSummary& summary)
{
    const bool lz = lzOnly(summary);
    out << "\nPerson fit: " << ThetaEstimatorName(summary.estimator) << " estimates of ability; "
        << (lz ? "lz" : "lz*") << ", infit and outfit over the items each subject answered\n"
        << PersonCountsLine(summary) << "\n"
        << PersonScreeningLine(summary) << "\n";
    out << "\n Rank  Subject               Answered     Total      Theta  " << (lz ? "     lz" : "    lz*")
        << "            p    Infit   Outfit" << (summary.replicates > 0 ? "  Simulated p" : "") << "\n";
    for (std::size_t k = 0; k < summary.mostMisfitting.size(); ++k) {
        const PersonFigures& f = summary.mostMisfitting[k];
        out << FormatText("%5zu  ", k + 1) << PadRight(f.shownId(), 20) << " "
            << FormatText("%9d %9lld ", f.answered, static_cast<long long>(f.total)) << fixed(f.theta, "%*.4f", 10)
            << " " << fixed(f.misfit(), "%*.4f", 8) << " " << FormatText("%12s", PValueText(f.p).c_str()) << " "
            << fixed(f.infit, "%*.4f", 8) << " " << fixed(f.outfit, "%*.4f", 8)
            << (summary.replicates > 0 ? " " + FormatText("%12s", PValueText(f.pSimulated).c_str()) : "")
            << (f.flagged ? "  *" : "") << "\n";
    }
}

void WritePersonCsv(std::ostream& out, const PersonSummary& summary, bool givenTheta)
{
    std::string tail;
    appendNumber(tail, summary.flaggedTailP);
    out << "estimator,subjects,with_figures,without_figures,flagged,expected_by_chance,flagged_p\n"
        << ThetaEstimatorName(summary.estimator) << "," << summary.subjects << "," << summary.withFigures << ","
        << summary.withoutFigures() << "," << summary.flagged << "," << FullPrecision(summary.expectedByChance())
        << "," << tail << "\n\n";
    PersonRows rows(out, givenTheta, summary.replicates > 0);
    rows.header();
    for (const PersonFigures& figures : summary.mostMisfitting)
        rows.row(figures);
}

void WritePersonJson(std::ostream& out, const PersonSummary& summary, bool givenTheta)
{
    nlohmann::json notes = nlohmann::json::object();
    for (int note = 1; note < kPersonNotes; ++note)
        notes[PersonNoteName(static_cast<PersonNote>(note))] = summary.byNote[static_cast<std::size_t>(note)];
    nlohmann::json rows = nlohmann::json::array();
    for (const PersonFigures& figures : summary.mostMisfitting)
        rows.push_back(rowJson(figures, givenTheta, summary.replicates > 0));
    const nlohmann::json object = {{"estimator", ThetaEstimatorName(summary.estimator)},
                                   {"subjects", summary.subjects},
                                   {"with_figures", summary.withFigures},
                                   {"notes", notes},
                                   {"flagged", summary.flagged},
                                   {"expected_by_chance", summary.expectedByChance()},
                                   {"flagged_p", summary.flaggedTailP},
                                   {"replicates", summary.replicates},
                                   {"rows", rows}};
    out << object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}
