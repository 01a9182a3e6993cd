// When a long export shows its progress dialog and what the dialog says. Portable: no
// windows.h here.
#pragma once

#include <cstddef>
#include <cstdint>

// An export that ends sooner shows no dialog at all: only its completion message.
constexpr uint32_t PROGRESS_DELAY_MS = 500;
// Nor does one that, at the pace so far, will be done within this much more: the dialog would
// be gone again before it could be read, a flash that only costs time (making, painting and
// taking down a dialog is some 30 ms under Wine).
constexpr uint32_t PROGRESS_WORTH_MS = 1000;
// A pace can slow down (the disk's write-back catching up): an export still running after this
// long shows the dialog whatever it expects, so the window is never left unanswered for long.
constexpr uint32_t PROGRESS_LATEST_MS = 2000;
// Messages are let through at most this often: soon enough for a cancel, a repaint or a move to
// feel immediate, seldom enough that the calls into the system cost nothing beside the
// conversion (each is a round trip to the window server under Wine).
constexpr uint32_t PROGRESS_PUMP_MS = 100;
// The bar and the figures are brought up to date at most this often. Each time costs a
// millisecond or two under Wine (a static control paints its new text at once, with the
// Japanese face): twice a second keeps that well under 1 % of a long export, and figures
// that change faster cannot be read anyway.
constexpr uint32_t PROGRESS_SHOW_MS = 500;
// The bar's range: a thousandth of the file a step, whatever its size.
constexpr int32_t PROGRESS_BAR_STEPS = 1000;

// Whether the dialog is due before the next block is read, `done` bytes of `size` being read
// after `elapsed_ms`. Only between the first block and the end of the source: a source of one
// block never shows it, however slow the machine, and once everything is read only the last
// write is left. A size of 0 (unknown) never shows it.
bool progress_dialog_due(uint32_t elapsed_ms, uint64_t done, uint64_t size);

// The bar's position, 0 to PROGRESS_BAR_STEPS, for any 64-bit sizes.
int32_t progress_bar_position(uint64_t done, uint64_t size);

// "<done> / <size>Byte", the size written as the status bar writes it. Returns the length.
constexpr size_t PROGRESS_TEXT_CAPACITY = 20 + 3 + 20 + 4 + 1; // digits, " / ", digits, "Byte", 0
size_t progress_text(char16_t (&out)[PROGRESS_TEXT_CAPACITY], uint64_t done, uint64_t size);
