#!/usr/bin/env bash
# Installs the build into a fresh DESTDIR (prefix /usr, as the package has
# it) and checks one part of what lands there with the tool the desktop,
# AppStream, man and systemd use themselves. Exit code 77 (skipped) when that
# tool is not installed.
#
#     check-installed-files.sh BUILD_DIR tree|desktop|metainfo|man|systemd|completion
set -euo pipefail

build=$1
what=$2
skip=77

need() {
  command -v "$1" >/dev/null || { echo "$1 is not installed: skipped"; exit $skip; }
}

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
usr=$root/usr
id=at.depexport.DepExport

case $what in
tree)
  # every part where the desktop and the tools look for it
  for file in bin/DepExport share/applications/$id.desktop share/icons/hicolor/scalable/apps/$id.svg \
              share/metainfo/$id.metainfo.xml share/man/man1/DepExport.1.gz \
              share/bash-completion/completions/DepExport share/doc/depexport/copyright \
              share/doc/depexport/examples/depexport-sicherung.service \
              share/doc/depexport/examples/depexport-sicherung.timer; do
    [ -s "$usr/$file" ] || { echo "missing: /usr/$file"; exit 1; }
  done
  [ -x "$usr/bin/DepExport" ] || { echo "/usr/bin/DepExport is not executable"; exit 1; }
  # the installed program runs from there and knows its new options
  "$usr/bin/DepExport" --help | grep -q -- '--period' || { echo "DepExport --help lacks --period"; exit 1; }
  # the menu entry names the program, its icon and its window's class
  grep -qx "Exec=DepExport" "$usr/share/applications/$id.desktop"
  grep -qx "Icon=$id" "$usr/share/applications/$id.desktop"
  grep -qx "StartupWMClass=DepExport" "$usr/share/applications/$id.desktop"
  ;;
desktop)
  need desktop-file-validate
  desktop-file-validate "$usr/share/applications/$id.desktop"
  out=$(desktop-file-validate "$usr/share/applications/$id.desktop" 2>&1)
  [ -z "$out" ] || { echo "$out"; exit 1; }
  ;;
metainfo)
  need appstreamcli
  appstreamcli validate --no-net --explain "$usr/share/metainfo/$id.metainfo.xml"
  # the licence the metainfo names is the one of the licence file
  grep -q "<project_license>MIT</project_license>" "$usr/share/metainfo/$id.metainfo.xml"
  head -1 "$(dirname "$0")/../../LICENSE" | grep -qx "MIT License"
  ;;
man)
  need man
  # groff's warnings (bad macros, lines too long to set) fail the check
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
             man --warnings -E UTF-8 -l -Tutf8 -Z "$usr/share/man/man1/DepExport.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || { echo "$warnings"; exit 1; }
  text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$usr/share/man/man1/DepExport.1.gz")
  # every option of the program's help has its paragraph, and the sections are there
  for option in $("$usr/bin/DepExport" --help | grep -o -- '--[a-z-]*' | sort -u); do
    grep -q -- "$option" <<<"$text" || { echo "man page lacks $option"; exit 1; }
  done
  for section in OPTIONEN RÜCKGABEWERT UMGEBUNG DATEIEN BEISPIELE; do
    grep -q "^$section" <<<"$text" || { echo "man page lacks $section"; exit 1; }
  done
  grep -q "0 6 5 1,4,7,10 \* DepExport" <<<"$text" || { echo "man page lacks the cron line"; exit 1; }
  ;;
systemd)
  need systemd-analyze
  units=$root/units
  mkdir -p "$units"
  # systemd looks an unqualified ExecStart up in its own fixed search path,
  # where the DESTDIR's program is not: the copy names it by its full path.
  sed "s|^ExecStart=DepExport |ExecStart=$usr/bin/DepExport |" \
    "$usr/share/doc/depexport/examples/depexport-sicherung.service" > "$units/depexport-sicherung.service"
  cp "$usr/share/doc/depexport/examples/depexport-sicherung.timer" "$units/"
  grep -q "^ExecStart=$usr/bin/DepExport .*--period last-quarter --output %h/DEP-Sicherung/{period}" \
    "$units/depexport-sicherung.service"
  grep -qx "Persistent=true" "$units/depexport-sicherung.timer"
  # a few days after the end of each quarter
  systemd-analyze calendar --iterations=4 "$(sed -n 's/^OnCalendar=//p' "$units/depexport-sicherung.timer")" \
    | grep -E "Iter|Next" | grep -qvE -- '-(01|04|07|10)-0[2-9] ' && { echo "OnCalendar is not a few days after each quarter"; exit 1; }
  (cd "$units" && MANPATH=$usr/share/man systemd-analyze verify depexport-sicherung.service depexport-sicherung.timer)
  out=$(cd "$units" && MANPATH=$usr/share/man systemd-analyze verify depexport-sicherung.service \
        depexport-sicherung.timer 2>&1)
  [ -z "$out" ] || { echo "$out"; exit 1; }
  ;;
completion)
  [ -r /usr/share/bash-completion/bash_completion ] || { echo "bash-completion is not installed: skipped"; exit $skip; }
  # the completion offers every option of the program's help
  offered=$(bash -c '
    source /usr/share/bash-completion/bash_completion
    source "$1"
    COMP_WORDS=(DepExport --); COMP_CWORD=1; COMP_LINE="DepExport --"; COMP_POINT=${#COMP_LINE}
    _DepExport DepExport -- DepExport
    printf "%s\n" "${COMPREPLY[@]}"' _ "$usr/share/bash-completion/completions/DepExport")
  for option in $("$usr/bin/DepExport" --help | grep -o -- '--[a-z-]*' | sort -u); do
    grep -qx -- "$option" <<<"$offered" || { echo "completion lacks $option"; exit 1; }
  done
  variants=$(bash -c '
    source /usr/share/bash-completion/bash_completion
    source "$1"
    COMP_WORDS=(DepExport --period last-q); COMP_CWORD=2; COMP_LINE="DepExport --period last-q"; COMP_POINT=${#COMP_LINE}
    _DepExport DepExport last-q --period
    printf "%s\n" "${COMPREPLY[@]}"' _ "$usr/share/bash-completion/completions/DepExport")
  [ "$variants" = last-quarter ] || { echo "--period last-q completes to '$variants'"; exit 1; }
  ;;
*)
  echo "unknown check $what"; exit 2 ;;
esac
echo "$what: ok"
