#pragma once
// After a concert search: what changed for the user since the refresh before, kept in the list,
// written to the change log and announced in one notice.
#include "plugin/model/plugin_data.h"

// The top artists by plays whose new shows are announced, besides those over the user's number.
constexpr std::size_t kMostPlayedArtists = 25;

// samePlace: this search was of the place the list before was found for; sourcesAsUsual: every
// source answered in full. Returns how many changes were found.
std::size_t trackConcertChanges(PluginData& root, bool samePlace, bool sourcesAsUsual,
                                const char* webServiceHost);
