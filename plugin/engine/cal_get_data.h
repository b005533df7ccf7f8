#pragma once
// The update engine: decides when the calendar data is refreshed, runs each refresh on one
// background thread, lets a newer request stop a running one, serialises the web exchanges and
// holds the library lists.
#include "plugin/model/record_lists.h"
#include "plugin/net/service_hosts.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

class VoxtrailClass;

// Bits of the update mask.
enum : uint32_t {
    kUpdateConcerts = 2,
    kUpdateAlbums = 4,
    kUpdateFriends = 8,
    kUpdateShared = 16,
    kUpdateiPhone = 32,
    kUpdateAll = 0xFFFFFFFFu
};

class CalGetData {
public:
    explicit CalGetData(VoxtrailClass* root);
    ~CalGetData();
    CalGetData(const CalGetData&) = delete;
    CalGetData& operator=(const CalGetData&) = delete;

    std::recursive_mutex webLock;
    VoxtrailClass* root;
    std::thread updateThreadHandle;
    char* fetchPage = nullptr; // reply of the last successful web request; owned here
    char fetchURL[1024] = {};
    char fetchReferer[1024] = {};
    // Read and written from both threads (the schedule check and the preferences writer).
    std::atomic<int32_t> nextUpdateTime{0};
    float osVersion = 0.0f;
    std::atomic<bool> useIpLocation{false};
    // Where the web service and the IP-location page are; read at start-up.
    ServiceHosts services = defaultServiceHosts();
    XML_Artist_List artists;
    XML_Album_List albums;
    Artist_Info_List artistInfos;

    void lockInternet() { webLock.lock(); }
    void unlockInternet() { webLock.unlock(); }

    // Start-up: defaults, paths, identifier, stored settings, library, version check.
    void initialize();

    int suggestUpdateShowList(unsigned long mask, bool force);
    void performUpdate(unsigned long mask);
    static void* updateThread(void* arg);
    int UpdateConcerts();
    int UpdateAlbums();
    int UpdateFriends();
    int UpdateShared();
    int UpdateiPhone();
    void shutDown();

    // Fetches fetchURL into fetchPage; 0 on success (callers hold the web lock).
    int getURL();

    // Library file.
    int parseXML();
    // Asks the web service whether a newer version exists and offers the download.
    void checkForVersionUpdate();

    // Preferences file.
    void genPref();
    int loadPrefs();

    // Prepares the iCal folder of older systems; nonzero when there is no usable location.
    int checkForInitialiCalFiles();

    static bool fileExists(const char* path);

    // Tests replace the sub-updates of a refresh: called with the step's bit instead of the
    // step, on the update thread. Set only while no refresh runs.
    std::function<int(uint32_t bit)> stepHookForTesting;

    // True when a running refresh must stop (a newer one was asked for, or the plug-in closes).
    bool stopRequested();
};
