#!/usr/bin/env bash
# Builds the web page into build-web/site/: the machine as a WebAssembly module (web/CMakeLists.txt,
# emscripten) beside the page's files and the bundled images. The folder is all a static web host
# needs. Arguments go to cmake, e.g. -DKV74_SWITCH_DISPATCH=0.
set -euo pipefail
cd "$(dirname "$0")/.."
out=build-web
# emscripten's JavaScript optimizer needs acorn, which Debian keeps where only its own node looks.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
emcmake cmake -S web -B "$out/cmake" -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" "$@" >/dev/null
cmake --build "$out/cmake"

site=$out/site
rm -rf "$site.new"
mkdir -p "$site.new/data"
cp "$out/cmake/kv74.js" "$out/cmake/kv74.wasm" "$site.new/"
shopt -s nullglob
for f in web/*.html web/*.js web/*.css; do cp "$f" "$site.new/"; done
if [ -d web/faces ]; then cp -r web/faces "$site.new/"; fi
cp data/V4 data/AMT data/RAM "$site.new/data/"
rm -rf "$site"
mv "$site.new" "$site"
echo "web page in $site ($(stat -c %s "$site/kv74.wasm") bytes of WebAssembly)"
