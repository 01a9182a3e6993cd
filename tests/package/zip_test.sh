#!/usr/bin/env bash
# The Windows zip as a user meets it: made by CPack from this build, unpacked into a fresh
# folder of the project's Wine prefix, where it must hold the two programs, the manual, the
# README and the licence as Windows text, the Wine font settings and bin2src's CMake package;
# bin2src.exe --version answers there, a
# MinGW-w64 build of the consumer project embeds data with that package's bin2src.exe, and
# package_tests checks the programs' version information and starts vorda.exe from that folder.
#   zip_test.sh BUILD_FOLDER PACKAGE_TESTS_EXE VERSION
set -euo pipefail
build=$1 tests=$2 version=$3
source "$(dirname "$0")/../../scripts/common.sh"
wine_prefix

work=$(mktemp -d "$build/zip-test.XXXXXX")
unpacked=$(mktemp -d "$WINEPREFIX/drive_c/vorda-package.XXXXXX")
trap 'rm -rf "$work" "$unpacked"' EXIT
(cd "$build" && cpack -G ZIP -D CPACK_OUTPUT_FILE_PREFIX="$work" >/dev/null)
zip="$work/vorda-$version-win64.zip"
[ -f "$zip" ] || { echo "no $(basename "$zip") among: $(ls "$work")"; exit 1; }
(cd "$unpacked" && cmake -E tar xf "$zip")

folder="$unpacked/vorda-$version-win64"
expected=$(printf '%s\n' LICENSE.txt README.txt bin2src.exe cmake/bin2src-config-version.cmake \
           cmake/bin2src-config.cmake cmake/bin2src-targets-release.cmake cmake/bin2src-targets.cmake vorda.exe \
           vorda_manual.pdf wine-fonts.reg)
found=$(cd "$folder" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
if [ "$found" != "$expected" ]; then
  printf 'the zip holds\n%s\ninstead of\n%s\n' "$found" "$expected"
  exit 1
fi
cmp "$folder/vorda_manual.pdf" "$build/manual/vorda_manual.pdf"

# The texts a Windows user opens: the README in plain ASCII with CR LF line ends, its version
# filled in; the font settings as regedit reads them (UTF-16LE with its byte-order mark, CR LF),
# the very font keys and values of the project's prefix and nothing else of its settings.
python3 - "$folder" "$VORDA_ROOT/scripts/wine-settings.reg" "$version" <<'PY'
import re, sys
folder, settings, version = sys.argv[1:]
problems = []
def windows_lines(text, name):
    if not text.endswith("\r\n") or re.search(r"\r(?!\n)|(?<!\r)\n", text):
        problems.append("%s has a line end that is not CR LF" % name)
    return text.split("\r\n")[:-1]
readme = open(folder + "/README.txt", "rb").read()
if re.search(rb"[^\x20-\x7e\r\n]", readme):
    problems.append("README.txt holds a byte that is not printable ASCII")
if b"](" in readme or re.search(rb"@[A-Z_]+@", readme):
    problems.append("README.txt holds a link of Markdown or a mark that was not filled in")
lines = windows_lines(readme.decode("latin-1"), "README.txt")
if lines[:1] != ["VORDA %s for Windows" % version]:
    problems.append("README.txt begins %r" % lines[:1])
def font_settings(lines):
    keys, key = {}, None
    for line in lines:
        if line.startswith("["):
            key = line
        elif key and line and not line.startswith(";"):
            keys.setdefault(key, []).append(line)
    return {k: v for k, v in keys.items() if "\\Fonts\\" in k or "\\FontLink\\" in k}, keys
reg = open(folder + "/wine-fonts.reg", "rb").read()
if not reg.startswith(b"\xff\xfe"):
    problems.append("wine-fonts.reg has no UTF-16LE byte-order mark")
shipped = windows_lines(reg[2:].decode("utf-16-le", errors="replace"), "wine-fonts.reg")
wanted, _ = font_settings(open(settings, encoding="utf-8").read().split("\n"))
fonts, every = font_settings(shipped)
if shipped[:1] != ["Windows Registry Editor Version 5.00"] or not wanted or fonts != wanted or every != fonts:
    problems.append("wine-fonts.reg sets\n%s\ninstead of the font settings of the project's prefix\n%s" % (every, wanted))
for p in problems:
    print("FAILED: " + p)
sys.exit(1 if problems else 0)
PY
echo "README.txt and wine-fonts.reg: Windows texts"

answer=$(cd "$folder" && wine bin2src.exe --version 2>&1 | tr -d '\r')
if [ "$(head -n 1 <<<"$answer")" != "bin2src (VORDA) $version" ]; then
  printf 'bin2src.exe --version answers\n%s\n' "$answer"
  exit 1
fi
echo "bin2src.exe --version: $(head -n 1 <<<"$answer")"

bash "$(dirname "$0")/consumer_test.sh" "$build" Ninja mingw "$folder"

# Through wine-run, which brings a display of its own when the caller has none.
VORDA_PACKAGE_FOLDER=$(winepath -w "$folder") "$VORDA_ROOT/scripts/wine-run" "$tests"
