// Writes large inputs for the benchmarks into DIRECTORY:
//   binary: 1,000,000 subjects x 100 items of 0/1 scores, item files, estimates
//   polytomous: 100,000 subjects x 50 items, 5 categories, thresholds, estimates
//   booklets: 100,000 subjects x 100 items in 10 forms of 40, 9 for the rest
//   sparse: 10,000 subjects x 30 items, 5% of answers 9 at random
//   table: the binary scores as a table with a header, comma-separated
//   huge: 10,000,000 subjects x 100 items of 0/1 scores (2 GB), with --huge

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

// The scores of a file of numbers as a table: a header naming the items,
// then each line with commas for blanks.
void writeTable(const std::string& from, const std::string& path, int items)
{
    std::FILE* in = std::fopen(from.c_str(), "rb");
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!in || !out) {
        std::perror(path.c_str());
        std::exit(1);
    }
    for (int i = 0; i < items; ++i)
        std::fprintf(out, "%si%d", i ? "," : "", i + 1);
    std::fputc('\n', out);
    std::vector<char> piece(1u << 20);
    for (std::size_t n; (n = std::fread(piece.data(), 1, piece.size(), in)) > 0;) {
        for (std::size_t k = 0; k < n; ++k)
            piece[k] = piece[k] == ' ' ? ',' : piece[k];
        std::fwrite(piece.data(), 1, n, out);
    }
    std::fclose(in);
    std::fclose(out);
}

void writeReals(const std::string& path, std::size_t count, std::mt19937& random, double low, double high)
{
    std::FILE* file = std::fopen(path.c_str(), "w");
    std::uniform_real_distribution<double> value(low, high);
    for (std::size_t i = 0; i < count; ++i)
        std::fprintf(file, "%.4f\n", value(random));
    std::fclose(file);
}

// missing(j, i): whether subject j left item i out (written as 9).
template <typename Missing>
void writeScores(const std::string& path, int subjects, int items, int lowest, int highest, std::mt19937& random,
                 Missing missing)
{
    std::FILE* file = std::fopen(path.c_str(), "w");
    std::uniform_int_distribution<int> code(lowest, highest);
    std::vector<char> line(2 * items);
    for (int j = 0; j < subjects; ++j) {
        for (int i = 0; i < items; ++i) {
            const int answer = code(random);
            line[2 * i] = static_cast<char>('0' + (missing(j, i) ? 9 : answer));
            line[2 * i + 1] = i + 1 == items ? '\n' : ' ';
        }
        std::fwrite(line.data(), 1, line.size(), file);
    }
    std::fclose(file);
}

void writeScores(const std::string& path, int subjects, int items, int lowest, int highest, std::mt19937& random)
{
    writeScores(path, subjects, items, lowest, highest, random, [](int, int) { return false; });
}

}  // namespace

int main(int argc, char** argv)
{
    const bool huge = argc == 3 && std::string(argv[1]) == "--huge";
    if (argc != 2 && !huge) {
        std::fprintf(stderr, "usage: make_bench_data [--huge] DIRECTORY\n");
        return 64;
    }
    const std::string dir = std::string(argv[argc - 1]) + "/";
    std::mt19937 random(7);
    if (huge) {
        writeScores(dir + "huge-scores.dat", 10000000, 100, 0, 1, random);
        return 0;
    }
    writeScores(dir + "binary-scores.dat", 1000000, 100, 0, 1, random);
    writeReals(dir + "binary-a.dat", 100, random, 0.5, 2.0);
    writeReals(dir + "binary-b.dat", 100, random, -2.0, 2.0);
    writeReals(dir + "binary-c.dat", 100, random, 0.0, 0.25);
    writeReals(dir + "binary-estimates.dat", 1000000, random, -3.0, 3.0);
    writeScores(dir + "poly-scores.dat", 100000, 50, 1, 5, random);
    writeReals(dir + "poly-a.dat", 50, random, 0.5, 2.0);
    writeReals(dir + "poly-thresholds.dat", 4 * 50, random, -2.0, 2.0);
    writeReals(dir + "poly-estimates.dat", 100000, random, -3.0, 3.0);
    // Booklet j % 10 holds the blocks of ten items from j % 10 on, four of
    // them, around the test.
    writeScores(dir + "booklet-scores.dat", 100000, 100, 0, 1, random,
                [](int j, int i) { return (i / 10 - j % 10 + 10) % 10 >= 4; });
    std::bernoulli_distribution left(0.05);
    writeScores(dir + "sparse-scores.dat", 10000, 30, 0, 1, random, [&](int, int) { return left(random); });
    writeTable(dir + "binary-scores.dat", dir + "binary-scores.csv", 100);
    return 0;
}
