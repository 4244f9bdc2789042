# shellcheck shell=sh
# Checks shared by the install and package tests, sourced by both. They look
# at an installed tree under <root>/<prefix> and count failures in $failures.
# The layout is the one the build was configured with, set by the caller:
# $private_dir (the program's folder), $data_dir (its data files' folder),
# both under the prefix, and $copyright (ON when a plain install has the
# licence), and $scratch, a folder for throw-away files.
# shellcheck disable=SC2154  # the layout and $scratch are the caller's

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Every file under the prefix with its permissions, against the expected
# list; nothing may land outside the prefix. The list names the launcher's
# folder @LAUNCHER_DIR@ and the data files' @DATA_DIR@, and marks with "deb"
# what only the package holds, with "copyright" the licence.
check_file_list() {  # <root> <prefix> <expected list> <launcher dir> plain|deb
    stray="$(cd "$1" && { find . ! -type d | grep -v "^\./${2#/}/" || true; })"
    [ -z "$stray" ] || fail "files outside $2: $stray"
    actual="$(cd "$1/${2#/}" && find . ! -type d -printf '%m %P\n' | LC_ALL=C sort)"
    if [ "$5" = deb ]; then keep='s/^deb //'; else keep='/^deb /d'; fi
    # The project's own package has the licence whatever the option says.
    if [ "$copyright" = ON ] || [ "$5" = deb ]; then
        keep="$keep; s/^copyright //"
    else
        keep="$keep; /^copyright /d"
    fi
    expected="$(sed "$keep; s#@LAUNCHER_DIR@#$4#; s#libexec/zanrai#$private_dir#; s#@DATA_DIR@#$data_dir#" "$3" |
        LC_ALL=C sort)"
    if [ "$actual" != "$expected" ]; then
        fail "installed files differ from $3 (- expected, + installed):"
        printf '%s\n' "$expected" > "$scratch/expected"
        printf '%s\n' "$actual" > "$scratch/actual"
        diff -u "$scratch/expected" "$scratch/actual" | tail -n +3 >&2 || true
    fi
}

# The launcher is the source with the program's and the data's folders and
# the version filled in, and those folders are where the files really are.
check_launcher() {  # <root> <prefix> <launcher source> <launcher dir> <version>
    installed="$1/${2#/}/$4/zanrai"
    [ -f "$installed" ] || { fail "no launcher in $2/$4"; return; }
    sed "s#@ZANRAI_LIBEXEC_DIR@#$2/$private_dir#; s#@ZANRAI_DATA_DIR@#$2/$data_dir#
         s#@ZANRAI_VERSION@#$5#" "$3" | cmp -s - "$installed" ||
        fail "launcher in $2/$4 does not point at $2/$private_dir and $2/$data_dir or is not version $5"
    [ "$(head -n 1 "$installed")" = "#!/bin/sh" ] || fail "launcher does not start with #!/bin/sh"
    # The manual page's FILES name the same three places.
    manual="$(gzip -dc "$1/${2#/}/share/man/man6/zanrai.6.gz")" || { fail "no manual page"; return; }
    for path in "$2/$4/zanrai" "$2/$private_dir/zanrai" "$2/$data_dir/rank.dat"; do
        printf '%s\n' "$manual" | grep -qxF ".I $path" || fail "manual page does not name $path"
    done
}

# The program must not look for libraries in the build tree once installed.
check_program() {  # <root> <prefix>
    program="$1/${2#/}/$private_dir/zanrai"
    [ -f "$program" ] || { fail "no program in $2/$private_dir"; return; }
    file -b "$program" | grep -Eq '^ELF .*(executable|shared object)' ||
        fail "program is not an executable: $(file -b "$program")"
    if readelf -d "$program" | grep -Eq '\((RPATH|RUNPATH)\)'; then
        fail "program keeps a library path: $(readelf -d "$program" | grep -E 'R(UN)?PATH')"
    fi
}

# The desktop entry, the icons, the metainfo and the program itself must all
# use one application id, or desktops cannot match the window to its entry.
check_ids() {  # <root> <prefix> <source dir> <launcher dir>
    share="$1/${2#/}/share"
    program_id="$(sed -n 's/.*setDesktopFileName(QStringLiteral("\([^"]*\)")).*/\1/p' "$3/game/main.cpp")"
    [ -n "$program_id" ] || { fail "no desktop file name found in game/main.cpp"; return; }
    [ -f "$share/applications/$program_id.desktop" ] ||
        fail "no desktop entry named $program_id.desktop"
    icon="$(sed -n 's/^Icon=//p' "$share/applications/$program_id.desktop" 2>/dev/null)"
    for size in 32 48 64 128 256; do
        [ -f "$share/icons/hicolor/${size}x$size/apps/$icon.png" ] ||
            fail "Icon=$icon has no ${size}x$size picture"
    done
    metainfo="$share/metainfo/$program_id.metainfo.xml"
    [ -f "$metainfo" ] || { fail "no metainfo named $program_id.metainfo.xml"; return; }
    grep -q "<id>$program_id</id>" "$metainfo" || fail "metainfo id is not $program_id"
    grep -q "<launchable type=\"desktop-id\">$program_id.desktop</launchable>" "$metainfo" ||
        fail "metainfo does not launch $program_id.desktop"
    exec_line="$(sed -n 's/^Exec=//p' "$share/applications/$program_id.desktop")"
    # Exec= is looked up on PATH, which holds both bin/ and games/.
    [ -x "$1/${2#/}/$4/${exec_line%% *}" ] || fail "Exec=$exec_line is not the launcher in $4/"
}

# Bumping the project's version without a release entry would ship stale
# metadata.
check_release() {  # <root> <prefix> <version>
    metainfo="$(find "$1/${2#/}/share/metainfo" -name '*.metainfo.xml' | head -n 1)"
    newest="$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$metainfo" | head -n 1)"
    [ "$newest" = "$3" ] || fail "newest release in the metainfo is '$newest', the project is $3"
}
