// Writes the seed corpus of the --reverse fuzz target into a folder, with the program's own
// writers: the window's three formats in UTF-16LE and UTF-8 with several data names, and every
// build style with several names, cases, line widths, terminators, sections, alignments and
// source paths, of sources from 0 bytes to 4000 (texts small enough to mutate quickly); some
// window texts without their ruler, with LF line ends or a byte-order mark. And xxd's texts, -i
// (with -C or not) and -p, written here as xxd writes them.
//   reverse_corpus FOLDER
#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "export/source_stream.h"

namespace {

struct Memory {
    const std::vector<uint8_t> *bytes;
    size_t at;
};

int64_t read_memory(void *context, uint8_t *into, size_t capacity)
{
    auto &m = *static_cast<Memory *>(context);
    size_t n = std::min(capacity, m.bytes->size() - m.at);
    std::copy_n(m.bytes->data() + m.at, n, into);
    m.at += n;
    return int64_t(n);
}

bool keep_utf8(void *context, const char *text, size_t count)
{
    static_cast<std::string *>(context)->append(text, count);
    return true;
}

bool keep_utf16(void *context, const char16_t *text, size_t count)
{
    auto &out = *static_cast<std::string *>(context);
    for (size_t i = 0; i < count; i++) {
        out.push_back(char(text[i] & 0xFF));
        out.push_back(char(text[i] >> 8));
    }
    return true;
}

int written = 0;

bool save(const char *folder, const std::string &text)
{
    std::string path = std::string(folder) + "/seed-" + std::to_string(written++);
    FILE *f = std::fopen(path.c_str(), "wb");
    bool ok = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (f && std::fclose(f) != 0)
        ok = false;
    if (!ok)
        std::fprintf(stderr, "reverse_corpus: cannot write %s\n", path.c_str());
    return ok;
}

// The text without its first line, with LF for CR LF, or with a byte-order mark; in UTF-16LE
// a unit is two bytes.
std::string varied(std::string text, bool utf16, int variation)
{
    size_t unit = utf16 ? 2 : 1;
    switch (variation) {
    case 1: {
        size_t at = 0;
        while (at < text.size() && text[at] != '\n')
            at += unit;
        return text.substr(std::min(text.size(), at + unit));
    }
    case 2: {
        std::string out;
        for (size_t i = 0; i < text.size(); i += unit)
            if (text[i] != '\r' || (utf16 && text[i + 1] != 0))
                out.append(text, i, unit);
        return out;
    }
    case 3: return (utf16 ? "\xFF\xFE" : "\xEF\xBB\xBF") + text;
    default: return text;
    }
}

// xxd -i's text with its declaration and length, its values alone ('v'), or xxd -p's ('p').
std::string xxd_text(const std::vector<uint8_t> &bytes, char kind, size_t columns, bool capitals)
{
    const char *digits = "0123456789abcdef";
    std::string name = capitals ? "DATA_BIN" : "data_bin", text;
    if (kind == 'i')
        text = "unsigned char " + name + "[] = {\n";
    for (size_t i = 0; i < bytes.size(); i++) {
        if (kind != 'p')
            text += i % columns == 0 ? "  0x" : " 0x";
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
        if (kind != 'p' && i + 1 < bytes.size())
            text += ",";
        if (i + 1 == bytes.size() || i % columns == columns - 1)
            text += "\n";
    }
    if (kind == 'i')
        text += "};\nunsigned int " + name + (capitals ? "_LEN" : "_len") + " = " + std::to_string(bytes.size()) + ";\n";
    return text;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: reverse_corpus FOLDER\n");
        return 2;
    }
    const char *folder = argv[1];
    std::mt19937 random(22);
    const size_t sizes[] = {0, 1, 15, 16, 17, 64, 65, 300, 1000, 4000};
    const char16_t *labels[] = {u"exe_dt", u"", u"ﾃﾞｰﾀ", u"abcdefghijklmno", u"\U0001D4B3x"};
    int round = 0;
    for (size_t size : sizes) {
        std::vector<uint8_t> bytes(size);
        for (auto &b : bytes)
            b = uint8_t(random());
        for (ExportFormat format : {ExportFormat::C, ExportFormat::Asm, ExportFormat::Basic}) {
            for (bool utf8 : {false, true}) {
                if (size == 0)
                    continue; // the window's text refuses an empty source
                Memory memory{&bytes, 0};
                SourceReader reader{read_memory, &memory};
                Label label = label_from(labels[round % std::size(labels)]);
                std::string text;
                if (utf8)
                    stream_source_text(format, label, reader, Utf8Writer{keep_utf8, &text});
                else
                    stream_source_text(format, label, reader, TextWriter{keep_utf16, &text});
                if (!save(folder, varied(text, !utf8, round++ % 5)))
                    return 1;
            }
        }
        const char *names[] = {"d", "data_1", "the_longest_name_a_build_style_takes_is_sixty_three_characters_"};
        const char *sections[] = {"", ".rdata", ".data.rel.ro.font", "s$_9"};
        const char *paths[] = {"font.bin", "/a b/d\xC3\xA9\"\\\x01.bin", "C:\\assets\\tune.bin"};
        for (Style style : {Style::C, Style::CHeader, Style::CSource, Style::Gas, Style::Nasm, Style::Incbin,
                            Style::CIncbin, Style::CString, Style::CEmbed, Style::Values, Style::Plain}) {
            Memory memory{&bytes, 0};
            StyleForm form{.style = style, .lower = round % 2 == 1,
                           .columns = round % 3 == 0 ? 16 : 1 + random() % COLUMNS_MAX, .terminator = Terminator(round % 3)};
            const char *name = names[round++ % std::size(names)];
            form.name_length = std::string(name).size();
            std::copy_n(name, form.name_length, form.name);
            if (is_placed(style)) {
                const char *section = sections[round % std::size(sections)];
                form.section_length = std::string(section).size();
                std::copy_n(section, form.section_length + 1, form.section);
                form.alignment = size_t(1) << random() % 14;
            }
            const char *path = paths[style == Style::CEmbed ? 0 : round % std::size(paths)];
            form.path = path;
            form.path_length = std::string(path).size();
            std::string text;
            stream_style_text(form, SourceReader{read_memory, &memory}, Utf8Writer{keep_utf8, &text});
            if (!save(folder, text))
                return 1;
        }
        for (char kind : {'i', 'v', 'p'}) {
            size_t columns = round % 3 == 0 ? 1 + random() % 40 : kind == 'p' ? 30 : 12;
            if (!save(folder, xxd_text(bytes, kind, columns, round++ % 2 == 1)))
                return 1;
        }
    }
    std::printf("%d texts written into %s\n", written, folder);
    return 0;
}
