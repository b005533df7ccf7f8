#include "plugin/engine/action_queue.h"

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

using Kind = ActionQueue::Kind;

TEST(ActionQueue, ABurstRunsOneSaveAndOneExportButEveryShareInOrderAndSaysWhenIdle) {
    std::vector<bool> told; // written with the queue's lock held
    ActionQueue queue([&](bool idle) { told.push_back(idle); });
    std::vector<std::string> ran; // the worker's alone until drain returns
    std::promise<void> release;
    std::shared_future<void> gate = release.get_future().share();
    queue.post(Kind::Share, [gate] { gate.wait(); }); // a request under way
    for (const std::string n : {"1", "2", "3"}) {
        queue.post(Kind::Save, [&ran, n] { ran.push_back("save " + n); });
        queue.post(Kind::Export, [&ran, n] { ran.push_back("export " + n); });
        queue.post(Kind::Share, [&ran, n] { ran.push_back("share " + n); });
    }
    release.set_value();
    queue.drain();
    EXPECT_EQ(ran, (std::vector<std::string>{"save 3", "export 3", "share 1", "share 2", "share 3"}));
    EXPECT_EQ(told, (std::vector<bool>{false, true}));

    // Stopped at cleanup, started again at the next init.
    queue.stop();
    queue.post(Kind::Save, [&ran] { ran.push_back("while stopped"); });
    queue.start();
    queue.post(Kind::Save, [&ran] { ran.push_back("after start"); });
    queue.drain();
    EXPECT_EQ(ran.size(), 6u);
    EXPECT_EQ(ran.back(), "after start");
    EXPECT_EQ(told, (std::vector<bool>{false, true, false, true}));
}

// At shutdown the queue hands back the save and the export it dropped; the requests are dropped.
TEST(ActionQueue, AClosedQueueNamesTheWritesItDroppedAndTakesNoMore) {
    ActionQueue queue;
    std::promise<void> release;
    std::shared_future<void> gate = release.get_future().share();
    bool shared = false;
    queue.post(Kind::Share, [gate] { gate.wait(); });
    queue.post(Kind::Export, [] {});
    queue.post(Kind::Share, [&shared] { shared = true; });
    const ActionQueue::Dropped first = queue.closeKeepingWrites(); // a request under way is not waited for
    release.set_value();
    EXPECT_FALSE(first.save);
    EXPECT_TRUE(first.exportAsked);
    queue.post(Kind::Save, [] {});
    EXPECT_FALSE(queue.closeKeepingWrites().save);
    queue.stop();
    EXPECT_FALSE(shared);
}
