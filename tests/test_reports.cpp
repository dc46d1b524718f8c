// The report numbers the game and the screens send to the dispatcher: each
// one names a single event, and every sender and the receiver take it from
// the one header, so changing a number cannot split them apart.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "game/reports.h"

namespace fs = std::filesystem;

namespace {

std::string readSource(const fs::path& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Name and number of every entry of the header's enum.
std::map<std::string, int> reportEntries() {
    const std::string header = readSource(fs::path(VM_SOURCE_DIR) / "src/game/reports.h");
    std::map<std::string, int> entries;
    const std::regex entry(R"((\w+)\s*=\s*(\d+)\s*,)");
    for (auto it = std::sregex_iterator(header.begin(), header.end(), entry); it != std::sregex_iterator(); ++it) {
        const bool fresh = entries.emplace((*it)[1].str(), std::stoi((*it)[2].str())).second;
        EXPECT_TRUE(fresh) << "named twice: " << (*it)[1].str();
    }
    return entries;
}

std::vector<fs::path> gameSources() {
    std::vector<fs::path> files;
    for (const auto& e : fs::recursive_directory_iterator(fs::path(VM_SOURCE_DIR) / "src")) {
        const auto ext = e.path().extension();
        if (e.is_regular_file() && (ext == ".cpp" || ext == ".h") && e.path().filename() != "reports.h")
            files.push_back(e.path());
    }
    return files;
}

}  // namespace

TEST(ReportNumbers, EachReportHasItsOwnNumber) {
    const auto entries = reportEntries();
    ASSERT_GE(entries.size(), 10u) << "the header's entries were not read";
    std::map<int, std::string> byNumber;
    for (const auto& [name, number] : entries) {
        const auto [it, fresh] = byNumber.emplace(number, name);
        EXPECT_TRUE(fresh) << name << " and " << it->second << " share " << number;
    }
    // The header read is the header compiled: a report the code names has
    // the number found above.
    EXPECT_EQ(entries.at("Play"), report::Play);
    EXPECT_EQ(entries.at("Exit"), report::Exit);
    EXPECT_EQ(entries.at("GameEnded"), report::GameEnded);
}

TEST(ReportNumbers, SendersAndTheDispatcherUseTheNamesNotTheNumbers) {
    const auto entries = reportEntries();
    ASSERT_FALSE(entries.empty());
    std::set<int> numbers;
    for (const auto& [name, number] : entries) numbers.insert(number);

    // Places where a report number would be spelled out: sending one,
    // comparing the message, a case label, a message constant.
    const std::regex spelled(
        R"((?:notifyOwner|onNotify|notify)\s*\([^;{]*?\b(\d{3,})\b|\bmsg\s*[!=]=\s*(\d+)|\bcase\s+(\d+)\s*:|\bk\w*Msg\w*\s*=\s*(\d+))");
    std::set<std::string> named;
    const std::regex use(R"(report::(\w+))");
    for (const fs::path& file : gameSources()) {
        const std::string text = readSource(file);
        for (auto it = std::sregex_iterator(text.begin(), text.end(), spelled); it != std::sregex_iterator(); ++it) {
            for (size_t group = 1; group < it->size(); ++group) {
                if (!(*it)[group].matched) continue;
                const int n = std::stoi((*it)[group].str());
                EXPECT_FALSE(numbers.count(n)) << file.lexically_relative(VM_SOURCE_DIR).string() << " spells out "
                                               << n << " in \"" << it->str() << "\"";
            }
        }
        for (auto it = std::sregex_iterator(text.begin(), text.end(), use); it != std::sregex_iterator(); ++it)
            named.insert((*it)[1].str());
    }
    // Every report is named somewhere besides its definition, and nothing
    // names one the header lacks.
    for (const auto& [name, number] : entries) EXPECT_TRUE(named.count(name)) << name << " is never used";
    for (const std::string& name : named) EXPECT_TRUE(entries.count(name)) << "report::" << name;
}
