// What the converter does with its options: the whole conversion, streamed through the
// export's own code, or one segment in a view rendering; and every message the user reads.
// Portable: no windows.h here.
#include <bit>
#include <cstring>

#include "cli/options.h"
#include "cli/system.h"
#include "document/utf8.h"
#include "export/source_stream.h"
#include "view/segment_text.h"

namespace {

// One segment and its text, as the window's renderer holds them.
uint8_t segment_buffer[SEGMENT_BUFFER_SIZE];
char16_t view_text[VIEW_TEXT_CAPACITY];
char view_utf8[VIEW_TEXT_CAPACITY * UTF8_PER_UNIT_MAX];

Message message;

// "bin2src: " and the text, on standard error.
void report(const Message &m)
{
    Message line;
    message_clear(line);
    message_append(line, PROGRAM_NAME);
    message_append(line, ": ");
    message_append(line, m.text, m.length);
    message_append(line, "\n");
    system_print_error(line.text, line.length);
}

void start(const char *a, const char *b = "", const char *c = "")
{
    message_clear(message);
    message_append(message, a);
    message_append(message, b);
    message_append(message, c);
}

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
    start(what, quoted ? " '" : " ", name);
    message_append(message, quoted ? "': " : ": ");
    system_error_text(message, code);
    report(message);
    return EXIT_FAILED;
}

int64_t read_source(void *context, uint8_t *into, size_t capacity)
{
    return system_read(*static_cast<SystemFile *>(context), into, capacity);
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

bool open_source(const Options &options, SystemFile &source)
{
    if (options.source.index == STANDARD_STREAM && system_input_is_terminal()) {
        start("no source: name a file, or send the bytes to standard input (see 'bin2src --help')");
        report(message);
        return false;
    }
    if (!system_open_source(options.source, source)) {
        report_system_failure("cannot open", name_of_source(source), source.path.index != STANDARD_STREAM,
                              source.error);
        return false;
    }
    return true;
}

void report_empty(const SystemFile &source)
{
    if (source.path.index == STANDARD_STREAM)
        start("standard input is empty (0 bytes): there is no data to convert");
    else
        start("'", name_of_source(source), "' is empty (0 bytes): there is no data to convert");
    report(message);
}

int convert(const Options &options)
{
    SystemFile source{};
    if (!open_source(options, source))
        return EXIT_FAILED;
    // Like the window, refuse an empty file before a destination exists. A pipe's emptiness
    // shows only when it is read; its destination is removed then.
    uint64_t size = 0;
    if (system_size(source, size) && size == 0) {
        report_empty(source);
        system_close(source);
        return EXIT_FAILED;
    }

    SystemFile destination{};
    if (options.destination.index == STANDARD_STREAM) {
        if (!system_open_output(source, destination)) {
            start("standard output is the source file '", name_of_source(source),
                  "' itself; it is not written to (choose another destination)");
            report(message);
            system_close(source);
            return EXIT_FAILED;
        }
    } else {
        const char *path = system_argument(options.destination);
        switch (system_create_destination(options.destination, options.force, source, destination)) {
        case Created::Yes:
            break;
        case Created::Exists:
            start("'", path, "' exists; it is not replaced without --force");
            report(message);
            system_close(source);
            return EXIT_FAILED;
        case Created::IsSource:
            start("'", path, "' is the source file itself; it is never written to (choose another destination)");
            report(message);
            system_close(source);
            return EXIT_FAILED;
        case Created::Failed:
            report_system_failure("cannot create", path, true, destination.error);
            system_close(source);
            return EXIT_FAILED;
        }
    }

    SourceReader reader{read_source, &source};
    StreamResult result = options.encoding == Encoding::Utf8
                              ? stream_source_text(options.format, options.label, reader, Utf8Writer{write_utf8, &destination})
                              : stream_source_text(options.format, options.label, reader, TextWriter{write_utf16le, &destination});
    system_close(source);
    // A close can still fail to write what the system held back.
    if (!system_close(destination) && result == StreamResult::Written)
        result = StreamResult::WriteFailed;
    if (result == StreamResult::Written)
        return EXIT_DONE;

    // Incomplete source text must not be taken for a whole file.
    system_remove(destination);
    bool to_file = destination.path.index != STANDARD_STREAM;
    if (result == StreamResult::ReadFailed)
        report_system_failure("cannot read", name_of_source(source), source.path.index != STANDARD_STREAM,
                              source.error);
    else if (result == StreamResult::WriteFailed)
        report_system_failure("cannot write", name_of_destination(destination), to_file, destination.error);
    else
        report_empty(source);
    if (destination.remove_on_failure && result != StreamResult::EmptySource) {
        start("the incomplete '", name_of_destination(destination), "' was removed");
        report(message);
    }
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
    if (source.path.index == STANDARD_STREAM) {
        message_append(message, "standard input");
    } else {
        message_append(message, "'");
        message_append(message, name_of_source(source));
        message_append(message, "'");
    }
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

    // A file is positioned at its segment; anything else is read through up to it, counting.
    uint64_t size = 0, seen = 0;
    bool positioned = false;
    if (system_size(source, size)) {
        if (k > uint64_t(last_segment_index(size))) {
            system_close(source);
            return report_out_of_range(options, source, size);
        }
        positioned = k == 0 || system_seek(source, k << SEGMENT_SHIFT);
        seen = positioned ? k << SEGMENT_SHIFT : 0;
    }
    int64_t n = 0;
    for (uint64_t i = positioned ? k : 0; i <= k; i++) {
        std::memset(segment_buffer, 0, sizeof segment_buffer);
        n = read_full(source, segment_buffer, SEGMENT_SIZE);
        if (n < 0) {
            system_close(source);
            return report_system_failure("cannot read", name_of_source(source), source.path.index != STANDARD_STREAM,
                                         source.error);
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

int bin2src_main(int argc, const char *const *argv)
{
    Message error;
    Options options;
    switch (parse_options(argc, argv, options, error)) {
    case Parsed::Help: {
        int32_t code = 0;
        if (system_print_output(HELP_TEXT, std::strlen(HELP_TEXT), code))
            return EXIT_DONE;
        return report_system_failure("cannot write", "standard output", false, code);
    }
    case Parsed::Usage:
        message_append(error, "\nTry 'bin2src --help' for the options and examples.");
        report(error);
        return EXIT_USAGE;
    case Parsed::Run:
        break;
    }
    return options.print_segment ? print_segment(options) : convert(options);
}
