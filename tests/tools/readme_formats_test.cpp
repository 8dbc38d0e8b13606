// README.md's table of formats says what `velmora formats` says, and both
// say what the format table does. When a codec reads or writes more, change
// its row in environment/format_table.cpp and the same row of README.md's
// table (section "Formats") together.
#include <sstream>
#include <string>
#include <vector>

#include "tools/convert_request.h"
#include "tools/tool_fixture.h"
#include "velmora/formats.h"

namespace {

using namespace vtool;

struct Row {
    std::string name, reads, writes;
    bool operator==(const Row& o) const { return name == o.name && reads == o.reads && writes == o.writes; }
};

std::string Trim(const std::string& s) {
    const size_t a = s.find_first_not_of(' '), b = s.find_last_not_of(' ');
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// "| BMP | reads | writes |" rows of the table after "## Formats".
std::vector<Row> ReadmeRows() {
    const std::vector<unsigned char> bytes = vtest::ReadAll(std::string(VELMORA_TEST_DATA_DIR) + "/../../README.md");
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    std::vector<Row> rows;
    bool inSection = false;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("## ", 0) == 0) inSection = line == "## Formats";
        if (!inSection || line.rfind("| ", 0) != 0 || line.rfind("| Format ", 0) == 0) continue;
        std::vector<std::string> cells;
        for (size_t at = 1, bar; (bar = line.find(" |", at)) != std::string::npos; at = bar + 2)
            cells.push_back(Trim(line.substr(at, bar - at)));
        if (cells.size() == 3) rows.push_back({cells[0], cells[1], cells[2]});
    }
    return rows;
}

// "  BMP   reads:  ...\n        writes: ...\n" from `velmora formats`.
std::vector<Row> ToolRows(const std::string& out) {
    std::istringstream in(out.substr(out.find("What each format reads and writes:")));
    std::vector<Row> rows;
    std::string line;
    std::getline(in, line);
    for (std::string reads, writes; std::getline(in, reads) && std::getline(in, writes);) {
        const size_t r = reads.find("reads:  "), w = writes.find("writes: ");
        if (r == std::string::npos || w == std::string::npos) break;
        rows.push_back({Trim(reads.substr(0, r)), reads.substr(r + 8), writes.substr(w + 8)});
    }
    return rows;
}

TEST_F(Tool, ReadmeTableOfFormatsSaysWhatTheToolSays) {
    const Outcome o = Run("formats");
    ASSERT_EQ(o.status, 0);
    const std::vector<Row> tool = ToolRows(o.out), readme = ReadmeRows();
    ASSERT_EQ(tool.size(), static_cast<size_t>(velmora::FileFormatCount())) << o.out;
    for (int code = 0; code < velmora::FileFormatCount(); ++code) {
        const velmora::FileFormat& row = velmora::FileFormats()[code];
        EXPECT_TRUE(tool[code] == (Row{row.name, row.reads, row.writes})) << row.name;
        // The names the tool takes are the row's.
        EXPECT_EQ(velmora::cli::ParseFormat(row.extension), code);
        if (*row.alias) {
            EXPECT_EQ(velmora::cli::ParseFormat(row.alias), code);
        }
        EXPECT_EQ(velmora::cli::ParseFormat(std::to_string(code)), code);
        EXPECT_EQ(velmora::cli::ParseFormat(velmora::cli::FormatExtension(code)), code);
    }
    std::string expected;
    for (const Row& r : tool) expected += "| " + r.name + " | " + r.reads + " | " + r.writes + " |\n";
    EXPECT_TRUE(readme == tool) << "README.md's table of formats differs from `velmora formats`; its rows should be:\n"
                                << expected;
}

}  // namespace
