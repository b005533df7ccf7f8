#pragma once
#include "plugin/model/plugin_data.h"
#include "plugin/model/record_lists.h"

// Tells the user of an upcoming show or album of the artist now playing, through the
// notification application (the style set) or the plug-in's own window. The texts are the
// length-prefixed artist and album fields of the host's track record, as they stand; an album
// the library holds is never announced. A click on the own window opens the notice's page on
// webServiceHost. Host thread only.
void notifyUserOfUpcomingShow(PluginData* root, XML_Album_List& libraryAlbums, const char* webServiceHost,
                              const unsigned char* artist, const unsigned char* album);
