#pragma once
// The shared data with the engine beside it, made and ended as the host's root object makes and
// ends them, but with no view or host above: the engine's tests link the engine's layer alone.
#include "plugin/engine/cal_get_data.h"
#include "plugin/model/plugin_data.h"

class EngineRoot final : public PluginData {
  public:
    EngineRoot() { engine.initialize(); }
    ~EngineRoot() override { engine.shutDown(); }

    CalGetData engine{this};
};
