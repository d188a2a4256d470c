// The whole window interface of the toolbox library (windows, drawing, controls,
// dialogs) on Qt 6 Widgets.
#pragma once

#include <toolbox/ui/win_messages.h>
#include <toolbox/ui/wnd.h>
#include <toolbox/ui/dc.h>
#include <toolbox/ui/controls.h>
#include <toolbox/ui/menu.h>
#include <toolbox/ui/dialog.h>
#include <toolbox/ui/window_layer.h>
#include <toolbox/ui/formula_dialog.h>
#include <toolbox/ui/crash_report_dialogs.h>
#include <toolbox/ui/drawing.h>
#include <toolbox/ui/plot.h>
#include <toolbox/ui/draw_symbol.h>
#include <toolbox/ui/metafile_player.h>
#include <toolbox/ui/sheet_preview.h>
#include <toolbox/ui/color_rich_edit.h>
