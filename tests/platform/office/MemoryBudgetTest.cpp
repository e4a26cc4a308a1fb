#include "platform/office/MemoryBudget.h"

#include <gtest/gtest.h>

#include <unistd.h>

using zarta::MemoryBudget;

namespace {

constexpr std::uint64_t MB = std::uint64_t{1} << 20;

TEST(MemoryBudgetTest, TheOfficeHoldingTheMostOfAnOverdrawnBudgetIsTheOneStopped) {
    struct Case {
        const char* name;
        std::vector<std::pair<pid_t, std::uint64_t>> residents;
        std::uint64_t budget;
        pid_t asking;
        bool overdrawn;
    };
    const Case cases[] = {
        {"one office within", {{10, 900 * MB}}, 1000 * MB, 10, false},
        {"one office past it", {{10, 1100 * MB}}, 1000 * MB, 10, true},
        // Limits per office would have let each of these through.
        {"three offices past it together, asked by the largest",
         {{10, 250 * MB}, {11, 600 * MB}, {12, 300 * MB}},
         1000 * MB,
         11,
         true},
        {"the same asked by a smaller one",
         {{10, 250 * MB}, {11, 600 * MB}, {12, 300 * MB}},
         1000 * MB,
         10,
         false},
        {"an office not entered", {{10, 2000 * MB}}, 1000 * MB, 99, false},
        {"sixteen ordinary offices within",
         std::vector<std::pair<pid_t, std::uint64_t>>(16, {10, 250 * MB}), 4096 * MB, 10, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MemoryBudget::overdrawnBy(c.asking, c.residents, c.budget), c.overdrawn)
            << c.name;
    }
}

TEST(MemoryBudgetTest, TheRunsBudgetLeavesAQuarterOfTheAvailableMemory) {
    EXPECT_EQ(MemoryBudget::bytesFor(16384 * MB), 12288 * MB);
    EXPECT_EQ(MemoryBudget::bytesFor(std::nullopt), ~std::uint64_t{0});
    EXPECT_EQ(MemoryBudget::forThisRun(), MemoryBudget::forThisRun()) << "one for all offices";
}

TEST(MemoryBudgetTest, AnOfficeCountsWhileItsEntryLives) {
    const auto budget = std::make_shared<MemoryBudget>(1);
    EXPECT_FALSE(budget->overdrawnBy(::getpid()));
    {
        const MemoryBudget::Entry entry = MemoryBudget::enter(budget, ::getpid());
        EXPECT_TRUE(budget->overdrawnBy(::getpid()));
        MemoryBudget::Entry moved = MemoryBudget::enter(budget, ::getppid());
        moved = MemoryBudget::Entry();
    }
    EXPECT_FALSE(budget->overdrawnBy(::getpid()));
}

} // namespace
