// What the converter does with its options: the whole conversion, streamed through the
// export's own code, or one segment in a view rendering; and every message the user reads.
// Portable: no windows.h here.
#include "cli/run.h"

#include <bit>
#include <cstring>

#include "cli/options.h"
#include "cli/system.h"
#include "common/utf8.h"
#include "export/source_reverse.h"
#include "export/source_stream.h"
#include "view/segment_text.h"

namespace {

// One segment and its text, as the window's renderer holds them.
uint8_t segment_buffer[SEGMENT_BUFFER_SIZE];
char16_t view_text[VIEW_TEXT_CAPACITY];
char view_utf8[VIEW_TEXT_CAPACITY * UTF8_PER_UNIT_MAX];

Message message;

constexpr char USAGE_HINT[] = "Try 'bin2src --help' for the options and examples.\n";


const char *name_of_source(const SystemFile &file)
{
    return file.path.index == STANDARD_STREAM ? "standard input" : system_argument(file.path);
}

const char *name_of_destination(const SystemFile &file)
{
    return file.path.index == STANDARD_STREAM ? "standard output" : system_argument(file.path);
}

// "<what> '<path>': <system text>"; the standard streams are named without quotes.
int report_system_failure(const char *what, const char *name, bool quoted, int32_t code)
{
    message_start(message, what, quoted ? " '" : " ");
    message_append_name(message, name);
    message_append(message, quoted ? "': " : ": ");
    system_error_text(message, code);
    report(message);
    return EXIT_FAILED;
}

int report_source_failure(const char *what, const SystemFile &source)
{
    return report_system_failure(what, name_of_source(source), source.path.index != STANDARD_STREAM, source.error);
}

int report_destination_failure(const char *what, const SystemFile &destination)
{
    return report_system_failure(what, name_of_destination(destination), destination.path.index != STANDARD_STREAM,
                                 destination.error);
}

// The progress line of a long run: bytes of the source read, the share of its size when that is
// known, and the rate, redrawn a few times a second on standard error when that is a terminal
// and the run has lasted a second, then cleared. Not when the text goes to a terminal: standard
// error is most often the same one, and the line would stay in the text. The clock is looked at
// once a read block.
struct Progress {
    bool enabled;
    uint64_t size; // of the source, 0 when unknown
    uint64_t done;
    uint64_t started, drawn; // ms
    size_t shown;            // characters on the line now
};

Progress progress;

constexpr uint64_t PROGRESS_AFTER_MS = 1000, PROGRESS_EVERY_MS = 250;

void progress_start(const Options &options, SystemFile &source)
{
    progress = Progress{};
    bool text_on_terminal = options.destination.index == STANDARD_STREAM && system_is_terminal(StandardStream::Output);
    progress.enabled = options.progress && !text_on_terminal && system_is_terminal(StandardStream::Error);
    if (!progress.enabled)
        return;
    uint64_t size = 0;
    if (system_remaining(source, size))
        progress.size = size < options.length ? size : options.length;
    progress.started = progress.drawn = system_clock_ms();
}

// "\r" and n spaces and "\r": the line cleared for what comes after it.
void progress_clear()
{
    if (progress.shown == 0)
        return;
    static char blank[2 + 128];
    size_t n = progress.shown < 126 ? progress.shown : 126;
    blank[0] = '\r';
    std::memset(blank + 1, ' ', n);
    blank[n + 1] = '\r';
    system_print_error(blank, n + 2);
    progress.shown = 0;
}

void progress_draw(uint64_t now)
{
    message_clear(message);
    message_append(message, "\r");
    message_append_unsigned(message, progress.done);
    message_append(message, " bytes");
    if (progress.size > 0) {
        message_append(message, " (");
        message_append_unsigned(message, progress.done >= progress.size ? 100 : progress.done * 100 / progress.size);
        message_append(message, "%)");
    }
    uint64_t ms = now - progress.started;
    message_append(message, ", ");
    message_append_unsigned(message, ms / 1000);
    message_append(message, " s, ");
    message_append_unsigned(message, ms ? progress.done / ms / 1000 : 0);
    message_append(message, " MB/s ");
    size_t length = message.length - 1;
    // Spaces over what a longer line before left.
    while (length < progress.shown && message.length < 120) {
        message_append(message, " ");
        length++;
    }
    system_print_error(message.text, message.length);
    progress.shown = length;
    progress.drawn = now;
}

// The source as a conversion reads it: at most `left` bytes more, so that a slice of standard
// input leaves what follows it for the next reader.
struct Slice {
    SystemFile &file;
    uint64_t left;
};

int64_t read_source(void *context, uint8_t *into, size_t capacity)
{
    Slice &slice = *static_cast<Slice *>(context);
    if (capacity > slice.left)
        capacity = size_t(slice.left);
    if (capacity == 0)
        return 0;
    int64_t n = system_read(slice.file, into, capacity);
    if (n > 0)
        slice.left -= uint64_t(n);
    if (progress.enabled && n > 0) {
        progress.done += uint64_t(n);
        uint64_t now = system_clock_ms();
        if (now - progress.started >= PROGRESS_AFTER_MS && now - progress.drawn >= PROGRESS_EVERY_MS)
            progress_draw(now);
    }
    return n;
}

// UTF-16LE, the window's encoding: char16_t is already little-endian on the machines this
// runs on, so the block goes out as it is.
static_assert(std::endian::native == std::endian::little, "UTF-16LE is written from host-order units");

bool write_utf16le(void *context, const char16_t *text, size_t count)
{
    return system_write(*static_cast<SystemFile *>(context), text, count * sizeof *text);
}

bool write_utf8(void *context, const char *text, size_t count)
{
    return system_write(*static_cast<SystemFile *>(context), text, count);
}

bool write_bytes(void *context, const uint8_t *bytes, size_t count)
{
    return system_write(*static_cast<SystemFile *>(context), bytes, count);
}

ReverseError reverse_error;

// Bytes into text in the window's form or a build style, or text back into bytes.
Outcome produce(const Options &options, SystemFile &source, SystemFile &destination)
{
    Slice slice{source, options.length};
    SourceReader reader{read_source, &slice};
    if (options.reverse)
        return reverse_source_text(reader, ByteWriter{write_bytes, &destination}, reverse_error);
    if (options.style.style != Style::Window)
        return stream_style_text(options.style, reader, Utf8Writer{write_utf8, &destination});
    return options.encoding == Encoding::Utf8
               ? stream_source_text(options.format, options.label, reader, Utf8Writer{write_utf8, &destination})
               : stream_source_text(options.format, options.label, reader, TextWriter{write_utf16le, &destination});
}

// "<source>:<line>:<column>: <what>", as compilers name a place in a text.
void report_malformed(const SystemFile &source)
{
    message_start(message, "", name_of_source(source));
    append_pieces(message, ":", reverse_error.line, ":", reverse_error.column, ": ", reverse_error.what);
    report(message);
}

bool open_source(const Options &options, SystemFile &source)
{
    if (options.source.index == STANDARD_STREAM && system_is_terminal(StandardStream::Input)) {
        message_start(message, "no source: name a file, or send the bytes to standard input (see 'bin2src --help')");
        report(message);
        return false;
    }
    if (!system_open_source(options.source, source)) {
        report_source_failure("cannot open", source);
        return false;
    }
    return true;
}

// The source named as messages name it: standard input, or the path in quotes.
void append_source(const SystemFile &source)
{
    if (source.path.index == STANDARD_STREAM) {
        message_append(message, "standard input");
    } else {
        message_append(message, "'");
        message_append_name(message, name_of_source(source));
        message_append(message, "'");
    }
}

void report_empty(const Options &options, const SystemFile &source)
{
    message_clear(message);
    bool slice = options.offset > 0 || options.length != SLICE_TO_END;
    if (slice)
        message_append(message, "the slice of ");
    append_source(source);
    if (slice)
        append_pieces(message, " at offset ", options.offset);
    message_append(message, " is empty (0 bytes): there is no data to convert");
    report(message);
}

// "offset N is past the end: <source> holds M bytes": M from where the source stood.
void report_offset_past_end(const Options &options, const SystemFile &source, uint64_t size)
{
    message_clear(message);
    append_pieces(message, "offset ", options.offset, " is past the end: ");
    append_source(source);
    append_pieces(message, " holds ", size, " bytes");
    report(message);
}

// Moves the source on by the offset: a file by its position, anything else (and a file that
// says it holds 0 bytes) by reading through, so that standard input from a pipe is sliced too.
// An offset past the end is an error; one at the end leaves an empty slice.
bool skip_offset(const Options &options, SystemFile &source)
{
    uint64_t size = 0;
    if (system_remaining(source, size) && size > 0) {
        if (options.offset > size) {
            report_offset_past_end(options, source, size);
            return false;
        }
        if (system_skip(source, options.offset))
            return true;
    }
    uint64_t seen = 0;
    while (seen < options.offset) {
        uint64_t left = options.offset - seen;
        int64_t n = system_read(source, segment_buffer, left < SEGMENT_SIZE ? size_t(left) : SEGMENT_SIZE);
        if (n < 0) {
            report_source_failure("cannot read", source);
            return false;
        }
        if (n == 0) {
            report_offset_past_end(options, source, seen);
            return false;
        }
        seen += uint64_t(n);
    }
    return true;
}

// The destination is the source: named, or standard output appended to standard input's file.
void report_is_source(const Options &options, const SystemFile &source)
{
    if (options.destination.index != STANDARD_STREAM)
        message_start(message, "'", system_argument(options.destination),
                      "' is the source file itself; it is never written to (choose another destination)");
    else if (source.path.index == STANDARD_STREAM)
        message_start(message, "standard output is the same file as standard input; it is not written to "
                               "(choose another destination)");
    else
        message_start(message, "standard output is the source file '", name_of_source(source),
                      "' itself; it is not written to (choose another destination)");
    report(message);
}

void report_exists(const Options &options)
{
    message_start(message, "'", system_argument(options.destination), "' exists; it is not replaced without --force");
    report(message);
}

void report_left_as_it_was(const SystemFile &destination)
{
    message_start(message, "'", name_of_destination(destination),
                  destination.replaces ? "' was left as it was" : "' was not created");
    report(message);
}

// Opens the destination: standard output, a device, or the temporary file of a regular one.
Outcome open_destination(const Options &options, const SystemFile &source, SystemFile &destination)
{
    if (options.destination.index == STANDARD_STREAM)
        return system_open_output(source, destination) ? Outcome::Done : Outcome::IsSource;
    return system_create_destination(options.destination, options.force, source, destination);
}

// Says why the conversion did not complete, and where it might leave the user in doubt (a file
// once the text was on its way) that the destination is as it was.
void report_failure(Outcome outcome, const Options &options, const SystemFile &source, const SystemFile &destination)
{
    switch (outcome) {
    case Outcome::Done:
        return;
    case Outcome::EmptySource:
        report_empty(options, source);
        return;
    case Outcome::Exists:
        report_exists(options);
        return;
    case Outcome::IsSource:
        report_is_source(options, source);
        return;
    case Outcome::CreateFailed:
        report_destination_failure(destination.temporary ? "cannot create a file in the folder of" : "cannot create",
                                   destination);
        return;
    case Outcome::NotKept:
        report_left_as_it_was(destination);
        return;
    case Outcome::RenameFailed:
        report_destination_failure("cannot rename the finished text to", destination);
        return;
    case Outcome::ReadFailed:
        report_source_failure("cannot read", source);
        break;
    case Outcome::WriteFailed:
        report_destination_failure("cannot write", destination);
        break;
    case Outcome::Malformed:
        report_malformed(source);
        break;
    }
    if (destination.temporary)
        report_left_as_it_was(destination);
}

// A conversion that does not finish leaves the destination as it was: a regular file's text
// goes to its temporary file, which is removed; only a device or standard output has part of
// the text.
int convert(const Options &options)
{
    SystemFile source{};
    if (!open_source(options, source))
        return EXIT_FAILED;
    // Before the destination is made, so that an offset past the end leaves nothing behind.
    if (options.offset > 0 && !skip_offset(options, source)) {
        system_close(source);
        return EXIT_FAILED;
    }
    // Emptiness shows when the source is read, not from its size: a file that says 0 bytes
    // (those of /proc) may hold data. An empty source that the text refuses leaves nothing: its
    // temporary file goes.
    SystemFile destination{};
    Outcome outcome = open_destination(options, source, destination);
    if (outcome != Outcome::Done) {
        report_failure(outcome, options, source, destination);
        system_close(source);
        return EXIT_FAILED;
    }

    progress_start(options, source);
    outcome = produce(options, source, destination);
    progress_clear();
    system_close(source);
    // A close can still fail to write what the system held back.
    if (!system_close(destination) && outcome == Outcome::Done)
        outcome = Outcome::WriteFailed;
    if (outcome == Outcome::Done)
        outcome = system_finish(destination, options.force, source);
    if (outcome == Outcome::Done)
        return EXIT_DONE;
    system_abandon(destination);
    report_failure(outcome, options, source, destination);
    return EXIT_FAILED;
}

// Reads until capacity bytes are in or the source ends: a pipe delivers a segment in pieces.
int64_t read_full(SystemFile &file, uint8_t *into, size_t capacity)
{
    size_t got = 0;
    while (got < capacity) {
        int64_t n = system_read(file, into + got, capacity - got);
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += size_t(n);
    }
    return int64_t(got);
}

int report_out_of_range(const Options &options, const SystemFile &source, uint64_t size)
{
    message_clear(message);
    message_append(message, "segment ");
    message_append_unsigned(message, uint64_t(options.segment));
    message_append(message, " is past the end: ");
    append_source(source);
    message_append(message, " holds ");
    message_append_unsigned(message, size);
    message_append(message, " bytes, segments 0 to ");
    message_append_unsigned(message, uint64_t(last_segment_index(size)));
    report(message);
    return EXIT_FAILED;
}

int print_segment(const Options &options)
{
    SystemFile source{};
    if (!open_source(options, source))
        return EXIT_FAILED;
    uint64_t k = uint64_t(options.segment);

    // Segments count from where the source stands: the start of a named file, and for standard
    // input wherever an earlier reader of the same open file left it, as a conversion reads it.
    // A file is positioned at its segment; anything else is read through up to it, counting,
    // and so is a file that says it holds 0 bytes (those of /proc hold data all the same).
    uint64_t size = 0, seen = 0;
    bool positioned = false;
    if (system_remaining(source, size) && size > 0) {
        if (k > uint64_t(last_segment_index(size))) {
            system_close(source);
            return report_out_of_range(options, source, size);
        }
        positioned = k == 0 || system_skip(source, k << SEGMENT_SHIFT);
        seen = positioned ? k << SEGMENT_SHIFT : 0;
    }
    int64_t n = 0;
    for (uint64_t i = positioned ? k : 0; i <= k; i++) {
        std::memset(segment_buffer, 0, sizeof segment_buffer);
        n = read_full(source, segment_buffer, SEGMENT_SIZE);
        if (n < 0) {
            system_close(source);
            return report_source_failure("cannot read", source);
        }
        seen += uint64_t(n);
        // The source ended before segment k began. Segment 0 of an empty source is there,
        // and empty, as the window shows it.
        if (i < k && uint64_t(n) < SEGMENT_SIZE) {
            system_close(source);
            return report_out_of_range(options, source, seen);
        }
    }
    system_close(source);
    if (n == 0 && k > 0)
        return report_out_of_range(options, source, seen); // a file that shrank meanwhile

    size_t units = format_segment(segment_buffer, size_t(n), options.view, options.segment, view_text);
    size_t bytes = utf16_to_utf8(view_text, units, view_utf8);
    int32_t error = 0;
    if (!system_print_output(view_utf8, bytes, error))
        return report_system_failure("cannot write", "standard output", false, error);
    return EXIT_DONE;
}

} // namespace

void report(const Message &m, const char *after)
{
    static char line[sizeof PROGRAM_NAME + 2 + MESSAGE_CAPACITY + sizeof USAGE_HINT];
    size_t n = 0;
    auto put = [&](const char *s, size_t count) {
        std::memcpy(line + n, s, count);
        n += count;
    };
    put(PROGRAM_NAME, sizeof PROGRAM_NAME - 1);
    put(": ", 2);
    put(m.text, m.length);
    put("\n", 1);
    size_t extra = std::strlen(after);
    put(after, extra < sizeof USAGE_HINT ? extra : sizeof USAGE_HINT - 1);
    system_print_error(line, n);
}

int bin2src_main(int argc, const char *const *argv)
{
    Message error, warning;
    Options options;
    Parsed parsed = parse_options(argc, argv, options, error, warning);
    switch (parsed) {
    case Parsed::Help:
    case Parsed::Version: {
        if (parsed == Parsed::Help)
            help_text(message);
        const char *text = parsed == Parsed::Help ? message.text : VERSION_TEXT;
        int32_t code = 0;
        if (system_print_output(text, std::strlen(text), code))
            return EXIT_DONE;
        return report_system_failure("cannot write", "standard output", false, code);
    }
    case Parsed::Usage:
        report(error, USAGE_HINT);
        return EXIT_USAGE;
    case Parsed::Run:
        if (warning.length > 0)
            report(warning);
        break;
    }
    return options.print_segment ? print_segment(options) : convert(options);
}
