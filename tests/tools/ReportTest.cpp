#include <QFile>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "stats/TextFormat.h"
#include "tests/TempDirectory.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

// A report page read back as XML: its tables by id, row by row of cell
// texts, and every element's name and attribute seen.
struct ReadPage {
    bool wellFormed = false;
    std::string error;
    std::map<std::string, Rows> tables;
    std::map<std::string, std::vector<char>> flaggedRows;
    std::vector<std::string> elements, attributes;
    std::string text;  // all of it, as a reader sees it
};

ReadPage readPage(const std::string& path)
{
    ReadPage page;
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return page;
    QXmlStreamReader xml(&file);
    std::string table;
    bool inBody = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const std::string name = xml.name().toString().toStdString();
            page.elements.push_back(name);
            for (const QXmlStreamAttribute& attribute : xml.attributes())
                page.attributes.push_back(attribute.name().toString().toStdString());
            if (name == "table")
                table = xml.attributes().value("id").toString().toStdString();
            else if (name == "tr" && !table.empty() && inBody) {
                page.tables[table].emplace_back();
                page.flaggedRows[table].push_back(xml.attributes().value("class") == QLatin1String("flagged"));
            } else if (name == "td" && !table.empty())
                page.tables[table].back().push_back(xml.readElementText().toStdString());
            else if (name == "tbody")
                inBody = true;
        } else if (xml.isEndElement()) {
            if (xml.name() == QLatin1String("table"))
                table.clear();
            if (xml.name() == QLatin1String("tbody"))
                inBody = false;
        } else if (xml.isCharacters()) {
            page.text += xml.text().toString().toStdString();
        }
    }
    page.wellFormed = !xml.hasError();
    page.error = xml.errorString().toStdString();
    return page;
}

class ReportTest : public InTempDirectory {
protected:
    int run(const std::string& arguments)
    {
        const int status =
            std::system((std::string(TALVER_FIT_PATH) + " " + arguments + " >stdout.txt 2>stderr.txt").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    static void copyExamples()
    {
        namespace fs = std::filesystem;
        for (const auto& entry : fs::directory_iterator(TALVER_EXAMPLES_DIR))
            if (entry.path().extension() == ".dat" || entry.path().extension() == ".csv")
                fs::copy_file(entry.path(), entry.path().filename());
    }
    static std::string commandOutput(const std::string& command)
    {
        std::string output;
        if (FILE* pipe = popen(command.c_str(), "r")) {
            char chunk[4096];
            std::size_t got = 0;
            while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
                output.append(chunk, got);
            pclose(pipe);
        }
        return output;
    }
    const std::string run3pl = "--model 3pl --parameters 3pl-items.csv --scores 3pl-scores.csv --id-column student "
                               "--nodes20 --item-fit --pairs ";

    // A 2PL test of named items (item001, ...) in items.csv and scores.csv,
    // drawn under the model but for the items misfit, whose answers come
    // from a difficulty 1.5 higher than the table gives; its estimates in
    // e.dat. The arguments that run it with the item fit.
    static std::string writeNamedTest(int items, int subjects, const std::set<int>& misfit)
    {
        std::ostringstream table, scores, estimates;
        table << "item,a,b\n";
        scores << "id";
        std::vector<double> difficulty;
        unsigned state = 7;
        const auto next = [&state] { return (state = state * 1103515245u + 12345u) >> 16 & 0x7fff; };
        for (int i = 1; i <= items; ++i) {
            difficulty.push_back((static_cast<int>(next() % 300) - 150) / 100.0);
            table << FormatText("item%03d,1,", i) << difficulty.back() << '\n';
            scores << FormatText(",item%03d", i);
        }
        scores << '\n';
        for (int j = 0; j < subjects; ++j) {
            const double theta = (static_cast<int>(next() % 6000) - 3000) / 1000.0;
            estimates << theta << '\n';
            scores << 's' << j;
            for (int i = 1; i <= items; ++i) {
                const double b = difficulty[static_cast<std::size_t>(i - 1)] + (misfit.count(i) ? 1.5 : 0.0);
                scores << ',' << (next() / 32768.0 < 1.0 / (1.0 + std::exp(-1.702 * (theta - b))));
            }
            scores << '\n';
        }
        write("items.csv", table.str());
        write("scores.csv", scores.str());
        write("e.dat", estimates.str());
        return "--model 2pl --parameters items.csv --scores scores.csv --id-column id --estimates e.dat --item-fit ";
    }
    // The text of one page of a PDF, as Ghostscript reads it.
    static std::string pdfPage(const std::string& path, int page)
    {
        std::string text = commandOutput(FormatText("gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=txtwrite "
                                                    "-dFirstPage=%d -dLastPage=%d -sOutputFile=- ",
                                                    page, page) +
                                         path);
        std::replace(text.begin(), text.end(), '\t', ' ');
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        return text;
    }
};

std::string fixed(const nlohmann::json& value) { return value.is_null() ? "\u2014" : FormatText("%.4f", value.get<double>()); }
std::string pText(const nlohmann::json& value)
{
    return value.is_null() ? PValueText(std::nullopt) : PValueText(value.get<double>());
}

// Every table of the page says what the JSON of the same run says, to the
// decimals it prints; the inputs are named with their sizes and digests;
// the page is one well-formed document with nothing to fetch or run.
TEST_F(ReportTest, ReadsBackAsTheJsonOfTheSameRun)
{
    copyExamples();
    ASSERT_EQ(run(run3pl + "--monte-carlo 40 --seed 7 --format json --report r.html"), 0) << read("stderr.txt");
    const nlohmann::json json = nlohmann::json::parse(read("stdout.txt"));
    const ReadPage page = readPage("r.html");
    ASSERT_TRUE(page.wellFormed) << page.error;
    for (const std::string& name : page.elements)
        EXPECT_TRUE(name != "script" && name != "img" && name != "link" && name != "iframe") << name;
    for (const std::string& name : page.attributes)
        EXPECT_TRUE(name != "href" && name != "src") << name;

    const Rows& statistics = page.tables.at("statistics");
    ASSERT_EQ(statistics.size(), 3u);
    EXPECT_EQ(statistics[0][1], fixed(json["chi_square"]));
    EXPECT_EQ(statistics[0][4], pText(json["monte_carlo"]["chi_square_p"]));
    EXPECT_EQ(statistics[1][1], fixed(json["pooled"]["chi_square"]));
    EXPECT_EQ(statistics[1][2], std::to_string(json["pooled"]["df"].get<int>()));
    EXPECT_EQ(statistics[1][3], pText(json["pooled"]["p"]));
    EXPECT_EQ(statistics[1][4], pText(json["monte_carlo"]["pooled_chi_square_p"]));
    EXPECT_EQ(statistics[2][1], fixed(json["pooled"]["likelihood_ratio"]));
    EXPECT_EQ(statistics[2][3], pText(json["pooled"]["likelihood_ratio_p"]));

    const Rows& scores = page.tables.at("scores");
    ASSERT_EQ(scores.size(), json["scores"].size());
    for (std::size_t k = 0; k < scores.size(); ++k) {
        const nlohmann::json& s = json["scores"][k];
        EXPECT_EQ(scores[k][0], std::to_string(s["score"].get<int>()));
        EXPECT_EQ(scores[k][1], FormatText("%.0f", s["observed"].get<double>()));
        EXPECT_EQ(scores[k][2], fixed(s["expected"]));
        EXPECT_EQ(scores[k][3], fixed(s["contribution"]));
        EXPECT_EQ(scores[k][4], fixed(s["residual"]));
    }

    // Items: number, name, S-X2, df, p, adjusted p, RMSEA, groups, simulated p, flag; flagged first.
    const Rows& items = page.tables.at("items");
    ASSERT_EQ(items.size(), json["items"].size());
    bool flaggedSoFar = true;
    for (std::size_t row = 0; row < items.size(); ++row) {
        const nlohmann::json& item = json["items"][std::stoul(items[row][0]) - 1];
        EXPECT_EQ(items[row][1], item["name"].get<std::string>());
        EXPECT_EQ(items[row][2], fixed(item["sx2"]));
        EXPECT_EQ(items[row][3], std::to_string(item["df"].get<int>()));
        EXPECT_EQ(items[row][4], pText(item["p"]));
        EXPECT_EQ(items[row][5], pText(item["p_adjusted"]));
        EXPECT_EQ(items[row][6], fixed(item["rmsea"]));
        EXPECT_EQ(items[row][7], std::to_string(item["groups"].get<int>()));
        EXPECT_EQ(items[row][8], pText(item["p_mc"]));
        EXPECT_EQ(items[row][9], item["flagged"].get<bool>() ? "*" : "");
        EXPECT_EQ(page.flaggedRows.at("items")[row], item["flagged"].get<bool>());
        EXPECT_TRUE(flaggedSoFar || !item["flagged"].get<bool>()) << "row " << row;
        flaggedSoFar = item["flagged"].get<bool>();
    }

    // Pairs: the 20 largest X2 in order, each as the JSON has it.
    std::vector<double> x2;
    for (const nlohmann::json& pair : json["pairs"])
        x2.push_back(pair["x2"].get<double>());
    std::sort(x2.rbegin(), x2.rend());
    const Rows& pairs = page.tables.at("pairs");
    ASSERT_EQ(pairs.size(), 20u);
    for (std::size_t row = 0; row < pairs.size(); ++row) {
        const int first = std::stoi(pairs[row][0]), second = std::stoi(pairs[row][1]);
        const auto pair = std::find_if(json["pairs"].begin(), json["pairs"].end(), [&](const nlohmann::json& p) {
            return p["first"] == first && p["second"] == second;
        });
        ASSERT_NE(pair, json["pairs"].end());
        EXPECT_EQ(pairs[row][2], (*pair)["first_name"].get<std::string>());
        EXPECT_EQ(pairs[row][4], fixed((*pair)["x2"]));
        EXPECT_EQ(pairs[row][4], FormatText("%.4f", x2[row]));
        EXPECT_EQ(pairs[row][6], pText((*pair)["p"]));
        EXPECT_EQ(pairs[row][7], pText((*pair)["p_adjusted"]));
        EXPECT_EQ(pairs[row][8], std::to_string((*pair)["sign"].get<int>()));
        EXPECT_EQ(pairs[row][9], fixed((*pair)["v"]));
        EXPECT_EQ(pairs[row][10], pText((*pair)["p_mc"]));
    }

    // Every input once, with what it gave, its size and its SHA-256.
    const Rows& inputs = page.tables.at("inputs");
    ASSERT_EQ(inputs.size(), 3u);
    EXPECT_EQ(inputs[0][0], "Discrimination, difficulty, C indices");
    EXPECT_EQ(inputs[0][1], "3pl-items.csv");
    EXPECT_EQ(inputs[1][1], "3pl-scores.csv");
    for (std::size_t row = 0; row < 2; ++row) {
        std::string bytes = inputs[row][2];
        bytes.erase(std::remove(bytes.begin(), bytes.end(), ','), bytes.end());
        EXPECT_EQ(commandOutput("stat -c %s " + inputs[row][1]), bytes + "\n");
        EXPECT_EQ(commandOutput("sha256sum " + inputs[row][1]).substr(0, 64), inputs[row][3]);
    }
    for (const char* said : {"What was run", "1,000", "seed 7", "40 data sets", "Benjamini and Hochberg", "The 20 largest X\u00B2",
                             "adjacent totals merged until every category expects at least 1 subject"})
        EXPECT_NE(page.text.find(said), std::string::npos) << said;
}

// The person fit's section: the counts and the chance line, the
// histogram, the 20 most misfitting subjects as the JSON of the same run
// has them (simulated p and flag included), and the answers of the six
// most misfitting charted; the page still one well-formed document. A run
// without the person fit has no such section.
TEST_F(ReportTest, PersonFitSectionReadsBackAsTheJson)
{
    copyExamples();
    ASSERT_EQ(run(run3pl + "--person-fit --person-monte-carlo 60 --seed 3 --format json --report r.html"), 0)
        << read("stderr.txt");
    const nlohmann::json json = nlohmann::json::parse(read("stdout.txt"))["persons"];
    const ReadPage page = readPage("r.html");
    ASSERT_TRUE(page.wellFormed) << page.error;
    const Rows& persons = page.tables.at("persons");
    ASSERT_EQ(persons.size(), 20u);
    ASSERT_EQ(json["rows"].size(), 20u);
    for (std::size_t row = 0; row < persons.size(); ++row) {
        const nlohmann::json& subject = json["rows"][row];
        // Rank, id, answered, total, theta, lz*, p, infit, outfit, simulated p, flag.
        ASSERT_EQ(persons[row].size(), 11u);
        EXPECT_EQ(persons[row][0], std::to_string(row + 1));
        EXPECT_EQ(persons[row][1], subject["id"].get<std::string>());
        EXPECT_EQ(persons[row][2], std::to_string(subject["answered"].get<int>()));
        EXPECT_EQ(persons[row][3], std::to_string(subject["total"].get<int>()));
        EXPECT_EQ(persons[row][4], fixed(subject["theta"]));
        EXPECT_EQ(persons[row][5], fixed(subject["lz_star"]));
        EXPECT_EQ(persons[row][6], pText(subject["p"]));
        EXPECT_EQ(persons[row][7], fixed(subject["infit"]));
        EXPECT_EQ(persons[row][8], fixed(subject["outfit"]));
        EXPECT_EQ(persons[row][9], pText(subject["p_mc"]));
        EXPECT_EQ(persons[row][10], subject["flagged"].get<bool>() ? "*" : "");
        EXPECT_EQ(page.flaggedRows.at("persons")[row], subject["flagged"].get<bool>());
    }
    const std::string first = json["rows"][0]["id"].get<std::string>();
    for (const std::string& said :
         {std::string("Person fit"), std::string("Subjects with figures: 1,000 of 1,000; without: none."),
          "Flagged (simulated p below 0.05): " + std::to_string(json["flagged"].get<int>()) + " of 1,000",
          std::string("Person fit: lz* of every subject"), std::string("5% point: -1.645"),
          std::string("Answers of the 6 most misfitting subjects"), "Subject " + first + ": \u03B8 = ",
          std::string("Items answered, easiest first"), std::string("by chance alone"),
          std::string("The 20 most misfitting subjects, lowest lz* first")})
        EXPECT_NE(page.text.find(said), std::string::npos) << said;

    ASSERT_EQ(run(run3pl + "--quiet --report plain.html"), 0) << read("stderr.txt");
    const ReadPage plain = readPage("plain.html");
    ASSERT_TRUE(plain.wellFormed) << plain.error;
    EXPECT_EQ(plain.tables.count("persons"), 0u);
    EXPECT_EQ(plain.text.find("Person fit"), std::string::npos);
}

// eap's lz has no correction and no p: the section says so and draws no
// cut-off; the PDF holds the section too.
TEST_F(ReportTest, PersonFitOfEapAndInThePdf)
{
    copyExamples();
    ASSERT_EQ(run(run3pl + "--person-fit --theta-estimator eap --quiet --report r.html"), 0) << read("stderr.txt");
    const ReadPage page = readPage("r.html");
    ASSERT_TRUE(page.wellFormed) << page.error;
    for (const char* said : {"Person fit: lz of every subject", "No p-values: eap has no correction",
                             "The 20 most misfitting subjects, lowest lz first"})
        EXPECT_NE(page.text.find(said), std::string::npos) << said;
    EXPECT_EQ(page.text.find("5% point"), std::string::npos);
    ASSERT_EQ(page.tables.at("persons").size(), 20u);
    EXPECT_EQ(page.tables.at("persons")[0].size(), 10u);  // no simulated p

    ASSERT_EQ(run(run3pl + "--person-fit --quiet --report r.pdf"), 0) << read("stderr.txt");
    if (commandOutput("command -v gs").empty())
        GTEST_SKIP() << "Ghostscript (gs) is not installed";
    std::string text = commandOutput("gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=txtwrite -sOutputFile=- r.pdf");
    std::replace(text.begin(), text.end(), '\t', ' ');
    for (const char* said : {"Person fit", "most misfitting subjects", "Items answered, easiest first"})
        EXPECT_NE(text.find(said), std::string::npos) << said;
}

// Item names come from users' tables: a name that is markup is shown as
// text, in the tables and in the charts alike.
TEST_F(ReportTest, ItemNamesAreTextNotMarkup)
{
    copyExamples();
    const std::string name = "<script>alert(\"q01\" & 'x')</script>";
    const std::string quoted = "\"<script>alert(\"\"q01\"\" & 'x')</script>\"";
    for (const char* file : {"3pl-items.csv", "3pl-scores.csv"}) {
        std::string text = read(file);
        text.replace(text.find("q01"), 3, quoted);
        write(file, text);
    }
    ASSERT_EQ(run(run3pl + "--quiet --report r.html"), 0) << read("stderr.txt");
    const std::string html = read("r.html");
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_NE(html.find("&lt;script&gt;alert(&quot;q01&quot; &amp; &#39;x&#39;)&lt;/script&gt;"), std::string::npos);
    const ReadPage page = readPage("r.html");
    ASSERT_TRUE(page.wellFormed) << page.error;
    const Rows& items = page.tables.at("items");
    const auto first = std::find_if(items.begin(), items.end(), [](const auto& row) { return row[0] == "1"; });
    ASSERT_NE(first, items.end());
    EXPECT_EQ((*first)[1], name);
    EXPECT_NE(page.text.find(name), std::string::npos);  // an item chart's title
}

// The PDF holds the same report as text; a report that cannot be written
// fails the run and leaves the earlier reports and no part of itself.
TEST_F(ReportTest, PdfAndFailures)
{
    copyExamples();
    ASSERT_EQ(run(run3pl + "--quiet --report R.PDF"), 0) << read("stderr.txt");
    const std::string pdf = read("R.PDF");
    ASSERT_EQ(pdf.rfind("%PDF-", 0), 0u);
    if (commandOutput("command -v gs").empty())
        GTEST_SKIP() << "Ghostscript (gs) is not installed";
    std::string text = commandOutput("gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=txtwrite -sOutputFile=- R.PDF");
    std::replace(text.begin(), text.end(), '\t', ' ');
    for (const char* said : {"TALVER report: 3 parameters, binary items", "What was run", "3pl-scores.csv",
                             "Test-level fit", "Pooled Pearson chi-square", "Item fit", "q20", "Local dependence",
                             "The 20 largest X", "What the statistics mean", "Total score", "Signed V", "Page 2"})
        EXPECT_NE(text.find(said), std::string::npos) << said;

    const std::string out = read("OUT");
    for (const char* bad : {"no/such/folder/r.html", "no/such/folder/r.pdf"}) {
        EXPECT_EQ(run(run3pl + "--quiet --report " + bad), 73) << bad;
        EXPECT_EQ(read("stderr.txt"), std::string("talver-fit: cannot write the report '") + bad + "'\n");
    }
    EXPECT_EQ(run(run3pl + "--quiet --report r.txt"), 64);
    EXPECT_EQ(read("OUT"), out);
    for (const auto& entry : std::filesystem::directory_iterator("."))
        EXPECT_NE(entry.path().extension(), ".part") << entry.path();
}

// Flagged items move to the top of the item table, and each row's
// simulated p is still its own item's: 55, 70 and 100 flagged here, first.
TEST_F(ReportTest, SimulatedPValuesStayWithTheirItemsWhenFlaggedOnesMoveFirst)
{
    const std::string named = writeNamedTest(120, 1500, {70, 100});
    ASSERT_EQ(run(named + "--monte-carlo 99 --seed 5 --format json --report r.html"), 0) << read("stderr.txt");
    const nlohmann::json json = nlohmann::json::parse(read("stdout.txt"));
    const ReadPage page = readPage("r.html");
    ASSERT_TRUE(page.wellFormed) << page.error;
    const Rows& items = page.tables.at("items");
    ASSERT_EQ(items.size(), 120u);
    ASSERT_EQ(items[0].size(), 10u);  // number, name, ..., simulated p, flag
    EXPECT_EQ(items[0][0], "55");
    EXPECT_EQ(items[1][0], "70");
    EXPECT_EQ(items[2][0], "100");
    EXPECT_EQ(items[3][0], "1");
    std::set<std::string> distinct;
    for (std::size_t row = 0; row < items.size(); ++row) {
        const nlohmann::json& item = json["items"][std::stoul(items[row][0]) - 1];
        EXPECT_EQ(items[row][1], item["name"].get<std::string>()) << "row " << row;
        EXPECT_EQ(items[row][8], pText(item["p_mc"])) << "row " << row << ", item " << items[row][0];
        EXPECT_EQ(items[row][9], item["flagged"].get<bool>() ? "*" : "") << "row " << row;
        distinct.insert(items[row][8]);
    }
    EXPECT_GT(distinct.size(), 40u);  // a p in the wrong row shows
}

// A table longer than a page has its header again at the top of every
// page it runs onto: the scores' and the items' of a 120-item test.
TEST_F(ReportTest, PdfTablesRepeatTheirHeaderOnEveryPage)
{
    const std::string named = writeNamedTest(120, 1500, {70, 100});
    ASSERT_EQ(run(named + "--quiet --report r.pdf"), 0) << read("stderr.txt");
    if (commandOutput("command -v gs").empty())
        GTEST_SKIP() << "Ghostscript (gs) is not installed";
    const struct {
        const char* table;
        std::regex header, row;
    } tables[] = {
        {"scores", std::regex("^ *Score +Observed +Expected "),
         std::regex("^ *\\d+ +\\d+ +\\d+\\.\\d{4} +\\d+\\.\\d{4} +-?\\d+\\.\\d{4} +\\d+ *$")},
        {"items", std::regex("^ *Item +Name +S-X.* +Groups +Flagged$"), std::regex("^ *\\d+ +item\\d{3} ")},
    };
    // Each page's text, till the page after the last, which has no footer.
    std::vector<std::string> pages;
    for (int number = 1; number < 40; ++number) {
        pages.push_back(pdfPage("r.pdf", number));
        if (pages.back().find(FormatText("Page %d", number)) == std::string::npos)
            break;
    }
    for (const auto& t : tables) {
        int spanned = 0, rows = 0;
        for (std::size_t number = 1; number <= pages.size(); ++number) {
            std::istringstream lines(pages[number - 1]);
            bool header = false, any = false;
            for (std::string line; std::getline(lines, line);) {
                if (std::regex_search(line, t.header))
                    header = true;
                else if (std::regex_search(line, t.row)) {
                    EXPECT_TRUE(header) << t.table << ", page " << number << ": a row before the header: " << line;
                    any = true;
                    ++rows;
                    if (!header)
                        break;
                }
            }
            spanned += any;
        }
        EXPECT_EQ(rows, t.table == std::string("scores") ? 121 : 120) << t.table;
        EXPECT_GE(spanned, 2) << t.table << ": fits one page, and tells nothing";
    }
}

}  // namespace
