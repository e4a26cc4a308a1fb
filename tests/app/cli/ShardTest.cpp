#include "app/cli/Shard.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace zarta;

namespace {

// The shares of one list taken by N runs hold every path exactly once, with shares of about
// equal size, however the list is ordered.
TEST(Shard, SharesPartitionAListEvenly) {
    std::vector<std::string> paths;
    for (int i = 0; i < 3000; ++i) {
        paths.push_back("/archive/" + std::to_string(i / 100) + "/report " + std::to_string(i) +
                        ".docx");
    }
    for (const int count : {1, 2, 3, 7}) {
        std::vector<int> taken(paths.size(), 0);
        for (int k = 1; k <= count; ++k) {
            const auto shard = Shard::parse(std::to_string(k) + "/" + std::to_string(count));
            ASSERT_TRUE(shard);
            int share = 0;
            for (size_t i = 0; i < paths.size(); ++i) {
                if (shard->takes(paths[i])) {
                    ++taken[i];
                    ++share;
                }
            }
            const int even = static_cast<int>(paths.size()) / count;
            EXPECT_NEAR(share, even, even / 5 + 5) << k << "/" << count;
        }
        for (size_t i = 0; i < paths.size(); ++i) {
            ASSERT_EQ(taken[i], 1) << paths[i] << " in " << count << " shares";
        }
    }
}

// The share of a path must be the same on every machine and in every release: the hash is
// 64-bit FNV-1a of the bytes, with these known values.
TEST(Shard, HashIsFnv1a) {
    EXPECT_EQ(Shard::hash(""), 14695981039346656037ull);
    EXPECT_EQ(Shard::hash("a"), 0xaf63dc4c8601ec8cull);
    EXPECT_EQ(Shard::hash("foobar"), 0x85944171f73967e8ull);
}

} // namespace
