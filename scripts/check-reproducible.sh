#!/usr/bin/env bash
# Checks that the release is reproducible to the bit: packs the commit twice with
# scripts/package.sh, in two fresh clones in two different folders, one after the other, and
# compares vorda.exe, bin2src.exe, bin2src and the three packages. The second build differs
# from the first in all that should not matter: its folder, its time, its umask (077), its
# time zone and, where it can (as root, with unshare), GoogleTest and Google Benchmark hidden
# from it. Says which file differs and where: the first differing byte, and inside an archive
# the members that differ.
#   scripts/check-reproducible.sh [COMMIT]     (HEAD by default; exit status 1 on a difference)
set -euo pipefail
source "$(dirname "$0")/common.sh"
commit=$(git -C "$VORDA_ROOT" rev-parse --verify "${1:-HEAD}^{commit}")
need_packages "${PACKAGE_PACKAGES[@]}" unzip binutils

base="$VORDA_BUILD/reproducible"
rm -rf "$base"
mkdir -p "$base"
first="$base/first/vorda" second="$base/a-second-folder/deeper/vorda-again"

# A clone of the commit, as a builder would have it, packed in its own build folder.
pack() {
  local tree=$1
  shift
  git clone --quiet --shared --no-checkout "$VORDA_ROOT" "$tree"
  git -C "$tree" checkout --quiet --detach "$commit"
  VORDA_BUILD="$tree/build" "$@" "$tree/scripts/package.sh" "$tree/build/packages" >/dev/null
}

# Runs the command with GoogleTest and Google Benchmark out of sight: empty folders mounted over
# theirs in a mount namespace of its own.
without_test_libraries() {
  local empty="$base/empty" script
  mkdir -p "$empty"
  script='for p in /usr/src/googletest /usr/include/gtest /usr/include/gmock /usr/include/benchmark \
                   /usr/lib/*/cmake/GTest /usr/lib/*/cmake/benchmark; do
            [ -d "$p" ] && mount --bind "$0" "$p"
          done
          for p in /usr/lib/*/libgtest* /usr/lib/*/libgmock* /usr/lib/*/libbenchmark*; do
            [ -f "$p" ] && mount --bind /dev/null "$p"
          done
          exec "$@"'
  unshare --mount --propagation private bash -c "$script" "$empty" "$@"
}

say "first build, in $first"
(umask 022; TZ=UTC pack "$first" env)
hide=env
if [ "$(id -u)" -eq 0 ] && unshare --mount --propagation private true 2>/dev/null; then
  hide=without_test_libraries
  say "second build, in $second, umask 077, time zone Asia/Tokyo, without GoogleTest and Google Benchmark"
else
  say "second build, in $second, umask 077, time zone Asia/Tokyo (GoogleTest stays in sight: that needs root and unshare)"
fi
(umask 077; TZ=Asia/Tokyo pack "$second" $hide)

# Lists an archive's members with their metadata, one a line.
listing() {
  case $1 in
    *.zip) zipinfo -l "$1" | sed '1,2d;$d' ;;
    *.tar.gz) tar -tvzf "$1" --full-time ;;
    *.deb) ar tv "$1" ;;
  esac
}

unpack() {
  mkdir -p "$2"
  case $1 in
    *.zip) unzip -q "$1" -d "$2" ;;
    *.tar.gz) tar -xzf "$1" -C "$2" ;;
    *.deb) (cd "$2" && ar x "$1") ;;
  esac
}

# Compares file $2 with $3, named $1 in what it says; inside an archive, member by member.
differences=0
compare() {
  local name=$1 a=$2 b=$3
  if cmp -s "$a" "$b"; then
    return 0
  fi
  echo "DIFFERS  $name: $(cmp "$a" "$b" 2>&1 | sed 's/^.*differ: //;s/^cmp: //'), sizes $(stat -c %s "$a") and $(stat -c %s "$b")"
  differences=$((differences + 1))
  case $name in
    *.zip|*.tar.gz|*.deb) ;;
    *) return 0 ;;
  esac
  diff <(listing "$a") <(listing "$b") | sed -n 's/^[<>]/    &/p' | head -20 || true
  local x="$base/unpacked/$differences" member
  unpack "$(realpath "$a")" "$x/a"
  unpack "$(realpath "$b")" "$x/b"
  while IFS= read -r member; do
    [ -f "$x/a/$member" ] && [ -f "$x/b/$member" ] && compare "$name!$member" "$x/a/$member" "$x/b/$member"
  done < <(cd "$x/a" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
}

cd "$base"
for program in native/cli/bin2src cross/vorda.exe cross/cli/bin2src.exe; do
  compare "$(basename "$program")" "$first/build/package/$program" "$second/build/package/$program"
done
for package in "$first"/build/packages/*.zip "$first"/build/packages/*.deb "$first"/build/packages/*.tar.gz; do
  compare "$(basename "$package")" "$package" "$second/build/packages/$(basename "$package")"
done
if [ "$differences" -gt 0 ]; then
  say "not reproducible: $differences files differ"
  exit 1
fi
cat "$first/build/packages/SHA256SUMS"
say "reproducible: both builds of $(git -C "$VORDA_ROOT" rev-parse --short "$commit") give these same bytes"
