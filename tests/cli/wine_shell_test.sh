#!/usr/bin/env bash
# The Windows build of bin2src under Wine, started from a Unix shell as a build would start it:
# the shell's redirections reach the program as handles that have no BY_HANDLE_FILE_INFORMATION,
# and a file-size limit or a signal reaches it as the Unix process it is. Each case checks the
# exit status and what is on disk afterwards.
#   wine_shell_test.sh SCRIPTS-FOLDER BIN2SRC.EXE
set -u
source "$1/common.sh"
program=$2
# The project's prefix, and wine started directly, not through xvfb-run: a console program
# needs no display, and a signal must reach the Wine process itself.
wine_prefix
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1
failures=0

fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

# expect STATUS DESCRIPTION: the status of the last run, $status.
expect() {
  [ "$status" -eq "$1" ] || fail "$2: exit status $status, expected $1; $(cat err.txt 2>/dev/null)"
}

unchanged() { cmp -s "$1" "$2" || fail "$3: '$1' was changed"; }

no_temporary() {
  local left
  left=$(ls -A | grep '\.bin2src-.*\.part$')
  [ -z "$left" ] || fail "$1: temporary file left behind: $left"
}

run() { wine "$program" "$@"; }

head -c 3000 /dev/urandom >abc.bin

# The source as standard input, its own name as destination: never deleted.
cp abc.bin s.bin
run --force -o s.bin <s.bin >/dev/null 2>err.txt
status=$?
expect 1 "--force -o s.bin < s.bin"
grep -q "'s.bin' is the source file itself" err.txt || fail "--force -o s.bin < s.bin: $(cat err.txt)"
unchanged s.bin abc.bin "--force -o s.bin < s.bin"

# Standard output appended to the source: never grown.
run s.bin >>s.bin 2>err.txt
status=$?
expect 1 "s.bin >> s.bin"
grep -q "standard output is the source file 's.bin' itself" err.txt || fail "s.bin >> s.bin: $(cat err.txt)"
unchanged s.bin abc.bin "s.bin >> s.bin"

# Redirections to other files still convert, to the same text as a named destination.
run -o named.c s.bin 2>err.txt
status=$?
expect 0 "-o named.c s.bin"
run s.bin >redirected.c 2>err.txt
status=$?
expect 0 "s.bin > redirected.c"
unchanged redirected.c named.c "s.bin > redirected.c"
run <s.bin >both.c 2>err.txt
status=$?
expect 0 "< s.bin > both.c"
unchanged both.c named.c "< s.bin > both.c"

# A write that fails half-way (a file-size limit, SIGXFSZ ignored) leaves the file replaced
# with --force, and the file behind a symbolic link, as they were.
head -c 1048576 /dev/urandom >big.bin
echo important >old.c
ln -s old.c link.c
for destination in old.c link.c; do
  (ulimit -f 500; trap '' XFSZ; exec wine "$program" --force -o "$destination" big.bin) >/dev/null 2>err.txt
  status=$?
  expect 1 "write failure into $destination"
  grep -q "'$destination' was left as it was" err.txt || fail "write failure into $destination: $(cat err.txt)"
  [ "$(cat old.c)" = important ] || fail "write failure into $destination: old.c holds other text"
  [ -L link.c ] || fail "write failure into $destination: link.c is no longer a link"
  no_temporary "write failure into $destination"
done

# Replaced through the link: the link stays, the file it names gets the text.
run --force -o link.c s.bin 2>err.txt
status=$?
expect 0 "--force -o link.c"
[ -L link.c ] || fail "--force -o link.c: link.c is no longer a link"
unchanged old.c named.c "--force -o link.c"

# SIGINT reaches a Windows program under Wine as Ctrl+C: the temporary file goes, the
# destination stays, and the status is not success. The limit keeps a run that would not stop
# from filling the disk.
truncate -s 64G huge.bin
echo old >out.c
(ulimit -f 1000000; exec wine "$program" --force -o out.c huge.bin) >/dev/null 2>err.txt &
pid=$!
for _ in $(seq 3000); do
  ls -A | grep -q '^out\.c\.bin2src-.*\.part$' && break
  sleep 0.01
done
kill -INT "$pid"
wait "$pid"
status=$?
[ "$status" -ne 0 ] || fail "SIGINT: exit status 0"
[ "$(cat out.c)" = old ] || fail "SIGINT: out.c holds other text"
no_temporary "SIGINT"

[ "$failures" -eq 0 ] && echo "all cases passed"
exit $((failures > 0))
