#!/usr/bin/env bash
# Runs one golden script through the real program in the stream front end
# and compares what it wrote (NAME.out), what it said (NAME.speech; a
# script without one must say nothing) and its exit status ("// exit: N" in
# the script, default 0).
# Lines "// stdin: text" give the keyboard input, one line each; lines
# "// keys: text" add keys without a line break, with printf's escapes
# ("\x00\x50" is the Down arrow: a NUL, then the extended code), and
# "// args: text" the command-line argument (default: the script's name;
# "-" for none); lines "// ini: text" are added to the settings file.
# The script's folder is copied to a scratch directory first, so scripts
# may create and change files freely.
set -uo pipefail
exe="$1"
script="$2"
name="$(basename "$script" .pro)"
src_dir="$(cd "$(dirname "$script")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp -r "$src_dir/." "$work/"
mkdir -p "$work/.config/talira"
printf '[SERVFALA]\nTIPOSAPI=REGISTRO\nARQUIVOREGISTRO=%s\n' "$work/.speech.log" > "$work/.config/talira/Talira.ini"
sed -n 's|^// ini: \?||p' "$script" >> "$work/.config/talira/Talira.ini"
expected_exit="$(sed -n 's|^// exit: *\([0-9][0-9]*\).*|\1|p' "$script" | head -n 1)"
expected_exit="${expected_exit:-0}"
sed -n 's|^// stdin: \?||p' "$script" > "$work/.stdin"
while IFS= read -r keys; do
  printf '%b' "$keys" >> "$work/.stdin"
done < <(sed -n 's|^// keys: \?||p' "$script")
args="$(sed -n 's|^// args: *||p' "$script" | head -n 1)"
args="${args:-$name.pro}"
argv=("$args")
[[ "$args" == "-" ]] && argv=()
(cd "$work" && XDG_CONFIG_HOME="$work/.config" HOME="$work" timeout 60 "$exe" "${argv[@]}" < "$work/.stdin" > "$work/.stdout")
status=$?
failed=0
if [[ "$status" != "$expected_exit" ]]; then
  echo "exit status $status, expected $expected_exit"
  failed=1
fi
if ! diff -u "$src_dir/$name.out" "$work/.stdout"; then
  echo "stdout differs from $name.out"
  failed=1
fi
# What a script says is checked as closely as what it writes: a script that
# speaks needs its NAME.speech, and one without it must stay silent.
touch "$work/.speech.log"
if [[ -f "$src_dir/$name.speech" ]]; then
  if ! diff -u "$src_dir/$name.speech" "$work/.speech.log"; then
    echo "speech differs from $name.speech"
    failed=1
  fi
elif [[ -s "$work/.speech.log" ]]; then
  echo "the script spoke, but there is no $name.speech to compare with:"
  cat "$work/.speech.log"
  failed=1
fi
exit "$failed"
