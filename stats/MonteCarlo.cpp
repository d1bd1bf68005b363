#include "stats/MonteCarlo.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#include "kernels/Workers.h"
#include "stats/RandomStream.h"

namespace {

// How many replicates reached or passed each observed statistic.
struct Exceedances {
    std::uint64_t chiSquare = 0, pooled = 0, likelihoodRatio = 0;
    std::vector<std::uint64_t> items, pairs;

    void add(const Exceedances& other)
    {
        chiSquare += other.chiSquare;
        pooled += other.pooled;
        likelihoodRatio += other.likelihoodRatio;
        for (std::size_t k = 0; k < items.size(); ++k)
            items[k] += other.items[k];
        for (std::size_t k = 0; k < pairs.size(); ++k)
            pairs[k] += other.pairs[k];
    }
};

// Each point's cumulative category probabilities, item by item, for
// drawing answers; false when a probability is negative.
bool cumulativeCategories(const FitModel& model, const std::vector<double>& theta, std::vector<double>& cumulative,
                          std::string& error)
{
    const std::size_t m = static_cast<std::size_t>(model.items.itemCount);
    const std::size_t K = static_cast<std::size_t>(model.items.categoryCount);
    cumulative.resize(theta.size() * m * K);
    const auto items = model.makeModel();
    std::vector<double> P(m * K);
    for (std::size_t q = 0; q < theta.size(); ++q) {
        items->categoriesAt(theta[q], P.data());
        double* to = cumulative.data() + q * m * K;
        for (std::size_t i = 0; i < m; ++i) {
            double sum = 0.0;
            for (std::size_t k = 0; k < K; ++k) {
                if (!(P[i * K + k] >= 0.0)) {
                    error = "a category probability of item " + std::to_string(i + 1) + " is negative";
                    return false;
                }
                to[i * K + k] = sum += P[i * K + k];
            }
        }
    }
    return true;
}

}  // namespace

std::optional<MonteCarloResult> SimulatePValues(const MonteCarloRequest& request, std::string& error,
                                                const std::function<bool(double)>& progress)
{
    const FitModel& model = *request.model;
    const ScoreTable& table = *request.table;
    const std::size_t rows = table.expected.size();
    const std::uint64_t R = request.replicates;
    const std::uint64_t N = static_cast<std::uint64_t>(std::max<std::int64_t>(request.subjects, 0));
    const AnswerForms* forms = request.forms;
    const bool bySubject = request.items || request.pairs || forms;
    const int m = model.items.itemCount, K = model.items.categoryCount;

    // What each replicate draws from.
    AliasTable scores, points;
    std::vector<double> theta, weight, cumulative;
    if (bySubject) {
        model.mergedLatent(theta, weight);
        if (!points.build(weight)) {
            error = "the latent distribution's weights are not all 0 or above with a positive sum";
            return std::nullopt;
        }
        if (!cumulativeCategories(model, theta, cumulative, error))
            return std::nullopt;
    } else if (!scores.build(table.expected)) {
        error = "the expected frequencies are not all 0 or above with a positive sum";
        return std::nullopt;
    }

    Exceedances total;
    total.items.assign(request.items ? request.items->items.size() : 0, 0);
    total.pairs.assign(request.pairs ? request.pairs->pairs.size() : 0, 0);
    const double observedChiSquare = ChiSquareOverScores(table.observed, table.expected);
    const FitSummary& summary = *request.summary;

    const std::uint64_t counted =
        request.countedSubjects < 0 ? N : std::min(N, static_cast<std::uint64_t>(request.countedSubjects));
    // Who is drawn, in order: each form's subjects, and how many of them
    // count for the items and pairs; without forms, one form of all.
    struct Drawn {
        std::vector<int> items;
        std::uint64_t subjects, counted;
        std::int64_t row;  // where its total 0 lies in the table
    };
    std::vector<Drawn> drawn;
    if (forms) {
        for (const AnswerForm& form : forms->forms()) {
            std::uint64_t inRange = 0;
            for (const std::uint64_t n : form.counted)
                inRange += n;
            drawn.push_back({form.items, form.subjects, inRange,
                             static_cast<std::int64_t>(form.items.size()) * model.lowestCode - table.firstScore});
        }
    } else {
        drawn.push_back({{}, N, counted, 0});
        for (int i = 0; i < m; ++i)
            drawn.back().items.push_back(i);
    }
    const bool missing = forms != nullptr;
    // The workers' tables together take what one thread's take, within
    // bounds, however many threads there are; exceedances are whole
    // numbers, so their sum does not depend on who counted them.
    const double perWorker = static_cast<double>(rows) * 2 * sizeof(double) + m +
                             (request.items ? ItemCodeCounts::MemoryFor(m, K, missing) : 0.0) +
                             (request.pairs ? PairCounts::MemoryFor(m, K, missing) : 0.0);
    const std::size_t threads = static_cast<std::size_t>(std::max(request.threads, 1));
    const std::size_t workers =  // never more than the replicates
        ShareScratch(perWorker, static_cast<std::size_t>(std::min<std::uint64_t>(R, threads)), 1, request.threads)
            .workers;
    std::atomic<std::uint64_t> next{0}, done{0};
    std::atomic<bool> stopped{false};
    std::mutex mutex;
    RunWorkers(workers, [&](std::size_t) {
        Exceedances mine;
        mine.items.assign(total.items.size(), 0);
        mine.pairs.assign(total.pairs.size(), 0);
        ScoreTable replicate;
        replicate.firstScore = table.firstScore;
        replicate.expected = table.expected;
        std::vector<unsigned char> categories(static_cast<std::size_t>(m), kNotAnswered);
        // Whole counts, which a draw adds to without waiting on a
        // floating-point sum; the same numbers.
        std::vector<std::uint64_t> counts(rows);
        ItemCodeCounts itemCounts = request.items ? ItemCodeCounts(m, K, missing) : ItemCodeCounts();
        PairCounts pairCounts = request.pairs ? PairCounts(m, K, missing) : PairCounts();
        AnswerForms replicateForms = forms && request.items ? *forms : AnswerForms();
        for (std::uint64_t r; !stopped && (r = next++) < R;) {
            RandomStream random(request.seed, r);
            std::fill(counts.begin(), counts.end(), 0);
            itemCounts.clear();
            pairCounts.clear();
            replicateForms.clearCounted();
            if (!bySubject)
                for (std::uint64_t j = 0; j < N; ++j)
                    ++counts[scores.draw(random)];
            for (std::size_t f = 0; bySubject && f < drawn.size(); ++f) {
                const Drawn& form = drawn[f];
                for (std::uint64_t j = 0; j < form.subjects; ++j) {
                    const double* at = cumulative.data() + points.draw(random) * static_cast<std::size_t>(m) * K;
                    std::size_t sum = 0;
                    for (const int i : form.items) {
                        const double u = random.uniform() * at[(i + 1) * K - 1];
                        // The cumulative probabilities rise: counting those
                        // at or below u finds the category without a branch
                        // to mispredict.
                        int k = 0;
                        for (int c = 0; c + 1 < K; ++c)
                            k += at[i * K + c] <= u;
                        categories[static_cast<std::size_t>(i)] = static_cast<unsigned char>(k);
                        sum += static_cast<std::size_t>(k);
                    }
                    ++counts[static_cast<std::size_t>(form.row) + sum];
                    if (j >= form.counted)
                        continue;
                    if (request.items)
                        itemCounts.addSubject(categories.data());
                    if (request.pairs)
                        pairCounts.addSubject(categories.data());
                    if (missing && request.items)
                        replicateForms.addCounted(f, sum);
                }
                for (const int i : form.items)
                    categories[static_cast<std::size_t>(i)] = kNotAnswered;
            }
            replicate.observed.assign(counts.begin(), counts.end());
            if (observedChiSquare <= ChiSquareOverScores(replicate.observed, replicate.expected))
                ++mine.chiSquare;
            const FitSummary pooled = SummarizeFit(replicate, summary.minExpected);
            mine.pooled += summary.pooledChiSquare <= pooled.pooledChiSquare;
            mine.likelihoodRatio += summary.likelihoodRatio <= pooled.likelihoodRatio;
            if (request.items) {
                const ItemFit fit =
                    missing ? ComputeItemFit(itemCounts, replicateForms, *request.formExpectation, model.parameterCount,
                                             table.firstScore, request.items->minExpected)
                            : ComputeItemFit(itemCounts, *request.itemExpectation, model.parameterCount,
                                             table.firstScore, request.items->minExpected);
                for (std::size_t i = 0; i < fit.items.size(); ++i)
                    mine.items[i] += request.items->items[i].sx2 <= fit.items[i].sx2;
            }
            if (request.pairs) {
                pairCounts.flush();
                const LocalDependence dependence = ComputeLocalDependence(pairCounts, *request.pairExpectation);
                for (std::size_t k = 0; k < dependence.pairs.size(); ++k)
                    mine.pairs[k] += request.pairs->pairs[k].x2 <= dependence.pairs[k].x2;
            }
            const std::uint64_t finished = ++done;
            if (progress && !progress(static_cast<double>(finished) / static_cast<double>(R)))
                stopped = true;
        }
        const std::lock_guard<std::mutex> lock(mutex);
        total.add(mine);
    });
    if (stopped)
        return std::nullopt;

    const auto p = [R](std::uint64_t reached) {
        return (1.0 + static_cast<double>(reached)) / (static_cast<double>(R) + 1.0);
    };
    MonteCarloResult result;
    result.replicates = R;
    result.seed = request.seed;
    result.chiSquareP = p(total.chiSquare);
    result.pooledChiSquareP = p(total.pooled);
    result.likelihoodRatioP = p(total.likelihoodRatio);
    for (const std::uint64_t reached : total.items)
        result.itemP.push_back(p(reached));
    for (const std::uint64_t reached : total.pairs)
        result.pairP.push_back(p(reached));
    return result;
}
