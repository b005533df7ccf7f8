#pragma once
// The shared data with the engine's artist and album lists, and the support folder's files named
// as start-up names them: the library's readers are tested without the engine above them.
#include "platform/system.h"
#include "plugin/library/library_reader.h"
#include "plugin/model/plugin_data.h"
#include "plugin/model/record_lists.h"

#include <filesystem>
#include <string>

struct LibraryRoot final : PluginData {
    LibraryRoot() {
        const std::string support = vx::homeFolder() + "/Library/Application Support/Voxtrail/";
        std::filesystem::create_directories(support);
        state.setiTunes_xml_path((vx::homeFolder() + "/Music/iTunes/iTunes Music Library.xml").c_str());
        state.setVoxtrailPref((support + "VoxtrailPref").c_str());
        state.setVoxtrailIncludeBandsList((support + "VoxtrailIncludeBands.txt").c_str());
        state.setVoxtrailExcludeBandsList((support + "VoxtrailExcludeBands.txt").c_str());
    }
    // What the engine's library step runs.
    int parseXML() { return readLibrary(state, artists, albums, &artistPlays); }

    XML_Artist_List artists;
    XML_Album_List albums;
};
