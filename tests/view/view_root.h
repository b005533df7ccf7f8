#pragma once
// The shared data with the view and the engine beside it, made as the host's root object makes
// them but without the host's handler or the preferences window: the view's tests link the view's
// layer and those below it.
#include "plugin/engine/cal_get_data.h"
#include "plugin/model/plugin_data.h"
#include "plugin/view/cal_vis.h"

class ViewRoot final : public PluginData {
  public:
    ViewRoot() : view(this, &engine), engine(this) { engine.initialize(); }
    ~ViewRoot() override { engine.shutDown(); }

    CalVis view;
    CalGetData engine;

    void redraw() override { view.Render(); }
};
