#pragma once
// The shared data and the web exchange area, as the engine holds them, against a loopback server:
// the fetching and searching layers are tested without the engine above them.
#include "plugin/model/plugin_data.h"
#include "plugin/model/record_lists.h"
#include "plugin/net/service_hosts.h"
#include "plugin/net/web_session.h"
#include "tests/net/served_pages.h"

#include <memory>
#include <string>
#include <vector>

struct WebRoot final : PluginData {
    WebSession web{this};
    XML_Artist_List artists;
};

class ServedWeb : public ServedPages {
  protected:
    void SetUp() override {
        ServedPages::SetUp();
        // Read as start-up reads it.
        root->web.services = readServiceHosts(home.supportFolder().c_str());
    }
    void TearDown() override {
        root.reset();
        server.stop();
    }

    std::vector<std::string> requests() { return requestsAfter(0); }
    bool webLockFree() { return lockFree(root->web.webLock); }

    std::unique_ptr<WebRoot> root = std::make_unique<WebRoot>();
};
