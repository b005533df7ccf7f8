#pragma once
// The root object: one per process, made on the host's init message and reached through
// gVoxtrail. It is the shared data (state store and lists) with the view and the engine beside
// it; the subsystems below the view are handed the shared data or the engine, never the root.
#include "plugin/engine/cal_get_data.h"
#include "plugin/model/plugin_data.h"
#include "plugin/view/cal_vis.h"

class VoxtrailClass final : public PluginData {
  public:
    VoxtrailClass();
    ~VoxtrailClass() override;

    CalVis view;
    CalGetData engine;

    void redraw() override { view.Render(); }
};

// The process-wide root; null until the host's first init.
extern VoxtrailClass* gVoxtrail;
