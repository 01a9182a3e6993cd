// The Win32 shell of the export: the settings dialog and the writer that turns the whole
// current file into source text.
#pragma once

#include <cstdint>

#include "common/formats.h"
#include "common/wide_win.h"

// The export settings dialog, modal to owner. Proposes "exe_dt" and the default destination
// for export_format; on OK stores the data name and destination in the document and returns
// 1; the cancel button and the close box return 0.
INT_PTR show_export_settings(HWND owner);

// Writes the whole of source_path as source text in `format` to
// export_path with export_label, asking before it replaces a file that is there, then refreshes
// the status bar and reports the time taken. The text goes into a temporary file beside the
// destination, which takes its name only once the text is whole: every failure is reported to
// the user and leaves export_path as it was, an old file byte for byte. An export that runs for
// more than half a second, and has a while to go yet, shows its progress and can be cancelled;
// a cancel leaves export_path as it was too, and reports nothing.
void export_source(HWND owner, ExportFormat format);

// The progress dialog of a long export, driven from between the blocks of the conversion on the
// user-interface thread. progress_begin comes before the conversion: `size` is the source's size
// (0 when unknown: no dialog), `destination` the path the dialog shows.
void progress_begin(HWND owner, uint64_t size, const char16_t *destination);
// Between two blocks, `done` bytes read so far. Once the export has run for a while, shows the
// dialog modal to the owner and from then on lets the thread's messages through at most ten
// times a second. False once the user has cancelled.
bool progress_continue(uint64_t done);
// After the conversion: the dialog goes and the owner takes input again. Whether the user
// cancelled.
bool progress_end();
// True from progress_begin to progress_end. The main window then takes no command, no dropped
// file and no close: messages reach it while it converts, and none may start anything else.
bool export_in_progress();

// An export command as the menu and the toolbar run it: refused while no file is chosen, then
// export_format is set, the settings dialog asked and, on OK, the file exported.
void export_with_dialog(HWND owner, ExportFormat format);
