#pragma once
// A temporary home whose "VoxtrailServices" file points both the web service and the IP-location
// page at a loopback server; tests say what each request target gets.
#include "tests/net/routed_server.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class ServedPages : public ::testing::Test {
  protected:
    void SetUp() override {
        home.write("Library/Application Support/Voxtrail/VoxtrailServices",
                   server.host() + "\n" + server.host() + "\n");
    }

    // The page for a target (path and query exactly); unknown targets get a 404.
    void answer(const std::string& target, const std::string& page) {
        std::lock_guard<std::mutex> lock(mutex);
        pages[target] = page;
    }
    // Every target that starts with prefix gets page, unless answered exactly.
    void answerStartingWith(const std::string& prefix, const std::string& page) {
        std::lock_guard<std::mutex> lock(mutex);
        prefixPages[prefix] = page;
    }
    // Called on the server's thread as each request arrives, before it is answered.
    void onRequest(std::function<void(const std::string& target)> hook) {
        std::lock_guard<std::mutex> lock(mutex);
        requestHook = std::move(hook);
    }
    // The targets asked for after the first `skipped` ones.
    std::vector<std::string> requestsAfter(std::size_t skipped) {
        std::vector<std::string> all = server.targets();
        return {all.begin() + static_cast<long>(skipped), all.end()};
    }
    // Whether another thread could take the lock now.
    static bool lockFree(std::recursive_mutex& lock) {
        bool free = false;
        std::thread([&] {
            free = lock.try_lock();
            if (free) lock.unlock();
        }).join();
        return free;
    }

    std::mutex mutex;
    std::map<std::string, std::string> prefixPages;
    std::map<std::string, std::string> pages;
    std::function<void(const std::string&)> requestHook;
    TempHome home;
    RoutedServer server{[this](const std::string& target) -> std::optional<std::string> {
        std::function<void(const std::string&)> hook;
        std::optional<std::string> page;
        {
            std::lock_guard<std::mutex> lock(mutex);
            hook = requestHook;
            if (auto it = pages.find(target); it != pages.end()) page = it->second;
            for (const auto& [prefix, text] : prefixPages)
                if (!page && target.rfind(prefix, 0) == 0) page = text;
        }
        if (hook) hook(target);
        return page;
    }};
};
