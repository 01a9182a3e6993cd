#!/usr/bin/python3
"""Every command example that the documents give for bin2src, run as a reader would run it.

    doc_examples_test.py BIN2SRC SOURCE_DIR MAN_PAGE

The examples are read from the documents themselves, so that a document cannot drift from the
program: the Markdown files (README.md and docs/**/*.md: shell blocks that run bin2src, and the
recipes of make blocks that do), the Examples of --help, the EXAMPLES of the man page (MAN_PAGE,
bin2src.1 or .1.gz) and the <pre class="cmd"> blocks of the manual's chapter on bin2src.

Each example runs in a fresh folder holding what it reads: a file that an earlier example of the
same document writes is made by that example first, as the reader made it; any other is a
fixture, bytes counting up from 00 (196,625 of them for a .bin file, three segments and a line,
or as many as the document says), or a line of text for a file of text. Then:
- it ends with status 0 and says nothing on standard error;
- a text that the document shows for the file it writes is that file, byte for byte;
- a text that a conversion writes reads back (--reverse) into the bytes it was made from, and
  the bytes that --reverse writes are those its text was made from (by bin2src or xxd);
- a file named for a compiler or an assembler (.c .h .cpp .s .asm ...) is UTF-8.

Marks that the reader does not see: in Markdown an HTML comment before a block,
<!-- example inputs: font.bin=17 -->, and <!-- example output: font.h --> before a block that
shows what an example wrote; in the manual the attributes data-inputs="font.bin=17" of a command
block and data-output="font.h" of the block that shows it.
"""
import glob
import gzip
import html
import os
import re
import shlex
import subprocess
import sys
import tempfile

FIXTURE_SIZE = 3 * 65536 + 17
COMPILED = {".c", ".h", ".cc", ".cpp", ".hpp", ".inc", ".s", ".S", ".asm"}
# The styles whose texts hold no bytes to read back: a declaration, or a text that the assembler
# or the compiler fills from the source file itself.
NO_BYTES = {"c-header", "incbin", "c-incbin", "c-embed"}


class Example:
    def __init__(self, document, command, inputs=None):
        self.document = document
        self.command = command
        self.inputs = dict(inputs or {})  # name -> size of its fixture
        self.shown = {}  # name -> the text the document shows for it


# ---- Reading the documents ------------------------------------------------------------------

def is_bin2src_command(line):
    """A line whose command, or one of whose piped or chained commands, is bin2src."""
    try:
        words = list(shlex.shlex(line, posix=True, punctuation_chars=True))
    except ValueError:
        return False
    starts = [0] + [i + 1 for i, w in enumerate(words) if w in ("|", "&&", ";", "||")]
    return any(i < len(words) and words[i] == "bin2src" for i in starts)


def parse_marks(comment, inputs, outputs):
    m = re.match(r"\s*example inputs:\s*(.*?)\s*$", comment)
    if m:
        inputs.update(parse_inputs(m.group(1)))
    m = re.match(r"\s*example output:\s*(\S+)\s*$", comment)
    if m:
        outputs.append(m.group(1))


def parse_inputs(text):
    return {name: int(size) for name, size in re.findall(r"([^\s=,]+)=(\d+)", text)}


def make_recipes(block, document):
    """The commands of a make block's rules that run bin2src, with $@, $< and $(VAR) expanded."""
    variables, examples, rule = {}, [], None
    for line in block:
        m = re.match(r"^([A-Za-z_][A-Za-z0-9_]*)\s*[?:]?=\s*(.*)$", line)
        if m:
            variables[m.group(1)] = m.group(2).strip()
            continue
        m = re.match(r"^([^\s:#][^:]*):(?!=)\s*(.*?)\s*(#.*)?$", line)
        if m:
            rule = (m.group(1).strip(), m.group(2).split(), [])
            examples.append(rule)
            continue
        if line.startswith("\t") and rule:
            rule[2].append(line[1:])
    commands = []
    for target, prerequisites, recipe in examples:
        expanded = []
        for line in recipe:
            line = re.sub(r"\$\((\w+)\)", lambda v: variables.get(v.group(1), ""), line)
            line = line.replace("$@", target).replace("$<", prerequisites[0] if prerequisites else "")
            line = line.replace("$^", " ".join(prerequisites))
            expanded.append(line)
        if any(is_bin2src_command(line) for line in expanded):
            commands += [Example(document, line) for line in expanded]
    return commands


def markdown_examples(path, name):
    lines = open(path, encoding="utf-8").read().split("\n")
    examples, inputs, outputs = [], {}, []
    i = 0
    while i < len(lines):
        line = lines[i]
        for comment in re.findall(r"<!--(.*?)-->", line):
            parse_marks(comment, inputs, outputs)
        fence = re.match(r"^(```+)\s*(\S*)", line)
        indented = line.startswith("    ") and (i == 0 or lines[i - 1].strip() == "")
        if not fence and not indented:
            i += 1
            continue
        block = []
        if fence:
            kind = fence.group(2)
            i += 1
            while i < len(lines) and not lines[i].startswith(fence.group(1)):
                block.append(lines[i])
                i += 1
            i += 1
        else:
            kind = ""
            while i < len(lines) and (lines[i].startswith("    ") or lines[i].strip() == ""):
                block.append(lines[i][4:])
                i += 1
            while block and block[-1].strip() == "":
                block.pop()
        if outputs:
            # A block that shows what the example before it wrote.
            if examples:
                examples[-1].shown[outputs[0]] = "\n".join(block) + "\n"
            outputs = []
        elif kind == "make":
            examples += make_recipes(block, name)
        elif kind in ("", "sh", "shell", "console", "bash") and any(is_bin2src_command(b) for b in block):
            for b in block:
                # A synopsis ("bin2src [OPTION]...") and a message ("bin2src: ...") are not run.
                if b.strip() and "[" not in b and not b.startswith("bin2src:"):
                    examples.append(Example(name, b.strip(), inputs))
        inputs = {}
    return examples


def help_examples(text, name):
    examples, section = [], False
    for line in text.split("\n"):
        if line.startswith("Examples:"):
            section = True
        elif section and re.match(r"^  \S", line):
            examples.append(Example(name, line.strip()))
    return examples


def man_examples(path):
    data = open(path, "rb").read()
    if path.endswith(".gz"):
        data = gzip.decompress(data)
    text = data.decode("utf-8")
    section = re.search(r"^\.SH EXAMPLES\n(.*?)(?=^\.SH )", text, flags=re.S | re.M)
    if not section:
        return []
    examples = []
    lines = section.group(1).split("\n")
    for i, line in enumerate(lines):
        if line == ".TP" and i + 1 < len(lines):
            command = re.sub(r"\\f[BIRP]|\\[,/]", "", lines[i + 1]).replace("\\-", "-").replace("\\\\", "\\")
            examples.append(Example("the man page", command))
    return examples


def manual_examples(path):
    page = open(path, encoding="utf-8").read()
    chapter = re.search(r'<h1 id="bin2src">(.*?)(?=<h1\b)', page, flags=re.S)
    if not chapter:
        return []
    examples = []
    for m in re.finditer(r"<pre\b([^>]*)>(.*?)</pre>", chapter.group(1), flags=re.S):
        attributes, body = m.group(1), html.unescape(re.sub(r"<[^>]+>", "", m.group(2)))
        output = re.search(r'data-output="([^"]+)"', attributes)
        if 'class="cmd"' in attributes:
            inputs = re.search(r'data-inputs="([^"]+)"', attributes)
            for line in body.split("\n"):
                if line.strip():
                    examples.append(Example("the manual", line.strip(), parse_inputs(inputs.group(1)) if inputs else {}))
        elif output and examples:
            examples[-1].shown[output.group(1)] = body + ("" if body.endswith("\n") else "\n")
    return examples


# ---- What a command reads and writes --------------------------------------------------------

class Command:
    """One command of an example's line: its words, the files it reads and writes."""

    def __init__(self, words, value_options):
        # "$PWD/name" is a name in the example's folder, which the shell spells out.
        words = [w[5:] if w.startswith("$PWD/") else w for w in words]
        self.words, self.reads, self.writes = words, [], []
        self.bin2src = words and words[0] == "bin2src"
        self.options = {}
        i = 1
        while i < len(words):
            w = words[i]
            long = re.match(r"^(--[\w-]+)(=(.*))?$", w)
            if long and long.group(2):
                self.options[long.group(1)] = long.group(3)
            elif long and long.group(1) in value_options and i + 1 < len(words):
                self.options[long.group(1)] = words[i + 1]
                i += 1
            elif long:
                self.options[long.group(1)] = None
            elif re.match(r"^-\w", w):
                letter = w[:2]
                if letter in value_options:
                    self.options[letter] = w[2:] or (words[i + 1] if i + 1 < len(words) else "")
                    i += 0 if w[2:] else 1
                else:
                    for c in w[1:]:
                        self.options["-" + c] = None
            elif w != "-" and (self.bin2src or re.search(r"\.\w+$", w)):
                self.reads.append(w)
            i += 1
        self.absolute = [w for w in self.reads if w.startswith("/")]
        self.reads = [w for w in self.reads if not w.startswith("/")]
        for key in ("-o", "--output"):
            if key in self.options and self.options[key] not in (None, "-"):
                self.writes.append(self.options[key])
                if self.options[key] in self.reads:
                    self.reads.remove(self.options[key])

    def get(self, *keys):
        for k in keys:
            if k in self.options:
                return self.options[k]
        return None

    def has(self, *keys):
        return any(k in self.options for k in keys)


def commands_of(line, value_options):
    """The commands of a shell line, each with what it reads and writes, redirections included."""
    lexer = shlex.shlex(line, posix=True, punctuation_chars=True)
    lexer.commenters = "#"
    words = list(lexer)
    commands, current, redirect = [], [], None
    piped_from = None
    for w in words + [";"]:
        if redirect:
            redirect.append(w)
            redirect = None
            continue
        if w in ("|", "&&", ";", "||"):
            if current:
                c = Command([x for x in current if not isinstance(x, list)], value_options)
                for r in current:
                    if isinstance(r, list) and len(r) == 2:
                        (c.writes if r[0] in (">", ">>") else c.reads).append(r[1])
                c.piped_from = piped_from
                commands.append(c)
                piped_from = c if w == "|" else None
            current = []
        elif w in (">", ">>", "<"):
            redirect = [w]
            current.append(redirect)
        else:
            current.append(w)
    return commands


# ---- Running ----------------------------------------------------------------------------------

def fixture(name, size):
    if size is None and not name.endswith(".bin"):
        return ("the text of %s\n" % name).encode()
    return bytes(i & 0xFF for i in range(FIXTURE_SIZE if size is None else size))


def number(text):
    return int(text, 16) if text.lower().startswith("0x") else int(text)


class Run:
    def __init__(self, bin2src, examples, value_options, shims):
        self.bin2src, self.examples, self.value_options = bin2src, examples, value_options
        self.env = dict(os.environ, PATH=os.path.dirname(os.path.abspath(bin2src)) + os.pathsep + shims +
                        os.pathsep + os.environ.get("PATH", ""))

    def producer(self, index, name):
        for j in range(index - 1, -1, -1):
            earlier = self.examples[j]
            if earlier.document == self.examples[index].document and any(
                    name in c.writes for c in commands_of(earlier.command, self.value_options)):
                return j
        return None

    def prepare(self, index, folder, origins, depth=0):
        """Makes what example `index` reads in folder: its producers' outputs, or fixtures."""
        example = self.examples[index]
        for command in commands_of(example.command, self.value_options):
            for name in command.reads:
                if os.path.exists(os.path.join(folder, name)):
                    continue
                j = self.producer(index, name)
                if j is not None and depth < 20:
                    self.prepare(j, folder, origins, depth + 1)
                    self.shell(self.examples[j].command, folder)
                    self.note_origins(self.examples[j], folder, origins)
                else:
                    with open(os.path.join(folder, name), "wb") as f:
                        f.write(fixture(name, example.inputs.get(name)))

    def shell(self, command, folder):
        return subprocess.run(["sh", "-c", command], cwd=folder, env=self.env, capture_output=True,
                              stdin=subprocess.DEVNULL, timeout=120)

    def converted_bytes(self, command, folder):
        """The bytes that a conversion's text holds: its source's slice and a counted NUL."""
        source = command.reads[0] if command.reads else None
        if command.piped_from is not None and command.piped_from.reads:
            source = command.piped_from.reads[0]
        if source is None or not os.path.exists(os.path.join(folder, source)):
            return None
        data = open(os.path.join(folder, source), "rb").read()
        offset = number(command.get("--offset") or "0")
        length = command.get("-l", "--length")
        data = data[offset:] if length is None else data[offset:offset + number(length)]
        nul = command.get("-z", "--nul") if command.has("-z", "--nul") else False
        style = command.get("-t", "--style") or "window"
        if nul is not False and (nul == "counted" or style in ("values", "plain")):
            data += b"\0"
        return data

    def note_origins(self, example, folder, origins):
        """The bytes each text that the example wrote was made from, for --reverse to give back."""
        for command in commands_of(example.command, self.value_options):
            style = command.get("-t", "--style") or "window"
            if command.bin2src and not command.has("-r", "--reverse", "-s", "--segment", "-v", "--view") \
                    and style not in NO_BYTES:
                data = self.converted_bytes(command, folder)
                for name in command.writes:
                    origins[name] = data
            elif command.words and command.words[0] == "xxd" and command.reads:
                data = open(os.path.join(folder, command.reads[0]), "rb").read()
                for name in command.writes:
                    origins[name] = data
            elif command.bin2src and command.has("-r", "--reverse") and command.reads:
                for name in command.writes:
                    origins[name] = None

    def check(self, index):
        example = self.examples[index]
        problems = []
        with tempfile.TemporaryDirectory(prefix="bin2src-doc-") as folder:
            origins = {}
            self.prepare(index, folder, origins)
            before = set(os.listdir(folder))
            made_from = {name: origins.get(name) for name in before}
            for command in commands_of(example.command, self.value_options):
                if command.absolute:
                    problems.append("names %s, which a fresh folder does not hold: write $PWD/ instead"
                                    % " ".join(command.absolute))
            if problems:
                return problems
            r = self.shell(example.command, folder)
            if r.returncode != 0 or r.stderr:
                problems.append("exit status %d: %s" % (r.returncode, r.stderr.decode(errors="replace").strip()))
                return problems
            for name, text in example.shown.items():
                path = os.path.join(folder, name)
                got = open(path, "rb").read() if os.path.exists(path) else b"(no such file)"
                if got != text.encode():
                    problems.append("%s is not the text the document shows:\n%s" % (name, got.decode(errors="replace")))
            for command in commands_of(example.command, self.value_options):
                for name in command.writes:
                    path = os.path.join(folder, name)
                    if not os.path.exists(path):
                        problems.append("%s was not written" % name)
                        continue
                    data = open(path, "rb").read()
                    if os.path.splitext(name)[1] in COMPILED:
                        try:
                            data.decode("utf-8")
                            if b"\0" in data:
                                raise ValueError
                        except ValueError:
                            problems.append("%s is named for a compiler or an assembler but is not UTF-8" % name)
                    if not command.bin2src:
                        continue
                    style = command.get("-t", "--style") or "window"
                    if command.has("-r", "--reverse"):
                        source = command.reads[0] if command.reads else None
                        if made_from.get(source) is not None and data != made_from[source]:
                            problems.append("%s is not the bytes that %s was made from" % (name, source))
                    elif not command.has("-s", "--segment", "-v", "--view") and \
                            style not in NO_BYTES:
                        expected = self.converted_bytes(command, folder)
                        back = subprocess.run([self.bin2src, "--reverse", path], capture_output=True, timeout=120)
                        if back.returncode != 0 or back.stdout != expected:
                            problems.append("%s does not read back into the bytes it was made from: %s" %
                                            (name, back.stderr.decode(errors="replace").strip()))
        return problems


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    bin2src, source_dir, man_page = sys.argv[1:]
    help_text = subprocess.run([bin2src, "--help"], capture_output=True, check=True).stdout.decode()
    # The options that take a value, as --help writes them: "-o, --output=FILE".
    value_options = set()
    for short, long in re.findall(r"^\s+(?:(-\w), )?(--[\w-]+)=[A-Z]", help_text, flags=re.M):
        value_options.update(o for o in (short, long) if o)

    sources = {}
    markdown = [os.path.join(source_dir, "README.md")] + sorted(
        glob.glob(os.path.join(source_dir, "docs", "**", "*.md"), recursive=True))
    for path in markdown:
        name = os.path.relpath(path, source_dir)
        sources.setdefault("Markdown", []).extend(markdown_examples(path, name))
    sources["--help"] = help_examples(help_text, "--help")
    sources["the man page"] = man_examples(man_page)
    sources["the manual"] = manual_examples(os.path.join(source_dir, "docs", "manual", "vorda_manual.html"))

    passed = failed = 0
    shims = tempfile.TemporaryDirectory(prefix="bin2src-doc-shims-")
    # A pager shows the text to a person; here it is read as cat reads it.
    with open(os.path.join(shims.name, "less"), "w") as f:
        f.write('#!/bin/sh\nexec cat "$@"\n')
    os.chmod(os.path.join(shims.name, "less"), 0o755)
    for kind, examples in sources.items():
        if not examples:
            print("FAILED: no example found in %s" % kind)
            failed += 1
            continue
        run = Run(bin2src, examples, value_options, shims.name)
        for i, example in enumerate(examples):
            problems = run.check(i)
            if problems:
                failed += 1
                print("FAILED: %s: %s" % (example.document, example.command))
                for p in problems:
                    print("  " + p.replace("\n", "\n  "))
            else:
                passed += 1
                print("ok: %s: %s" % (example.document, example.command))
    shims.cleanup()
    print("%d passed, %d failed" % (passed, failed))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
