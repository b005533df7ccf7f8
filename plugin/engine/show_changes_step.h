#pragma once
// After a concert search: what changed for the user since the refresh before, kept in the list,
// written to the change log and announced in one notice.
#include "plugin/model/plugin_data.h"
#include "plugin/services/concert_search.h"

// The top artists by plays whose new shows are announced, besides those over the user's number.
constexpr std::size_t kMostPlayedArtists = 25;

// samePlace: this search was of the place the list before was found for; answers: how each
// source answered it. Shows are cancelled only when every source answered in full and none lists
// far fewer events than at the last refresh (see answersMayCancel); each source's count is kept
// for the next refresh. Returns how many changes were found.
std::size_t trackConcertChanges(PluginData& root, bool samePlace, const ConcertSearchAnswers& answers,
                                const char* webServiceHost);
