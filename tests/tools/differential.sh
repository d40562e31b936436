#!/usr/bin/env bash
# Runs every script under the given folders through two builds of the
# program (the token cache off, then on) in the golden tests' setting, and
# fails when their standard output, speech log or exit status differ in any
# byte. Scripts that read the clock or seed from it (HORA, TEMPO, DATA, DIA,
# RANDOMIZA) are compared too: a difference there is retried once before it
# counts, since the second may have turned between the two runs.
set -uo pipefail
reference="$1"
candidate="$2"
shift 2

run_one() { # exe script out_dir
  local exe="$1" script="$2" out="$3"
  local name src_dir work args
  name="$(basename "$script" .pro)"
  src_dir="$(cd "$(dirname "$script")" && pwd)"
  work="$(mktemp -d)"
  cp -r "$src_dir/." "$work/"
  mkdir -p "$work/.config/talira" "$out"
  printf '[SERVFALA]\nTIPOSAPI=REGISTRO\nARQUIVOREGISTRO=%s\n' "$work/.speech.log" > "$work/.config/talira/Talira.ini"
  sed -n 's|^// stdin: \?||p' "$script" > "$work/.stdin"
  args="$(sed -n 's|^// args: *||p' "$script" | head -n 1)"
  args="${args:-$name.pro}"
  (cd "$work" && XDG_CONFIG_HOME="$work/.config" HOME="$work" timeout 60 "$exe" "$args" < "$work/.stdin" > "$out/stdout" 2>/dev/null)
  echo "$?" > "$out/status"
  touch "$work/.speech.log"
  cp "$work/.speech.log" "$out/speech"
  rm -rf "$work"
}

compare_one() { # script -> 0 when both runs agree
  local script="$1" scratch
  scratch="$(mktemp -d)"
  run_one "$reference" "$script" "$scratch/a"
  run_one "$candidate" "$script" "$scratch/b"
  local rc=0
  for f in stdout speech status; do
    if ! cmp -s "$scratch/a/$f" "$scratch/b/$f"; then
      echo "$script: $f differs with the token cache on"
      diff -u "$scratch/a/$f" "$scratch/b/$f" | head -n 20
      rc=1
    fi
  done
  rm -rf "$scratch"
  return "$rc"
}

failed=0
count=0
log="$(mktemp)"
while IFS= read -r script; do
  count=$((count + 1))
  if ! compare_one "$script" >"$log" 2>&1; then
    if grep -qiE 'HORA|TEMPO|DATA|DIA|RANDOMIZA' "$script" && compare_one "$script" >/dev/null 2>&1; then
      continue
    fi
    cat "$log"
    failed=$((failed + 1))
  fi
done < <(find "$@" -name '*.pro' | sort | while IFS= read -r f; do
  # Scripts that talk to peers on the network or a serial line depend on
  # whoever answers, not on the interpreter: their own tests cover them.
  grep -qE '^[[:space:]]*(SERVE|CONECTA|ACEITA|BAIXA|SERIAL)\b' "$f" || echo "$f"
done)
rm -f "$log"
echo "$count scripts compared, $failed differ"
[[ "$failed" -eq 0 ]]
