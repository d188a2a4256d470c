// The whole window interface of the toolbox library (windows, drawing, controls,
// dialogs) on Qt 6 Widgets.
#pragma once

#include <toolbox/ui/win_messages.h>
#include <toolbox/ui/wnd.h>
#include <toolbox/ui/dc.h>
#include <toolbox/ui/controls.h>
#include <toolbox/ui/menu.h>
#include <toolbox/ui/dialog.h>
#include <toolbox/ui/command_bars.h>
#include <toolbox/ui/registry_manager.h>
#include <toolbox/ui/editors.h>
#include <toolbox/ui/unit_controls.h>
#include <toolbox/ui/style_pickers.h>
#include <toolbox/ui/color_popup.h>
#include <toolbox/ui/window_layer.h>
