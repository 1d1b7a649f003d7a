// carve-corpus-score [--category CAT] [--explain] [CORPUS-FOLDER]: carves every database of the
// SQLite Forensic Corpus's deleted and overwritten categories (0A to 0E) for the tables its
// answer key names, and prints per category the databases, the rows the keys say a tool should
// bring back, the deleted rows the carver reported, how many of those were expected rows, the
// recall and precision that makes, and the live rows it reported as deleted. --explain lists
// each database's missed rows and false positives on standard error. The corpus is the
// repository's own unless a folder is named. Exits 0, 1 when the corpus cannot be read, 2 for
// options it does not take.
#include "CorpusScore.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

// A share to three places; "-" where there is nothing to divide.
std::string ratio(int whole, double value) {
    if (!whole) return "-";
    char text[16];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

void printRow(const char* category, const corpusscore::Tally& t) {
    std::printf("%-8s %9d %8d %6d %7d %6s %9s %15d\n", category, t.databases, t.expected, t.carved, t.matched,
                ratio(t.expected, t.recall()).c_str(), ratio(t.carved, t.precision()).c_str(), t.liveAsDeleted);
}

}  // namespace

int main(int argc, char** argv) {
    std::string folder = QM_FORENSIC_CORPUS, only;
    bool explain = false, usage = false, folderGiven = false;
    for (int i = 1; i < argc && !usage; ++i) {
        const std::string arg = argv[i];
        if (arg == "--explain")
            explain = true;
        else if (arg == "--category" && i + 1 < argc)
            only = argv[++i];
        else if (arg.rfind("--", 0) != 0 && !folderGiven)
            folder = arg, folderGiven = true;
        else
            usage = true;
    }
    const auto& categories = corpusscore::scoredCategories();
    if (!only.empty() && std::find(categories.begin(), categories.end(), only) == categories.end()) usage = true;
    if (usage) {
        std::fprintf(stderr, "usage: carve-corpus-score [--category 0A|0B|0C|0D|0E] [--explain] [CORPUS-FOLDER]\n");
        return 2;
    }
    std::string error;
    const std::optional<corpusscore::CorpusScore> score = corpusscore::scoreCorpus(folder, only, error);
    if (!score) {
        std::fprintf(stderr, "carve-corpus-score: %s\n", error.c_str());
        return 1;
    }
    std::printf("%-8s %9s %8s %6s %7s %6s %9s %15s\n", "category", "databases", "expected", "carved", "matched",
                "recall", "precision", "live-as-deleted");
    for (const corpusscore::CategoryScore& c : score->categories) printRow(c.category.c_str(), c.tally);
    if (score->categories.size() > 1) printRow("all", score->total);
    if (explain)
        for (const corpusscore::DatabaseScore& d : score->databases) {
            std::fprintf(stderr, "%s: %d expected, %d carved, %d matched, %d live rows reported as deleted\n",
                         d.name.c_str(), d.tally.expected, d.tally.carved, d.tally.matched, d.tally.liveAsDeleted);
            for (const std::string& line : d.misses) std::fprintf(stderr, "  missed %s\n", line.c_str());
            for (const std::string& line : d.falsePositives)
                std::fprintf(stderr, "  false positive %s\n", line.c_str());
            for (const std::string& line : d.notes) std::fprintf(stderr, "  note: %s\n", line.c_str());
        }
    return 0;
}
