#pragma once
// The sharing and phone account requests the window makes: checkIfUserExists, initializeSharing
// and iPhoneSync_Initialize, each answering 0 done, 1 refused by the service, 2 fetch failed.
#include "plugin/services/calendar_sharing.h"
#include "plugin/services/phone_sync.h"
