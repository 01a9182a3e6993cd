# Shared by the project's scripts: where things are, Debian packages, the Wine environment.
# Sourced, not run.

VORDA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VORDA_BUILD=${VORDA_BUILD:-$VORDA_ROOT/build}
export WINEPREFIX=${VORDA_WINEPREFIX:-$VORDA_BUILD/wineprefix}
export WINEARCH=win64
# No Mono or Gecko installers, no desktop menu entries, and a quiet console.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEDEBUG=${WINEDEBUG:--all}

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
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

NATIVE_PACKAGES=(cmake ninja-build g++ libgtest-dev libgmock-dev googletest libbenchmark-dev xxd)
CROSS_PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 googletest fonts-wine
                wine wine64 xvfb xauth fonts-ipafont-gothic fonts-vlgothic imagemagick python3)

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
