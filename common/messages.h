// The window program's messages that are written around a path or a number, built from the
// texts of res/texts.h into a caller's buffer. Portable: no windows.h here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/text.h"

// A message buffer that holds any path of PATH_CAPACITY units whole, with the words around it.
constexpr size_t FILE_ERROR_TEXT_CAPACITY = 512;

// "<path>のﾌｧｲﾙが開けません" CR LF "ErrCode=<code>": the message of a file that cannot be
// opened, read, created or written. The path is cut, never the code, when the buffer is short.
void file_error_text(TextBuilder &t, const char16_t *path, int32_t error_code);

// "ﾌｧｲﾙ名が長すぎます（<limit>文字まで）" CR LF "<path>", the path cut to the buffer.
void path_too_long_text(TextBuilder &t, const char16_t *path, size_t limit);
