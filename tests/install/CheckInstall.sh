#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop and a shell find there:
# the programs, the desktop entry, the metainfo, the MIME package, the icons, the man pages, the
# bash completion and the examples; that the installed kelmora-fit fits an installed example and
# knows its version; and that every command and option of its --help is described in the man
# page and offered by the completion.
# Usage: CheckInstall.sh BUILD_DIR VERSION WITH_QT(ON|OFF)
set -uo pipefail
build=$1
version=$2
withQt=$3
appId=org.kelmora.kelmora

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

if ! cmake --install "$build" --prefix "$prefix" >"$prefix/install.log" 2>&1; then
    cat "$prefix/install.log" >&2
    echo "FAIL: cmake --install did not succeed" >&2
    exit 1
fi

examples=share/doc/kelmora/examples
files=(bin/kelmora-fit share/man/man1/kelmora-fit.1 share/bash-completion/completions/kelmora-fit
    share/doc/kelmora/copyright "$examples/README.md" "$examples/titration-1to1.txt"
    "$examples/titration-1to2.txt")
if [ "$withQt" = ON ]; then
    files+=(bin/kelmora bin/kelmora-fit-report share/man/man1/kelmora.1
        "share/applications/$appId.desktop" "share/metainfo/$appId.metainfo.xml"
        "share/mime/packages/$appId.xml" "share/icons/hicolor/scalable/apps/$appId.svg")
fi
for f in "${files[@]}"; do
    [ -s "$prefix/$f" ] || fail "$f is not installed"
done
for f in bin/kelmora-fit bin/kelmora bin/kelmora-fit-report; do
    [ ! -e "$prefix/$f" ] || [ -x "$prefix/$f" ] || fail "$f is not executable"
done

if [ "$withQt" = ON ]; then
    # Each PNG has the size its folder promises (width and height from the PNG header).
    for size in 16 22 24 32 48 64 128 256; do
        png="$prefix/share/icons/hicolor/${size}x${size}/apps/$appId.png"
        if [ ! -s "$png" ]; then
            fail "no ${size}x${size} icon"
            continue
        fi
        read -r w h < <(od -An -tu1 -j16 -N8 "$png" |
            awk '{ print $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8 }')
        [ "$w $h" = "$size $size" ] || fail "the ${size}x${size} icon is ${w}x${h}"
    done

    desktop="$prefix/share/applications/$appId.desktop"
    report=$(desktop-file-validate "$desktop" 2>&1)
    if [ $? -ne 0 ] || [ -n "$report" ]; then
        echo "$report" >&2
        fail "desktop-file-validate finds fault with the desktop entry"
    fi
    grep -qx 'Categories=Science;Chemistry;' "$desktop" || fail "the desktop entry is not in Science/Chemistry"
    grep -qx "Icon=$appId" "$desktop" || fail "the desktop entry names another icon"
    grep -qx 'Exec=kelmora %f' "$desktop" || fail "the desktop entry does not start kelmora with a file"
    grep -q '^MimeType=.*application/x-kelmora;' "$desktop" || fail "the desktop entry does not open .kelmora files"
    mime="$prefix/share/mime/packages/$appId.xml"
    xmllint --noout "$mime" || fail "the MIME package is not well-formed XML"
    grep -q '<mime-type type="application/x-kelmora">' "$mime" && grep -q '<glob pattern="\*.kelmora"/>' "$mime" ||
        fail "the MIME package does not define .kelmora files"

    # Clean means no remark at all, pedantic ones included.
    metainfo="$prefix/share/metainfo/$appId.metainfo.xml"
    report=$(appstreamcli validate --no-net --pedantic "$metainfo" 2>&1)
    status=$?
    if [ $status -ne 0 ] || grep -q '^[EWIP]:' <<<"$report"; then
        echo "$report" >&2
        fail "appstreamcli finds fault with the metainfo"
    fi
    grep -q "<launchable type=\"desktop-id\">$appId.desktop</launchable>" "$metainfo" ||
        fail "the metainfo launches another desktop entry"
    grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo's release is not $version"
    grep -q '<screenshot type="default">' "$metainfo" || fail "the metainfo has no screenshot"
fi

fit="$prefix/bin/kelmora-fit"
[ "$("$fit" --version)" = "kelmora-fit $version" ] || fail "the installed kelmora-fit --version does not say $version"
answer=$("$fit" compute --data "$prefix/$examples/titration-1to1.txt") ||
    fail "the installed kelmora-fit cannot compute the installed example"
grep -qE $'^Q\t[0-9]' <<<"$answer" || fail "the installed kelmora-fit gives no Q for the example"
if [ "$withQt" = ON ]; then
    # kelmora-fit finds its report helper beside itself.
    reportFile=$(mktemp --suffix=.html)
    "$fit" analyze --data "$prefix/$examples/titration-1to1.txt" --models 1:1 --mc 0 \
        --report "$reportFile" >/dev/null || fail "the installed kelmora-fit cannot write a report"
    grep -q "Binding analysis" "$reportFile" || fail "the installed kelmora-fit's report is empty"
    rm -f "$reportFile"
fi
# The commands are the first words of the help's "Commands:" lines; each command's own --help
# shows the options it takes.
help=$("$fit" --help) || fail "the installed kelmora-fit --help fails"
commands=$(awk '/^Commands:/ { on = 1; next } on && /^$/ { exit } on && /^  [a-z]/ { print $1 }' <<<"$help")
[ -n "$commands" ] || fail "no commands found in --help"
optionsOf() {
    "$fit" "$1" --help | grep -oE -- '--[a-z][a-z0-9-]*' | sort -u
}

man=$(sed 's/\\-/-/g' "$prefix/share/man/man1/kelmora-fit.1")
grep -q "Kelmora $version" <<<"$man" || fail "the man page is not that of version $version"
completion="$prefix/share/bash-completion/completions/kelmora-fit"
offered() { # the words on the line so far, then the one being completed, as bash has them on Tab
    bash -c 'source "$1"; shift; COMP_WORDS=(kelmora-fit "$@"); COMP_CWORD=$#; _kelmora_fit
             printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" "$@"
}
firstWords=$(offered "")
for command in $commands; do
    # The man page describes each as an item of its own (".B compute", ".BI --data FILE").
    grep -qE "^\.B $command\$" <<<"$man" || fail "the man page does not describe the command $command"
    grep -qx -- "$command" <<<"$firstWords" || fail "the completion does not offer the command $command"
    options=$(optionsOf "$command")
    [ -n "$options" ] || fail "no options found in $command --help"
    optionWords=$(offered "$command" "--")
    for option in $options; do
        grep -qE "^\.BI? $option( |\$)" <<<"$man" || fail "the man page does not describe $option"
        grep -qx -- "$option" <<<"$optionWords" || fail "the completion does not offer $option after $command"
    done
done

if [ $failures -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "installed files, desktop entry, metainfo, man page and completion are in order"
