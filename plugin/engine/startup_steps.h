#pragma once
// Pieces of start-up that tests check on their own.
#include "platform/visual_plugin_api.h"

#include <string>

class PluginData;

// The OS version for a Gestalt answer: 10.3 to 10.6 by BCD range, 10.4 otherwise.
float osVersionFromGestalt(OSStatus status, int32_t response);
// The default iCal export location (a path, or a text explaining there is none).
std::string defaultiCalLocation(float osVersion, const std::string& home);
// The identifier of this installation: read from the file, or made and written when missing.
std::string readOrCreateIdentifier(const std::string& path);
// Tells the user what start-up could not use (an alert where a host exists, and stderr).
void reportStartupProblem(const std::string& message);
// Registers with the notification service, with the notifications the settings enable.
void registerWithGrowl(PluginData* root);
// The registration script for those settings, exactly as run.
std::string growlRegistrationScript(bool concerts, bool albums);
