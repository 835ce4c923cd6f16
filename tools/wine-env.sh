# Sourced by the project's scripts: a private Wine prefix (32-bit, or a
# WoW64 one that runs 64-bit and 32-bit programs side by side), an Xvfb
# display and a persistent wineserver. Functions only; nothing runs on source.

# In a win64 prefix Debian's `wine` always starts the 32-bit loader (and runs
# system32 programs as their SysWOW64 twins); 64-bit system programs such as
# regsvr32, cscript or msiexec start through this one.
KORVIX_WINE64=/usr/lib/wine/wine64

korvix_wine_vars() { # korvix_wine_vars <prefix> [win32|win64]
  export WINEPREFIX="$1"
  export WINEARCH="${2:-win32}"
  export WINEDEBUG="${WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
}

# Creates the prefix once (serialised with a lock so parallel builds agree).
korvix_prefix_init() { # korvix_prefix_init <prefix> [win32|win64]
  local prefix="$1" arch="${2:-win32}"
  korvix_wine_vars "$prefix" "$arch"
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    if [ "$(cat "$prefix/.korvix-ready" 2>/dev/null)" != "$arch" ]; then
      rm -rf "$prefix"
      wine wineboot -i >/dev/null 2>&1 || true
      # No window manager under Xvfb: unmanaged windows avoid a stall on destroy.
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
      # The gphoto2 source only slows the data source managers down.
      rm -f "$prefix/drive_c/windows/twain_32/gphoto2.ds" "$prefix/drive_c/windows/twain_64/gphoto2.ds"
      wineserver -w
      echo "$arch" >"$prefix/.korvix-ready"
    fi
    korvix_prefix_seal "$prefix"
  ) 9>"$prefix.lock"
}

# Wine links the prefix user's Desktop, Documents and other shell folders to
# the real home directory: a test that deletes a folder tree through C:\
# would reach it. The links become plain folders inside the prefix.
korvix_prefix_seal() { # korvix_prefix_seal <prefix>
  local link
  for link in "$1"/drive_c/users/*/*; do
    if [ -L "$link" ]; then rm -f "$link" && mkdir -p "$link"; fi
  done
}

# Starts Xvfb on a free display unless DISPLAY already works.
korvix_xvfb_start() {
  if [ -n "${DISPLAY:-}" ] && [ -S "/tmp/.X11-unix/X${DISPLAY#:}" ]; then return 0; fi
  local fifo dispno
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  KORVIX_XVFB_PID=$!
  read -r dispno <"$fifo"
  rm -f "$fifo"
  export DISPLAY=":$dispno"
}

korvix_wineserver_start() { # after korvix_wine_vars
  wineserver -p >/dev/null 2>&1 </dev/null &
  sleep 0.2
  # The first program starts Wine's background services; start them here with
  # no pipe attached, or ctest waits for them to close its output pipe.
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
}

# Ends the current prefix's server (the next prefix gets its own).
korvix_wineserver_stop() {
  wineserver -k >/dev/null 2>&1 || true
}

korvix_wine_stop() {
  korvix_wineserver_stop
  if [ -n "${KORVIX_XVFB_PID:-}" ]; then kill "$KORVIX_XVFB_PID" 2>/dev/null || true; wait "$KORVIX_XVFB_PID" 2>/dev/null || true; fi
}

# The virtual scanner becomes the prefix's TWAIN source: Wine's data source
# managers load sources only from C:\windows\twain_32\sane.ds (32-bit) and
# C:\windows\twain_64\sane.ds (64-bit).
#   korvix_install_scanner <build dir> [win32|win64]
korvix_install_scanner() {
  local folder=twain_32
  [ "${2:-win32}" = win64 ] && folder=twain_64
  local ds="$1/twain/korvix_scanner.ds" target="$1/wineprefix/drive_c/windows/$folder/sane.ds"
  [ -f "$ds" ] || return 0
  mkdir -p "$(dirname "$target")"
  cp "$ds" "$target"
}

# The toolchain file of a Windows build.
korvix_toolchain() { # korvix_toolchain <source root> [win32|win64]
  if [ "${2:-win32}" = win64 ]; then echo "$1/cmake/mingw-x86_64.cmake"; else echo "$1/cmake/mingw-i686.cmake"; fi
}

# Everything a script needs before it builds or runs the Windows side:
# display, prefix, persistent server, the Windows build, the virtual scanner.
# win32 builds the i686 module in a 32-bit prefix, win64 the x86_64 module in
# a WoW64 prefix; further arguments go to cmake.
#   korvix_windows_build <source root> <build dir> <jobs> [win32|win64] [-DNAME=value...]
korvix_windows_build() {
  local root="$1" build="$2" jobs="$3" arch="${4:-win32}"
  shift $(($# < 4 ? $# : 4))
  korvix_xvfb_start
  korvix_prefix_init "$build/wineprefix" "$arch"
  korvix_wineserver_start
  cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$(korvix_toolchain "$root" "$arch")" \
    -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  cmake --build "$build" -j "$jobs"
  korvix_install_scanner "$build" "$arch"
}
