#!/usr/bin/env bash
# Times each benchmark program in Palavrino and its Lua 5.4, Python 3 and
# Tcl 8.6 twins (best of three runs) and prints a table of seconds and of
# Palavrino's time relative to each. Installs the other interpreters and
# builds Palavrino (release) when they are missing.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$here/.."
missing=()
for p in lua5.4 tcl8.6 python3 bc; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [[ ${#missing[@]} -gt 0 ]]; then
  sudo=(); [[ $(id -u) -ne 0 ]] && sudo=(sudo)
  "${sudo[@]}" apt-get update -q && "${sudo[@]}" apt-get install -y -q "${missing[@]}"
fi
"$root/tools/install_deps.sh" run >/dev/null
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPL_TESTS=OFF >/dev/null
cmake --build "$root/build/release" --target palavrino >/dev/null
pl="$root/build/release/app/palavrino"
python="$(command -v python3)"

best_of_three() {
  local best=""
  for _ in 1 2 3; do
    local start end t
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 </dev/null
    end=$(date +%s.%N)
    t=$(echo "$end - $start" | bc -l)
    if [[ -z "$best" ]] || (( $(echo "$t < $best" | bc -l) )); then best=$t; fi
  done
  printf '%.3f' "$best"
}

printf '| program | Palavrino | Lua 5.4 | Python 3 | Tcl 8.6 | vs Lua | vs Python | vs Tcl |\n'
printf '|---|---|---|---|---|---|---|---|\n'
for b in count fib concat sort; do
  tp=$(cd "$here" && best_of_three "$pl" "$b.pro")
  tl=$(best_of_three lua5.4 "$here/$b.lua")
  ty=$(best_of_three "$python" "$here/$b.py")
  tt=$(best_of_three tclsh8.6 "$here/$b.tcl")
  ratio() { printf '%.2fx' "$(echo "$tp / $1" | bc -l)"; }
  printf '| %s | %s | %s | %s | %s | %s | %s | %s |\n' "$b" "$tp" "$tl" "$ty" "$tt" "$(ratio "$tl")" "$(ratio "$ty")" "$(ratio "$tt")"
done
