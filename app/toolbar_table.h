// The toolbar's buttons, their pictures and tooltips, as data. Portable: no windows.h here.
#pragma once

#include <cstddef>

#include "res/resource.h"
#include "res/texts.h"

struct ToolbarButton {
    int command;
    int image; // cell of the toolbar strip, counted from the strip's first image
    const char16_t *tooltip;
};

// Left to right, separators not counted. Button k sends IDT_OPEN + k and shows image k.
inline constexpr ToolbarButton TOOLBAR_BUTTONS[] = {
    {IDT_OPEN, 0, TOOLTIP_OPEN},
    {IDT_VIEW_NORMAL, 1, TOOLTIP_VIEW_NORMAL},
    {IDT_VIEW_C, 2, TOOLTIP_VIEW_C},
    {IDT_VIEW_ASM, 3, TOOLTIP_VIEW_ASM},
    {IDT_VIEW_BASIC, 4, TOOLTIP_VIEW_BASIC},
    {IDT_FORWARD, 5, TOOLTIP_SEGMENT_UP},
    {IDT_BACK, 6, TOOLTIP_SEGMENT_DOWN},
    {IDT_FORWARD_10, 7, TOOLTIP_SEGMENT_UP},
    {IDT_BACK_10, 8, TOOLTIP_SEGMENT_DOWN},
    {IDT_EXPORT_C, 9, TOOLTIP_EXPORT_C},
    {IDT_EXPORT_ASM, 10, TOOLTIP_EXPORT_ASM},
    {IDT_EXPORT_BASIC, 11, TOOLTIP_EXPORT_BASIC},
    {IDT_HELP, 12, TOOLTIP_HELP},
    {IDT_EXIT, 13, TOOLTIP_EXIT},
};

// The strip (IDB_TOOLBAR) holds images 0 to 11; the help and exit pictures, 12 and 13, come
// from IDB_TOOLBAR_EXTRA, added right after it.
constexpr int TOOLBAR_STRIP_IMAGES = 12;
constexpr int TOOLBAR_EXTRA_IMAGES = 2;

// Separators are inserted in this order, each index counted after the earlier insertions:
// after the open button, before the save buttons and before the help button.
inline constexpr int TOOLBAR_SEPARATORS[] = {1, 10, 14};

constexpr bool toolbar_table_is_in_command_order()
{
    for (int k = 0; k < TOOLBAR_BUTTON_COUNT; k++)
        if (TOOLBAR_BUTTONS[k].command != IDT_OPEN + k || TOOLBAR_BUTTONS[k].image != k)
            return false;
    return true;
}

static_assert(sizeof TOOLBAR_BUTTONS / sizeof TOOLBAR_BUTTONS[0] == TOOLBAR_BUTTON_COUNT);
static_assert(IDT_OPEN + TOOLBAR_BUTTON_COUNT - 1 == IDT_EXIT, "the commands are one run");
static_assert(toolbar_table_is_in_command_order(), "toolbar_tooltip indexes the table by command");
static_assert(TOOLBAR_STRIP_IMAGES + TOOLBAR_EXTRA_IMAGES == TOOLBAR_BUTTON_COUNT);

// The tooltip of a toolbar command, or null for any other identifier.
constexpr const char16_t *toolbar_tooltip(int command)
{
    if (command < IDT_OPEN || command > IDT_EXIT)
        return nullptr;
    return TOOLBAR_BUTTONS[command - IDT_OPEN].tooltip;
}
