#include "stats/MonteCarlo.h"

#include <algorithm>
#include <atomic>

#include "kernels/Workers.h"
#include "stats/RandomStream.h"

namespace {

// How many replicates reached or passed each observed statistic.
struct Exceedances {
    explicit Exceedances(const MonteCarloRequest& request)
        : items(request.items ? request.items->items.size() : 0, 0),
          pairs(request.pairs ? request.pairs->pairs.size() : 0, 0)
    {
    }

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

// Who is drawn, in order: each form's subjects, and how many of them
// count for the items and pairs; without forms, one form of all.
struct Drawn {
    std::vector<int> items;
    std::uint64_t subjects, counted;
    std::int64_t row;  // where its total 0 lies in the table
};

// What every replicate draws from, made once and shared by the workers.
struct Source {
    explicit Source(const MonteCarloRequest& asked)
        : request(asked),
          model(*asked.model),
          table(*asked.table),
          m(model.items.itemCount),
          K(model.items.categoryCount),
          N(static_cast<std::uint64_t>(std::max<std::int64_t>(asked.subjects, 0))),
          bySubject(asked.items || asked.pairs || asked.forms),
          missing(asked.forms != nullptr),
          observedChiSquare(ChiSquareOverScores(table.observed, table.expected))
    {
    }

    // False, with error saying why, when the model cannot be drawn from.
    bool build(std::string& error)
    {
        if (!bySubject) {
            if (scores.build(table.expected))
                return true;
            error = "the expected frequencies are not all 0 or above with a positive sum";
            return false;
        }
        std::vector<double> theta, weight;
        model.mergedLatent(theta, weight);
        if (!points.build(weight)) {
            error = "the latent distribution's weights are not all 0 or above with a positive sum";
            return false;
        }
        if (!cumulativeCategories(model, theta, cumulative, error))
            return false;
        listDrawn();
        return true;
    }

    // The workers' tables together take what one thread's take, within
    // bounds, however many threads there are; exceedances are whole
    // numbers, so their sum does not depend on who counted them.
    std::size_t workers() const
    {
        const double perWorker = static_cast<double>(table.expected.size()) * 2 * sizeof(double) + m +
                                 (request.items ? ItemCodeCounts::MemoryFor(m, K, missing) : 0.0) +
                                 (request.pairs ? PairCounts::MemoryFor(m, K, missing) : 0.0);
        const std::size_t threads = static_cast<std::size_t>(std::max(request.threads, 1));
        const std::size_t mostWorkers = static_cast<std::size_t>(std::min<std::uint64_t>(request.replicates, threads));
        return ShareScratch(perWorker, mostWorkers, 1, request.threads).workers;
    }

    const MonteCarloRequest& request;
    const FitModel& model;
    const ScoreTable& table;
    const int m, K;
    const std::uint64_t N;
    const bool bySubject, missing;
    const double observedChiSquare;
    AliasTable scores;               // the totals, drawn straight
    AliasTable points;               // the latent points, drawn subject by subject
    std::vector<double> cumulative;  // by point, item and category
    std::vector<Drawn> drawn;

private:
    void listDrawn()
    {
        if (!request.forms) {
            const std::uint64_t counted = request.countedSubjects < 0
                                              ? N
                                              : std::min(N, static_cast<std::uint64_t>(request.countedSubjects));
            drawn.push_back({{}, N, counted, 0});
            for (int i = 0; i < m; ++i)
                drawn.back().items.push_back(i);
            return;
        }
        for (const AnswerForm& form : request.forms->forms()) {
            std::uint64_t inRange = 0;
            for (const std::uint64_t n : form.counted)
                inRange += n;
            drawn.push_back({form.items, form.subjects, inRange,
                             static_cast<std::int64_t>(form.items.size()) * model.lowestCode - table.firstScore});
        }
    }
};

// One worker: its tables, reused replicate after replicate, and how often
// its replicates reached the observed statistics.
class Replicator {
public:
    explicit Replicator(const Source& source)
        : source_(source),
          request_(source.request),
          reached_(source.request),
          categories_(static_cast<std::size_t>(source.m), kNotAnswered),
          counts_(source.table.expected.size()),
          itemCounts_(request_.items ? ItemCodeCounts(source.m, source.K, source.missing) : ItemCodeCounts()),
          pairCounts_(request_.pairs ? PairCounts(source.m, source.K, source.missing) : PairCounts()),
          forms_(source.missing && request_.items ? *request_.forms : AnswerForms())
    {
        replicate_.firstScore = source.table.firstScore;
        replicate_.expected = source.table.expected;
    }

    // Replicate r, from its own stream.
    void run(std::uint64_t r)
    {
        RandomStream random(request_.seed, r);
        clear();
        if (source_.bySubject)
            drawSubjects(random);
        else
            drawTotals(random);
        countTotals();
        if (request_.items)
            countItems();
        if (request_.pairs)
            countPairs();
    }

    const Exceedances& reached() const { return reached_; }

private:
    void clear()
    {
        std::fill(counts_.begin(), counts_.end(), 0);
        itemCounts_.clear();
        pairCounts_.clear();
        forms_.clearCounted();
    }

    void drawTotals(RandomStream& random)
    {
        for (std::uint64_t j = 0; j < source_.N; ++j)
            ++counts_[source_.scores.draw(random)];
    }

    void drawSubjects(RandomStream& random)
    {
        for (std::size_t f = 0; f < source_.drawn.size(); ++f) {
            const Drawn& form = source_.drawn[f];
            for (std::uint64_t j = 0; j < form.subjects; ++j) {
                const std::size_t sum = drawAnswers(form, random);
                ++counts_[static_cast<std::size_t>(form.row) + sum];
                if (j < form.counted)
                    addAnswers(f, sum);
            }
            for (const int i : form.items)
                categories_[static_cast<std::size_t>(i)] = kNotAnswered;
        }
    }

    // A subject's ability, then its answers to the form's items; their total.
    std::size_t drawAnswers(const Drawn& form, RandomStream& random)
    {
        const int K = source_.K;
        const double* at =
            source_.cumulative.data() + source_.points.draw(random) * static_cast<std::size_t>(source_.m) * K;
        std::size_t sum = 0;
        for (const int i : form.items) {
            const double u = random.uniform() * at[(i + 1) * K - 1];
            // The cumulative probabilities rise: counting those at or
            // below u finds the category without a branch to mispredict.
            int k = 0;
            for (int c = 0; c + 1 < K; ++c)
                k += at[i * K + c] <= u;
            categories_[static_cast<std::size_t>(i)] = static_cast<unsigned char>(k);
            sum += static_cast<std::size_t>(k);
        }
        return sum;
    }

    // A subject counted for the items and pairs.
    void addAnswers(std::size_t form, std::size_t sum)
    {
        if (request_.items)
            itemCounts_.addSubject(categories_.data());
        if (request_.pairs)
            pairCounts_.addSubject(categories_.data());
        if (source_.missing && request_.items)
            forms_.addCounted(form, sum);
    }

    void countTotals()
    {
        replicate_.observed.assign(counts_.begin(), counts_.end());
        if (source_.observedChiSquare <= ChiSquareOverScores(replicate_.observed, replicate_.expected))
            ++reached_.chiSquare;
        const FitSummary& summary = *request_.summary;
        const FitSummary pooled = SummarizeFit(replicate_, summary.minExpected);
        reached_.pooled += summary.pooledChiSquare <= pooled.pooledChiSquare;
        reached_.likelihoodRatio += summary.likelihoodRatio <= pooled.likelihoodRatio;
    }

    void countItems()
    {
        const std::int64_t firstScore = source_.table.firstScore;
        const ItemFit fit = source_.missing
                                ? ComputeItemFit(itemCounts_, forms_, *request_.formExpectation,
                                                 source_.model.parameterCount, firstScore, request_.items->minExpected)
                                : ComputeItemFit(itemCounts_, *request_.itemExpectation, source_.model.parameterCount,
                                                 firstScore, request_.items->minExpected);
        for (std::size_t i = 0; i < fit.items.size(); ++i)
            reached_.items[i] += request_.items->items[i].sx2 <= fit.items[i].sx2;
    }

    void countPairs()
    {
        pairCounts_.flush();
        const LocalDependence dependence = ComputeLocalDependence(pairCounts_, *request_.pairExpectation);
        for (std::size_t k = 0; k < dependence.pairs.size(); ++k)
            reached_.pairs[k] += request_.pairs->pairs[k].x2 <= dependence.pairs[k].x2;
    }

    const Source& source_;
    const MonteCarloRequest& request_;
    Exceedances reached_;
    ScoreTable replicate_;
    std::vector<unsigned char> categories_;
    // Whole counts, which a draw adds to without waiting on a
    // floating-point sum; the same numbers.
    std::vector<std::uint64_t> counts_;
    ItemCodeCounts itemCounts_;
    PairCounts pairCounts_;
    AnswerForms forms_;  // what each form counted, with answers missing
};

MonteCarloResult pValues(const MonteCarloRequest& request, const Exceedances& total)
{
    const std::uint64_t R = request.replicates;
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

}  // namespace

std::optional<MonteCarloResult> SimulatePValues(const MonteCarloRequest& request, std::string& error,
                                                const std::function<bool(double)>& progress)
{
    Source source(request);
    if (!source.build(error))
        return std::nullopt;
    const std::size_t workers = source.workers();
    std::vector<Replicator> replicators;
    replicators.reserve(workers);
    for (std::size_t w = 0; w < workers; ++w)
        replicators.emplace_back(source);

    const std::uint64_t R = request.replicates;
    std::atomic<std::uint64_t> done{0};
    const bool finished = RunTasks(workers, static_cast<std::size_t>(R), [&](std::size_t r, std::size_t w) {
        replicators[w].run(r);
        return !progress || progress(static_cast<double>(++done) / static_cast<double>(R));
    });
    if (!finished)
        return std::nullopt;
    Exceedances total(request);
    for (const Replicator& replicator : replicators)
        total.add(replicator.reached());
    return pValues(request, total);
}
