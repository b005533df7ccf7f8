#pragma once
// The sharing and phone account requests the window makes: checkIfUserExists, initializeSharing
// and iPhoneSync_Initialize, each answering 0 done, 1 refused by the service, 2 fetch failed.
#include "plugin/services/calendar_sharing.h"
#include "plugin/services/phone_sync.h"

#include <mutex>

// The window waits this long at most for one of its requests, as the version check does at
// start-up; a service that accepts and never answers then reads as not reached.
inline constexpr int kAccountRequestSeconds = 4;

// The web lock held and the short budget set for the requests made while it lives.
class AccountRequestBudget {
  public:
    explicit AccountRequestBudget(WebSession& web) : web_(web), hold_(web.webLock) {
        before_ = web_.requestBudgetSeconds;
        web_.requestBudgetSeconds = kAccountRequestSeconds;
    }
    ~AccountRequestBudget() { web_.requestBudgetSeconds = before_; }
    AccountRequestBudget(const AccountRequestBudget&) = delete;
    AccountRequestBudget& operator=(const AccountRequestBudget&) = delete;

  private:
    WebSession& web_;
    std::lock_guard<std::recursive_mutex> hold_;
    int before_ = 0;
};
