#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <future>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "input/SubjectRule.h"
#include "stats/PersonFit.h"

// The subjects listed as the most misfitting.
constexpr std::size_t kListedPersons = 20;

// What the person fit of a whole run comes to: how many subjects had
// figures, why the others had none, how many were flagged against how many
// chance alone would flag, the distribution of lz* (lz for eap) and the
// most misfitting subjects with their answers.
struct PersonSummary {
    ThetaEstimator estimator = ThetaEstimator::Wle;
    double latentMean = 0.0, latentSd = 1.0;  // map's prior
    std::uint64_t replicates = 0;             // of each subject's simulation; 0 for none
    std::uint64_t subjects = 0;
    std::uint64_t withFigures = 0;  // an estimate and lz
    std::array<std::uint64_t, kPersonNotes> byNote{};
    std::uint64_t withP = 0;  // those that can be flagged
    std::uint64_t flagged = 0;
    // Of flagging so many or more by chance alone: the binomial upper tail
    // at kPersonFlagLevel over withP.
    double flaggedTailP = 1.0;
    double expectedByChance() const { return kPersonFlagLevel * static_cast<double>(withP); }
    std::uint64_t withoutFigures() const { return subjects - withFigures; }

    // lz* (lz for eap) in bins of binWidth from binStart; the rest below and
    // above them.
    static constexpr double binStart = -6.0, binWidth = 0.25;
    std::vector<std::uint64_t> bins = std::vector<std::uint64_t>(48, 0);
    std::uint64_t below = 0, above = 0;

    std::vector<PersonFigures> mostMisfitting;               // lowest first
    std::vector<std::vector<unsigned char>> answersOfMost;  // their categories
};

// How a run's subjects are taken through the person fit.
struct PersonPassSettings {
    int threads = 1;
    std::uint64_t replicates = 0;  // each subject's simulated p; 0 for none
    std::uint64_t seed = 1;
    std::uint64_t subjects = 0;  // expected, for the share done
    // The estimates the run was given, subject by subject; those past its
    // end are 0. Null when the run was on nodes.
    const std::vector<float>* givenTheta = nullptr;
};

// Stopped by the listener of progress.
struct PersonPassStopped : std::runtime_error {
    PersonPassStopped() : std::runtime_error("person fit stopped") {}
};

// Hears the subjects of a file as the readers complete them and works out
// their figures a batch at a time on the threads, while the reader fills
// the next batch: each subject's figures and its simulation (a random
// stream of its own) are the same on any number of threads. Every subject
// goes to row in the file's order, with its categories, as soon as its
// batch is done; memory does not grow with the subjects. Call finish()
// once the file is read; what a batch threw (PersonPassStopped, no
// memory) is thrown from the take() or finish() after it.
class PersonPass : public SubjectSink {
public:
    using Row = std::function<void(const PersonFigures&, const unsigned char* categories)>;
    // Rows as text: format appends a subject's row on the threads, write
    // takes a task's rows in the file's order.
    struct Text {
        std::function<void(const PersonFigures&, std::string&)> format;
        std::function<void(const std::string&)> write;
    };
    // Hears the share done; false stops the pass (PersonPassStopped).
    using Progress = std::function<bool(double)>;

    PersonPass(const PersonFit& fit, const PersonPassSettings& settings, Row row = {}, Progress progress = {},
               Text text = {});

    ~PersonPass() override;
    PersonPass(const PersonPass&) = delete;
    PersonPass& operator=(const PersonPass&) = delete;

    void take(std::string_view id, const SubjectTotal& subject, const unsigned char* categories) override;
    void finish();
    const PersonSummary& summary() const { return summary_; }

private:
    struct Batch {
        std::vector<PersonFigures> figures;
        std::vector<unsigned char> categories;
        std::vector<char> outside;
        std::vector<std::string> texts;  // a task's rows
        std::size_t held = 0;
    };

    void launch();
    void awaitLaunched();
    void runBatch(Batch& batch);
    void keep(const PersonFigures& figures, const unsigned char* categories);

    const PersonFit& fit_;
    const PersonPassSettings settings_;
    const Row row_;
    const Progress progress_;
    const Text text_;
    const std::size_t items_, chunk_, batch_;
    std::vector<PersonFit::Work> work_;  // one a worker
    Batch batches_[2];                   // one filled while the other is worked out
    Batch* filling_ = &batches_[0];
    std::future<void> launched_;
    std::int64_t next_ = 1;  // the next subject's number
    PersonSummary summary_;
};
