#!/usr/bin/env bash
# palavrino --janela with no display (and JANELA=S in Talira.ini, the other
# way to ask) must run the script in the stream front end after one message
# saying why, written and spoken.
set -uo pipefail
exe="$1"
expected="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/.config/talira"
printf 'ESCREVE "ol\xC3\xA1"\n' > "$work/ola.pro"
failed=0
for way in option config; do
  printf '[SERVFALA]\nTIPOSAPI=REGISTRO\nARQUIVOREGISTRO=%s\n' "$work/speech.log" > "$work/.config/talira/Talira.ini"
  args=(--janela ola.pro)
  if [[ $way == config ]]; then
    printf '[VIDEO]\nJANELA=Sim\n' >> "$work/.config/talira/Talira.ini"
    args=(ola.pro)
  fi
  rm -f "$work/speech.log"
  (cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY XDG_CONFIG_HOME="$work/.config" HOME="$work" \
     timeout 30 "$exe" "${args[@]}" < /dev/null > "$work/out")
  status=$?
  if [[ $status != 0 ]]; then
    echo "$way: exit status $status"
    failed=1
  fi
  if [[ $(grep -c "$expected" "$work/out") != 1 ]] || ! grep -q "^olá$" "$work/out"; then
    echo "$way: unexpected output:"
    cat "$work/out"
    failed=1
  fi
  if [[ $(grep -c "$expected" "$work/speech.log" 2>/dev/null) != 1 ]]; then
    echo "$way: the message was not spoken once:"
    cat "$work/speech.log" 2>/dev/null
    failed=1
  fi
done
exit $failed
