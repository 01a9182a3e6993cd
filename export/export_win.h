// The Win32 shell of the export: the settings dialog and the writer that turns the whole
// current file into source text.
#pragma once

#include <cstdint>

#include "document/win32.h"

// The export settings dialog, modal to owner. Proposes "exe_dt" and the default destination
// for export_format; on OK stores the data name and destination in the document and returns
// 1; the cancel button and the close box return 0.
INT_PTR show_export_settings(HWND owner);

// Writes the whole of source_path as source text in format (1 C, 2 Asm, 3 Basic) to
// export_path with export_label, asking before it replaces a file, then refreshes the status
// bar and reports the time taken. Every failure is reported to the user and leaves no partial
// destination behind. Any other format does nothing.
void export_source(HWND owner, int32_t format);

// An export command as the menu and the toolbar run it: refused while no file is chosen, then
// export_format is set, the settings dialog asked and, on OK, the file exported.
void export_with_dialog(HWND owner, int32_t format);
