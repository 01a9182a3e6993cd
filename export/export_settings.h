// What the export settings dialog proposes and stores. Portable: no windows.h here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "document/document.h"

// The proposed destination: the source path with its last three characters replaced by the
// format's extension, "cpp", "asm" or "bas", and "txt" for a value that is none of them (the
// document's before the first export command). The extension
// is not parsed: image.jpeg becomes image.jcpp. A path shorter than three characters is
// replaced whole ("ab" becomes "cpp"). A path longer than EXPORT_PATH_MAX is not cut into
// another name: the proposal is then empty, and the user browses or types one. Returns the
// length.
size_t default_destination(char16_t (&out)[EXPORT_PATH_MAX + 1], const char16_t *source_path, ExportFormat format);

// Stores what the dialog's boxes hold when OK is pressed, each field cleared first: the first
// LABEL_MAX units of label as export_label, the first EXPORT_PATH_MAX of path as export_path;
// where the cut would split a surrogate pair, the pair is left out whole (one unit fewer).
void store_export_settings(const char16_t *label, const char16_t *path);
