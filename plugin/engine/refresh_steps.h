#pragma once
// The steps a refresh runs that live in other subsystems. Until a subsystem is built, its step
// is a seam in pending_steps.cpp that reports "done, nothing changed".
#include "plugin/net/clean_city.h"
#include "plugin/net/region_tables.h"

class VoxtrailClass;

// Locates the user by IP address; 0 when a place was found.
int ipLoc(VoxtrailClass* root);
// Resolves curLat/curLon for curCity/curState.
int latLongLoc(VoxtrailClass* root);
// The concert search: fills root->concerts.
int genericParser(VoxtrailClass* root);
// Export of the concerts to iCal (file before 10.5, calendar store from 10.5).
int performExportTo_iCal(VoxtrailClass* root);
int performExportTo_iCalCalendarStore(VoxtrailClass* root);
// Publishing the chosen shows; phone sync.
int shareUserCalendar(VoxtrailClass* root);
int iPhoneSync_addAllArtists(VoxtrailClass* root);
// Removes the notification timers and hides the notification windows at shutdown.
void removeNotificationWindows(VoxtrailClass* root);
