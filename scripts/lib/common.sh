# Shared by the scripts in scripts/: package installation and Wine set-up.
# Source it; it defines functions only.

# Debian packages every build, test and demo needs.
FEED_PACKAGES=(
  build-essential cmake ninja-build clang libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix wine wine64
  xvfb xdotool x11-utils imagemagick fonts-wqy-microhei
  libgtk-3-dev libcurl4-openssl-dev libpcre2-dev
  iproute2 python3 curl jq
  dbus-daemon at-spi2-core gir1.2-atspi-2.0 python3-gi locales
)

# Installs the packages of FEED_PACKAGES that are missing (needs root).
feed_install_packages() {
  local missing=()
  local p
  for p in "${FEED_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages (run as root to install): ${missing[*]}" >&2
    return 1
  fi
  echo "== installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# The Wine prefix of this checkout's Windows tests (see cmake/wine-run).
feed_wine_prefix() {
  echo "${FEED_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/feed-collector/wineprefix}"
}

# Creates the prefix if needed and keeps a wineserver running, so that each
# test start costs a tenth of a second instead of seconds.
feed_warm_wine() {
  local prefix
  prefix=$(feed_wine_prefix)
  mkdir -p "$(dirname "$prefix")"
  WINEPREFIX="$prefix" wineserver -p900 </dev/null >/dev/null 2>&1 || true
  FEED_WINEPREFIX="$prefix" "$FEED_ROOT/cmake/wine-run" cmd /c exit \
    </dev/null >/dev/null 2>&1 || true
  # Windows are not handed to a window manager (there is none under Xvfb):
  # otherwise Wine waits two seconds for one whenever a window is hidden or
  # destroyed, and draws no frame.
  FEED_WINEPREFIX="$prefix" "$FEED_ROOT/cmake/wine-run" reg add \
    'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
    </dev/null >/dev/null 2>&1 || true
}

# Starts an X server of our own for the tests that open windows, exports
# its DISPLAY, and stops it when the calling shell exits.
feed_start_xvfb() {
  local dir
  dir=$(mktemp -d)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
    3>"$dir/display" </dev/null >/dev/null 2>&1 &
  FEED_XVFB_PID=$!
  local i
  for i in $(seq 100); do
    [ -s "$dir/display" ] && break
    sleep 0.1
  done
  if [ ! -s "$dir/display" ]; then
    echo "Xvfb did not start" >&2
    rm -rf "$dir"
    return 1
  fi
  export DISPLAY=":$(head -n 1 "$dir/display")"
  rm -rf "$dir"
  trap 'kill "$FEED_XVFB_PID" 2>/dev/null || true' EXIT
  echo "Xvfb on $DISPLAY"
}

# Prints how long the named step took.
feed_step() {
  local name=$1
  shift
  local started=$SECONDS
  echo "== $name"
  "$@"
  echo "== $name: done in $((SECONDS - started)) s"
}
