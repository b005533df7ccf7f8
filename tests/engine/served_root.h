#pragma once
// The engine's root in a temporary home whose services are a loopback server (tests/net/served_pages.h).
#include "tests/engine/engine_root.h"
#include "tests/net/served_pages.h"

#include <memory>
#include <string>
#include <vector>

class ServedRoot : public ServedPages {
  protected:
    void SetUp() override {
        ServedPages::SetUp();
        answer("/current_version.php?VERSION=2.9&OS=MAC", "<current>");
        root = std::make_unique<EngineRoot>();
        startupRequests = server.targets().size();
    }
    void TearDown() override {
        root->engine.shutDown();
        root.reset();
        server.stop();
    }

    // The targets asked for since start-up.
    std::vector<std::string> requests() { return requestsAfter(startupRequests); }
    // Whether another thread could take the web lock now.
    bool webLockFree() { return lockFree(root->engine.web.webLock); }

    std::unique_ptr<EngineRoot> root;
    std::size_t startupRequests = 0;
};
