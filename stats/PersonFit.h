#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "model/FitModel.h"
#include "stats/RandomStream.h"

// Which subjects answered unlike the model: each subject's ability
// estimated from its own answers under the run's fixed parameters, and its
// person-fit statistics there (lz, Snijders' lz*, infit and outfit), over
// the items it answered.

// How a subject's ability is estimated from its answers.
enum class ThetaEstimator { Wle, Ml, Map, Eap };
const char* ThetaEstimatorName(ThetaEstimator estimator);  // "wle", "ml", "map", "eap"
bool ThetaEstimatorNamed(const std::string& name, ThetaEstimator& estimator);

// Why a subject has no figures (or, for eap, no lz*).
enum class PersonNote { None, CodesOutside, TooFewAnswers, Extreme, AtBound, NoCorrectionForEap };
constexpr int kPersonNotes = 6;
const char* PersonNoteName(PersonNote note);  // "" for None, else "codes_outside" …

// A figure a subject does not have.
constexpr double kNoPersonFigure = std::numeric_limits<double>::quiet_NaN();
inline bool HasFigure(double figure) { return !std::isnan(figure); }

// The flagging rule: a p (the simulated one where drawn) below it.
constexpr double kPersonFlagLevel = 0.05;

struct PersonFigures {
    std::int64_t subject = 0;  // from 1, in the file's order
    std::string id;            // a table's identifier; else empty
    int answered = 0;
    std::int64_t total = 0;  // of the codes answered
    double theta = kNoPersonFigure, se = kNoPersonFigure, givenTheta = kNoPersonFigure;
    double lz = kNoPersonFigure, lzStar = kNoPersonFigure, p = kNoPersonFigure, pSimulated = kNoPersonFigure;
    double infit = kNoPersonFigure, outfit = kNoPersonFigure, infitT = kNoPersonFigure, outfitT = kNoPersonFigure;
    bool flagged = false;
    PersonNote note = PersonNote::None;

    // What ranks the subjects, the lowest misfitting most: lz*, or lz where
    // there is none (eap).
    double misfit() const { return HasFigure(lzStar) ? lzStar : lz; }
    // The identifier shown: the table's, or the subject's number.
    std::string shownId() const { return id.empty() ? std::to_string(subject) : id; }
};

// The estimation and statistics for one run's model, shared by every
// thread; each thread brings its own PersonFit::Work.
//
// The estimating equations are solved in [−10, 10]. Where an answered
// item has a lower asymptote above 0 (or a discrimination of 0 or below,
// or graded thresholds that do not rise), an equation may have several
// roots: they are searched for on a grid of step kThetaGridStep, each sign
// change from + to − refined by Newton's method, and of several the one of
// the largest objective (log-likelihood, + ½ ln I for wle, log-posterior
// for map) is taken; roots closer together than the step may be taken as
// one. Otherwise the likelihood is log-concave and the equation has one
// root, found by Newton's method kept inside a bracket. With a common
// discrimination (the 1-parameter and partial credit models) a subject who
// answered every item has the estimate and item values of every other
// with its total, worked out once for each total.
class PersonFit {
public:
    static constexpr double kThetaBound = 10.0;
    static constexpr double kThetaGridStep = 0.25;

    // What the statistics take of the answered items at an ability whatever
    // the answers: E, V, Snijders' c and τ², I, J, the mean squares' q sums.
    struct FormSums {
        double E = 0.0, V = 0.0, c = 0.0, tau2 = 0.0, I = 0.0, J = 0.0;
        double outfitQ = 0.0, infitQ = 0.0, variances = 0.0;
    };

    // Scratch of one thread.
    class Work {
    public:
        Work() = default;

    private:
        friend class PersonFit;
        std::vector<int> items;                 // answered, in order
        std::vector<std::size_t> falls;         // grid points where an equation falls through 0
        std::vector<unsigned char> categories;  // theirs
        std::vector<double> equation, P, dP, d2P, r, sums, values, cumulative;
        std::vector<double> Da, b, c, e;        // binary items' D a, b, c and e^z, answered ones
        bool binaryReady = false;
        bool guessing = false;  // an answered binary item has a lower asymptote
    };

    // The latent distribution's mean and standard deviation are map's
    // prior; its points, eap's. model must outlive this.
    PersonFit(const FitModel& model, ThetaEstimator estimator);

    ThetaEstimator estimator() const { return estimator_; }
    const FitModel& model() const { return model_; }
    double latentMean() const { return mu_; }
    double latentSd() const { return sigma_; }

    // The figures of a subject from its categories (one per item:
    // kNotAnswered where it gave none), and whether a code of its is
    // outside the model's range. Sets answered (but for a code outside),
    // theta … outfitT, flagged (from p) and note; leaves subject, id, total,
    // givenTheta.
    void figure(const unsigned char* categories, bool outside, PersonFigures& figures, Work& work) const;

    // The subject's simulated p from replicates answer vectors drawn at its
    // ability on the items it answered: pSimulated, and flagged from it.
    // A subject without lz* (lz for eap) is left as it is.
    void simulate(const unsigned char* categories, std::uint64_t replicates, RandomStream& random,
                  PersonFigures& figures, Work& work) const;

    // The expected score (category 0 … K − 1) of item at theta, for a
    // subject's response chart.
    double expectedScore(int item, double theta) const;

private:
    struct Estimate {
        double theta = kNoPersonFigure;
        PersonNote note = PersonNote::None;
    };
    // The answered items' sums at an ability: of r of the category answered,
    // of its derivative, of the information, of J, of ln P answered, and
    // where it is known, J's derivative.
    struct Sums {
        double g = 0.0, slope = 0.0, I = 0.0, J = 0.0, l = 0.0, dJ = kNoPersonFigure;
    };

    void respond(int item, double theta, double* P, double* dP, double* d2P, double* r) const;
    Sums sumsAt(double theta, Work& work, bool logs) const;
    Sums binarySumsAt(double theta, Work& work, bool logs) const;
    double correction(const Sums& sums, double theta) const;
    Estimate estimate(Work& work, double& sd) const;  // sd: eap's posterior one
    Estimate searchGrid(Work& work) const;
    Estimate newton(Work& work, double low, double high, double theta, bool bracketed) const;
    double start(const Work& work) const;
    double equation(double theta, Work& work, double* objective) const;
    void scan(Work& work) const;
    Estimate expectedAPosteriori(Work& work, double& sd) const;
    FormSums itemValuesAt(double theta, Work& work, double* values) const;
    void figuresAt(double theta, const FormSums& form, const double* values, const Work& work,
                   PersonFigures& figures) const;
    struct TotalFigures;
    struct Evaluated;
    Evaluated evaluate(Work& work) const;
    double logLikelihood(const double* values, const Work& work) const;
    double lzStar(double l0, double theta, const FormSums& form) const;
    double misfitOf(Work& work) const;
    void estimateTotals();
    void buildGrid();
    bool gather(const unsigned char* categories, Work& work) const;
    void gatherBinary(Work& work) const;
    Estimate atBound(double end) const;

    const FitModel& model_;
    const ThetaEstimator estimator_;
    const int m_, K_;
    double mu_ = 0.0, sigma_ = 1.0;
    std::vector<double> nodes_, weights_;  // eap's, weights normalised
    // At each grid point, item by item: r_jk (K values), I_j and J_j.
    int gridPoints_ = 0;
    std::vector<double> gridR_, gridI_, gridJ_;
    std::vector<double> gridTestI_, gridTestJ_;  // of every item
    bool searchesGrid_ = false;  // the equations may have several roots
    // With a common discrimination, by total of a complete subject: the
    // estimate, and each item's values there (K + 3 each, total by total).
    struct TotalFigures {
        double theta = kNoPersonFigure, sd = kNoPersonFigure;
        PersonNote note = PersonNote::None;
        FormSums form;
    };
    // An answer pattern's estimate, and its items' values (K + 3 each).
    struct Evaluated {
        TotalFigures kept;
        const double* values = nullptr;
    };
    std::vector<TotalFigures> byTotal_;
    std::vector<double> totalValues_;
};
