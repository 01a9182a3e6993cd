// The words every layer shares: the renderings of a segment in the view and the formats of the
// exported text. Portable: no windows.h here.
#pragma once

#include <cstdint>

// A segment's rendering in the view: the hex dump with its character column, or the bytes as
// the cells of one of the export formats.
enum class ViewMode : int32_t { Normal = 0, C = 1, Asm = 2, Basic = 3 };

// The notation of the exported text: a C byte array, assembler DB lines or a BASIC byte array.
// Its values are those of the view modes that show the same cells, and the document's.
enum class ExportFormat : int32_t { C = 1, Asm = 2, Basic = 3 };

constexpr ExportFormat EXPORT_FORMATS[] = {ExportFormat::C, ExportFormat::Asm, ExportFormat::Basic};

// The view mode that shows a format's cells.
constexpr ViewMode view_mode(ExportFormat format)
{
    return format == ExportFormat::C ? ViewMode::C : format == ExportFormat::Asm ? ViewMode::Asm : ViewMode::Basic;
}

// Whether a view mode shows a format's cells: all but Normal. Any other value shows as Normal.
constexpr bool shows_cells(ViewMode mode)
{
    return mode == ViewMode::C || mode == ViewMode::Asm || mode == ViewMode::Basic;
}

// The format whose cells a mode that shows_cells shows.
constexpr ExportFormat shown_format(ViewMode mode)
{
    return mode == ViewMode::Asm ? ExportFormat::Asm : mode == ViewMode::Basic ? ExportFormat::Basic : ExportFormat::C;
}

static_assert(int32_t(view_mode(ExportFormat::C)) == int32_t(ExportFormat::C) &&
              int32_t(view_mode(ExportFormat::Asm)) == int32_t(ExportFormat::Asm) &&
              int32_t(view_mode(ExportFormat::Basic)) == int32_t(ExportFormat::Basic));
static_assert(shown_format(ViewMode::Basic) == ExportFormat::Basic && !shows_cells(ViewMode::Normal));
