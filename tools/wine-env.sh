# shellcheck shell=bash
# The project's Wine environment, sourced by every script that runs a Windows program
# (tools/test-env.sh, tools/wine-run.sh, tools/bench.sh, tests/e2e/with-drive.sh).
#
# Prefixes. WINEPREFIX names the prefix (default .deps/wineprefix). A missing prefix is
# made from one pristine template (.deps/wine-template, made once by wineboot) with the
# Windows binaries hard-linked, which takes a fraction of a second and next to no disk.
# A prefix is used by one script at a time: each takes the lock beside it ($prefix.lock)
# for as long as its program runs.
#
# Sessions. tools/test-env.sh opens a session for its command. Inside one, the first
# program that uses a prefix starts a persistent wineserver for it (every later Wine
# process then starts in a fraction of a second) and, when nobody watches, an Xvfb
# display of its own, so that programs in separate prefixes share no process list, window,
# pointer or screen. The session ends the servers and displays it started, each once its
# prefix is free. Xvfb picks its own display number, so two sessions never share one.
#
# Without a display manager, Wine waits two seconds for a window manager to confirm each
# window it hides; on a display that nobody watches, windows are left unmanaged instead.

WINE_ENV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# One spelling of each prefix, since its path names its lock and its session state.
WINEPREFIX=$(realpath -m "${WINEPREFIX:-$WINE_ENV_ROOT/.deps/wineprefix}")
export WINEPREFIX
export LC_ALL=zh_CN.UTF-8
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mshtml=d;mscoree=d"
WINE_ENV_TEMPLATE="$WINE_ENV_ROOT/.deps/wine-template"
# Files of a prefix that Wine only reads, shared between prefixes by hard links.
WINE_ENV_SHARED_FILES='\.(dll|exe|sys|drv|nls|ocx|cpl|acm|tlb|ax|com|ds|msstyles)$'

wine_env_say() { echo "wine-env: $*" >&2; }

# Runs a command that may leave processes behind (wineserver, Wine's service processes,
# Xvfb) without the caller's output or the prefix lock, which such processes would
# otherwise hold open for as long as they live.
wine_env_detached() { "$@" > /dev/null 2>&1 < /dev/null 9>&-; }

# ---- prefixes ---------------------------------------------------------------------------

# Wine links the user's Desktop, Documents and the like to the Linux home folder, so a
# shortcut written in one prefix would land in /root and be seen by every prefix. Each
# prefix gets folders of its own instead.
wine_env_own_folders() {
    local folder
    for folder in "$1"/drive_c/users/*/*; do
        if [ -L "$folder" ]; then rm -f "$folder" && mkdir -p "$folder"; fi
    done
}

wine_env_managed() { # prefix: the Managed value of the X11 driver, empty when unset
    awk '/^\[Software\\\\Wine\\\\X11 Driver\]/ { s = 1; next } /^\[/ { s = 0 }
         s && /^"Managed"=/ { v = $0; sub(/^"Managed"="/, "", v); sub(/".*/, "", v); print v }' \
        "$1/user.reg" 2> /dev/null
}

# Windows unmanaged (N) on a display nobody watches, managed (the default) on a person's.
wine_env_set_managed() { # prefix, N or empty
    local have
    have=$(wine_env_managed "$1")
    if [ "$2" = N ] && [ "$have" != N ]; then
        WINEPREFIX=$1 wine_env_detached wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
    elif [ "$2" != N ] && [ -n "$have" ]; then
        WINEPREFIX=$1 wine_env_detached wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f
    fi
    return 0
}

wine_env_headless() { [ -n "${INSTALLER_WINE_SESSION:-}" ] && [ -f "$INSTALLER_WINE_SESSION/headless" ]; }

wine_env_template_ready() {
    [ -f "$WINE_ENV_TEMPLATE/system.reg" ] && return 0
    mkdir -p "$(dirname "$WINE_ENV_TEMPLATE")"
    (
        exec 8> "$WINE_ENV_TEMPLATE.lock"
        flock 8
        [ -f "$WINE_ENV_TEMPLATE/system.reg" ] && exit 0
        fresh="$WINE_ENV_TEMPLATE.new"
        rm -rf "$fresh"
        wine_env_say "creating the Wine prefix template $WINE_ENV_TEMPLATE"
        export WINEPREFIX=$fresh
        wine_env_detached wineboot --init 8>&-
        wineserver -w
        [ -f "$fresh/system.reg" ] || { wine_env_say "wineboot made no prefix in $fresh"; exit 1; }
        if wine_env_headless; then
            wine_env_set_managed "$fresh" N 8>&-
            wineserver -w
        fi
        wine_env_own_folders "$fresh"
        # Debian's Wine keeps the name of the server's folder under /tmp in the prefix;
        # each prefix made from the template gets a folder of its own.
        if [ -f "$fresh/wineserver" ]; then
            server_dir=$(cat "$fresh/wineserver")
            case "$server_dir" in wine-?*) rm -rf "${TMPDIR:-/tmp}/${server_dir:?}" ;; esac
            rm -f "$fresh/wineserver"
        fi
        mv "$fresh" "$WINE_ENV_TEMPLATE"
    )
}

# A new prefix from the template: the Windows binaries hard-linked, everything else
# (registry, ini files, the users' folders) copied, so that no prefix writes into another.
wine_env_clone() { # prefix
    local fresh="$1.new"
    rm -rf "$fresh"
    cp -a --link "$WINE_ENV_TEMPLATE" "$fresh" || return 1
    find "$fresh" -type f -links +1 -print0 | { grep -zviE "$WINE_ENV_SHARED_FILES" || true; } |
        while IFS= read -r -d '' file; do
            cp -p "$file" "$file.copy" && mv -f "$file.copy" "$file"
        done
    mv "$fresh" "$1"
}

# The caller holds the prefix's lock.
wine_env_prefix_ready() { # prefix
    if [ ! -f "$1/system.reg" ]; then
        wine_env_template_ready || return 1
        mkdir -p "$(dirname "$1")"
        rm -rf "$1"
        wine_env_clone "$1" || { wine_env_say "could not make the prefix $1"; return 1; }
    fi
    wine_env_own_folders "$1"
}

# Takes the prefix for this script and everything it starts; a script started under it
# finds the prefix taken by its parent and goes on. Fails when no prefix can be made.
wine_env_hold() { # prefix
    if [ "${INSTALLER_WINE_HELD:-}" != "$1" ]; then
        mkdir -p "$(dirname "$1")"
        exec 9> "$1.lock"
        flock 9
        export INSTALLER_WINE_HELD=$1
    fi
    wine_env_prefix_ready "$1" && wine_env_server_ready "$1"
}

# ---- displays ---------------------------------------------------------------------------

# Starts Xvfb on a display number it picks itself and waits until it takes connections.
# Sets WINE_ENV_XVFB_PID and WINE_ENV_XVFB_DISPLAY.
wine_env_start_xvfb() {
    local number_file number=""
    number_file=$(mktemp)
    Xvfb -displayfd 7 -screen 0 1280x1024x24 -nolisten tcp \
        7> "$number_file" > /dev/null 2>&1 < /dev/null 9>&- &
    WINE_ENV_XVFB_PID=$!
    for _ in $(seq 300); do
        # The number is written, with its newline, once the display takes connections.
        read -r number < "$number_file" && break
        number=""
        kill -0 "$WINE_ENV_XVFB_PID" 2> /dev/null || break
        sleep 0.1
    done
    rm -f "$number_file"
    if [ -z "$number" ]; then
        wine_env_say "Xvfb did not start"
        wine_env_end_xvfb "$WINE_ENV_XVFB_PID"
        return 1
    fi
    WINE_ENV_XVFB_DISPLAY=":$number"
}

wine_env_end_xvfb() { # pid; only an Xvfb, since a process number may have been reused
    [ -n "$1" ] && [ "$(cat "/proc/$1/comm" 2> /dev/null)" = Xvfb ] || return 0
    kill "$1" 2> /dev/null || true
}

# ---- sessions ---------------------------------------------------------------------------

wine_env_in_session() {
    [ -n "${INSTALLER_WINE_SESSION:-}" ] && wine_env_session_alive "$INSTALLER_WINE_SESSION"
}

wine_env_session_alive() { # session folder
    [ -n "$1" ] && [ -f "$1/pid" ] && kill -0 "$(cat "$1/pid")" 2> /dev/null
}

# Inside a session: a wineserver for the prefix that a live session owns, started now if
# there is none, and DISPLAY set to the display its programs use. Outside: nothing, and
# each Wine process starts (and its server ends) on its own.
wine_env_server_ready() { # prefix
    wine_env_in_session || return 0
    local prefix=$1 state="$1.session" owner="" display="" xvfb=""
    if [ -f "$state" ]; then read -r owner display xvfb < "$state" || true; fi
    if [ "$owner" = "$INSTALLER_WINE_SESSION" ]; then
        export DISPLAY=$display
        return 0
    fi
    if WINEPREFIX=$prefix wine_env_detached wineserver -p; then
        wine_env_end_xvfb "$xvfb" # left by a session that ended without cleaning up
    elif wine_env_session_alive "$owner"; then
        export DISPLAY=$display
        return 0
    else
        # A server that no live session owns (one killed outright, or a Wine program run
        # outside a session): its display is unknown, so it makes way for one of ours.
        WINEPREFIX=$prefix wineserver -k 2> /dev/null
        WINEPREFIX=$prefix timeout 30 wineserver -w 2> /dev/null
        wine_env_end_xvfb "$xvfb"
        if ! WINEPREFIX=$prefix wine_env_detached wineserver -p; then
            wine_env_say "no wineserver could be started for $prefix"
            return 1
        fi
    fi
    xvfb=""
    display=$DISPLAY
    if wine_env_headless && [ "$prefix" != "$(cat "$INSTALLER_WINE_SESSION/prefix")" ]; then
        if ! wine_env_start_xvfb; then
            WINEPREFIX=$prefix wineserver -k 2> /dev/null
            return 1
        fi
        display=$WINE_ENV_XVFB_DISPLAY
        xvfb=$WINE_ENV_XVFB_PID
    fi
    echo "$INSTALLER_WINE_SESSION $display $xvfb" > "$state"
    echo "$prefix" >> "$INSTALLER_WINE_SESSION/prefixes"
    export DISPLAY=$display
    if wine_env_headless; then wine_env_set_managed "$prefix" N; else wine_env_set_managed "$prefix" ""; fi
    # The first Wine process of a server starts Wine's service processes, and the first
    # one that makes a window starts the desktop process; both live as long as the server.
    WINEPREFIX=$prefix wine_env_detached wine rundll32.exe user32.dll,GetDesktopWindow
    return 0
}

# Ends what the session started in one prefix, once no script holds it.
wine_env_release() { # prefix
    (
        exec 9> "$1.lock"
        flock 9
        owner="" display="" xvfb=""
        if [ -f "$1.session" ]; then read -r owner display xvfb < "$1.session" || true; fi
        [ "$owner" = "$INSTALLER_WINE_SESSION" ] || exit 0
        export WINEPREFIX=$1
        wineserver -k 2> /dev/null
        timeout 30 wineserver -w 2> /dev/null
        wine_env_end_xvfb "$xvfb"
        rm -f "$1.session"
    )
}

wine_env_session_end() {
    local prefix releases=()
    if [ -f "$INSTALLER_WINE_SESSION/prefixes" ]; then
        while read -r prefix; do
            wine_env_release "$prefix" &
            releases+=($!)
        done < "$INSTALLER_WINE_SESSION/prefixes"
        # Not a bare wait: the session's own display is a child of this shell too.
        [ ${#releases[@]} -eq 0 ] || wait "${releases[@]}"
    fi
    if [ -f "$INSTALLER_WINE_SESSION/xvfb" ]; then
        wine_env_end_xvfb "$(cat "$INSTALLER_WINE_SESSION/xvfb")"
    fi
    rm -rf "$INSTALLER_WINE_SESSION"
}

# Opens a session for the calling script, ended when the script exits. Within a session
# that is already open (a script run by another), joins it instead.
wine_env_session_begin() {
    wine_env_in_session && return 0
    # What sessions killed outright left: their folders and displays. Their servers make
    # way the next time their prefixes are used.
    local stale
    for stale in "${TMPDIR:-/tmp}"/installer-wine.*; do
        [ -f "$stale/pid" ] && ! wine_env_session_alive "$stale" || continue
        [ -f "$stale/xvfb" ] && wine_env_end_xvfb "$(cat "$stale/xvfb")"
        rm -rf "$stale"
    done
    INSTALLER_WINE_SESSION=$(mktemp -d "${TMPDIR:-/tmp}/installer-wine.XXXXXX")
    export INSTALLER_WINE_SESSION
    echo $$ > "$INSTALLER_WINE_SESSION/pid"
    echo "$WINEPREFIX" > "$INSTALLER_WINE_SESSION/prefix"
    trap wine_env_session_end EXIT
    trap 'exit 129' HUP
    trap 'exit 130' INT
    trap 'exit 143' TERM
    if [ -z "${DISPLAY:-}" ] || [ "${INSTALLER_HEADLESS:-}" = 1 ]; then
        wine_env_start_xvfb || exit 1
        echo "$WINE_ENV_XVFB_PID" > "$INSTALLER_WINE_SESSION/xvfb"
        : > "$INSTALLER_WINE_SESSION/headless"
        export DISPLAY=$WINE_ENV_XVFB_DISPLAY
        export INSTALLER_HEADLESS=1
    fi
    wine_env_template_ready || exit 1
}
