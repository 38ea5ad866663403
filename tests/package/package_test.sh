#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian packages as a user gets them: builds them from a build tree with
# cpack (into a folder of its own), installs them into a scratch root with a
# fresh dpkg database, and checks the control fields, the files and their
# places, that the installed programs run, that the desktop entry is valid
# that every manual page renders without a warning, and that lintian finds
# no error and no warning.
#
#   package_test.sh BUILD_DIR VERSION CPACK
#
# Needs dpkg-dev and file (dpkg-shlibdeps), desktop-file-utils, man-db,
# groff-base, appstream and lintian; scripts/setup installs them.
set -uo pipefail

build=${1:?build directory}
version=${2:?project version}
cpack=${3:?cpack}
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

missing=()
for tool in dpkg dpkg-deb dpkg-shlibdeps file desktop-file-validate man groff gzip apt-get \
  appstreamcli; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
if [[ ${#missing[@]} -gt 0 ]]; then
  echo "package test: missing ${missing[*]}; run scripts/setup" >&2
  exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/tarcfg-package.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
failures=0
reported=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
# Ends a group of checks: "ok" when none of them failed since the last group.
pass() {
  [[ $failures -eq $reported ]] && echo "ok: $*"
  reported=$failures
}

# ---- build the packages
if ! "$cpack" --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  echo "FAIL: cpack failed" >&2
  exit 1
fi
arch=$(dpkg --print-architecture)
packages=(tarcfg tarcfg-cli tarnex-sim)
declare -A deb
for p in "${packages[@]}"; do
  deb[$p]=$work/out/${p}_${version}-1_${arch}.deb
done
made=$(find "$work/out" -maxdepth 1 -name '*.deb' -printf '%f\n' | sort | tr '\n' ' ')
wanted=$(for p in "${packages[@]}"; do basename "${deb[$p]}"; done | sort | tr '\n' ' ')
if [[ $made != "$wanted" ]]; then
  fail "cpack made '$made', expected '$wanted'"
  exit 1
fi
pass "cpack made $made"

# ---- control fields
# The package names of a Depends field, without versions.
depends_of() {
  dpkg-deb -f "$1" Depends | sed -e 's/[,|]/\n/g' | sed -e 's/(.*)//' -e 's/[[:space:]]//g' -e '/^$/d'
}
expect_field() {  # PACKAGE FIELD VALUE
  local value
  value=$(dpkg-deb -f "${deb[$1]}" "$2")
  [[ $value == "$3" ]] || fail "$1: $2 is '$value', expected '$3'"
}
for p in "${packages[@]}"; do
  expect_field "$p" Package "$p"
  expect_field "$p" Version "$version-1"
  expect_field "$p" Architecture "$arch"
  expect_field "$p" Section net
  expect_field "$p" Maintainer "Tarnex Router configuration tool developers <developers@tarcfg.org>"
  expect_field "$p" Homepage "https://tarcfg.org"
  summary=$(dpkg-deb -f "${deb[$p]}" Description | head -n 1)
  [[ -n $summary && $summary != *"built using CMake"* ]] || fail "$p: no description ('$summary')"
  long=$(dpkg-deb -f "${deb[$p]}" Description | tail -n +2 | wc -l)
  [[ $long -ge 2 ]] || fail "$p: no extended description"
done
expect_depends() {  # PACKAGE "needed ..." "forbidden ..."
  local names listed
  names=$(depends_of "${deb[$1]}")
  listed=$(tr '\n' ' ' <<<"$names")
  for n in $2; do
    grep -qx -- "$n" <<<"$names" || fail "$1: Depends lacks $n (has: $listed)"
  done
  for n in $3; do
    grep -qx -- "$n" <<<"$names" && fail "$1: Depends names $n (has: $listed)"
  done
  return 0
}
expect_depends tarcfg "libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 netbase" \
  "tarcfg-cli tarnex-sim"
expect_depends tarcfg-cli "libc6 libstdc++6 libqt6core6 libqt6httpserver6 netbase" \
  "libqt6gui6 libqt6widgets6 tarcfg tarnex-sim"
expect_depends tarnex-sim "libc6 libstdc++6" "libqt6core6 libqt6gui6 libqt6widgets6 tarcfg tarcfg-cli"
recommends=$(dpkg-deb -f "${deb[tarcfg]}" Recommends)
[[ $recommends == *qt6-translations-l10n* ]] ||
  fail "tarcfg: Recommends '$recommends' lacks qt6-translations-l10n"
pass "control fields and dependencies"

# The dependencies are real packages that this machine (which built the
# programs) satisfies: apt would install the three packages and nothing else.
if apt-get -s -o Debug::NoLocking=1 install "${deb[@]}" >"$work/apt.log" 2>&1; then
  installs=$(sed -n 's/^Inst \([^ ]*\) .*/\1/p' "$work/apt.log" | sort | tr '\n' ' ')
  [[ $installs == "tarcfg tarcfg-cli tarnex-sim " ]] ||
    fail "apt would install '$installs', expected only the three packages"
else
  cat "$work/apt.log" >&2
  fail "apt-get cannot install the packages here"
fi

# ---- contents: every file in the package that should hold it, nothing else
contents() {
  dpkg-deb -c "$1" | awk '$1 !~ /^d/ { print $6 }' | sort
}
expect_contents() {  # PACKAGE FILE...
  local p=$1
  shift
  local got expected
  got=$(contents "${deb[$p]}")
  expected=$(printf '%s\n' "$@" | sort)
  [[ $got == "$expected" ]] || fail "$p holds:"$'\n'"$got"$'\n'"expected:"$'\n'"$expected"
}
expect_contents tarcfg \
  ./usr/bin/tarcfg \
  ./usr/share/applications/tarcfg.desktop \
  ./usr/share/icons/hicolor/32x32/apps/tarcfg.png \
  ./usr/share/icons/hicolor/48x48/apps/tarcfg.png \
  ./usr/share/icons/hicolor/scalable/apps/tarcfg.svg \
  ./usr/share/tarcfg/help/index.html \
  ./usr/share/tarcfg/help/index.de.html \
  ./usr/share/doc/tarcfg/copyright \
  ./usr/share/doc/tarcfg/changelog.Debian.gz \
  ./usr/share/lintian/overrides/tarcfg \
  ./usr/share/doc/tarcfg/examples/tarcfg.pro \
  ./usr/share/metainfo/org.tarcfg.tarcfg.metainfo.xml \
  ./usr/share/man/man1/tarcfg.1.gz
expect_contents tarcfg-cli \
  ./usr/bin/tarcfg-cli \
  ./usr/share/bash-completion/completions/tarcfg-cli \
  ./usr/share/doc/tarcfg-cli/copyright \
  ./usr/share/doc/tarcfg-cli/changelog.Debian.gz \
  ./usr/share/lintian/overrides/tarcfg-cli \
  ./usr/share/doc/tarcfg-cli/examples/tarcfg-serve.service \
  ./usr/share/doc/tarcfg-cli/examples/tarnex-alerts.yml \
  ./usr/share/man/man1/tarcfg-cli.1.gz
expect_contents tarnex-sim \
  ./usr/bin/tarnex-sim \
  ./usr/share/doc/tarnex-sim/copyright \
  ./usr/share/doc/tarnex-sim/changelog.Debian.gz \
  ./usr/share/doc/tarnex-sim/README.md \
  ./usr/share/lintian/overrides/tarnex-sim \
  ./usr/share/doc/tarnex-sim/examples/demo.routers \
  ./usr/share/man/man1/tarnex-sim.1.gz
pass "package contents"

# ---- install into a scratch root with a fresh dpkg database. The libraries
# come from this machine, so the dependencies are not installed there; paths
# that the machine's dpkg configuration excludes (docs, manual pages in slim
# images) are included again.
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
if ! dpkg --root="$root" --force-depends --force-not-root --path-include='*' --log=/dev/null \
  -i "${deb[@]}" >"$work/dpkg.log" 2>&1; then
  cat "$work/dpkg.log" >&2
  echo "FAIL: dpkg could not install the packages" >&2
  exit 1
fi
for p in "${packages[@]}"; do
  status=$(dpkg --root="$root" -s "$p" 2>/dev/null | sed -n 's/^Status: //p')
  [[ $status == "install ok installed" ]] || fail "$p: dpkg status '$status'"
done
usr=$root/usr
for f in bin/tarcfg bin/tarcfg-cli bin/tarnex-sim; do
  [[ -x $usr/$f ]] || fail "$f is not an installed program"
done
pass "installed into $root"

# The icons lie in the folder of their real size.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }'; }
for size in 32x32 48x48; do
  icon=$usr/share/icons/hicolor/$size/apps/tarcfg.png
  [[ $(head -c 8 "$icon" | od -An -tx1 | tr -d ' \n') == 89504e470d0a1a0a ]] || fail "$icon is no PNG"
  [[ $(png_size "$icon") == "$size" ]] || fail "$icon is $(png_size "$icon"), in folder $size"
done
grep -q '<svg' "$usr/share/icons/hicolor/scalable/apps/tarcfg.svg" || fail "the scalable icon is no SVG"

# The user guide is where the Help menu looks for it: bin/../share/tarcfg/help.
cmp -s "$usr/bin/../share/tarcfg/help/index.html" "$source_dir/resources/help/index.html" ||
  fail "the installed user guide differs from resources/help/index.html"
cmp -s "$usr/bin/../share/tarcfg/help/index.de.html" "$source_dir/resources/help/index.de.html" ||
  fail "the installed German user guide differs from resources/help/index.de.html"
pass "icons and user guide"

# ---- the installed programs run
run() {  # NAME EXPECTED-TEXT COMMAND...: exit status 0 and the text in the output
  local name=$1 text=$2
  shift 2
  local out rc
  out=$("$@" 2>&1)
  rc=$?
  [[ $rc -eq 0 ]] || fail "$name: exit status $rc: $out"
  grep -qF -- "$text" <<<"$out" || fail "$name: no '$text' in: $out"
}
run "tarcfg-cli --help" "Usage: tarcfg-cli" "$usr/bin/tarcfg-cli" --help
run "tarcfg-cli --version" "$version" "$usr/bin/tarcfg-cli" --version
run "tarnex-sim --help" "usage: tarnex-sim" "$usr/bin/tarnex-sim" --help
run "tarnex-sim --version" "tarnex-sim $version" "$usr/bin/tarnex-sim" --version
# The help names the documentation the package really ships.
for doc in $("$usr/bin/tarnex-sim" --help | grep -o '/usr/share/doc/[^ ;]*[a-z]'); do
  [[ -f $root$doc ]] || fail "tarnex-sim --help names $doc, which the package does not ship"
done
# --help and --version are answered before a display is needed.
run "tarcfg --help" "usage: tarcfg" \
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$usr/bin/tarcfg" --help
run "tarcfg --version" "tarcfg $version" \
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$usr/bin/tarcfg" --version
# Qt's own options are Qt's: only the unknown one is refused.
out=$(QT_QPA_PLATFORM= "$usr/bin/tarcfg" -platform offscreen -reverse -style Fusion --bogus 2>&1)
rc=$?
[[ $rc -eq 2 && $out == *"unknown option: --bogus"* && $out != *"unknown option: -platform"* ]] ||
  fail "tarcfg with Qt's options: exit status $rc: $out"

image=$work/fw_dss1.2.10
run "tarnex-sim make-image" "" "$usr/bin/tarnex-sim" make-image "$image" --version 2.10
if [[ -f $image ]]; then
  [[ $(stat -c %s "$image") -ge $((0x60000)) ]] || fail "the firmware image is too small"
  [[ $(head -c 9 "$image") == TARNEX-FW ]] || fail "the firmware image has no header"
else
  fail "tarnex-sim make-image wrote no image"
fi

# The example tarcfg.pro loads: tarcfg-cli reads it from the firmware folder.
cat >"$work/tarcfg.ini" <<INI
[Settings]
IpAddress=127.0.0.1
NetMask=255.0.0.0
NameResolve=0
FirmwarePath=$usr/share/doc/tarcfg/examples
INI
if tables=$("$usr/bin/tarcfg-cli" --settings "$work/tarcfg.ini" protocols 2>&1); then
  defined=$(grep -c '^2:' <<<"$tables")
  example=$(grep -c '^2:' "$usr/share/doc/tarcfg/examples/tarcfg.pro")
  [[ $defined -eq $((3 + example)) ]] ||
    fail "tarcfg.pro has $example definitions, the tables $defined entries: $tables"
  grep -qx '2:x75_ext1k base=x75 blocksize=1024 addr_a=3 addr_b=1 modulo=128 windowsize=127' \
    <<<"$tables" || fail "the example's x75_ext1k is not in the tables: $tables"
else
  fail "tarcfg-cli rejects the example tarcfg.pro: $tables"
fi
pass "installed programs run"

# ---- the desktop entry
desktop=$usr/share/applications/tarcfg.desktop
if ! out=$(desktop-file-validate "$desktop" 2>&1) || [[ -n $out ]]; then
  fail "desktop-file-validate: $out"
fi
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
[[ -x $usr/bin/${exec_line%% *} ]] || fail "Exec=$exec_line is not an installed program"
icon_name=$(sed -n 's/^Icon=//p' "$desktop")
[[ -f $usr/share/icons/hicolor/48x48/apps/$icon_name.png ]] || fail "Icon=$icon_name is not installed"
pass "desktop entry"

# ---- licence: the DEP-5 copyright file of every package, the full text in LICENSE
for p in "${packages[@]}"; do
  copyright=$usr/share/doc/$p/copyright
  [[ $(head -n 1 "$copyright") == \
    "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ]] ||
    fail "$p: copyright is not in the DEP-5 format"
  grep -qx 'License: GPL-3.0-or-later' "$copyright" || fail "$p: copyright names no GPL-3.0-or-later"
  grep -qx 'Upstream-Contact: Tarnex Router configuration tool developers <developers@tarcfg.org>' \
    "$copyright" || fail "$p: copyright has no project contact"
  grep -qF '/usr/share/common-licenses/GPL-3' "$copyright" ||
    fail "$p: copyright does not point to common-licenses/GPL-3"
  grep -q '@[A-Z_][A-Z_]*@' "$copyright" && fail "$p: copyright has an unfilled @VARIABLE@"
done
grep -q 'GNU GENERAL PUBLIC LICENSE' "$source_dir/LICENSE" &&
  grep -q 'Version 3, 29 June 2007' "$source_dir/LICENSE" || fail "LICENSE is not the GPL-3 text"
if [[ -f /usr/share/common-licenses/GPL-3 ]]; then
  cmp -s /usr/share/common-licenses/GPL-3 "$source_dir/LICENSE" ||
    fail "LICENSE differs from /usr/share/common-licenses/GPL-3"
fi
pass "licence and copyright files"

# ---- AppStream metadata: valid, for this version, and about what is installed
metainfo=$usr/share/metainfo/org.tarcfg.tarcfg.metainfo.xml
if ! out=$(appstreamcli validate --no-net "$metainfo" 2>&1); then
  fail "appstreamcli validate: $out"
fi
grep -q "<release version=\"$version\" date=\"[0-9-]*\"" "$metainfo" ||
  fail "the metainfo has no release entry for $version"
launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
[[ -f $usr/share/applications/$launchable ]] || fail "metainfo launches '$launchable', not installed"
shots=$(sed -n 's:.*<image>.*/\([^/]*\.png\)</image>.*:\1:p' "$metainfo")
[[ -n $shots ]] || fail "the metainfo has no screenshots"
for shot in $shots; do
  [[ -f $source_dir/docs/screenshots/$shot ]] || fail "metainfo screenshot $shot is not in docs/screenshots"
  grep -qF "docs/screenshots/$shot" "$source_dir/README.md" || fail "the README does not show $shot"
done
grep -q '@[A-Z_][A-Z_]*@' "$metainfo" && fail "the metainfo has an unfilled @VARIABLE@"
pass "AppStream metadata"

# ---- bash completion of the installed tarcfg-cli
if ! out=$(bash -c '
    source "$1" || exit 1
    complete -p tarcfg-cli | grep -q _tarcfg_cli || exit 2
    COMP_WORDS=("$2" hi) COMP_CWORD=1
    _tarcfg_cli
    printf "%s " "${COMPREPLY[@]}"
  ' completion "$usr/share/bash-completion/completions/tarcfg-cli" "$usr/bin/tarcfg-cli" 2>&1) ||
  [[ $out != "history " ]]; then
  fail "bash completion of 'tarcfg-cli hi': '$out'"
fi
pass "bash completion"

# ---- the manual pages render without warnings (all of groff's, not only
# the default "mac" ones)
for page in tarcfg tarcfg-cli tarnex-sim; do
  file=$usr/share/man/man1/$page.1.gz
  LC_ALL=C MANWIDTH=80 MAN_DISABLE_SECCOMP=1 man --warnings=w -l "$file" \
    >"$work/$page.txt" 2>"$work/$page.err"
  rc=$?
  if [[ $rc -ne 0 ]]; then
    fail "man -l $page: exit status $rc: $(cat "$work/$page.err")"
  elif [[ -s $work/$page.err ]]; then
    fail "man -l $page warns: $(cat "$work/$page.err")"
  fi
  grep -q "^ *$page - " "$work/$page.txt" || fail "$page.1 has no NAME line for $page"
  grep -q "tarcfg $version" "$work/$page.txt" || fail "$page.1 does not show version $version"
  zcat "$file" | head -n 1 | grep -q '^\.TH [^ ]* 1 "[0-9]\{4\}-[0-9][0-9]-[0-9][0-9]" ' ||
    fail "$page.1 has no release date: $(zcat "$file" | head -n 1)"
  if zcat "$file" | grep -q '@[A-Z_][A-Z_]*@'; then
    fail "$page.1 has an unfilled @VARIABLE@"
  fi
done
pass "manual pages"

# ---- lintian: no error and no warning on any of the three packages
# (informational tags, and overrides shipped with their reasons, pass).
if ! command -v lintian >/dev/null; then
  fail "lintian is missing; run scripts/setup"
else
  # Tags decide here, not lintian's exit status; that only tells whether it ran.
  LC_ALL=C.UTF-8 lintian --fail-on none --tag-display-limit 0 "${deb[@]}" >"$work/lintian.log" 2>&1
  rc=$?
  if [[ $rc -ne 0 ]]; then
    fail "lintian could not check the packages (exit status $rc): $(cat "$work/lintian.log")"
  elif grep -qE '^(E|W): ' "$work/lintian.log"; then
    fail "lintian:"$'\n'"$(grep -E '^(E|W): ' "$work/lintian.log")"
  fi
fi
pass "lintian"

if [[ $failures -gt 0 ]]; then
  echo "package test: $failures failures" >&2
  exit 1
fi
echo "package test: all checks passed"
