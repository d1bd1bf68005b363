#include "stats/PersonFit.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "counts/ItemCodeCounts.h"
#include "kernels/Exponential.h"
#include "model/ItemResponse.h"

namespace {

constexpr const char* kEstimatorNames[] = {"wle", "ml", "map", "eap"};
constexpr const char* kNoteNames[kPersonNotes] = {"", "codes_outside", "too_few_answers", "extreme", "at_bound",
                                                  "no_correction_for_eap"};

// The grid tables stop growing here; past it the scan works each point out.
constexpr std::size_t kGridBudget = 2u << 20;  // doubles
// The totals' item values likewise; past it each subject is worked out.
constexpr std::size_t kTotalsBudget = 2u << 20;  // doubles

double LowerNormalTail(double z) { return 0.5 * std::erfc(-z / std::sqrt(2.0)); }

// Wilson–Hilferty: a mean square as a t with q² its variance.
double Standardised(double meanSquare, double q2)
{
    if (!(q2 > 0.0) || !(meanSquare >= 0.0))
        return kNoPersonFigure;
    const double q = std::sqrt(q2);
    return (std::cbrt(meanSquare) - 1.0) * (3.0 / q) + q / 3.0;
}

// 1 / (1 + e), as the complement of LogisticOf(e).
double ComplementOf(double e) { return e == std::numeric_limits<double>::infinity() ? 0.0 : 1.0 / (1.0 + e); }

// Whether an answer pattern's equations may have more than one root: a
// lower asymptote, a discrimination of 0 or below, or thresholds that do
// not rise make a likelihood that is not log-concave.
bool mayHaveSeveralRoots(const FitModel& model)
{
    const ItemParameters& items = model.items;
    if (std::any_of(items.a.begin(), items.a.end(), [](float a) { return !(a > 0.0f); }))
        return true;
    if (model.kind == FitModel::Kind::Binary)
        return std::any_of(items.c.begin(), items.c.end(), [](float c) { return c != 0.0f; });
    if (model.kind == FitModel::Kind::Graded) {
        const std::size_t m = static_cast<std::size_t>(items.itemCount);
        for (std::size_t k = 1; k + 1 < static_cast<std::size_t>(items.categoryCount); ++k)
            for (std::size_t j = 0; j < m; ++j)
                if (!(items.b[k * m + j] > items.b[(k - 1) * m + j]))
                    return true;
    }
    return false;
}

// Whether the total is what the likelihood knows of the answers: every item
// discriminates alike, without guessing, under a Rasch family model.
bool commonDiscrimination(const FitModel& model)
{
    const ItemParameters& items = model.items;
    if (model.kind == FitModel::Kind::Graded || items.a.empty())
        return false;
    const float a = items.a.front();
    return std::all_of(items.a.begin(), items.a.end(), [a](float x) { return x == a; }) &&
           std::all_of(items.c.begin(), items.c.end(), [](float c) { return c == 0.0f; });
}

// A binary item's P, P', P'' and r by category, from D a, c and e = e^z.
inline void binaryResponse(double Da, double c, double e, double* P, double* dP, double* d2P, double* r)
{
    const double L = LogisticOf(e), Lc = ComplementOf(e);
    P[1] = c + (1.0 - c) * L;
    P[0] = (1.0 - c) * Lc;
    dP[1] = (1.0 - c) * Da * L * Lc;
    d2P[1] = dP[1] * Da * (Lc - L);
    dP[0] = -dP[1];
    d2P[0] = -d2P[1];
    r[1] = P[1] > 0.0 ? dP[1] / P[1] : Da * Lc;
    r[0] = -Da * L;
}

// ln Q and ln P of a binary item without a lower asymptote at z, e = e^z:
// one logarithm, each exact however far z is from 0.
inline std::array<double, 2> binaryLogs(double z, double e)
{
    if (z > 0.0) {
        const double lnP = -std::log1p(1.0 / e);
        return {lnP - z, lnP};
    }
    const double lnQ = -std::log1p(e);
    return {lnQ, lnQ + z};
}

// A binary item without a lower asymptote, its values and sums as
// itemValuesAt takes them (ln Q, ln P, mean, variance, fourth moment; Sw,
// Sww, Srw, Srr, Sr), each a polynomial in L but the logarithms.
inline void binaryItemValues(double z, double Da, double e, double* v, double* sums, PersonFit::FormSums& form)
{
    const double L = LogisticOf(e), Lc = ComplementOf(e), variance = L * Lc;
    const std::array<double, 2> logs = binaryLogs(z, e);
    v[0] = logs[0], v[1] = logs[1];
    const double w0 = Lc > 0.0 ? logs[0] : 0.0, w1 = L > 0.0 ? logs[1] : 0.0;
    const double Sw = Lc * w0 + L * w1, Sww = Lc * w0 * w0 + L * w1 * w1;
    sums[0] = Sw, sums[1] = Sww, sums[2] = Da * variance * (w1 - w0), sums[3] = Da * Da * variance, sums[4] = 0.0;
    v[2] = L, v[3] = variance, v[4] = variance * (L * L * L + Lc * Lc * Lc);
    form.E += Sw;
    form.V += Sww - Sw * Sw;
    form.I += sums[3];
    form.J += sums[3] * Da * (Lc - L);
    form.variances += variance;
    form.outfitQ += v[4] / (variance * variance);
    form.infitQ += v[4] - variance * variance;
}

}  // namespace

const char* ThetaEstimatorName(ThetaEstimator estimator) { return kEstimatorNames[static_cast<int>(estimator)]; }

bool ThetaEstimatorNamed(const std::string& name, ThetaEstimator& estimator)
{
    for (int k = 0; k < 4; ++k)
        if (name == kEstimatorNames[k]) {
            estimator = static_cast<ThetaEstimator>(k);
            return true;
        }
    return false;
}

const char* PersonNoteName(PersonNote note) { return kNoteNames[static_cast<int>(note)]; }

PersonFit::PersonFit(const FitModel& model, ThetaEstimator estimator)
    : model_(model), estimator_(estimator), m_(model.items.itemCount), K_(model.items.categoryCount)
{
    double weight = 0.0, mean = 0.0;
    for (std::size_t q = 0; q < model.theta.size(); ++q) {
        weight += model.weight[q];
        mean += static_cast<double>(model.weight[q]) * model.theta[q];
    }
    mu_ = weight > 0.0 ? mean / weight : 0.0;
    double spread = 0.0;
    for (std::size_t q = 0; q < model.theta.size(); ++q)
        spread += model.weight[q] * (model.theta[q] - mu_) * (model.theta[q] - mu_);
    sigma_ = weight > 0.0 ? std::sqrt(spread / weight) : 0.0;
    if (estimator == ThetaEstimator::Eap) {
        nodes_.assign(model.theta.begin(), model.theta.end());
        for (const float w : model.weight)
            weights_.push_back(weight > 0.0 ? w / weight : 0.0);
    } else {
        buildGrid();
    }
    if (commonDiscrimination(model))
        estimateTotals();
}

// The grid's tables for the models whose equations may have several roots.
void PersonFit::buildGrid()
{
    const std::size_t K = static_cast<std::size_t>(K_), m = static_cast<std::size_t>(m_);
    gridPoints_ = static_cast<int>(std::lround(2.0 * kThetaBound / kThetaGridStep)) + 1;
    const std::size_t G = static_cast<std::size_t>(gridPoints_);
    searchesGrid_ = mayHaveSeveralRoots(model_);
    if (!searchesGrid_ || m * (K + 2) * G > kGridBudget)
        return;
    gridR_.resize(m * K * G);
    gridI_.resize(m * G);
    gridJ_.resize(m * G);
    std::vector<double> P(K), dP(K), d2P(K), r(K);
    for (std::size_t j = 0; j < m; ++j)
        for (std::size_t g = 0; g < G; ++g) {
            respond(static_cast<int>(j), -kThetaBound + static_cast<double>(g) * kThetaGridStep, P.data(), dP.data(),
                    d2P.data(), r.data());
            double I = 0.0, J = 0.0;
            for (std::size_t k = 0; k < K; ++k) {
                gridR_[(j * K + k) * G + g] = r[k];
                I += P[k] * r[k] * r[k];
                J += r[k] * d2P[k];
            }
            gridI_[j * G + g] = I;
            gridJ_[j * G + g] = J;
        }
    gridTestI_.assign(G, 0.0);
    gridTestJ_.assign(G, 0.0);
    for (std::size_t j = 0; j < m; ++j)
        for (std::size_t g = 0; g < G; ++g) {
            gridTestI_[g] += gridI_[j * G + g];
            gridTestJ_[g] += gridJ_[j * G + g];
        }
}

// P_jk, its first two derivatives and r_jk = P'_jk / P_jk at theta, each
// worked out so that none is 0 / 0 where a probability underflows.
void PersonFit::respond(int item, double theta, double* P, double* dP, double* d2P, double* r) const
{
    const ItemParameters& items = model_.items;
    const std::size_t j = static_cast<std::size_t>(item), m = static_cast<std::size_t>(m_);
    const double a = items.a[j];
    switch (model_.kind) {
    case FitModel::Kind::Binary:
        binaryResponse(model_.D * a, items.c[j], Exp(model_.D * a * (theta - static_cast<double>(items.b[j]))), P,
                       dP, d2P, r);
        return;
    case FitModel::Kind::Graded: {
        // Boundary k: P*_k and its complement; P*_0 = 1 and P*_K = 0.
        double above = 1.0, aboveC = 0.0, dAbove = 0.0, d2Above = 0.0;
        for (int k = 0; k < K_; ++k) {
            double next = 0.0, nextC = 1.0, dNext = 0.0, d2Next = 0.0;
            if (k + 1 < K_) {
                const double e = Exp(a * (theta - static_cast<double>(items.b[static_cast<std::size_t>(k) * m + j])));
                next = LogisticOf(e);
                nextC = ComplementOf(e);
                dNext = a * next * nextC;
                d2Next = a * dNext * (nextC - next);
            }
            // The difference of the smaller numbers, exact where both are near 1.
            P[k] = above <= 0.5 ? above - next : nextC - aboveC;
            dP[k] = dAbove - dNext;
            d2P[k] = d2Above - d2Next;
            r[k] = dP[k] / P[k];
            above = next, aboveC = nextC, dAbove = dNext, d2Above = d2Next;
        }
        return;
    }
    case FitModel::Kind::PartialCredit: {
        double z = 0.0, shift = 0.0;
        P[0] = 0.0;
        for (int k = 1; k < K_; ++k) {
            z += a * (theta - static_cast<double>(items.b[static_cast<std::size_t>(k - 1) * m + j]));
            P[k] = z;
            shift = std::max(shift, z);
        }
        double sum = 0.0;
        for (int k = 0; k < K_; ++k)
            sum += (P[k] = Exp(P[k] - shift));
        double mean = 0.0;
        for (int k = 0; k < K_; ++k)
            mean += k * (P[k] /= sum);
        double variance = 0.0;
        for (int k = 0; k < K_; ++k)
            variance += (k - mean) * (k - mean) * P[k];
        for (int k = 0; k < K_; ++k) {
            r[k] = a * (k - mean);
            dP[k] = P[k] * r[k];
            d2P[k] = P[k] * (r[k] * r[k] - a * a * variance);
        }
        return;
    }
    }
}

bool PersonFit::gather(const unsigned char* categories, Work& work) const
{
    const std::size_t m = static_cast<std::size_t>(m_), K = static_cast<std::size_t>(K_);
    work.items.resize(m);
    work.categories.resize(m);
    std::size_t n = 0;
    for (std::size_t j = 0; j < m; ++j) {
        work.items[n] = static_cast<int>(j);
        work.categories[n] = categories[j];
        n += categories[j] != kNotAnswered ? 1 : 0;
    }
    work.items.resize(n);
    work.categories.resize(n);
    work.P.resize(K);
    work.dP.resize(K);
    work.d2P.resize(K);
    work.r.resize(K);
    work.binaryReady = false;
    return n >= 2;
}

// The answered binary items' D a, b and c side by side, once a subject
// needs them.
void PersonFit::gatherBinary(Work& work) const
{
    if (model_.kind != FitModel::Kind::Binary || work.binaryReady)
        return;
    const ItemParameters& items = model_.items;
    const std::size_t n = work.items.size();
    work.Da.resize(n);
    work.b.resize(n);
    work.c.resize(n);
    work.e.resize(n);
    for (std::size_t t = 0; t < n; ++t) {
        const std::size_t j = static_cast<std::size_t>(work.items[t]);
        work.Da[t] = model_.D * items.a[j];
        work.b[t] = items.b[j];
        work.c[t] = items.c[j];
    }
    work.guessing = std::any_of(work.c.begin(), work.c.end(), [](double c) { return c != 0.0; });
    work.binaryReady = true;
}

// Binary items side by side: their exponentials at once, then the sums.
PersonFit::Sums PersonFit::binarySumsAt(double theta, Work& work, bool logs) const
{
    const std::size_t n = work.items.size();
    double* e = work.e.data();
    for (std::size_t t = 0; t < n; ++t)
        e[t] = work.Da[t] * (theta - work.b[t]);
    Exponentials(e, n);
    Sums s;
    if (!work.guessing) {
        s.dJ = 0.0;
        // Without a lower asymptote every sum is a polynomial in L.
        for (std::size_t t = 0; t < n; ++t) {
            const double Da = work.Da[t], Lc = ComplementOf(e[t]), L = LogisticOf(e[t]);
            const double information = Da * Da * L * Lc;
            s.g += Da * (work.categories[t] - L);
            s.slope -= information;
            s.I += information;
            s.J += information * Da * (Lc - L);
            s.dJ += information * Da * Da * (1.0 - 6.0 * L * Lc);
        }
        if (logs)
            for (std::size_t t = 0; t < n; ++t)
                s.l += binaryLogs(work.Da[t] * (theta - work.b[t]), e[t])[work.categories[t]];
        return s;
    }
    for (std::size_t t = 0; t < n; ++t) {
        const double Da = work.Da[t], c = work.c[t];
        const double L = LogisticOf(e[t]), Lc = ComplementOf(e[t]);
        const double P1 = c + (1.0 - c) * L, P0 = (1.0 - c) * Lc;
        const double dP1 = (1.0 - c) * Da * L * Lc, d2P1 = dP1 * Da * (Lc - L);
        const double r1 = P1 > 0.0 ? dP1 / P1 : Da * Lc, r0 = -Da * L;
        if (work.categories[t] != 0) {
            s.g += r1;
            s.slope += P1 > 0.0 ? d2P1 / P1 - r1 * r1 : -Da * Da * L * Lc;
            if (logs)
                s.l += std::log(P1);
        } else {
            s.g += r0;
            s.slope -= Da * Da * L * Lc;
            if (logs)
                s.l += std::log(P0);
        }
        s.I += P1 * r1 * r1 + P0 * r0 * r0;
        s.J += d2P1 * (r1 - r0);
    }
    return s;
}

PersonFit::Sums PersonFit::sumsAt(double theta, Work& work, bool logs) const
{
    if (model_.kind == FitModel::Kind::Binary)
        return binarySumsAt(theta, work, logs);
    Sums s;
    for (std::size_t t = 0; t < work.items.size(); ++t) {
        respond(work.items[t], theta, work.P.data(), work.dP.data(), work.d2P.data(), work.r.data());
        const std::size_t x = work.categories[t];
        s.g += work.r[x];
        s.slope += work.d2P[x] / work.P[x] - work.r[x] * work.r[x];
        if (logs)
            s.l += std::log(work.P[x]);
        for (int k = 0; k < K_; ++k) {
            s.I += work.P[k] * work.r[k] * work.r[k];
            s.J += work.r[k] * work.d2P[k];
        }
    }
    return s;
}

// What the estimator adds to the likelihood's equation.
double PersonFit::correction(const Sums& sums, double theta) const
{
    switch (estimator_) {
    case ThetaEstimator::Wle:
        return sums.J / (2.0 * sums.I);
    case ThetaEstimator::Map:
        return (mu_ - theta) / (sigma_ * sigma_);
    default:
        return 0.0;
    }
}

// The estimator's equation at theta, and with objective its objective.
double PersonFit::equation(double theta, Work& work, double* objective) const
{
    const Sums s = sumsAt(theta, work, objective != nullptr);
    if (objective) {
        double l = s.l;
        if (estimator_ == ThetaEstimator::Wle)
            l += 0.5 * std::log(s.I);
        else if (estimator_ == ThetaEstimator::Map)
            l -= (theta - mu_) * (theta - mu_) / (2.0 * sigma_ * sigma_);
        *objective = l;
    }
    return s.g + correction(s, theta);
}

// The equation at every grid point, into work.equation.
void PersonFit::scan(Work& work) const
{
    const std::size_t G = static_cast<std::size_t>(gridPoints_), K = static_cast<std::size_t>(K_);
    work.equation.assign(G, 0.0);
    double* g = work.equation.data();
    if (gridR_.empty()) {
        for (std::size_t p = 0; p < G; ++p)
            g[p] = equation(-kThetaBound + static_cast<double>(p) * kThetaGridStep, work, nullptr);
        return;
    }
    const bool wle = estimator_ == ThetaEstimator::Wle;
    // A subject who answered every item has the test's I and J.
    const bool complete = work.items.size() == static_cast<std::size_t>(m_);
    work.sums.assign(2 * G, 0.0);
    double* subjectI = work.sums.data();
    double* subjectJ = subjectI + G;
    for (std::size_t n = 0; n < work.items.size(); ++n) {
        const std::size_t j = static_cast<std::size_t>(work.items[n]);
        const double* r = &gridR_[(j * K + work.categories[n]) * G];
        for (std::size_t p = 0; p < G; ++p)
            g[p] += r[p];
        if (!wle || complete)
            continue;
        const double* Ij = &gridI_[j * G];
        const double* Jj = &gridJ_[j * G];
        for (std::size_t p = 0; p < G; ++p) {
            subjectI[p] += Ij[p];
            subjectJ[p] += Jj[p];
        }
    }
    const double* I = complete ? gridTestI_.data() : subjectI;
    const double* J = complete ? gridTestJ_.data() : subjectJ;
    for (std::size_t p = 0; p < G; ++p) {
        const double theta = -kThetaBound + static_cast<double>(p) * kThetaGridStep;
        if (wle)
            g[p] += J[p] / (2.0 * I[p]);
        else if (estimator_ == ThetaEstimator::Map)
            g[p] += (mu_ - theta) / (sigma_ * sigma_);
    }
}

// The end of the interval an equation's root lies at or beyond: none for
// ml, the end itself for the others.
PersonFit::Estimate PersonFit::atBound(double end) const
{
    return {estimator_ == ThetaEstimator::Ml ? kNoPersonFigure : end, PersonNote::AtBound};
}

PersonFit::Estimate PersonFit::estimate(Work& work, double& sd) const
{
    if (estimator_ == ThetaEstimator::Eap)
        return expectedAPosteriori(work, sd);
    gatherBinary(work);
    if (estimator_ == ThetaEstimator::Ml) {
        const auto lowest = [](unsigned char x) { return x == 0; };
        const auto highest = [this](unsigned char x) { return x == K_ - 1; };
        if (std::all_of(work.categories.begin(), work.categories.end(), lowest) ||
            std::all_of(work.categories.begin(), work.categories.end(), highest))
            return {kNoPersonFigure, PersonNote::Extreme};
    }
    return searchesGrid_ ? searchGrid(work) : newton(work, -kThetaBound, kThetaBound, start(work), false);
}

PersonFit::Estimate PersonFit::searchGrid(Work& work) const
{
    scan(work);
    const std::vector<double>& g = work.equation;
    // Where the equation falls through 0: the objective's maxima.
    std::vector<std::size_t>& falls = work.falls;
    falls.clear();
    for (std::size_t p = 0; p + 1 < g.size(); ++p)
        if (g[p] > 0.0 && g[p + 1] <= 0.0)
            falls.push_back(p);
    // The objective rises towards an end of the interval where the equation
    // points out of it there.
    const bool endsRise = !g.empty() && (g.front() <= 0.0 || g.back() > 0.0);
    if (falls.empty())
        return atBound(!g.empty() && g.front() <= 0.0 ? -kThetaBound : kThetaBound);
    const auto rootAt = [&](std::size_t p) {
        const double low = -kThetaBound + static_cast<double>(p) * kThetaGridStep, high = low + kThetaGridStep;
        return g[p + 1] == 0.0 ? high
                               : newton(work, low, high, low + kThetaGridStep * g[p] / (g[p] - g[p + 1]), true).theta;
    };
    // One maximum, and no end to rival it: nothing to weigh.
    if (falls.size() == 1 && (estimator_ != ThetaEstimator::Ml || !endsRise))
        return {rootAt(falls.front())};
    Estimate best;
    double bestObjective = -std::numeric_limits<double>::infinity();
    for (const std::size_t p : falls) {
        const double theta = rootAt(p);
        double objective = 0.0;
        equation(theta, work, &objective);
        if (!HasFigure(best.theta) || objective > bestObjective) {
            best.theta = theta;
            bestObjective = objective;
        }
    }
    if (estimator_ == ThetaEstimator::Ml && endsRise) {
        // A maximum at an end of the interval is no estimate.
        double low = 0.0, high = 0.0;
        equation(-kThetaBound, work, &low);
        equation(kThetaBound, work, &high);
        if (std::max(low, high) > bestObjective)
            return atBound(kThetaBound);
    }
    return best;
}

// Where Newton's steps begin: for binary items the ability at which an
// average item gives the share of answers right, else the prior's mean.
double PersonFit::start(const Work& work) const
{
    if (model_.kind != FitModel::Kind::Binary)
        return estimator_ == ThetaEstimator::Map ? mu_ : 0.0;
    const std::size_t n = work.items.size();
    double right = 0.0, b = 0.0, Da = 0.0;
    for (std::size_t t = 0; t < n; ++t) {
        right += work.categories[t];
        b += work.b[t];
        Da += work.Da[t];
    }
    if (!(Da > 0.0))
        return 0.0;
    const double share = (right + 0.5) / (static_cast<double>(n) + 1.0);
    return b / static_cast<double>(n) + std::log(share / (1.0 - share)) * static_cast<double>(n) / Da;
}

// The root of an equation falling through 0 in [low, high], from theta:
// Newton's steps while they stay within the bracket the signs so far give,
// halving it otherwise. wle's term is differentiated for binary items
// without a lower asymptote; otherwise its slope is taken from the last two
// steps. Unless bracketed, the ends of [−10, 10]
// are not known to hold the root between them, and each is tried once a
// step would pass it.
PersonFit::Estimate PersonFit::newton(Work& work, double low, double high, double theta, bool bracketed) const
{
    bool lowSeen = bracketed, highSeen = bracketed;
    theta = std::clamp(theta, low, high);
    double lastTheta = kNoPersonFigure, lastCorrection = 0.0;
    for (int step = 0; step < 200; ++step) {
        const Sums s = sumsAt(theta, work, false);
        const double added = correction(s, theta), g = s.g + added;
        if (std::isnan(g))
            return {};
        if (g == 0.0)
            return {theta};
        (g > 0.0 ? low : high) = theta;
        double slope = s.slope;
        // Newton's error after a step of d is of the order of d² with the
        // slope exact, of d times the last step with wle's taken from two.
        double tolerance = 1e-9;
        if (estimator_ == ThetaEstimator::Map) {
            slope -= 1.0 / (sigma_ * sigma_);
        } else if (estimator_ == ThetaEstimator::Wle && HasFigure(s.dJ)) {
            slope += (s.dJ * s.I - s.J * s.J) / (2.0 * s.I * s.I);  // I' = J here
        } else if (estimator_ == ThetaEstimator::Wle) {
            tolerance = 1e-11;
            if (HasFigure(lastTheta) && theta != lastTheta)
                slope += (added - lastCorrection) / (theta - lastTheta);
        }
        lastTheta = theta;
        lastCorrection = added;
        double next = slope < 0.0 ? theta - g / slope : kNoPersonFigure;
        if (!(next > low && next < high)) {
            // Past an end of the interval: the root may lie beyond it.
            if (next <= low && low == -kThetaBound && !lowSeen) {
                lowSeen = true;
                if (equation(-kThetaBound, work, nullptr) <= 0.0)
                    return atBound(-kThetaBound);
            } else if (next >= high && high == kThetaBound && !highSeen) {
                highSeen = true;
                if (equation(kThetaBound, work, nullptr) >= 0.0)
                    return atBound(kThetaBound);
            }
            next = 0.5 * (low + high);
        }
        if (std::abs(next - theta) <= tolerance)
            return {next};
        theta = next;
    }
    return {theta};
}

PersonFit::Estimate PersonFit::expectedAPosteriori(Work& work, double& sd) const
{
    gatherBinary(work);
    const std::size_t Q = nodes_.size();
    work.sums.assign(Q, 0.0);
    for (std::size_t q = 0; q < Q; ++q)
        work.sums[q] = sumsAt(nodes_[q], work, true).l;
    double most = -std::numeric_limits<double>::infinity();
    for (std::size_t q = 0; q < Q; ++q)
        if (weights_[q] > 0.0)
            most = std::max(most, work.sums[q]);
    double mass = 0.0, first = 0.0, second = 0.0;
    for (std::size_t q = 0; q < Q; ++q) {
        if (!(weights_[q] > 0.0))
            continue;
        const double w = weights_[q] * std::exp(work.sums[q] - most);
        mass += w;
        first += w * nodes_[q];
    }
    if (!(mass > 0.0) || !std::isfinite(most)) {
        sd = kNoPersonFigure;
        return {};
    }
    const double theta = first / mass;
    for (std::size_t q = 0; q < Q; ++q)
        if (weights_[q] > 0.0)
            second += weights_[q] * std::exp(work.sums[q] - most) * (nodes_[q] - theta) * (nodes_[q] - theta);
    sd = std::sqrt(second / mass);
    return {theta, PersonNote::NoCorrectionForEap};
}

// Each answered item's ln P by category, mean, variance and fourth moment
// (K + 3 values, item after item, into values), and their sums.
PersonFit::FormSums PersonFit::itemValuesAt(double theta, Work& work, double* values) const
{
    const std::size_t n = work.items.size(), K = static_cast<std::size_t>(K_);
    work.sums.resize(5 * n);
    FormSums form;
    double RW = 0.0;
    const bool binary = model_.kind == FitModel::Kind::Binary;
    gatherBinary(work);
    if (binary) {
        for (std::size_t t = 0; t < n; ++t)
            work.e[t] = work.Da[t] * (theta - work.b[t]);
        Exponentials(work.e.data(), n);
    }
    for (std::size_t t = 0; t < n; ++t) {
        double* v = values + t * (K + 3);
        double* sums = &work.sums[5 * t];
        if (binary && work.c[t] == 0.0) {
            binaryItemValues(work.Da[t] * (theta - work.b[t]), work.Da[t], work.e[t], v, sums, form);
            RW += sums[2];
            continue;
        }
        if (binary)
            binaryResponse(work.Da[t], work.c[t], work.e[t], work.P.data(), work.dP.data(), work.d2P.data(),
                           work.r.data());
        else
            respond(work.items[t], theta, work.P.data(), work.dP.data(), work.d2P.data(), work.r.data());
        for (std::size_t k = 0; k < K; ++k)
            v[k] = std::log(work.P[k]);
        double Sw = 0.0, Sww = 0.0, Srw = 0.0, Srr = 0.0, Sr = 0.0, mean = 0.0;
        for (std::size_t k = 0; k < K; ++k) {
            const double P = work.P[k], r = work.r[k];
            // A category of probability 0 adds P ln P = 0.
            const double w = P > 0.0 ? v[k] : 0.0;
            Sw += P * w;
            Sww += P * w * w;
            Srw += P * r * w;
            Srr += P * r * r;
            Sr += P * r;
            form.J += r * work.d2P[k];
            mean += static_cast<double>(k) * P;
        }
        form.E += Sw;
        form.V += Sww - Sw * Sw;
        form.I += Srr;
        RW += Srw;
        sums[0] = Sw, sums[1] = Sww, sums[2] = Srw, sums[3] = Srr, sums[4] = Sr;
        double Vj = 0.0, Cj = 0.0;
        for (std::size_t k = 0; k < K; ++k) {
            const double d2 = (static_cast<double>(k) - mean) * (static_cast<double>(k) - mean);
            Vj += d2 * work.P[k];
            Cj += d2 * d2 * work.P[k];
        }
        v[K] = mean, v[K + 1] = Vj, v[K + 2] = Cj;
        form.variances += Vj;
        form.outfitQ += Cj / (Vj * Vj);
        form.infitQ += Cj - Vj * Vj;
    }
    form.c = RW / form.I;
    for (std::size_t t = 0; t < n; ++t) {
        const double* s = &work.sums[5 * t];
        const double mean = s[0] - form.c * s[4];
        form.tau2 += s[1] - 2.0 * form.c * s[2] + form.c * form.c * s[3] - mean * mean;
    }
    return form;
}

// lz, lz*, infit, outfit and the standard error of the subject's answers.
void PersonFit::figuresAt(double theta, const FormSums& form, const double* values, const Work& work,
                          PersonFigures& figures) const
{
    const std::size_t n = work.items.size(), K = static_cast<std::size_t>(K_);
    const double l0 = logLikelihood(values, work);
    double squares = 0.0, outfit = 0.0;
    for (std::size_t t = 0; t < n; ++t) {
        const double* v = values + t * (K + 3);
        const int x = work.categories[t];
        const double residual = (x - v[K]) * (x - v[K]);
        squares += residual;
        outfit += residual / v[K + 1];
    }
    const double count = static_cast<double>(n);
    figures.lz = (l0 - form.E) / std::sqrt(form.V);
    figures.outfit = outfit / count;
    figures.infit = squares / form.variances;
    figures.outfitT = Standardised(figures.outfit, form.outfitQ / (count * count) - 1.0 / count);
    figures.infitT = Standardised(figures.infit, form.infitQ / (form.variances * form.variances));
    figures.lzStar = lzStar(l0, theta, form);
    if (estimator_ == ThetaEstimator::Map)
        figures.se = 1.0 / std::sqrt(form.I + 1.0 / (sigma_ * sigma_));
    else if (estimator_ != ThetaEstimator::Eap)
        figures.se = 1.0 / std::sqrt(form.I);
}

// Snijders' lz* of the log-likelihood l0 at theta: lz corrected by the
// estimator's r0; none for eap.
double PersonFit::lzStar(double l0, double theta, const FormSums& form) const
{
    const double r0 = estimator_ == ThetaEstimator::Wle   ? form.J / (2.0 * form.I)
                      : estimator_ == ThetaEstimator::Map ? (mu_ - theta) / (sigma_ * sigma_)
                                                          : 0.0;
    return estimator_ == ThetaEstimator::Eap ? kNoPersonFigure : (l0 - form.E + form.c * r0) / std::sqrt(form.tau2);
}

// The estimate of the answers in work and each answered item's values
// there: their total's where a complete subject's are kept, else worked out
// into work.values.
PersonFit::Evaluated PersonFit::evaluate(Work& work) const
{
    const std::size_t n = work.items.size(), K = static_cast<std::size_t>(K_);
    Evaluated e;
    if (n == static_cast<std::size_t>(m_) && !byTotal_.empty()) {
        std::size_t total = 0;
        for (const unsigned char x : work.categories)
            total += x;
        e.kept = byTotal_[total];
        e.values = &totalValues_[total * n * (K + 3)];
        return e;
    }
    const Estimate estimated = estimate(work, e.kept.sd);
    e.kept.theta = estimated.theta;
    e.kept.note = estimated.note;
    if (HasFigure(estimated.theta)) {
        work.values.resize(n * (K + 3));
        e.kept.form = itemValuesAt(estimated.theta, work, work.values.data());
        e.values = work.values.data();
    }
    return e;
}

// Σ ln P of the categories answered, from their items' values.
double PersonFit::logLikelihood(const double* values, const Work& work) const
{
    const std::size_t K = static_cast<std::size_t>(K_);
    double l0 = 0.0;
    for (std::size_t t = 0; t < work.items.size(); ++t)
        l0 += values[t * (K + 3) + work.categories[t]];
    return l0;
}

// What ranks the answers in work: lz*, or lz for eap; none where there is
// no estimate.
double PersonFit::misfitOf(Work& work) const
{
    const Evaluated e = evaluate(work);
    if (!HasFigure(e.kept.theta))
        return kNoPersonFigure;
    const double l0 = logLikelihood(e.values, work);
    const FormSums& form = e.kept.form;
    return estimator_ == ThetaEstimator::Eap ? (l0 - form.E) / std::sqrt(form.V) : lzStar(l0, e.kept.theta, form);
}

// The estimate and item values of every total of a complete subject, from
// one pattern of each: the total is all the likelihood knows of it.
void PersonFit::estimateTotals()
{
    const std::size_t m = static_cast<std::size_t>(m_), K = static_cast<std::size_t>(K_);
    const std::size_t totals = m * (K - 1) + 1, stride = m * (K + 3);
    if (K < 2 || totals * stride > kTotalsBudget)
        return;
    Work work;
    std::vector<unsigned char> pattern(m);
    totalValues_.resize(totals * stride);
    for (std::size_t total = 0; total < totals; ++total) {
        std::size_t left = total;
        for (unsigned char& x : pattern) {
            x = static_cast<unsigned char>(std::min(left, K - 1));
            left -= x;
        }
        gather(pattern.data(), work);
        TotalFigures figures;
        const Estimate e = estimate(work, figures.sd);
        figures.theta = e.theta;
        figures.note = e.note;
        if (HasFigure(e.theta))
            figures.form = itemValuesAt(e.theta, work, &totalValues_[total * stride]);
        byTotal_.push_back(figures);
    }
}

void PersonFit::figure(const unsigned char* categories, bool outside, PersonFigures& figures, Work& work) const
{
    const PersonFigures given = figures;
    figures = PersonFigures();
    figures.subject = given.subject;
    figures.id = given.id;
    figures.total = given.total;
    figures.givenTheta = given.givenTheta;
    // The categories of a subject with a code outside say nothing: the
    // caller counted its answers.
    if (outside) {
        figures.answered = given.answered;
        figures.note = PersonNote::CodesOutside;
        return;
    }
    const bool enough = gather(categories, work);
    figures.answered = static_cast<int>(work.items.size());
    if (!enough) {
        figures.note = PersonNote::TooFewAnswers;
        return;
    }
    // Items of one category: every pattern is at its lowest and highest
    // total, and tells nothing of the ability.
    if (K_ < 2) {
        figures.note = PersonNote::Extreme;
        return;
    }
    const Evaluated e = evaluate(work);
    figures.note = e.kept.note;
    if (!HasFigure(e.kept.theta))
        return;
    figures.theta = e.kept.theta;
    figuresAt(e.kept.theta, e.kept.form, e.values, work, figures);
    if (estimator_ == ThetaEstimator::Eap)
        figures.se = e.kept.sd;
    if (HasFigure(figures.lzStar)) {
        figures.p = LowerNormalTail(figures.lzStar);
        figures.flagged = figures.p < kPersonFlagLevel;
    }
}

void PersonFit::simulate(const unsigned char* categories, std::uint64_t replicates, RandomStream& random,
                         PersonFigures& figures, Work& work) const
{
    const double observed = figures.misfit();
    if (!HasFigure(observed) || !HasFigure(figures.theta) || replicates == 0)
        return;
    gather(categories, work);
    const std::size_t n = work.items.size(), K = static_cast<std::size_t>(K_);
    work.cumulative.resize(n * K);
    for (std::size_t t = 0; t < n; ++t) {
        respond(work.items[t], figures.theta, work.P.data(), work.dP.data(), work.d2P.data(), work.r.data());
        double sum = 0.0;
        for (std::size_t k = 0; k < K; ++k)
            work.cumulative[t * K + k] = (sum += work.P[k]);
    }
    // Each replicate answers the subject's own items, drawn in place.
    std::uint64_t withFigure = 0, asLow = 0;
    for (std::uint64_t r = 0; r < replicates; ++r) {
        for (std::size_t t = 0; t < n; ++t) {
            const double* cumulative = &work.cumulative[t * K];
            const double u = random.uniform() * cumulative[K - 1];
            std::size_t k = 0;
            while (k + 1 < K && !(u < cumulative[k]))
                ++k;
            work.categories[t] = static_cast<unsigned char>(k);
        }
        const double misfit = misfitOf(work);
        if (!HasFigure(misfit))
            continue;
        ++withFigure;
        asLow += misfit <= observed ? 1 : 0;
    }
    figures.pSimulated = static_cast<double>(1 + asLow) / static_cast<double>(withFigure + 1);
    figures.flagged = figures.pSimulated < kPersonFlagLevel;
}

double PersonFit::expectedScore(int item, double theta) const
{
    const std::size_t K = static_cast<std::size_t>(K_);
    std::vector<double> P(K), dP(K), d2P(K), r(K);
    respond(item, theta, P.data(), dP.data(), d2P.data(), r.data());
    double mean = 0.0;
    for (std::size_t k = 0; k < K; ++k)
        mean += static_cast<double>(k) * P[k];
    return mean;
}
