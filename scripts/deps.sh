#!/usr/bin/env bash
# Installs the Debian packages the project needs, if any is missing. Sourced by ./run and ./test.
kv74_install_deps() {
  local pkgs=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev
    libbenchmark-dev libpng-dev qt6-base-dev qt6-svg-dev libgl-dev libjpeg-dev libjpeg-turbo-progs
    fonts-dseg fonts-liberation2 xvfb xauth imagemagick valgrind python3 nlohmann-json3-dev libedit-dev lcov graphviz
    emscripten npm chromium)
  local missing=()
  for p in "${pkgs[@]}"; do
    # A Node.js from elsewhere (NodeSource's) brings its own npm and conflicts with Debian's.
    [ "$p" = npm ] && command -v npm >/dev/null && continue
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
  fi
}

# The browser tests' driver (tests/web/package.json) in a folder of the build, not the system's.
kv74_install_web_deps() {
  local dir=build-web/node
  mkdir -p "$dir"
  if ! cmp -s tests/web/package.json "$dir/package.json" || [ ! -d "$dir/node_modules/puppeteer-core" ]; then
    cp tests/web/package.json "$dir/package.json"
    (cd "$dir" && npm install --no-audit --no-fund --loglevel=error)
  fi
}
