#include "stats/PersonPass.h"

#include <algorithm>
#include <cstring>

#include <boost/math/distributions/binomial.hpp>

#include "kernels/Workers.h"

namespace {

// Subjects of a task, and tasks of a batch: small enough that the threads
// share a batch evenly, large enough that a task outweighs its handing out.
constexpr std::size_t kSubjectsOfTask = 256;
constexpr std::size_t kTasksOfBatch = 64;

// The streams of the subjects' simulations, apart from those of the test's.
constexpr std::uint64_t kPersonStreams = std::uint64_t{1} << 63;

bool MisfitsMore(const PersonFigures& x, const PersonFigures& y)
{
    return x.misfit() < y.misfit() || (x.misfit() == y.misfit() && x.subject < y.subject);
}

}  // namespace

PersonPass::PersonPass(const PersonFit& fit, const PersonPassSettings& settings, Row row, Progress progress,
                       Text text)
    : fit_(fit),
      settings_(settings),
      row_(std::move(row)),
      progress_(std::move(progress)),
      text_(std::move(text)),
      items_(static_cast<std::size_t>(fit.model().items.itemCount)),
      // A simulated subject weighs as much as many plain ones.
      chunk_(settings.replicates > 0 ? std::max<std::size_t>(1, kSubjectsOfTask / 64) : kSubjectsOfTask),
      batch_(chunk_ * kTasksOfBatch),
      work_(static_cast<std::size_t>(std::max(settings.threads, 1))),
      figures_(batch_),
      categories_(batch_ * items_),
      outside_(batch_),
      texts_(text_.format ? kTasksOfBatch : 0)
{
    summary_.estimator = fit.estimator();
    summary_.latentMean = fit.latentMean();
    summary_.latentSd = fit.latentSd();
    summary_.replicates = settings.replicates;
}

void PersonPass::take(std::string_view id, const SubjectTotal& subject, const unsigned char* categories)
{
    PersonFigures& figures = figures_[held_];
    figures.subject = next_++;
    figures.id.assign(id.data(), id.size());
    figures.total = subject.total;
    figures.givenTheta = kNoPersonFigure;
    if (settings_.givenTheta) {
        const std::size_t j = static_cast<std::size_t>(figures.subject - 1);
        figures.givenTheta = j < settings_.givenTheta->size() ? (*settings_.givenTheta)[j] : 0.0;
    }
    if (items_ > 0)
        std::memcpy(&categories_[held_ * items_], categories, items_);
    outside_[held_] = subject.outside;
    if (++held_ == batch_)
        runBatch();
}

void PersonPass::finish()
{
    if (held_ > 0)
        runBatch();
    const std::uint64_t n = summary_.withP, flagged = summary_.flagged;
    if (n > 0 && flagged > 0) {
        const boost::math::binomial_distribution<double> chance(static_cast<double>(n), kPersonFlagLevel);
        summary_.flaggedTailP = boost::math::cdf(boost::math::complement(chance, static_cast<double>(flagged - 1)));
    }
}

void PersonPass::runBatch()
{
    const std::size_t held = held_, tasks = (held + chunk_ - 1) / chunk_;
    RunInOrder(
        tasks, work_.size(),
        [&](std::size_t task, std::size_t w) {
            if (text_.format)
                texts_[task].clear();
            for (std::size_t s = task * chunk_; s < std::min(held, (task + 1) * chunk_); ++s) {
                const unsigned char* categories = &categories_[s * items_];
                fit_.figure(categories, outside_[s] != 0, figures_[s], work_[w]);
                if (settings_.replicates > 0) {
                    RandomStream random(settings_.seed,
                                        kPersonStreams | static_cast<std::uint64_t>(figures_[s].subject));
                    fit_.simulate(categories, settings_.replicates, random, figures_[s], work_[w]);
                }
                if (text_.format)
                    text_.format(figures_[s], texts_[task]);
            }
        },
        [&](std::size_t task, std::size_t) {
            for (std::size_t s = task * chunk_; s < std::min(held, (task + 1) * chunk_); ++s)
                keep(figures_[s], &categories_[s * items_]);
            if (text_.write)
                text_.write(texts_[task]);
            return true;
        });
    held_ = 0;
    if (progress_ && settings_.subjects > 0 &&
        !progress_(std::min(1.0, static_cast<double>(summary_.subjects) / static_cast<double>(settings_.subjects))))
        throw PersonPassStopped();
}

void PersonPass::keep(const PersonFigures& figures, const unsigned char* categories)
{
    PersonSummary& s = summary_;
    ++s.subjects;
    ++s.byNote[static_cast<std::size_t>(figures.note)];
    if (HasFigure(figures.lz))
        ++s.withFigures;
    const double p = HasFigure(figures.pSimulated) ? figures.pSimulated : figures.p;
    if (HasFigure(p)) {
        ++s.withP;
        s.flagged += figures.flagged ? 1 : 0;
    }
    const double misfit = figures.misfit();
    if (HasFigure(misfit)) {
        const double bin = std::floor((misfit - PersonSummary::binStart) / PersonSummary::binWidth);
        if (bin < 0.0)
            ++s.below;
        else if (bin >= static_cast<double>(s.bins.size()))
            ++s.above;
        else
            ++s.bins[static_cast<std::size_t>(bin)];
        if (s.mostMisfitting.size() < kListedPersons || MisfitsMore(figures, s.mostMisfitting.back())) {
            const auto place = std::upper_bound(s.mostMisfitting.begin(), s.mostMisfitting.end(), figures, MisfitsMore);
            const auto at = place - s.mostMisfitting.begin();
            s.mostMisfitting.insert(place, figures);
            s.answersOfMost.insert(s.answersOfMost.begin() + at,
                                   std::vector<unsigned char>(categories, categories + items_));
            if (s.mostMisfitting.size() > kListedPersons) {
                s.mostMisfitting.pop_back();
                s.answersOfMost.pop_back();
            }
        }
    }
    if (row_)
        row_(figures, categories);
}
