#!/usr/bin/env bash
# Checks of the installed program, run by ctest:
#   installed.sh stage   <build> <stage>          cmake --install into <stage> (DESTDIR)
#   installed.sh files   <stage> <version>        the staged files are there and the program answers --version
#   installed.sh desktop <stage>                  desktop-file-validate on the menu entry
#   installed.sh appdata <stage>                  appstreamcli validate on the metainfo
#   installed.sh package <build> <out> <version>  cpack builds the .deb; its name, files, copyright and dependencies
set -euo pipefail

id=org.quillgraver.Quillgraver
sizes=(16 22 24 32 48 64 128 256)

# The files every install holds, relative to the prefix.
expected_files() {
    echo bin/quillgraver
    echo share/applications/$id.desktop
    echo share/metainfo/$id.metainfo.xml
    echo share/mime/packages/$id.xml
    echo share/doc/quillgraver/copyright
    echo share/icons/hicolor/scalable/apps/$id.svg
    for s in "${sizes[@]}"; do echo "share/icons/hicolor/${s}x${s}/apps/$id.png"; done
    for e in company-seal triangle-seal company-stamp; do echo "share/quillgraver/examples/$e.qgr"; done
}

fail() { echo "FAIL: $*" >&2; exit 1; }

case "$1" in
stage)
    rm -rf "$3"
    DESTDIR="$3" cmake --install "$2" --prefix /usr
    ;;
files)
    stage=$2/usr
    while read -r f; do
        [ -s "$stage/$f" ] || fail "missing or empty: /usr/$f"
    done < <(expected_files)
    # --version needs no display.
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$stage/bin/quillgraver" --version)
    [ "$out" = "quillgraver $3" ] || fail "--version printed '$out', expected 'quillgraver $3'"
    # The installed sample designs are designs the installed program reads and
    # finds no error in.
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$stage/bin/quillgraver" --check \
          "$stage"/share/quillgraver/examples/*.qgr 2>&1) || fail "the installed examples: $out"
    # Each PNG icon has its folder's size: width and height in the IHDR chunk.
    for s in "${sizes[@]}"; do
        read -r -a b < <(od -An -tu1 -j12 -N12 "$stage/share/icons/hicolor/${s}x${s}/apps/$id.png")
        [ "${b[*]:0:4}" = "73 72 68 82" ] || fail "the ${s}x${s} icon is not a PNG"
        w=$(( (b[4] << 24) | (b[5] << 16) | (b[6] << 8) | b[7] ))
        h=$(( (b[8] << 24) | (b[9] << 16) | (b[10] << 8) | b[11] ))
        [ "$w $h" = "$s $s" ] || fail "the ${s}x${s} icon is $w by $h"
    done
    ;;
desktop)
    out=$(desktop-file-validate "$2/usr/share/applications/$id.desktop" 2>&1) || fail "$out"
    echo "$out"
    grep -qx 'Name\[ru\]=Квиллгрейвер' "$2/usr/share/applications/$id.desktop" || fail "no Russian name"
    ;;
appdata)
    appstreamcli validate --no-net "$2/usr/share/metainfo/$id.metainfo.xml"
    ;;
package)
    for tool in dpkg-deb dpkg-shlibdeps; do
        command -v $tool >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
    done
    rm -rf "$3"
    cpack -G DEB --config "$2/CPackConfig.cmake" -B "$3" >"$3.log" 2>&1 || { cat "$3.log"; fail "cpack failed"; }
    deb="$3/quillgraver_$4_$(dpkg --print-architecture).deb"
    [ -f "$deb" ] || { ls "$3"; fail "no $deb"; }
    listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
    while read -r f; do
        grep -qx "\./usr/$f" <<<"$listing" || fail "the package lacks /usr/$f"
    done < <(expected_files)
    [ "$(dpkg-deb -f "$deb" Package)" = quillgraver ] || fail "wrong package name"
    [ "$(dpkg-deb -f "$deb" Version)" = "$4" ] || fail "wrong version"
    # Debian's machine-readable copyright file, naming the licence of the whole.
    copyright=$(dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/share/doc/quillgraver/copyright)
    grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' <<<"$copyright" \
        || fail "the copyright file is not in the machine-readable format"
    grep -qx 'Files: \*' <<<"$copyright" || fail "the copyright file has no Files: * stanza"
    [ "$(grep -c '^License: GPL-3.0-or-later$' <<<"$copyright")" -ge 2 ] \
        || fail "the copyright file does not name and give the licence GPL-3.0-or-later"
    depends=$(dpkg-deb -f "$deb" Depends)
    echo "Depends: $depends"
    for lib in libqt6widgets6 libqt6gui6 libqt6core6 libc6 libstdc++6; do
        grep -q "\b$lib\b" <<<"$depends" || fail "Depends lacks $lib"
    done
    ;;
*)
    fail "unknown check $1"
    ;;
esac
