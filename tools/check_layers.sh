#!/usr/bin/env bash
# Keeps the architecture honest: every top-level folder has a rank, and a
# folder may include, and its libraries may link, only folders of a lower
# rank (or itself). So no library depends on one above it and there is no
# cycle. Usage: tools/check_layers.sh SOURCE_DIR BUILD_DIR
#
#   messages (0)                       texts only
#   core, encoding, voice (1)          the standard library only
#   platform (2)                       OS interfaces and their Linux back ends
#   devices, console (3)               descriptor streams; screen, keys, speech
#   interp (4)                         loading and running scripts
#   commands (5)                       command families, above the interpreter
#   app (6)                            the program, which picks the back ends
set -euo pipefail
src="$1"
build="$2"
declare -A rank=([messages]=0 [core]=1 [encoding]=1 [voice]=1 [platform]=2 [devices]=3 [console]=3 [interp]=4
  [commands]=5 [app]=6)
failed=0

# Includes of project headers, folder by folder.
for folder in "${!rank[@]}"; do
  [[ -d "$src/$folder" ]] || continue
  while IFS=: read -r file line target; do
    to="${target%%/*}"
    [[ -n "${rank[$to]:-}" ]] || continue
    if [[ "$to" != "$folder" && ${rank[$to]} -ge ${rank[$folder]} ]]; then
      echo "include para cima: $file:$line inclui $target ($folder -> $to)"
      failed=1
    fi
  done < <(grep -rnoE '^#include "[a-z_]+/[^"]+"' "$src/$folder" --include='*.h' --include='*.cpp' \
             | sed -E 's/#include "([^"]+)"/\1/')
done

# The library graph CMake built.
dot_dir="$(mktemp -d)"
trap 'rm -rf "$dot_dir"' EXIT
cmake --graphviz="$dot_dir/deps.dot" "$build" > /dev/null
folder_of() {
  case "$1" in
    pl_cmd_*|pl_commands) echo commands ;;
    pl_platform*) echo platform ;;
    pl_*) echo "${1#pl_}" ;;
    *) echo "" ;;
  esac
}
edges="$dot_dir/edges"
: > "$edges"
while read -r from to; do
  a="$(folder_of "$from")"
  b="$(folder_of "$to")"
  [[ -n "$a" && -n "$b" && -n "${rank[$a]:-}" && -n "${rank[$b]:-}" ]] || continue
  [[ "$from" == "$to" ]] && continue
  echo "$from $to" >> "$edges"
  if [[ "$a" != "$b" && ${rank[$b]} -ge ${rank[$a]} ]]; then
    echo "biblioteca liga para cima: $from -> $to"
    failed=1
  fi
done < <(sed -nE 's|.*// (pl_[a-z_]+) -> (pl_[a-z_]+)$|\1 \2|p' "$dot_dir/deps.dot" | sort -u)
if ! tsort "$edges" > /dev/null 2> "$dot_dir/tsort.err"; then
  echo "ciclo entre bibliotecas:"
  cat "$dot_dir/tsort.err"
  failed=1
fi
exit "$failed"
