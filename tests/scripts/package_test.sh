#!/usr/bin/env bash
# The release zip of scripts/package.
#   package_test.sh build SOURCE_DIR WORK_DIR    package copies of the sources in two folders
#   package_test.sh same-bytes WORK_DIR          both builds gave the same zip
#   package_test.sh contents WORK_DIR            named after version.h as the exe's version resource,
#                                                exe and guide only, the sum right
#   package_test.sh imports WORK_DIR             the exe imports only DLLs that Windows has
# The checks exit 77 (skipped) while a picture that the guide shows is not in the sources yet.
set -u
mode=$1
fail() {
    echo "FAIL: $*"
    exit 1
}

if [ "$mode" = build ]; then
    src=$2 work=$3
    rm -rf "$work"
    for copy in "$work/a/vemo" "$work/b/elsewhere/vemo"; do
        # A clone for the commit's time, with the files as they are in the sources now.
        git clone -q --no-checkout "$src" "$copy" || fail "cannot clone $src"
        (cd "$src" && git ls-files -z -co --exclude-standard | tar --null -T - -cf -) | tar -xf - -C "$copy"
        if ! env -u SOURCE_DATE_EPOCH "$copy/scripts/package" >"$copy.log" 2>&1; then
            if grep -q 'which is missing' "$copy.log"; then
                cp "$copy.log" "$work/missing"
                exit 0
            fi
            cat "$copy.log"
            fail "scripts/package failed in $copy"
        fi
    done
    exit 0
fi

work=$2
if [ -f "$work/missing" ]; then
    cat "$work/missing"
    exit 77
fi
a=$work/a/vemo/dist b=$work/b/elsewhere/vemo/dist
version=$(sed -n 's/^#define VEMO_VERSION_TEXT "\([^"]*\)"$/\1/p' "$work/a/vemo/src/res/version.h")
zip=vemo-$version-win32.zip

case $mode in
same-bytes)
    [ -f "$a/$zip" ] && [ -f "$b/$zip" ] || fail "missing $zip"
    cmp "$a/$zip" "$b/$zip" || fail "two builds of the same sources differ"
    cmp "$a/$zip.sha256" "$b/$zip.sha256" || fail "the sums differ"
    echo "same bytes: $(cat "$a/$zip.sha256")"
    ;;
contents)
    [ "$(ls "$a")" = "$(printf '%s\n' "$zip" "$zip.sha256")" ] || fail "dist holds: $(ls "$a")"
    (cd "$a" && sha256sum --quiet -c "$zip.sha256") || fail "the sum does not match the zip"
    [ "$(unzip -Z1 "$a/$zip")" = "$(printf '%s\n' vemo.exe guide.html)" ] ||
        fail "the zip holds: $(unzip -Z1 "$a/$zip")"
    # The exe's version resource says the same version as the zip's name.
    file_version=$(unzip -p "$a/$zip" vemo.exe | strings -e l | grep -A1 -x FileVersion | tail -n 1)
    [ "$file_version" = "$version" ] || fail "the exe's FileVersion is '$file_version', not $version"
    guide=$(unzip -p "$a/$zip" guide.html)
    [[ $guide == *'<img src="data:image/png;base64,'* ]] || fail "no picture inside the guide"
    [[ $guide != *'src="images/'* ]] || fail "the guide still points at a picture outside itself"
    ;;
imports)
    exe=$work/exe
    mkdir -p "$exe"
    unzip -o -q "$a/$zip" vemo.exe -d "$exe"
    i686-w64-mingw32-objdump -f "$exe/vemo.exe" | grep -q 'file format pei-i386' || fail "not a 32-bit exe"
    dlls=$(i686-w64-mingw32-objdump -p "$exe/vemo.exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
    [ -n "$dlls" ] || fail "no imports found"
    system=" kernel32.dll user32.dll gdi32.dll comctl32.dll comdlg32.dll shell32.dll ole32.dll
             wsock32.dll advapi32.dll secur32.dll crypt32.dll msvcrt.dll "
    for dll in $dlls; do
        [[ $system == *" $dll"[[:space:]]* ]] || fail "imports $dll, which Windows does not have"
    done
    echo "imports:" $dlls
    ;;
*) fail "unknown mode $mode" ;;
esac
