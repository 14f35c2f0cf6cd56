#!/usr/bin/env bash
# Checks the packages scripts/package.sh made in dist/ as their users meet them:
#   - the Debian package: lintian, its control data, and what `dpkg-deb -x` gives (the converter
#     converts the sample; `man -l` renders the man page);
#   - the zip: exactly the expected files; its converter converts the sample under Wine;
#   - the setup: installed silently into a fresh Wine prefix over an older version, for all users
#     and for the current user alone; the wizard starts from the Start-menu shortcut and shows its
#     window; the installed converter writes the same page as the Linux one; the entry under the
#     installed programs; a silent uninstall leaves nothing of Glyphcast (files, shortcut,
#     registry) and keeps what the user put beside it.
# The setup and zip we ship are 32-bit: where the tests take the 64-bit path (32-bit Wine is not
# installed, or the machine does not execute 32-bit programs: see scripts/wine-env.sh) the Wine
# checks use a 64-bit setup made from the same NSIS script and the x86_64 test build (build/win64),
# and the zip's converter is not run, the skip line saying why; the 32-bit setup's contents are
# checked there with 7-Zip instead.
# Wine's programs may end before their work is done (the uninstaller goes on from a copy of itself
# in the temporary folder), so each check waits for all of Wine's processes in the prefix to end
# before it looks, bounded by a generous timeout.
# Needs a display for the wizard (scripts/test.sh runs it inside xvfb-run). Prints one line a
# check and writes REPORT_DIR/packages.xml (GoogleTest's report form) for the test count.
# Usage: check-packages.sh [REPORT_DIR]
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
report_dir=${1:-$root/build/results/packages}
mkdir -p "$report_dir"
source packaging/facts.sh
glyphcast_facts build/package-linux/generated/Version.h || exit 1
older_version=0.9  # any version before 1.x: the one the upgrade starts from

setup=$root/dist/glyphcast-$version-setup.exe
zip=$root/dist/glyphcast-$version-win32.zip
deb=$root/dist/glyphcast-convert_${version}_$(dpkg --print-architecture).deb
work=$(mktemp -d)
cleanup() {
  [ -n "${WINEPREFIX:-}" ] && timeout 30 wineserver -k 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

source tests/checks.sh
# The page the converter writes for the sample in a folder of its own, with fixed settings.
sample_settings=(--columns 80 --order sequential --background 101820)
fresh_sample() {
  rm -rf "$work/$1"
  mkdir -p "$work/$1"
  cp samples/sunset.bmp "$work/$1/"
}

# --- The Debian package ----------------------------------------------------------------------

deb_lintian() {
  local out
  out=$(lintian --info "$deb" 2>&1 | grep -v 'running with root privileges')
  echo "${out:-lintian: no tags}"
  ! grep -q '^E:' <<<"$out"
}

deb_control() {
  local field
  [ "$(dpkg-deb -f "$deb" Package)" = glyphcast-convert ] || fail "Package: $(dpkg-deb -f "$deb" Package)"
  [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "Version: $(dpkg-deb -f "$deb" Version), not $version"
  # The converter's libraries as dpkg-shlibdeps computed them: the C and C++ runtimes at least.
  field=$(dpkg-deb -f "$deb" Depends)
  echo "Depends: $field"
  [[ $field == *"libc6 (>= "* && $field == *libstdc++6* ]] || fail "Depends lacks the runtimes"
  # The picture libraries the converter decodes with, as dpkg-shlibdeps found them.
  for library in libpng16-16 libjpeg62-turbo libgif7 libtiff6 libwebp7 libheif1 libjxl0.7 liblcms2-2; do
    [[ $field == *"$library "* || $field == *"$library," || $field == *"$library" ]] || fail "Depends lacks $library"
  done
}

deb_extracted() {
  local tree=$work/deb changelog
  dpkg-deb -x "$deb" "$tree" || return 1
  [ "$(find "$tree" -type f | sed "s|^$tree/||" | sort | tr '\n' ' ')" = \
    "usr/bin/glyphcast-convert usr/share/bash-completion/completions/glyphcast-convert usr/share/doc/glyphcast-convert/changelog.gz usr/share/doc/glyphcast-convert/copyright usr/share/man/man1/glyphcast-convert.1.gz " ] ||
    { find "$tree" -type f; fail "unexpected files"; }
  "$tree/usr/bin/glyphcast-convert" --version | grep -F "$version" || fail "--version does not name $version"
  fresh_sample linux
  (cd "$work/linux" && "$tree/usr/bin/glyphcast-convert" "${sample_settings[@]}" sunset.bmp) || fail "conversion failed"
  [ "$(grep -c '<BR>' "$work/linux/sunset.html")" -ge 20 ] || fail "the page has too few rows"
  grep -qF "$copyright" "$tree/usr/share/doc/glyphcast-convert/copyright" || fail "copyright lacks '$copyright'"
  zcat "$tree/usr/share/doc/glyphcast-convert/changelog.gz" >"$work/changelog"
  changelog=$(dpkg-parsechangelog -l "$work/changelog" -S Version) || fail "the changelog does not parse"
  [ "$changelog" = "$version" ] || fail "the changelog's latest version is $changelog"
}

deb_man_page() {
  local page=$work/deb/usr/share/man/man1/glyphcast-convert.1.gz text
  text=$(MANWIDTH=80 man -l "$page" 2>"$work/man.err") || fail "man -l failed"
  [ ! -s "$work/man.err" ] || { cat "$work/man.err"; fail "man -l warned"; }
  grep -q '^NAME' <<<"$text" && grep -q 'glyphcast-convert' <<<"$text" || fail "no NAME section naming glyphcast-convert"
  echo "$(wc -l <<<"$text") lines rendered"
}

echo "The Debian package $(basename "$deb") ($(stat -c %s "$deb") bytes)"
check "deb: lintian reports no errors" deb_lintian
check "deb: control data and computed dependencies" deb_control
check "deb: dpkg-deb -x gives the converter, which converts the sample, and its documents" deb_extracted
check "deb: man -l renders the man page" deb_man_page

# --- The zip and the 32-bit setup's contents -------------------------------------------------

zip_files() {
  local listed expected readme=$work/zip/glyphcast-$version/README.txt
  listed=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
  expected="glyphcast-$version/ glyphcast-$version/README.txt glyphcast-$version/glyphcast-convert.exe glyphcast-$version/glyphcast.exe "
  [ "$listed" = "$expected" ] || fail "the zip holds: $listed"
  unzip -q -d "$work/zip" "$zip" || return 1
  file "$work/zip/glyphcast-$version/"*.exe | grep -v 'PE32 executable.*Intel 80386' && fail "not all 32-bit programs"
  grep -qF "$copyright" "$readme" && grep -qF "$name $version" "$readme" || fail "README.txt lacks the version or the copyright line"
  [ "$(grep -c $'\r$' "$readme")" = "$(wc -l <"$readme")" ] || fail "README.txt has lines without CR LF"
}

# The setup we ship holds the same two programs as the zip, and its uninstaller.
setup_contents() {
  local listed
  listed=$(7zz l -ba -slt "$setup" | sed -n 's/^Path = //p' | grep -v '^\$PLUGINSDIR' | sort | tr '\n' ' ')
  [ "$listed" = "glyphcast-convert.exe glyphcast.exe uninstall.exe " ] || fail "the setup holds: $listed"
  7zz e -y -o"$work/setup" "$setup" glyphcast.exe glyphcast-convert.exe >/dev/null || return 1
  cmp "$work/setup/glyphcast.exe" "$work/zip/glyphcast-$version/glyphcast.exe" &&
    cmp "$work/setup/glyphcast-convert.exe" "$work/zip/glyphcast-$version/glyphcast-convert.exe"
}

echo
echo "The zip $(basename "$zip") ($(stat -c %s "$zip") bytes) and the setup $(basename "$setup") ($(stat -c %s "$setup") bytes)"
check "zip: exactly the two programs and README.txt" zip_files
check "setup: holds the zip's two programs and an uninstaller" setup_contents

# --- Under Wine ------------------------------------------------------------------------------

# A fresh prefix of its own; Wine makes no menu entries on this machine for the shortcuts.
export WINEPREFIX=$root/build/wineprefix-packages
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
rm -rf "$WINEPREFIX"
GLYPHCAST_WINE_UNMANAGED=1 source scripts/wine-env.sh || exit 1
echo
echo "Under Wine: the $GLYPHCAST_WINE_CHOICE"
wine_run() { timeout 120 "$GLYPHCAST_WINE" "$@"; }
# Waits for every Wine process in the prefix to end, and so for Wine to have saved the registry.
wine_settled() {
  timeout 300 wineserver -w || fail "Wine's processes in $WINEPREFIX did not end within 300 s"
}
drive_c=$WINEPREFIX/drive_c
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Glyphcast'

# The setup under test (the one we ship, or on a machine without 32-bit programs a 64-bit one
# made alike), and an older version of it made from the same programs.
source packaging/wine-setup.sh
tested_setup=$(glyphcast_wine_setup "$work") && older_setup=$(glyphcast_wine_setup "$work" "$older_version") || exit 1
# The value NAME of the installed programs entry in HIVE (HKLM or HKCU), empty when there is none.
entry_value() {
  wine_run reg query "$1\\$uninstall_key" /v "$2" 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
# Everything in the prefix's registry and C: drive that names Glyphcast (after wine_settled).
glyphcast_traces() {
  grep -il glyphcast "$WINEPREFIX"/*.reg
  find "$drive_c" -iname '*glyphcast*'
}
# The C: drive's files and folders, but for the temporary folders: the uninstaller runs from a
# copy there, which Windows deletes on its next start.
drive_listing() { (cd "$drive_c" && find . -path './users/*/Temp' -prune -o -path './windows/temp' -prune -o -print | sort); }

# installed HIVE FOLDER SHORTCUT: the installation with its entry in HIVE (HKLM for all users,
# HKCU for the current user) holds its files in FOLDER and its shortcut, and has no other entry.
installed() {
  local hive=$1 folder=$2 shortcut=$3 other listed
  listed=$(cd "$folder" 2>/dev/null && ls | tr '\n' ' ')
  [ "$listed" = "glyphcast-convert.exe glyphcast.exe uninstall.exe " ] || fail "$folder holds: $listed"
  [ -f "$shortcut" ] || fail "no shortcut $shortcut"
  [ "$(entry_value "$hive" DisplayVersion)" = "$version" ] || fail "$hive entry's version: $(entry_value "$hive" DisplayVersion)"
  other=HKCU
  [ "$hive" = HKCU ] && other=HKLM
  [ -z "$(entry_value "$other" DisplayName)" ] || fail "an entry in $other as well"
}

# Each setup installs programs of the prefix's own processor, into its one Program Files.
all_users_folder="$drive_c/Program Files/Glyphcast"
all_users_shortcut="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Glyphcast.lnk"
user_home=$(find "$drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n 1)
user_folder=$user_home/AppData/Local/Programs/Glyphcast
user_shortcut="$user_home/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Glyphcast.lnk"
drive_listing >"$work/before.txt"

upgrade_all_users() {
  wine_run "$older_setup" /S || fail "the $older_version setup failed"
  wine_settled
  [ "$(entry_value HKLM DisplayVersion)" = "$older_version" ] || fail "no $older_version entry after its setup"
  wine_run "$tested_setup" /S || fail "the $version setup failed over $older_version"
  wine_settled
  installed HKLM "$all_users_folder" "$all_users_shortcut"
}

entry_values() {
  local value expected
  for value in DisplayName:"$name" DisplayVersion:"$version" Publisher:"$publisher" \
    DisplayIcon:"$(wine_run winepath -w "$all_users_folder/glyphcast.exe" | tr -d '\r'),0"; do
    expected=${value#*:}
    [ "$(entry_value HKLM "${value%%:*}")" = "$expected" ] || fail "${value%%:*} is '$(entry_value HKLM "${value%%:*}")', not '$expected'"
    echo "${value%%:*}: $expected"
  done
  # EstimatedSize, in KiB: what the folder holds, the two programs and the uninstaller.
  value=$(($(entry_value HKLM EstimatedSize)))
  expected=$(($(du -b -c "$all_users_folder"/* | tail -n 1 | cut -f1) / 1024))
  echo "EstimatedSize: $value KiB"
  [ "$value" -ge "$expected" ] && [ "$value" -le $((expected + 8)) ] || fail "EstimatedSize is not the folder's $expected KiB"
}

# The wizard's window, waiting up to SECONDS (default 90) for it; empty when there is none.
wizard_window() {
  local window="" deadline=$((SECONDS + ${1:-90}))
  while [ "$SECONDS" -lt "$deadline" ]; do
    window=$(xdotool search --onlyvisible --name '^Glyphcast$' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
    sleep 0.2
  done
  echo "$window"
}

# Starts the wizard through its shortcut and leaves it running for the next check.
wizard_starts() {
  local window
  [ -n "${DISPLAY:-}" ] || fail "no display"
  wine_run start "$(wine_run winepath -w "$all_users_shortcut" | tr -d '\r')" >"$work/wizard.log" 2>&1 &
  window=$(wizard_window)
  if [ -z "$window" ]; then
    # What the screen shows instead, for the report.
    cat "$work/wizard.log"
    for window in $(xdotool search --onlyvisible --name . 2>/dev/null); do echo "window: $(xdotool getwindowname "$window")"; done
    import -window root "$report_dir/wizard-missing.png" && echo "the screen: $report_dir/wizard-missing.png"
    fail "no window titled Glyphcast appeared"
  fi
  echo "the wizard's window: $(xdotool getwindowgeometry "$window" | sed -n 's/ *Geometry: //p')"
}

# With the wizard running, the uninstaller stops before it removes anything; then the wizard
# closes on Alt+F4. The uninstaller runs in place (_?=FOLDER, which must stand unquoted at the end
# of its command line, so through a batch file), else it would go on from a copy of itself in the
# temporary folder and its status would not be seen.
running_wizard_stops_uninstall() {
  local window status folder
  window=$(wizard_window 5)
  [ -n "$window" ] || fail "the wizard is not running"
  folder=$(wine_run winepath -w "$all_users_folder" | tr -d '\r')
  printf '@"%s\\uninstall.exe" /S _?=%s\r\n@exit /b %%ERRORLEVEL%%\r\n' "$folder" "$folder" >"$work/in-place.bat"
  wine_run cmd /c "$(wine_run winepath -w "$work/in-place.bat" | tr -d '\r')"
  status=$?
  [ "$status" = 2 ] || fail "the uninstaller ended with $status, not 2"
  installed HKLM "$all_users_folder" "$all_users_shortcut"
  # Alt+F4 cancels the wizard and the program ends.
  timeout 60 xdotool windowfocus --sync "$window" || fail "the wizard's window did not take the focus"
  xdotool key --clearmodifiers alt+F4
  wine_settled
  [ -z "$(wizard_window 1)" ] || fail "the wizard did not close on Alt+F4"
}

# The installed converter writes, byte for byte, the Linux converter's page.
installed_converter() {
  fresh_sample windows
  (cd "$work/windows" && wine_run "$(wine_run winepath -w "$all_users_folder/glyphcast-convert.exe" | tr -d '\r')" \
    "${sample_settings[@]}" sunset.bmp) || fail "conversion failed"
  cmp "$work/windows/sunset.html" "$work/linux/sunset.html" || fail "the page differs from the Linux converter's"
}

# uninstall_keeps_users_file HIVE FOLDER: uninstalls with the QuietUninstallString of the entry
# in HIVE, a file of the user's in the installation's FOLDER: the file and so the folder stay, and
# nothing else of Glyphcast.
uninstall_keeps_users_file() {
  local hive=$1 folder=$2 command program argument traces
  echo "the user's own" >"$folder/notes.txt"
  command=$(entry_value "$hive" QuietUninstallString)
  echo "QuietUninstallString: $command"
  # "PROGRAM" ARGUMENT
  program=$(sed -n 's/^"\([^"]*\)" .*/\1/p' <<<"$command")
  argument=${command##*\" }
  [ -n "$program" ] && [ "$argument" = /S ] || fail "not a quiet uninstall command"
  wine_run "$program" "$argument" || fail "$command failed"
  # The uninstaller has handed over to its copy in the temporary folder.
  wine_settled
  [ "$(cd "$folder" && ls)" = notes.txt ] || fail "$folder holds: $(ls "$folder")"
  rm "$folder/notes.txt"
  rmdir "$folder"
  traces=$(glyphcast_traces)
  [ -z "$traces" ] || fail "left: $traces"
}

nothing_remains() {
  local changed traces
  wine_settled
  changed=$(drive_listing | diff "$work/before.txt" - | grep '^[<>]')
  [ -z "$changed" ] || fail "the C: drive differs from before the setup: $changed"
  traces=$(glyphcast_traces)
  [ -z "$traces" ] || fail "left: $traces"
}

per_user() {
  wine_run "$tested_setup" /S /CurrentUser || fail "the setup failed for the current user"
  wine_settled
  installed HKCU "$user_folder" "$user_shortcut"
  uninstall_keeps_users_file HKCU "$user_folder"
}

check "setup: $version installs silently over $older_version for all users, without uninstalling first" upgrade_all_users
check "setup: the installed programs entry names the program, version, publisher, size and icon" entry_values
check "setup: the wizard starts from the Start-menu shortcut and shows its window" wizard_starts
check "setup: while the wizard runs, the uninstaller stops having removed nothing" running_wizard_stops_uninstall
check "setup: the installed converter writes the Linux converter's page" installed_converter
check "setup: the silent uninstall removes all the setup made and keeps the user's file" uninstall_keeps_users_file HKLM "$all_users_folder"
check "setup: nothing of Glyphcast remains, and the C: drive is as before" nothing_remains
check "setup: installs and uninstalls silently for the current user alone" per_user

zip_converter() {
  fresh_sample zipped
  (cd "$work/zipped" && wine_run "$work/zip/glyphcast-$version/glyphcast-convert.exe" "${sample_settings[@]}" sunset.bmp) ||
    fail "conversion failed"
  cmp "$work/zipped/sunset.html" "$work/linux/sunset.html" || fail "the page differs from the Linux converter's"
}
if [ "$GLYPHCAST_WIN_ARCH" = win32 ]; then
  check "zip: its converter writes the Linux converter's page under Wine" zip_converter
else
  skip "zip: its converter under Wine" "$GLYPHCAST_WINE_REASON"
fi

checks_report "$report_dir/packages.xml" packages
