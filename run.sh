#!/usr/bin/env bash
# Builds Palavrino (installing what is missing) and runs a script:
#   ./run.sh examples/ola.pro
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/tools/install_deps.sh" run >&2
cmake -S "$here" -B "$here/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPL_TESTS=OFF >/dev/null
cmake --build "$here/build/release" --target palavrino >&2
exec "$here/build/release/app/palavrino" "$@"
