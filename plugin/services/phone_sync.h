#pragma once
// Phone sync: registers the user with the phone service and uploads the library's artists in
// batches, so the companion phone application shows concerts for them.
#include "plugin/model/record_lists.h"
#include "plugin/net/web_session.h"

#include <cstddef>
#include <string>
#include <vector>

// The phone list, rebuilt at every phone step.
extern XML_Artist_List all_artists;

// A batch stops growing once it passes this many characters.
constexpr std::size_t kPhoneBatchLength = 800;

struct PhoneBatch {
    std::string text;      // the names in query form, joined by "@@"
    std::size_t names = 0; // how many
};

std::string phoneRegisterRequest(const char* serviceHost, const char* username, const char* uuid,
                                 const char* password);
// The upload request up to its batch, which follows "&ARTISTS=".
std::string phoneUploadPrefix(const char* serviceHost, const char* username, const char* password);
// The names cut into batches: each grows until it passes kPhoneBatchLength characters, and
// never so far that room characters (what the request leaves for it) would not hold it.
std::vector<PhoneBatch> phoneBatches(const std::vector<std::string>& names, std::size_t room);

// 0 registered, 1 refused, 2 fetch failed.
int iPhoneSync_Initialize(WebSession& web);
// The phone step of a refresh: 0 when phone sync is off or every batch was sent, 1 when it
// stopped early (refusal, failed fetch, newer refresh or shutdown).
int iPhoneSync_addAllArtists(WebSession& web);
