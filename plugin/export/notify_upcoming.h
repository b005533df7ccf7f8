#pragma once
class VoxtrailClass;

// Tells the user of an upcoming show or album of the artist now playing. The texts are the
// length-prefixed artist and album fields of the host's track record, as they stand.
void notifyUserOfUpcomingShow(VoxtrailClass* root, const unsigned char* artist, const unsigned char* album);
