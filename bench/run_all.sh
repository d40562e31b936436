#!/usr/bin/env bash
# Times each benchmark program (count, fib, concat, sort; words: counting
# the words of a 5 MB text; jsonrt: reading and writing a 2 MB JSON file)
# in Palavrino and its Lua 5.4, Python 3 and Tcl 8.6 twins with hyperfine (all four side by side in one invocation,
# median of at least ten runs after warm-up) and prints a table of
# milliseconds and of Palavrino's time relative to each (below 1 means
# Palavrino is faster). The last row is start-up: a one-line script that
# writes without speaking, against each interpreter running an empty
# program. Builds Palavrino (release) when needed; the interpreters come
# from tools/install_deps.sh's test packages. PALAVRINO=path times another
# build instead (an older one, to compare).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$here/.."
runs="${RUNS:-10}"
for tool in hyperfine lua5.4 tclsh8.6 python3; do # and lua-cjson, tcllib
  command -v "$tool" >/dev/null || { echo "missing $tool: run tools/install_deps.sh test" >&2; exit 1; }
done
build="${BUILD_DIR:-$root/build/release}" # any release build folder will do
pl="${PALAVRINO:-}"
if [[ -z "$pl" ]]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPL_TESTS=OFF >/dev/null
  cmake --build "$build" --target palavrino >/dev/null
  pl="$build/app/palavrino"
fi
python="$(command -v /usr/bin/python3 python3 | head -n 1)" # Debian's CPython, not a shim
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$here"/*.pro "$here"/*.lua "$here"/*.py "$here"/*.tcl "$work/"
"$python" "$here/make_data.py" "$work" # texto.txt and dados.json
printf 'ESCREVE MUDO 1\n' > "$work/startup.pro"
: > "$work/startup.lua"; : > "$work/startup.py"; : > "$work/startup.tcl"
# A fresh user: no Talira.ini, so Palavrino starts with its defaults.
mkdir -p "$work/home"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"

programs=(count fib concat sort words jsonrt startup)
cd "$work"
for b in "${programs[@]}"; do
  hyperfine -N --warmup 2 --runs "$runs" --export-json "$b.json" --style none \
    -n palavrino "$pl $b.pro" -n lua "lua5.4 $b.lua" -n python "$python $b.py" -n tcl "tclsh8.6 $b.tcl" \
    >/dev/null 2>&1 </dev/null
done
"$python" - "${programs[@]}" <<'PY'
import json, sys
print("| program | Palavrino | Lua 5.4 | Python 3 | Tcl 8.6 | vs Lua | vs Python | vs Tcl |")
print("|---|---|---|---|---|---|---|---|")
for b in sys.argv[1:]:
    rows = {r["command"]: r["median"] * 1000 for r in json.load(open(b + ".json"))["results"]}
    p = rows["palavrino"]
    cells = [f"{rows[k]:.1f}" for k in ("palavrino", "lua", "python", "tcl")]
    ratios = [f"{p / rows[k]:.2f}x" for k in ("lua", "python", "tcl")]
    print(f"| {b} | " + " | ".join(cells + ratios) + " |")
PY
