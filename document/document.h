// The one current file and the export settings, and the rules that divide a file into
// 64 KiB segments. Portable: no windows.h here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/formats.h"
#include "common/text.h"

constexpr size_t LABEL_CAPACITY = 16;   // 15 characters and the terminator
constexpr size_t EXPORT_PATH_MAX = 255; // the settings dialog reads at most this many
constexpr uint32_t SEGMENT_SIZE = 0x10000;
constexpr int SEGMENT_SHIFT = 16;

// Sizes and indices are 64-bit so that files of 4 GiB and more keep their true size and
// every segment stays reachable; 2^63 bytes is far beyond any file system.
struct Document {
    char16_t source_path[PATH_CAPACITY];
    uint64_t file_size;
    int64_t segment_index;
    ViewMode current_view_mode;
    ExportFormat export_format; // that of the last export command: none (0) before the first
    char16_t export_label[LABEL_CAPACITY];
    char16_t export_path[PATH_CAPACITY];
    char16_t open_directory[PATH_CAPACITY];
};

extern Document document;

int64_t last_segment_index(uint64_t file_size);
int64_t last_segment_index();
void clamp_segment_index();

// Status bar fields 1 to 3: "70000Byte", "P:1/1", "A+:10000". Each returns its length.
constexpr size_t STATUS_TEXT_CAPACITY = 48;
size_t size_status_text(char16_t (&out)[STATUS_TEXT_CAPACITY], uint64_t file_size);
size_t position_status_text(char16_t (&out)[STATUS_TEXT_CAPACITY], int64_t index, int64_t last);
size_t address_status_text(char16_t (&out)[STATUS_TEXT_CAPACITY], int64_t index);

// The open dialog's starting text: open_directory followed by "\*.*".
void open_dialog_start_text(char16_t (&out)[PATH_CAPACITY], const char16_t *open_directory);

// After a choice in the open dialog: the directory part (the first name_offset characters of
// the chosen path) without its trailing backslash. False, and out untouched, when the directory
// and "\*.*" would not fit a path.
bool directory_of_choice(char16_t (&out)[PATH_CAPACITY], const char16_t *chosen, size_t name_offset);
