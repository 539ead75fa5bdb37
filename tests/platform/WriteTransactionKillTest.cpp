// A save killed at any instant is, after the next start, wholly the old one or wholly the new
// one: every file, folder, attribute and key of it. QUENLIX_KILLS sets the number of random kills
// (50 by default; the kill-test script runs thousands).

#include "KillLoop.h"
#include "SaveGenerations.h"

#include "platform/System.h"
#include "platform/WriteJournal.h"
#include "platform/WriteTransaction.h"
#include "support/TestSystem.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <random>

using namespace platform;
using namespace platform_test;
using testing_support::TTestSystem;

namespace {

int KillCount() {
    const char* text = std::getenv("QUENLIX_KILLS");
    const int kills = text == nullptr ? 0 : std::atoi(text);
    return kills > 0 ? kills : 50;
}

void CommitGeneration(int generation, std::size_t prefsSize) {
    TWriteTransaction transaction;
    SaveGeneration(generation, prefsSize);
    transaction.Commit();
}

} // namespace

TEST(WriteTransactionKill, ACommitKilledAfterAnyOfItsStepsIsWholeAfterTheNextStart) {
    TTestSystem sys;
    WriteGenerationZero();
    int generation = 0;
    bool sawOld = false;
    bool sawNew = false;
    TChildEnd end = TChildEnd::Killed;
    for (int step = 1; end == TChildEnd::Killed; ++step) {
        ASSERT_LT(step, 500) << "the commit never ended";
        end = RunInChild([&] {
            detail::KillAtCommitStepForTesting(step);
            CommitGeneration(generation + 1, 0);
        });
        ASSERT_NE(end, TChildEnd::Failed) << "step " << step;
        InstallSystem(sys.Root());
        std::string mix;
        const int now = WholeGeneration(&mix);
        ASSERT_TRUE(now == generation || now == generation + 1) << "step " << step << ": " << mix;
        EXPECT_EQ(Leftovers(sys.Root()), std::vector<std::string>{}) << "step " << step;
        // Killed before the commit point: old; after it: new, for every later step too.
        EXPECT_FALSE(sawNew && now == generation) << "step " << step;
        sawOld = sawOld || now == generation;
        sawNew = sawNew || now == generation + 1;
        generation = now;
    }
    EXPECT_TRUE(sawOld);
    EXPECT_TRUE(sawNew);
}

TEST(WriteTransactionKill, SavesKilledAtRandomMomentsLeaveOneWholeGeneration) {
    TTestSystem sys;
    WriteGenerationZero();
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    // A commit takes some tens of milliseconds, most of it waiting for the disk: the kills fall
    // into every phase of the first few commits.
    std::uniform_int_distribution<int> delay(0, 250000);
    int generation = 0;
    for (int kill = 0; kill < KillCount(); ++kill) {
        const int from = generation;
        const TChildEnd end = KillInChildAfter(std::chrono::microseconds(delay(random)), [from] {
            for (int next = from + 1;; ++next) {
                CommitGeneration(next, 64 * 1024);
            }
        });
        ASSERT_EQ(end, TChildEnd::Killed) << "seed " << seed;
        InstallSystem(sys.Root());
        std::string mix;
        const int now = WholeGeneration(&mix);
        ASSERT_GE(now, from) << "kill " << kill << ", seed " << seed << ": " << mix;
        ASSERT_EQ(Leftovers(sys.Root()), std::vector<std::string>{}) << "seed " << seed;
        generation = now;
    }
    RecordProperty("generations", generation);
    std::cout << "generations saved between " << KillCount() << " kills: " << generation << "\n";
}
