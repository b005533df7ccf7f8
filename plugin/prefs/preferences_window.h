#pragma once
class VoxtrailClass;

// Opens the tabbed preferences window (host thread).
void OpenPreferencesGUI(VoxtrailClass* root);
