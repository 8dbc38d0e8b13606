// The format table drops only formats whose codec is not built, so the
// table-driven tests cover every codec there is.
#include <gtest/gtest.h>

#include "environment/texts.h"
#include "tests/hygiene/format_table.h"

namespace {

TEST(FormatTable, EveryFormatIsBuiltOrRefusedAsUnsupported) {
    vtest::TempDir dir;
    const std::vector<vtest::BuiltFormat> built = vtest::BuiltFormats(dir, 40, 30);
    for (const vtest::Format& f : vtest::AllFormats()) {
        bool found = false;
        for (const vtest::BuiltFormat& b : built) found = found || b.format.ext == f.ext;
        if (found) continue;
        CNewDIB dib(4, 4, 8);
        EXPECT_EQ(dib.SaveFile(dir.file(std::string("x.") + f.ext).c_str(), -1, 0), 0) << f.ext;
        EXPECT_EQ(dib.GetLastErrorText(), velmora::text::kUnsupportedFormat) << f.ext;
    }
    std::string names;
    for (const vtest::BuiltFormat& b : built) names += std::string(b.format.ext) + " ";
    RecordProperty("built", names);
    EXPECT_GE(built.size(), 4u) << names;
}

}  // namespace
