// Table-driven checks: rows of {result, expected}.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <utility>

namespace vtest {

// Checks every row, naming the row that differs.
template <typename Result, typename Expected, size_t N>
void ExpectRows(const std::pair<Result, Expected> (&rows)[N]) {
    for (size_t i = 0; i < N; ++i)
        EXPECT_EQ(rows[i].first, rows[i].second) << "row " << i << " should be " << rows[i].second;
}

}  // namespace vtest
