#pragma once
// The sharing and phone account requests the window makes. They belong to the sharing and phone
// client; until it is built they live in pending_account_requests.cpp. Each answers 0 done,
// 1 refused by the service, 2 fetch failed, and takes the web lock for its own request.
#include "plugin/net/web_session.h"

int checkIfUserExists(WebSession& web, const char* name);
int initializeSharing(WebSession& web);
int iPhoneSync_Initialize(WebSession& web);
