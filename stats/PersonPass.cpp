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
      work_(static_cast<std::size_t>(std::max(settings.threads, 1)))
{
    for (Batch& batch : batches_) {
        batch.figures.resize(batch_);
        batch.categories.resize(batch_ * items_);
        batch.outside.resize(batch_);
        batch.texts.resize(text_.format ? kTasksOfBatch : 0);
    }
    summary_.estimator = fit.estimator();
    summary_.latentMean = fit.latentMean();
    summary_.latentSd = fit.latentSd();
    summary_.replicates = settings.replicates;
}

PersonPass::~PersonPass()
{
    if (launched_.valid())
        launched_.wait();
}

void PersonPass::take(std::string_view id, const SubjectTotal& subject, const unsigned char* categories)
{
    Batch& batch = *filling_;
    PersonFigures& figures = batch.figures[batch.held];
    figures.subject = next_++;
    figures.id.assign(id.data(), id.size());
    figures.total = subject.total;
    figures.answered = subject.answered;
    figures.givenTheta = kNoPersonFigure;
    if (settings_.givenTheta) {
        const std::size_t j = static_cast<std::size_t>(figures.subject - 1);
        figures.givenTheta = j < settings_.givenTheta->size() ? (*settings_.givenTheta)[j] : 0.0;
    }
    if (items_ > 0)
        std::memcpy(&batch.categories[batch.held * items_], categories, items_);
    batch.outside[batch.held] = subject.outside;
    if (++batch.held == batch_)
        launch();
}

// The batch filled goes to the threads once the one before is done, and
// the reader goes on filling that one.
void PersonPass::launch()
{
    awaitLaunched();
    Batch& full = *filling_;
    launched_ = std::async(std::launch::async, [this, &full] { runBatch(full); });
    filling_ = filling_ == &batches_[0] ? &batches_[1] : &batches_[0];
}

void PersonPass::awaitLaunched()
{
    if (launched_.valid())
        launched_.get();
}

void PersonPass::finish()
{
    if (filling_->held > 0)
        launch();
    awaitLaunched();
    const std::uint64_t n = summary_.withP, flagged = summary_.flagged;
    if (n > 0 && flagged > 0) {
        const boost::math::binomial_distribution<double> chance(static_cast<double>(n), kPersonFlagLevel);
        summary_.flaggedTailP = boost::math::cdf(boost::math::complement(chance, static_cast<double>(flagged - 1)));
    }
}

void PersonPass::runBatch(Batch& batch)
{
    const std::size_t held = batch.held, tasks = (held + chunk_ - 1) / chunk_;
    std::vector<PersonFigures>& figures = batch.figures;
    std::vector<std::string>& texts = batch.texts;
    RunInOrder(
        tasks, work_.size(),
        [&](std::size_t task, std::size_t w) {
            if (text_.format)
                texts[task].clear();
            for (std::size_t s = task * chunk_; s < std::min(held, (task + 1) * chunk_); ++s) {
                const unsigned char* categories = &batch.categories[s * items_];
                fit_.figure(categories, batch.outside[s] != 0, figures[s], work_[w]);
                if (settings_.replicates > 0) {
                    RandomStream random(settings_.seed, kPersonStreams | static_cast<std::uint64_t>(figures[s].subject));
                    fit_.simulate(categories, settings_.replicates, random, figures[s], work_[w]);
                }
                if (text_.format)
                    text_.format(figures[s], texts[task]);
            }
        },
        [&](std::size_t task, std::size_t) {
            for (std::size_t s = task * chunk_; s < std::min(held, (task + 1) * chunk_); ++s)
                keep(figures[s], &batch.categories[s * items_]);
            if (text_.write)
                text_.write(texts[task]);
            return true;
        });
    batch.held = 0;
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
