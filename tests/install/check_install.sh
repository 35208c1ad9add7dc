#!/usr/bin/env bash
# Checks Tessaline as it is installed: the exact file tree, the desktop validators' verdicts, the
# file types and the program the desktop picks for them, the manual pages against the programs'
# own help, and the installed programs themselves.
#   check_install.sh tree    BUILD_DIR SOURCE_DIR APP_ID VERSION DST_DIR FORMATS_DIR
#   check_install.sh package BUILD_DIR SOURCE_DIR APP_ID VERSION
# "tree" installs into a scratch DESTDIR; "package" builds the Debian package and checks it.
set -uo pipefail  # (no grep -q at a pipe's end: its early exit would fail the pipe)

mode=$1 build=$2 source=$3 app_id=$4 version=$5 dst_dir=${6:-} formats_dir=${7:-}
work=$(mktemp -d)
trap '[ -n "${KEEP_WORK:-}" ] || rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

icon_sizes=(16 22 24 32 48 64 128 256)
expected_files() {
    printf '%s\n' usr/bin/tessaline usr/bin/tessaline-cli \
        "usr/share/applications/$app_id.desktop" "usr/share/metainfo/$app_id.metainfo.xml" \
        "usr/share/mime/packages/$app_id.xml" usr/share/icons/hicolor/scalable/apps/tessaline.svg \
        usr/share/man/man1/tessaline.1.gz usr/share/man/man1/tessaline-cli.1.gz
    for size in "${icon_sizes[@]}"; do echo "usr/share/icons/hicolor/${size}x${size}/apps/tessaline.png"; done
}

check_file_list() {  # check_file_list WHAT < actual list of files
    local actual
    actual=$(sort)
    if [ "$actual" != "$(expected_files | sort)" ]; then
        fail "$1 holds other files than the installed program's:"
        diff <(expected_files | sort) <(echo "$actual") >&2
    fi
}

if [ "$mode" = package ]; then
    cpack -G DEB -B "$work" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 ||
        { cat "$work/cpack.log" >&2; fail "cpack failed"; exit 1; }
    debs=("$work"/tessaline_"$version"_*.deb)
    [ -f "${debs[0]}" ] || { fail "no tessaline_${version}_ARCH.deb"; exit 1; }
    deb=${debs[0]}
    [ "$(dpkg-deb -f "$deb" Package)" = tessaline ] || fail "package name is not tessaline"
    depends=$(dpkg-deb -f "$deb" Depends)
    depends_names=$(sed 's/ *([^)]*)//g; s/, */\n/g' <<<"$depends")
    for needed in libqt6widgets6 libqt6gui6 libqt6core6 libsqlite3-0 libstdc++6 qt6-qpa-plugins; do
        grep -qxF "$needed" <<<"$depends_names" || fail "Depends lacks $needed: $depends"
    done
    grep -qiE 'gtest|gmock|benchmark|-dev( |,|$)' <<<"$depends" && fail "Depends names build-only packages: $depends"
    dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's|^\./||' | check_file_list "the package"
    # Nothing the package installs may be writable by others or lack its owner's read bit.
    dpkg-deb -c "$deb" | awk '$1 !~ /^[dl-]r.xr-xr-x$/ && $1 !~ /^-rw-r--r--$/ {print}' | grep . &&
        fail "package files with unusual modes"
    exit $((failures > 0))
fi

dest=$work/dest
DESTDIR=$dest cmake --install "$build" --component tessaline --prefix /usr >"$work/install.log" 2>&1 ||
    { cat "$work/install.log" >&2; fail "cmake --install failed"; exit 1; }
(cd "$dest" && find . -type f -o -type l | sed 's|^\./||') | check_file_list "the installed tree"
share=$dest/usr/share

# The validators the desktop and software centres apply.
desktop=$share/applications/$app_id.desktop
metainfo=$share/metainfo/$app_id.metainfo.xml
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $app_id.desktop"
appstreamcli validate --no-net "$metainfo" >"$work/as.log" 2>&1 || { cat "$work/as.log" >&2; fail "appstreamcli rejects the metainfo"; }
grep -qx "Exec=tessaline %f" "$desktop" || fail "the menu entry does not hand the file to tessaline"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" || fail "metainfo launches another entry"
newest=$(grep -o '<release version="[^"]*"' "$metainfo" | head -1 | cut -d'"' -f2)
[ "$newest" = "$version" ] || fail "newest release in the metainfo is '$newest', the program is $version"

# Bitmap icons have the size their folder names.
for size in "${icon_sizes[@]}"; do
    png=$share/icons/hicolor/${size}x${size}/apps/tessaline.png
    read -r w1 w2 w3 w4 h1 h2 h3 h4 < <(od -An -tu1 -j16 -N8 "$png")
    w=$(((w1 << 24) | (w2 << 16) | (w3 << 8) | w4)) h=$(((h1 << 24) | (h2 << 16) | (h3 << 8) | h4))
    [ "$w" = "$size" ] && [ "$h" = "$size" ] || fail "${size}x${size} icon is ${w}x${h}"
done

# File types as the desktop resolves them: a MIME database of the common types plus ours, and only those.
mime=$work/data/mime
mkdir -p "$mime/packages" "$work/home"
cp /usr/share/mime/packages/freedesktop.org.xml "$share/mime/packages/$app_id.xml" "$mime/packages/"
update-mime-database "$mime" >/dev/null 2>&1 || fail "update-mime-database rejects the file types"
mkdir -p "$work/data/applications"
cp "$desktop" "$work/data/applications/"
update-desktop-database "$work/data/applications" || fail "update-desktop-database rejects the entry"
# The menu entry's TryExec must find the installed program.
desktop_env() { env PATH="$dest/usr/bin:$PATH" XDG_DATA_HOME="$work/home" XDG_DATA_DIRS="$work/data" "$@"; }
type_of() { desktop_env gio info -a standard::content-type "$1" | sed -n 's/.*standard::content-type: //p'; }

declare -A type_for=([dst]=application/x-tajima-dst [pes]=application/x-brother-pes
    [pec]=application/x-brother-pec [jef]=application/x-janome-jef [exp]=application/x-melco-exp
    [vp3]=application/x-pfaff-vp3 [xxx]=application/x-singer-xxx [hus]=application/x-husqvarna-hus
    [sew]=application/x-janome-sew [shv]=application/x-husqvarna-shv [pcs]=application/x-pfaff-pcs)
for ext in "${!type_for[@]}"; do  # by name alone, in either case
    for name in "sample.$ext" "SAMPLE.${ext^^}"; do
        echo x >"$work/$name"
        got=$(type_of "$work/$name")
        [ "$got" = "${type_for[$ext]}" ] || fail "$name is $got"
    done
done
real_designs=0
for design in "$dst_dir"/*.dst "$formats_dir"/*.*; do
    [ -f "$design" ] || continue
    ext=${design##*.}
    ext=${ext,,}
    [ -n "${type_for[$ext]:-}" ] || continue
    real_designs=$((real_designs + 1))
    got=$(type_of "$design")
    [ "$got" = "${type_for[$ext]}" ] || fail "$(basename "$design") is $got"
    # Formats with a signature are known by their bytes, whatever their name.
    case $ext in pes | pec | vp3 | hus)
        cp "$design" "$work/unnamed"
        got=$(type_of "$work/unnamed")
        [ "$got" = "${type_for[$ext]}" ] || fail "$(basename "$design") without its extension is $got" ;;
    esac
done
echo "checked the file types of $real_designs real designs"
# Our signatures must not claim other files.
cp "$source/packaging/icons/tessaline.svg" "$work/unnamed"
[ "$(type_of "$work/unnamed")" = image/svg+xml ] || fail "an SVG is taken for $(type_of "$work/unnamed")"
printf 'notes on #PEC files\n' >"$work/unnamed"
[ "$(type_of "$work/unnamed")" = text/plain ] || fail "a text file is taken for $(type_of "$work/unnamed")"

# Every type the menu entry opens is one the MIME database knows, and it picks Tessaline for it.
opens=$(sed -n 's/^MimeType=//p' "$desktop" | tr ';' '\n' | grep .)
[ -n "$opens" ] || fail "the menu entry opens no file types"
for type in $opens; do
    grep -q "<mime-type type=\"$type\">" "$share/mime/packages/$app_id.xml" || fail "$type is opened but not declared"
    grep -q "<mediatype>$type</mediatype>" "$metainfo" || fail "$type is missing from the metainfo"
    chosen=$(desktop_env gio mime "$type" 2>&1)
    grep -q "^Default application for .*: $app_id.desktop$" <<<"$chosen" ||
        fail "the desktop does not open $type with Tessaline: $chosen"
done

# The installed programs run, and the manual pages cover their commands and options.
cli=$dest/usr/bin/tessaline-cli
[ "$("$cli" --version)" = "tessaline-cli $version" ] || fail "installed tessaline-cli --version: $("$cli" --version)"
gui_version=$(QT_QPA_PLATFORM=offscreen "$dest/usr/bin/tessaline" --version 2>/dev/null)
[ "$gui_version" = "Tessaline $version" ] || fail "installed tessaline --version: $gui_version"
page() { gzip -dc "$share/man/man1/$1.1.gz" | sed 's/\\-/-/g'; }
page tessaline-cli >"$work/cli.man"
page tessaline >"$work/gui.man"
commands=$("$cli" --help | sed -n '/^Subcommands:/,$p' | sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p')
[ -n "$commands" ] || fail "tessaline-cli --help lists no commands"
for command in $commands; do
    grep -qx "\.SS $command" "$work/cli.man" || fail "tessaline-cli(1) has no section for '$command'"
    for option in $("$cli" "$command" --help | grep -oE -- '(^|[ ,])--?[a-z][a-z0-9-]*' | grep -oE -- '--?[a-z][a-z0-9-]*' | sort -u); do
        [ "$option" = --help ] || [ "$option" = -h ] && continue
        grep -qF -- "$option" "$work/cli.man" || fail "tessaline-cli(1) does not explain '$command $option'"
    done
done
for option in $(QT_QPA_PLATFORM=offscreen "$dest/usr/bin/tessaline" --help 2>/dev/null | grep -oE -- '--[a-z][a-z0-9-]*' | sort -u); do
    grep -qF -- "$option" "$work/gui.man" || fail "tessaline(1) does not explain '$option'"
done

exit $((failures > 0))
