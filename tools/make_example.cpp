// Simulates the example data sets: responses of subjects drawn from a
// standard normal ability distribution to items with parameters in the
// usual ranges, under each of the five models.
//
//   make_example DIRECTORY
//
// Writes, for MODEL in 1pl 2pl 3pl grm pcm: MODEL-difficulty.dat (grm:
// thresholds, pcm: steps), MODEL-discrimination.dat (2pl, 3pl, grm),
// 3pl-c.dat, MODEL-scores.dat and MODEL-estimates.dat (the true abilities
// with estimation noise); and the same scores and parameters as tables
// with a header, as spreadsheets and calibration programs write them:
// MODEL-scores.csv (a column of identifiers, one of each item) and
// MODEL-items.csv (one row an item). The files lie side by side so that
// the shipped nodes files are in the same folder.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double kD = 1.702;  // binary items are simulated in the normal metric

class Random {
public:
    explicit Random(unsigned seed) : engine_(seed) {}
    double uniform() { return (engine_() + 0.5) / 4294967296.0; }
    // Box-Muller: the same numbers from every standard library.
    double normal()
    {
        const double u = uniform(), v = uniform();
        return std::sqrt(-2.0 * std::log(u)) * std::cos(6.283185307179586 * v);
    }

private:
    std::mt19937 engine_;
};

double logistic(double z) { return 1.0 / (1.0 + std::exp(-z)); }

void writeValues(const std::string& path, const std::vector<double>& values, int perLine)
{
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (!file) {
        std::perror(path.c_str());
        std::exit(1);
    }
    for (std::size_t i = 0; i < values.size(); ++i)
        std::fprintf(file, "%8.4f%s", values[i], (i + 1) % perLine == 0 ? "\n" : " ");
    if (values.size() % perLine != 0)
        std::fputc('\n', file);
    std::fclose(file);
}

void writeScores(const std::string& path, const std::vector<int>& scores, int items)
{
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (!file) {
        std::perror(path.c_str());
        std::exit(1);
    }
    for (std::size_t i = 0; i < scores.size(); ++i)
        std::fprintf(file, "%d%c", scores[i], (i + 1) % items == 0 ? '\n' : ' ');
    std::fclose(file);
}

std::FILE* create(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (!file) {
        std::perror(path.c_str());
        std::exit(1);
    }
    return file;
}

std::string itemName(int i)
{
    char name[8];
    std::snprintf(name, sizeof name, "q%02d", i + 1);
    return name;
}

void writeScoreTable(const std::string& path, const std::vector<int>& scores, int items)
{
    std::FILE* file = create(path);
    std::fputs("student", file);
    for (int i = 0; i < items; ++i)
        std::fprintf(file, ",%s", itemName(i).c_str());
    for (std::size_t k = 0; k < scores.size(); ++k) {
        if (k % items == 0)
            std::fprintf(file, "\ns%04zu", k / items + 1);
        std::fprintf(file, ",%d", scores[k]);
    }
    std::fputc('\n', file);
    std::fclose(file);
}

// One row an item: its name, then each column's value for it, printed as
// the plain files print them.
void writeItemTable(const std::string& path, int items, const std::vector<std::pair<std::string, const double*>>& columns)
{
    std::FILE* file = create(path);
    std::fputs("item", file);
    for (const auto& column : columns)
        std::fprintf(file, ",%s", column.first.c_str());
    std::fputc('\n', file);
    for (int i = 0; i < items; ++i) {
        std::fputs(itemName(i).c_str(), file);
        for (const auto& column : columns)
            std::fprintf(file, ",%.4f", column.second[i]);
        std::fputc('\n', file);
    }
    std::fclose(file);
}

struct Subjects {
    std::vector<double> theta, estimates;
};

Subjects drawSubjects(Random& random, int n)
{
    Subjects s;
    for (int j = 0; j < n; ++j) {
        s.theta.push_back(random.normal());
        s.estimates.push_back(s.theta.back() + 0.3 * random.normal());
    }
    return s;
}

void binary(const std::string& dir, const std::string& name, int parameters, unsigned seed)
{
    const int n = 1000, m = 20;
    Random random(seed);
    std::vector<double> a(m, 1.0), b(m), c(m, 0.0);
    for (int i = 0; i < m; ++i) {
        b[i] = std::clamp(random.normal(), -2.5, 2.5);
        if (parameters >= 2)
            a[i] = std::exp(0.3 * random.normal());
        if (parameters == 3)
            c[i] = 0.1 + 0.15 * random.uniform();
    }
    const Subjects subjects = drawSubjects(random, n);
    std::vector<int> scores;
    for (double theta : subjects.theta)
        for (int i = 0; i < m; ++i) {
            const double p = c[i] + (1 - c[i]) * logistic(kD * a[i] * (theta - b[i]));
            scores.push_back(random.uniform() < p ? 1 : 0);
        }
    const std::string prefix = dir + "/" + name + "-";
    writeValues(prefix + "difficulty.dat", b, 10);
    if (parameters >= 2)
        writeValues(prefix + "discrimination.dat", a, 10);
    if (parameters == 3)
        writeValues(prefix + "c.dat", c, 10);
    writeScores(prefix + "scores.dat", scores, m);
    writeValues(prefix + "estimates.dat", subjects.estimates, 10);
    writeScoreTable(prefix + "scores.csv", scores, m);
    std::vector<std::pair<std::string, const double*>> columns;
    if (parameters >= 2)
        columns.emplace_back("a", a.data());
    columns.emplace_back("b", b.data());
    if (parameters == 3)
        columns.emplace_back("c", c.data());
    writeItemTable(prefix + "items.csv", m, columns);
}

void polytomous(const std::string& dir, const std::string& name, bool graded, unsigned seed)
{
    const int n = 1000, m = 10, K = 4;
    Random random(seed);
    std::vector<double> a(m, 1.0), parameters((K - 1) * m);  // boundary by boundary
    for (int i = 0; i < m; ++i) {
        if (graded)
            a[i] = std::exp(0.2 + 0.3 * random.normal());
        std::vector<double> steps;
        const double location = 0.5 * random.normal();
        for (int k = 0; k < K - 1; ++k)
            steps.push_back(location + 0.8 * random.normal());
        std::sort(steps.begin(), steps.end());
        for (int k = 0; k < K - 1; ++k)
            parameters[k * m + i] = steps[k];
    }
    const Subjects subjects = drawSubjects(random, n);
    std::vector<int> scores;
    for (double theta : subjects.theta)
        for (int i = 0; i < m; ++i) {
            std::vector<double> p(K);
            if (graded) {
                double above = 1.0;
                for (int k = 0; k < K - 1; ++k) {
                    const double next = logistic(a[i] * (theta - parameters[k * m + i]));
                    p[k] = above - next;
                    above = next;
                }
                p[K - 1] = above;
            } else {
                double z = 0.0, sum = 1.0;
                p[0] = 1.0;
                for (int k = 1; k < K; ++k) {
                    z += a[i] * (theta - parameters[(k - 1) * m + i]);
                    sum += p[k] = std::exp(z);
                }
                for (double& value : p)
                    value /= sum;
            }
            double u = random.uniform();
            int category = 0;
            while (category < K - 1 && u >= p[category])
                u -= p[category++];
            scores.push_back(category + 1);
        }
    const std::string prefix = dir + "/" + name + "-";
    writeValues(prefix + (graded ? "thresholds.dat" : "steps.dat"), parameters, m);
    if (graded)
        writeValues(prefix + "discrimination.dat", a, 10);
    writeScores(prefix + "scores.dat", scores, m);
    writeValues(prefix + "estimates.dat", subjects.estimates, 10);
    writeScoreTable(prefix + "scores.csv", scores, m);
    std::vector<std::pair<std::string, const double*>> columns;
    if (graded)
        columns.emplace_back("a", a.data());
    for (int k = 0; k < K - 1; ++k)
        columns.emplace_back("b" + std::to_string(k + 1), parameters.data() + k * m);
    writeItemTable(prefix + "items.csv", m, columns);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_example DIRECTORY\n");
        return 64;
    }
    const std::string dir = argv[1];
    binary(dir, "1pl", 1, 101);
    binary(dir, "2pl", 2, 202);
    binary(dir, "3pl", 3, 303);
    polytomous(dir, "grm", true, 404);
    polytomous(dir, "pcm", false, 505);
    return 0;
}
