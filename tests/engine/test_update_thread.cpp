#include "common/fixed_text.h"
#include "tests/engine/engine_root.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Records the steps a refresh ran; a step can be held until the refresh is told to stop.
struct StepLog {
    std::mutex m;
    std::condition_variable cv;
    std::vector<uint32_t> ran;
    bool holdConcerts = false;
    bool concertsEntered = false;
    bool sawRestarting = false;
    int failBit = 0;

    int step(CalGetData& engine, uint32_t bit) {
        std::unique_lock<std::mutex> lock(m);
        ran.push_back(bit);
        if (bit == kUpdateConcerts && holdConcerts) {
            holdConcerts = false;
            concertsEntered = true;
            cv.notify_all();
            lock.unlock();
            // The step polls as a real one does until a newer refresh asks it to stop.
            while (!engine.stopRequested())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            const bool restarting = engine.root->state.getRestartingSearch();
            lock.lock();
            sawRestarting = restarting;
            return 1;
        }
        return static_cast<int>(bit) == failBit ? 1 : 0;
    }
    void waitForConcerts() {
        std::unique_lock<std::mutex> lock(m);
        cv.wait(lock, [&] { return concertsEntered; });
    }
    std::vector<uint32_t> steps() {
        std::lock_guard<std::mutex> lock(m);
        return ran;
    }
};

class UpdateThread : public ::testing::Test {
  protected:
    TempHome home;
    std::unique_ptr<EngineRoot> root;
    StepLog log;

    void SetUp() override {
        root = std::make_unique<EngineRoot>();
        root->engine.stepHookForTesting = [this](uint32_t bit) { return log.step(root->engine, bit); };
    }
    void TearDown() override { root->engine.shutDown(); }

    void finish() {
        if (root->engine.updateThreadHandle.joinable()) root->engine.updateThreadHandle.join();
    }
    void samePlace() {
        ProtectedData& st = root->state;
        st.setCurCity("boston");
        st.setCurCityDisplay("  Boston ");
        st.setCurState("Massachusetts");
        st.setCurStateDisplay("massachusetts ");
        st.setCurSearchRadius(75);
        st.setCurSearchRadiusDisplay("75");
    }
    std::string prefPath() {
        char path[1024];
        root->state.getVoxtrailPref(path);
        return path;
    }
};

} // namespace

TEST_F(UpdateThread, AnUnchangedPlaceStartsNothingUntilTheWeekIsDue) {
    samePlace();
    root->engine.nextUpdateTime = 0;
    root->engine.suggestUpdateShowList(kUpdateAll, false);
    EXPECT_FALSE(root->engine.updateThreadHandle.joinable());

    const int32_t now = static_cast<int32_t>(std::time(nullptr));
    root->engine.nextUpdateTime = now - 10;
    root->engine.suggestUpdateShowList(kUpdateAll, false);
    finish();
    EXPECT_GE(root->engine.nextUpdateTime.load(), now + 604800);
    EXPECT_EQ(log.steps(), (std::vector<uint32_t>{2, 4, 8, 16, 32}));

    // A changed radius is a changed place.
    root->state.setCurSearchRadiusDisplay("100");
    root->engine.suggestUpdateShowList(kUpdateConcerts, false);
    finish();
    EXPECT_EQ(log.steps().size(), 6u);
}

TEST_F(UpdateThread, AForcedSuggestionStopsTheRunningRefreshAndStartsTheNext) {
    log.holdConcerts = true;
    root->engine.suggestUpdateShowList(kUpdateConcerts | kUpdateAlbums, true);
    log.waitForConcerts();
    root->engine.suggestUpdateShowList(kUpdateShared, true);
    finish();
    // The stopped refresh ran no later step; the new one ran only its own.
    EXPECT_EQ(log.steps(), (std::vector<uint32_t>{2, 16}));
    EXPECT_TRUE(log.sawRestarting);
    EXPECT_FALSE(root->state.getRestartingSearch());
    EXPECT_FALSE(root->state.getUpdatingConcerts());
}

TEST_F(UpdateThread, AFailedStepEndsTheRefreshWithoutSaving) {
    std::filesystem::remove(prefPath());
    log.failBit = kUpdateConcerts;
    root->state.setUpdatingConcerts(true);
    root->engine.suggestUpdateShowList(kUpdateAll, true);
    finish();
    EXPECT_EQ(log.steps(), (std::vector<uint32_t>{2}));
    EXPECT_FALSE(root->state.getUpdatingConcerts());
    EXPECT_FALSE(std::filesystem::exists(prefPath()));
}

TEST_F(UpdateThread, AStepThatThrowsEndsTheRefreshAsFailedAndTheThreadReturns) {
    std::filesystem::remove(prefPath());
    root->state.setUpdatingAlbums(true);
    root->engine.stepHookForTesting = [this](uint32_t bit) {
        log.step(root->engine, bit);
        if (bit == kUpdateAlbums) throw std::runtime_error("library vanished");
        return 0;
    };
    ::testing::internal::CaptureStderr();
    root->engine.suggestUpdateShowList(kUpdateAll, true);
    finish();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Voxtrail: update thread: library vanished\n");
    EXPECT_EQ(log.steps(), (std::vector<uint32_t>{2, 4}));
    EXPECT_FALSE(root->state.getUpdatingAlbums());
    EXPECT_FALSE(std::filesystem::exists(prefPath()));

    // The engine is not left half-way: the next refresh runs and saves.
    root->engine.suggestUpdateShowList(kUpdateShared, true);
    finish();
    EXPECT_TRUE(std::filesystem::exists(prefPath()));
}

TEST_F(UpdateThread, SharingAloneRunsOnlyItsStepAndSaves) {
    std::filesystem::remove(prefPath());
    root->engine.suggestUpdateShowList(kUpdateShared, true);
    finish();
    EXPECT_EQ(log.steps(), (std::vector<uint32_t>{16}));
    EXPECT_TRUE(std::filesystem::exists(prefPath()));
}

TEST_F(UpdateThread, AFailedPhoneSyncStillSaves) {
    std::filesystem::remove(prefPath());
    log.failBit = kUpdateiPhone;
    root->state.setUpdatingiPhone(true);
    root->engine.suggestUpdateShowList(kUpdateiPhone | kUpdateShared, true);
    finish();
    EXPECT_FALSE(root->state.getUpdatingiPhone());
    EXPECT_TRUE(std::filesystem::exists(prefPath()));
}

TEST_F(UpdateThread, ShutdownStopsAndJoinsTheRunningRefresh) {
    log.holdConcerts = true;
    root->engine.suggestUpdateShowList(kUpdateAll, true);
    log.waitForConcerts();
    root->engine.shutDown();
    EXPECT_FALSE(root->engine.updateThreadHandle.joinable());
    EXPECT_EQ(log.steps(), (std::vector<uint32_t>{2}));
    EXPECT_TRUE(root->state.getShutingDown());
}

TEST_F(UpdateThread, AShownPaneLeavesARefreshOfTheSamePlaceRunning) {
    // A fresh start: nothing searched ("-"), nothing typed; the first refresh is locating.
    log.holdConcerts = true;
    root->engine.suggestUpdateShowList(kUpdateAll, false);
    log.waitForConcerts();
    root->engine.suggestUpdateShowList(kUpdateAll, false);
    root->engine.suggestUpdateShowList(kUpdateConcerts, false);
    EXPECT_EQ(log.steps(), (std::vector<uint32_t>{2})) << "not started over";
    EXPECT_FALSE(root->engine.stopRequested());

    // A place typed meanwhile is another request: the running refresh gives way to it.
    root->state.setCurCityDisplay("Chicago");
    root->engine.suggestUpdateShowList(kUpdateAll, false);
    finish();
    EXPECT_EQ(log.steps(), (std::vector<uint32_t>{2, 2, 4, 8, 16, 32}));
    EXPECT_TRUE(log.sawRestarting);
}

TEST_F(UpdateThread, TheIpLookUpIsKeptUntilItFindsAPlaceAndATypedPlaceEndsIt) {
    root->engine.stepHookForTesting = nullptr;
    vx::copyText(root->engine.web.services.ipLocationHost, "127.0.0.1:1");
    vx::copyText(root->engine.web.services.webServiceHost, "127.0.0.1:1");
    root->engine.useIpLocation = true;
    EXPECT_EQ(root->engine.UpdateConcerts(), 1);
    EXPECT_TRUE(root->engine.useIpLocation) << "the next refresh locates again";
    EXPECT_EQ(root->engine.UpdateConcerts(), 1);
    EXPECT_TRUE(root->engine.useIpLocation);

    root->state.setCurCityDisplay("Chicago");
    root->state.setCurStateDisplay("IL");
    root->engine.UpdateConcerts();
    EXPECT_FALSE(root->engine.useIpLocation);
}
