#pragma once
#include "plugin/model/plugin_data.h"
#include "plugin/model/record_lists.h"

// Tells the user of an upcoming show or album of the artist now playing. The texts are the
// length-prefixed artist and album fields of the host's track record, as they stand; an album
// the library holds is never announced.
void notifyUserOfUpcomingShow(PluginData* root, const XML_Album_List& libraryAlbums,
                              const unsigned char* artist, const unsigned char* album);
