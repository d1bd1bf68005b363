#include "stats/PersonFit.h"

#include <algorithm>
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
        return;
    }
    const std::size_t K = static_cast<std::size_t>(K_), m = static_cast<std::size_t>(m_);
    gridPoints_ = static_cast<int>(std::lround(2.0 * kThetaBound / kThetaGridStep)) + 1;
    const std::size_t G = static_cast<std::size_t>(gridPoints_);
    if (m * (K + 2) * G > kGridBudget)
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
}

// P_jk, its first two derivatives and r_jk = P'_jk / P_jk at theta, each
// worked out so that none is 0 / 0 where a probability underflows.
void PersonFit::respond(int item, double theta, double* P, double* dP, double* d2P, double* r) const
{
    const ItemParameters& items = model_.items;
    const std::size_t j = static_cast<std::size_t>(item), m = static_cast<std::size_t>(m_);
    const double a = items.a[j];
    switch (model_.kind) {
    case FitModel::Kind::Binary: {
        const double c = items.c[j], Da = model_.D * a;
        const double e = Exp(model_.D * a * (theta - static_cast<double>(items.b[j])));
        const double L = LogisticOf(e), Lc = ComplementOf(e);
        P[1] = c + (1.0 - c) * L;
        P[0] = (1.0 - c) * Lc;
        dP[1] = (1.0 - c) * Da * L * Lc;
        d2P[1] = dP[1] * Da * (Lc - L);
        dP[0] = -dP[1];
        d2P[0] = -d2P[1];
        r[1] = P[1] > 0.0 ? dP[1] / P[1] : Da * Lc;
        r[0] = -Da * L;
        return;
    }
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
    work.items.clear();
    work.categories.clear();
    for (int j = 0; j < m_; ++j)
        if (categories[j] != kNotAnswered) {
            work.items.push_back(j);
            work.categories.push_back(categories[j]);
        }
    const std::size_t K = static_cast<std::size_t>(K_);
    work.P.resize(K);
    work.dP.resize(K);
    work.d2P.resize(K);
    work.r.resize(K);
    return work.items.size() >= 2;
}

// The estimator's equation at theta, and with objective its objective.
double PersonFit::equation(double theta, Work& work, double* objective) const
{
    double g = 0.0, I = 0.0, J = 0.0, l = 0.0;
    for (std::size_t n = 0; n < work.items.size(); ++n) {
        respond(work.items[n], theta, work.P.data(), work.dP.data(), work.d2P.data(), work.r.data());
        const int x = work.categories[n];
        g += work.r[static_cast<std::size_t>(x)];
        if (objective)
            l += std::log(work.P[static_cast<std::size_t>(x)]);
        if (estimator_ == ThetaEstimator::Wle)
            for (int k = 0; k < K_; ++k) {
                I += work.P[k] * work.r[k] * work.r[k];
                J += work.r[k] * work.d2P[k];
            }
    }
    if (estimator_ == ThetaEstimator::Wle) {
        g += J / (2.0 * I);
        l += 0.5 * std::log(I);
    } else if (estimator_ == ThetaEstimator::Map) {
        g += (mu_ - theta) / (sigma_ * sigma_);
        l -= (theta - mu_) * (theta - mu_) / (2.0 * sigma_ * sigma_);
    }
    if (objective)
        *objective = l;
    return g;
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
    work.sums.assign(2 * G, 0.0);
    double* I = work.sums.data();
    double* J = I + G;
    for (std::size_t n = 0; n < work.items.size(); ++n) {
        const std::size_t j = static_cast<std::size_t>(work.items[n]);
        const double* r = &gridR_[(j * K + work.categories[n]) * G];
        for (std::size_t p = 0; p < G; ++p)
            g[p] += r[p];
        if (!wle)
            continue;
        const double* Ij = &gridI_[j * G];
        const double* Jj = &gridJ_[j * G];
        for (std::size_t p = 0; p < G; ++p) {
            I[p] += Ij[p];
            J[p] += Jj[p];
        }
    }
    for (std::size_t p = 0; p < G; ++p) {
        const double theta = -kThetaBound + static_cast<double>(p) * kThetaGridStep;
        if (wle)
            g[p] += J[p] / (2.0 * I[p]);
        else if (estimator_ == ThetaEstimator::Map)
            g[p] += (mu_ - theta) / (sigma_ * sigma_);
    }
}

// Brent's method on [low, high], the equation falling through 0 there.
double PersonFit::root(double low, double high, double gLow, double gHigh, Work& work) const
{
    double a = low, b = high, fa = gLow, fb = gHigh, c = a, fc = fa, d = b - a, e = d;
    for (int iteration = 0; iteration < 100; ++iteration) {
        if ((fb > 0.0) == (fc > 0.0)) {
            c = a, fc = fa;
            d = e = b - a;
        }
        if (std::abs(fc) < std::abs(fb)) {
            a = b, b = c, c = a;
            fa = fb, fb = fc, fc = fa;
        }
        const double tolerance = 4.0 * std::numeric_limits<double>::epsilon() * std::abs(b) + 1e-13;
        const double half = 0.5 * (c - b);
        if (std::abs(half) <= tolerance || fb == 0.0)
            return b;
        if (std::abs(e) >= tolerance && std::abs(fa) > std::abs(fb)) {
            double p, q;
            const double s = fb / fa;
            if (a == c) {
                p = 2.0 * half * s;
                q = 1.0 - s;
            } else {
                const double t = fa / fc, u = fb / fc;
                p = s * (2.0 * half * t * (t - u) - (b - a) * (u - 1.0));
                q = (t - 1.0) * (u - 1.0) * (s - 1.0);
            }
            if (p > 0.0)
                q = -q;
            p = std::abs(p);
            if (2.0 * p < std::min(3.0 * half * q - std::abs(tolerance * q), std::abs(e * q))) {
                e = d;
                d = p / q;
            } else {
                d = half;
                e = d;
            }
        } else {
            d = half;
            e = d;
        }
        a = b, fa = fb;
        b += std::abs(d) > tolerance ? d : (half > 0.0 ? tolerance : -tolerance);
        fb = equation(b, work, nullptr);
        if (std::isnan(fb))
            return b;
    }
    return b;
}

PersonFit::Estimate PersonFit::estimate(Work& work) const
{
    if (estimator_ == ThetaEstimator::Ml) {
        const auto lowest = [](unsigned char x) { return x == 0; };
        const auto highest = [this](unsigned char x) { return x == K_ - 1; };
        if (std::all_of(work.categories.begin(), work.categories.end(), lowest) ||
            std::all_of(work.categories.begin(), work.categories.end(), highest))
            return {kNoPersonFigure, PersonNote::Extreme};
    }
    scan(work);
    const std::vector<double>& g = work.equation;
    Estimate best;
    double bestObjective = -std::numeric_limits<double>::infinity();
    for (std::size_t p = 0; p + 1 < g.size(); ++p) {
        if (!(g[p] > 0.0 && g[p + 1] <= 0.0))
            continue;
        const double low = -kThetaBound + static_cast<double>(p) * kThetaGridStep;
        const double theta = g[p + 1] == 0.0 ? low + kThetaGridStep : root(low, low + kThetaGridStep, g[p], g[p + 1], work);
        double objective = 0.0;
        equation(theta, work, &objective);
        if (!HasFigure(best.theta) || objective > bestObjective) {
            best.theta = theta;
            bestObjective = objective;
        }
    }
    if (estimator_ == ThetaEstimator::Ml) {
        // A maximum at an end of the interval is no estimate.
        double low = 0.0, high = 0.0;
        equation(-kThetaBound, work, &low);
        equation(kThetaBound, work, &high);
        if (!HasFigure(best.theta) || std::max(low, high) > bestObjective)
            return {kNoPersonFigure, PersonNote::AtBound};
        return best;
    }
    if (!HasFigure(best.theta)) {
        // No root inside: the equation keeps one sign, and the estimate is
        // the end it points to.
        best.theta = !g.empty() && g.front() <= 0.0 ? -kThetaBound : kThetaBound;
        best.note = PersonNote::AtBound;
    }
    return best;
}

PersonFit::Estimate PersonFit::expectedAPosteriori(Work& work, double& sd) const
{
    const std::size_t Q = nodes_.size();
    work.sums.assign(Q, 0.0);
    for (std::size_t q = 0; q < Q; ++q) {
        double l = 0.0;
        for (std::size_t n = 0; n < work.items.size(); ++n) {
            respond(work.items[n], nodes_[q], work.P.data(), work.dP.data(), work.d2P.data(), work.r.data());
            l += std::log(work.P[work.categories[n]]);
        }
        work.sums[q] = l;
    }
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

// lz, lz*, infit, outfit and the standard error at theta.
void PersonFit::statisticsAt(double theta, Work& work, PersonFigures& figures) const
{
    const std::size_t n = work.items.size();
    work.sums.assign(5 * n, 0.0);
    double l0 = 0.0, E = 0.0, V = 0.0, I = 0.0, J = 0.0, RW = 0.0;
    double squares = 0.0, outfit = 0.0, variances = 0.0, outfitQ = 0.0, infitQ = 0.0;
    for (std::size_t t = 0; t < n; ++t) {
        respond(work.items[t], theta, work.P.data(), work.dP.data(), work.d2P.data(), work.r.data());
        const int x = work.categories[t];
        double Sw = 0.0, Sww = 0.0, Srw = 0.0, Srr = 0.0, Sr = 0.0, mean = 0.0;
        for (int k = 0; k < K_; ++k) {
            const double P = work.P[k], r = work.r[k];
            // A category of probability 0 adds P ln P = 0.
            const double w = P > 0.0 ? std::log(P) : 0.0;
            Sw += P * w;
            Sww += P * w * w;
            Srw += P * r * w;
            Srr += P * r * r;
            Sr += P * r;
            J += r * work.d2P[k];
            mean += k * P;
        }
        l0 += std::log(work.P[x]);
        E += Sw;
        V += Sww - Sw * Sw;
        I += Srr;
        RW += Srw;
        double* sums = &work.sums[5 * t];
        sums[0] = Sw, sums[1] = Sww, sums[2] = Srw, sums[3] = Srr, sums[4] = Sr;
        double Vj = 0.0, Cj = 0.0;
        for (int k = 0; k < K_; ++k) {
            const double d2 = (k - mean) * (k - mean);
            Vj += d2 * work.P[k];
            Cj += d2 * d2 * work.P[k];
        }
        const double residual = (x - mean) * (x - mean);
        squares += residual;
        outfit += residual / Vj;
        variances += Vj;
        outfitQ += Cj / (Vj * Vj);
        infitQ += Cj - Vj * Vj;
    }
    const double c = RW / I;
    double tau2 = 0.0;
    for (std::size_t t = 0; t < n; ++t) {
        const double* s = &work.sums[5 * t];
        const double mean = s[0] - c * s[4];
        tau2 += s[1] - 2.0 * c * s[2] + c * c * s[3] - mean * mean;
    }
    const double count = static_cast<double>(n);
    figures.lz = (l0 - E) / std::sqrt(V);
    figures.outfit = outfit / count;
    figures.infit = squares / variances;
    figures.outfitT = Standardised(figures.outfit, outfitQ / (count * count) - 1.0 / count);
    figures.infitT = Standardised(figures.infit, infitQ / (variances * variances));
    switch (estimator_) {
    case ThetaEstimator::Ml:
        figures.lzStar = (l0 - E) / std::sqrt(tau2);
        figures.se = 1.0 / std::sqrt(I);
        break;
    case ThetaEstimator::Wle:
        figures.lzStar = (l0 - E + c * J / (2.0 * I)) / std::sqrt(tau2);
        figures.se = 1.0 / std::sqrt(I);
        break;
    case ThetaEstimator::Map:
        figures.lzStar = (l0 - E + c * (mu_ - theta) / (sigma_ * sigma_)) / std::sqrt(tau2);
        figures.se = 1.0 / std::sqrt(I + 1.0 / (sigma_ * sigma_));
        break;
    case ThetaEstimator::Eap:
        break;
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
    const bool enough = gather(categories, work);
    figures.answered = static_cast<int>(work.items.size());
    if (outside) {
        figures.note = PersonNote::CodesOutside;
        return;
    }
    if (!enough) {
        figures.note = PersonNote::TooFewAnswers;
        return;
    }
    double sd = kNoPersonFigure;
    const Estimate estimate =
        estimator_ == ThetaEstimator::Eap ? expectedAPosteriori(work, sd) : PersonFit::estimate(work);
    figures.note = estimate.note;
    if (!HasFigure(estimate.theta))
        return;
    figures.theta = estimate.theta;
    statisticsAt(estimate.theta, work, figures);
    if (estimator_ == ThetaEstimator::Eap)
        figures.se = sd;
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
    const std::vector<int> items = work.items;
    const std::size_t K = static_cast<std::size_t>(K_);
    work.cumulative.resize(items.size() * K);
    for (std::size_t t = 0; t < items.size(); ++t) {
        respond(items[t], figures.theta, work.P.data(), work.dP.data(), work.d2P.data(), work.r.data());
        double sum = 0.0;
        for (std::size_t k = 0; k < K; ++k)
            work.cumulative[t * K + k] = (sum += work.P[k]);
    }
    const std::vector<double> cumulative = work.cumulative;
    work.drawn.assign(static_cast<std::size_t>(m_), kNotAnswered);
    std::vector<unsigned char> drawn = work.drawn;
    std::uint64_t withFigure = 0, asLow = 0;
    PersonFigures replicate;
    for (std::uint64_t n = 0; n < replicates; ++n) {
        for (std::size_t t = 0; t < items.size(); ++t) {
            const double u = random.uniform() * cumulative[t * K + K - 1];
            std::size_t k = 0;
            while (k + 1 < K && !(u < cumulative[t * K + k]))
                ++k;
            drawn[static_cast<std::size_t>(items[t])] = static_cast<unsigned char>(k);
        }
        figure(drawn.data(), false, replicate, work);
        const double misfit = replicate.misfit();
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
