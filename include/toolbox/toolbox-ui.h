/// \file
/// \brief The whole window interface of the toolbox library (windows, drawing, controls, dialogs) on Qt 6 Widgets.
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
#include <toolbox/ui/ui_resources.h>
#include <toolbox/ui/window_layout.h>
#include <toolbox/ui/tb_dialog.h>
#include <toolbox/ui/property_sheet.h>
#include <toolbox/ui/form_view.h>
#include <toolbox/ui/docking_panes.h>
#include <toolbox/ui/frame_wnd.h>
#include <toolbox/ui/control_bar_dialog.h>
#include <toolbox/ui/editors.h>
#include <toolbox/ui/unit_controls.h>
#include <toolbox/ui/edit_list_ctrl.h>
#include <toolbox/ui/style_pickers.h>
#include <toolbox/ui/color_popup.h>
#include <toolbox/ui/window_layer.h>
#include <toolbox/ui/formula_dialog.h>
#include <toolbox/ui/crash_report_dialogs.h>
#include <toolbox/ui/exchange_dialogs.h>
#include <toolbox/ui/recorder_files_dialog.h>
#include <toolbox/ui/drawing.h>
#include <toolbox/ui/plot.h>
#include <toolbox/ui/draw_symbol.h>
#include <toolbox/ui/metafile_player.h>
#include <toolbox/ui/sheet_preview.h>
#include <toolbox/ui/color_rich_edit.h>
