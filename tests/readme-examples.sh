#!/usr/bin/env bash
# Runs the README's command lines as a new user would in a fresh clone after
# `make build`: every line of a ```sh block that starts with
# "./build/app/quillgraver --". Each runs in a folder that holds a copy of
# examples/ and, as ./build/app/quillgraver, the program under test; it must
# exit with 0 and write every file it names, of the format asked for.
#   readme-examples.sh <source> <program>
# Exit status: 0 when every line did, 1 when any failed, 77 when none failed
# but some need an option this build of the program has not got.
set -uo pipefail

source=$1
program=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/build/app"
ln -s "$(realpath "$program")" "$work/build/app/quillgraver"
cp -r "$source/examples" "$work/examples"
help=$("$program" --help) || { echo "FAIL: $program --help"; exit 1; }

mapfile -t lines < <(awk '
    /^```/ { inside = !inside && /^```sh/; next }
    inside && /^\.\/build\/app\/quillgraver --/' "$source/README.md")
[ ${#lines[@]} -gt 0 ] || { echo "FAIL: README.md has no command lines"; exit 1; }

failed=0
skipped=0
fail() { echo "FAIL: $line: $*"; failed=1; bad=1; }

# The first bytes of each format.
looks_like() {  # <file> <format>
    local sig
    sig=$(head -c 4 "$1" | od -An -tx1 | tr -d ' \n')
    case $2 in
        png) [ "$sig" = 89504e47 ] ;;
        tif|tiff) [ "$sig" = 49492a00 ] || [ "$sig" = 4d4d002a ] ;;
        pdf) [ "$sig" = 25504446 ] ;;
        bmp) [ "${sig:0:4}" = 424d ] ;;
        svg) grep -q '<svg' "$1" ;;
        *) return 1 ;;
    esac
}

for line in "${lines[@]}"; do
    bad=0
    missing=
    for option in $(grep -oE -- ' --[a-z][a-z-]*' <<<"$line"); do
        grep -qE -- "(^|[ ,])$option( |=|$)" <<<"$help" || missing+=" $option"
    done
    if [ -n "$missing" ]; then
        echo "SKIP (the program has no$missing): $line"
        skipped=1
        continue
    fi

    # What the line names: its designs (globs expanded as the shell does),
    # its output file or folder and its format.
    mapfile -t args < <(cd "$work" && eval "printf '%s\n' $line")
    output= folder= format=
    designs=()
    for ((i = 1; i < ${#args[@]}; i++)); do
        case ${args[i]} in
            -o|--output) output=${args[++i]} ;;
            --output-dir) folder=${args[++i]} ;;
            --format) format=${args[++i]} ;;
            --*) ;;
            *.qgr) designs+=("${args[i]}") ;;
        esac
    done
    for path in "$output" "$folder"; do
        case $path in /*|*..*) fail "writes outside its folder: $path"; continue 2 ;; esac
        [ -n "$path" ] && rm -rf "${work:?}/$path"
    done

    (cd "$work" && bash -c "$line") >"$work/.out" 2>"$work/.err"
    status=$?
    if [ $status -ne 0 ]; then
        fail "exit status $status: $(cat "$work/.err")"
        continue
    fi
    if [ -n "$output" ]; then
        f=$work/$output
        [ -s "$f" ] || { fail "wrote no $output"; continue; }
        looks_like "$f" "${format:-${output##*.}}" || fail "$output is not ${format:-${output##*.}}"
    fi
    if [ -n "$folder" ]; then
        for design in "${designs[@]}"; do
            base=$(basename "$design" .qgr)
            written=("$work/$folder/$base"*)
            [ -s "${written[0]}" ] || { fail "wrote nothing for $design into $folder"; continue; }
            looks_like "${written[0]}" "${format:-${written[0]##*.}}" ||
                fail "${written[0]#"$work/"} is not ${format:-${written[0]##*.}}"
        done
    fi
    [ $bad -eq 0 ] && echo "ok: $line"
done

[ $failed -eq 0 ] || exit 1
[ $skipped -eq 0 ] || exit 77
exit 0
