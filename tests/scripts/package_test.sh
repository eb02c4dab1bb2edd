#!/usr/bin/env bash
# The release zip of scripts/package.
#   package_test.sh build SOURCE_DIR WORK_DIR    package copies of the sources in two folders
#   package_test.sh same-bytes WORK_DIR          both builds gave the same zip
#   package_test.sh contents WORK_DIR            named after version.h as the exe's version resource,
#                                                exe and guide only, the sum right
#   package_test.sh imports WORK_DIR             the exe imports only DLLs that Windows has
#   package_test.sh manifest WORK_DIR            the exe's manifest asks for the user's own rights
#                                                and names the Windows versions it was made for
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
             wsock32.dll advapi32.dll secur32.dll crypt32.dll iphlpapi.dll msvcrt.dll "
    for dll in $dlls; do
        [[ $system == *" $dll"[[:space:]]* ]] || fail "imports $dll, which Windows does not have"
    done
    echo "imports:" $dlls
    ;;
manifest)
    exe=$work/exe
    mkdir -p "$exe"
    unzip -o -q "$a/$zip" vemo.exe -d "$exe"
    wrestool -x --raw --type=24 "$exe/vemo.exe" >"$exe/vemo.manifest" || fail "no manifest resource"
    python3 - "$exe/vemo.manifest" <<'CHECK' || fail "the manifest: $(cat "$exe/vemo.manifest")"
import sys, xml.etree.ElementTree as tree
ns = {"v3": "urn:schemas-microsoft-com:asm.v3", "c": "urn:schemas-microsoft-com:compatibility.v1"}
root = tree.parse(sys.argv[1]).getroot()
level = root.find("v3:trustInfo/v3:security/v3:requestedPrivileges/v3:requestedExecutionLevel", ns)
assert level.attrib == {"level": "asInvoker", "uiAccess": "false"}, level.attrib
systems = [os.get("Id") for os in root.iterfind("c:compatibility/c:application/c:supportedOS", ns)]
assert systems == ["{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                   "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                   "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"], systems
settings = root.find("v3:application/v3:windowsSettings", ns)
assert settings.find("{http://schemas.microsoft.com/SMI/2005/WindowsSettings}dpiAware").text == "true"
assert settings.find("{http://schemas.microsoft.com/SMI/2016/WindowsSettings}dpiAwareness").text == "PerMonitorV2, System"
CHECK
    echo "manifest: as invoker, Vista to 11, per monitor's scale"
    ;;
*) fail "unknown mode $mode" ;;
esac
