# Shared by the project's scripts: where things are, Debian packages, the Wine environment.
# Sourced, not run.

VORDA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VORDA_BUILD=${VORDA_BUILD:-$VORDA_ROOT/build}
# UTF-8 whatever the caller's locale: Wine maps file names and command lines through it, and the
# tests use Japanese ones.
export LC_ALL=C.UTF-8
export WINEPREFIX=${VORDA_WINEPREFIX:-$VORDA_BUILD/wineprefix}
export WINEARCH=win64
# No Mono or Gecko installers, no desktop menu entries, and a quiet console.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEDEBUG=${WINEDEBUG:--all}

# Every process of the scripts lays out its memory without address-space randomisation.
# Debian's Wine has no preloader: its loader sits at the fixed address 0x7d000000 and the kernel
# puts the C heap at a random place up to 1 GiB above it. About one start in a few hundred, that
# heap lies where Wine must map Windows' shared user data (0x7ffe0000), and the new process ends
# before it runs ("failed to map the shared user data"; CreateProcess fails with error 1359).
# Without the randomisation the heap starts just after the loader, every time. The personality
# is inherited across fork and exec, so a script that sources this file starts itself again
# under it, once: wine, winepath, wineboot and every program Wine starts then have it.
if [ "${BASH_SOURCE[1]:-}" = "$0" ] && ! (( 0x$(</proc/$$/personality) & 0x0040000 )) &&
  setarch "$(uname -m)" --addr-no-randomize true 2>/dev/null; then
  exec setarch "$(uname -m)" --addr-no-randomize "$BASH" "$0" "$@"
fi

say() { printf '== %s\n' "$*" >&2; }

# Installs the Debian packages that are missing; nothing when all are there.
need_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  say "installing ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get -o DPkg::Lock::Timeout=600 update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# The manual: WeasyPrint renders HTML and CSS through Pango, so the IPA faces installed here are
# the ones it embeds; Pillow (already one of its dependencies) crops the screenshots;
# poppler-utils lists the embedded fonts and renders the preview.
MANUAL_PACKAGES=(weasyprint python3 python3-pil fonts-ipafont-gothic fonts-ipafont-mincho poppler-utils)
# The programs alone: the native bin2src with its man page (help2man) and the Windows programs
# with the manual. Python writes the packages' archives.
PROGRAM_PACKAGES=(cmake ninja-build g++ help2man python3 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
                  "${MANUAL_PACKAGES[@]}")
# clang and nasm (and binutils' as, which g++ brings) compile and assemble bin2src's build styles
# in the tests, clang-19 the one with C23's #embed, and the assemblers for AArch64 and ARM
# assemble them for those targets. acl lists and sets the ACLs that a replaced file keeps;
# fusefat mounts a FAT image made by dosfstools, a file system without hard links or
# RENAME_NOREPLACE.
NATIVE_PACKAGES=(cmake ninja-build g++ help2man python3 libgtest-dev libgmock-dev googletest libbenchmark-dev xxd
                 clang clang-19 nasm binutils-aarch64-linux-gnu binutils-arm-none-eabi acl fusefat dosfstools)
# The fuzz target: clang with its libFuzzer and sanitizer run-time libraries.
FUZZ_PACKAGES=(clang libclang-rt-dev)
CROSS_PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 googletest fonts-wine
                wine wine64 xvfb xauth fonts-ipafont-gothic fonts-vlgothic imagemagick python3
                "${MANUAL_PACKAGES[@]}")
# The packages: dpkg-shlibdeps (dpkg-dev) writes the Debian package's dependencies, lintian checks it.
PACKAGE_PACKAGES=("${PROGRAM_PACKAGES[@]}" dpkg-dev lintian)

# Configures the Windows build (MinGW-w64, Release) in $VORDA_BUILD/cross.
configure_cross() {
  cmake -S "$VORDA_ROOT" -B "$VORDA_BUILD/cross" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$VORDA_ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
}

# Makes the project's Wine prefix once: a 64-bit prefix with the Japanese fonts mapped onto the
# names the program and the system ask for. The settings are imported again whenever they are
# newer than the prefix. Safe to call from parallel tests.
wine_prefix() {
  mkdir -p "$VORDA_BUILD"
  (
    flock 9
    local ready="$WINEPREFIX/.vorda-ready" settings="$VORDA_ROOT/scripts/wine-settings.reg"
    [ -f "$ready" ] && [ "$ready" -nt "$settings" ] && exit 0
    if [ ! -f "$ready" ]; then
      say "making the Wine prefix $WINEPREFIX"
      rm -rf "$WINEPREFIX"
      DISPLAY= wineboot -i >/dev/null 2>&1
      # Wine draws the caption buttons with Marlett but does not find Debian's copy by itself.
      cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    fi
    # regedit takes UTF-16 with a byte-order mark; the settings file is kept as UTF-8.
    local reg="$VORDA_BUILD/wine-settings.reg"
    { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$settings"; } >"$reg"
    DISPLAY= wine regedit /S "$(winepath -w "$reg")" >/dev/null 2>&1
    wineserver -w
    touch "$ready"
  ) 9>"$VORDA_BUILD/.wineprefix.lock"
}

# Starts a persistent wine server and its system processes (services, the desktop window) on
# the current display, with their output going nowhere.
wine_session() {
  # A server left from an earlier run would keep its processes on another display.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  wineserver -p
  wine wineboot >/dev/null 2>&1 </dev/null
  # The desktop process is otherwise started on demand by the first program that makes a
  # window and inherits that program's output, which it holds open until the server ends: under
  # ctest that test then seems to run as long as all the others together, and keeps a slot busy.
  wine explorer.exe /desktop >/dev/null 2>&1 </dev/null &
  disown
}

# Starts Xvfb on a free display with a 1024 x 768 screen and exports DISPLAY.
start_xvfb() {
  local fifo="$VORDA_BUILD/.xvfb-display.$$" n="" try
  for try in 1 2 3; do
    rm -f "$fifo"; mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    XVFB_PID=$!
    read -r n <"$fifo" || true
    rm -f "$fifo"
    [ -n "$n" ] && break
    say "Xvfb did not start (try $try)"
    sleep 1
  done
  if [ -z "$n" ]; then
    say "could not start Xvfb"
    return 1
  fi
  export DISPLAY=":$n"
}

stop_xvfb() {
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
  XVFB_PID=
}

# Starts Xvfb and a Wine session on it, both ended when the script exits, after the clean-up
# command given, if any (kept as written: its variables expand at exit).
start_wine_display() {
  start_xvfb
  # shellcheck disable=SC2064
  trap "${1:+$1; }wineserver -k 2>/dev/null || true; stop_xvfb" EXIT
  wine_session
}

# ---- Benchmarks ----

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# The statistics of the benchmarks' tables. The median of the values given; their spread, the
# largest less the smallest over the median, in per cent ("12%"), which shows how quiet the
# machine was; x / b with `decimals` decimals (2 by default), 0 when b is 0; and the change from b
# to x in per cent of b, signed, with two decimals.
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
spread() {
  printf '%s\n' "$@" | sort -g |
    awk '{ v[NR] = $1 } END { m = v[int((NR + 1) / 2)]; printf "%.0f%%", (m > 0 ? 100 * (v[NR] - v[1]) / m : 0) }'
}
ratio() { awk -v x="$1" -v b="$2" -v f="%.${3:-2}f" 'BEGIN { printf f, (b > 0 ? x / b : 0) }'; }
change() { awk -v x="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? 100 * (x - b) / b : 0) }'; }

# A benchmark's goal: says whether `got` is <= or >= `want`, and sets missed=1 when it is not.
#   goal "what" got "<=" want
goal() {
  local what=$1 got=$2 cmp=$3 want=$4
  if awk -v g="$got" -v w="$want" -v c="$cmp" 'BEGIN { exit !(c == "<=" ? g <= w : g >= w) }'; then
    say "goal met: $what $got ($cmp $want)"
  else
    say "goal MISSED: $what $got ($cmp $want)"
    missed=1
  fi
}

# Prints the path of a random source of $2 MiB in folder $1, made on first use and kept, so
# that every tool and every later run reads the same bytes.
random_source() {
  local file="$1/random-$2MiB.bin"
  [ -f "$file" ] || head -c "$(($2 * 1024 * 1024))" /dev/urandom >"$file" || return
  echo "$file"
}

# Set-up of the benchmarks that export under Wine: builds the targets named, makes the work
# folder $work and starts a Wine session on Xvfb; at exit the outputs left in $work go.
wine_bench_setup() {
  need_packages "${NATIVE_PACKAGES[@]}" "${CROSS_PACKAGES[@]}"
  say "building $1"
  configure_cross
  cmake --build "$VORDA_BUILD/cross" --target "$@" >/dev/null
  # VORDA_BENCH_DIR puts the files elsewhere: on a tmpfs, the disk's write-back leaves the timings.
  work=${VORDA_BENCH_DIR:-$VORDA_BUILD/bench-export}
  mkdir -p "$work"
  wine_prefix
  start_wine_display 'rm -f "$work"/out.*'
}

# Times `xxd -i` on file $1 into $work: adds the milliseconds to the array xxd_ms and sets
# xxd_bytes to the size of what it wrote, which is then removed.
time_xxd() {
  local t0 t1
  t0=$(now_ms)
  xxd -i "$1" >"$work/out.xxd"
  t1=$(now_ms)
  xxd_ms+=($((t1 - t0)))
  xxd_bytes=$(stat -c %s "$work/out.xxd")
  rm -f "$work/out.xxd"
}
