#!/usr/bin/env bash
# Times each benchmark program (count, fib, concat, sort; words: counting
# the words of a 5 MB text; jsonrt: reading and writing a 2 MB JSON file)
# in Palavrino and its Lua 5.4, Python 3 and Tcl 8.6 twins with hyperfine (all four side by side in one invocation,
# in ROUNDS rounds; median of at least RUNS runs, ten by default) and prints a table of
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
# The runs are made in rounds, each a hyperfine invocation with all four
# interpreters: a change of load on a shared host then falls on every
# interpreter alike instead of on whichever was running. The median is over
# the runs of all rounds.
rounds="${ROUNDS:-5}"
per_round=$(( (runs + rounds - 1) / rounds ))
cd "$work"
for b in "${programs[@]}"; do
  for ((r = 1; r <= rounds; r++)); do
    hyperfine -N --warmup 1 --runs "$per_round" --export-json "$b.$r.json" --style none \
      -n palavrino "$pl $b.pro" -n lua "lua5.4 $b.lua" -n python "$python $b.py" -n tcl "tclsh8.6 $b.tcl" \
      >/dev/null 2>&1 </dev/null
  done
done
"$python" - "$rounds" "${programs[@]}" <<'PY'
import json, statistics, sys
rounds = int(sys.argv[1])
print("| program | Palavrino | Lua 5.4 | Python 3 | Tcl 8.6 | vs Lua | vs Python | vs Tcl |")
print("|---|---|---|---|---|---|---|---|")
for b in sys.argv[2:]:
    times = {}
    for r in range(1, rounds + 1):
        for result in json.load(open(f"{b}.{r}.json"))["results"]:
            times.setdefault(result["command"], []).extend(result["times"])
    rows = {k: statistics.median(v) * 1000 for k, v in times.items()}
    p = rows["palavrino"]
    cells = [f"{rows[k]:.1f}" for k in ("palavrino", "lua", "python", "tcl")]
    ratios = [f"{p / rows[k]:.2f}x" for k in ("lua", "python", "tcl")]
    print(f"| {b} | " + " | ".join(cells + ratios) + " |")
PY
