#!/usr/bin/env bash
# Runs one network golden script: starts the test peers (net_peer), puts
# their ports into the script where it says @ECO@, @ECO6@, @HTTP@, @TLS@
# and @LIVRE@, names the test CA in Talira.ini, then runs the script as the
# plain golden runner does and compares NAME.out and NAME.speech.
set -uo pipefail
exe="$1"
peer="$2"
script="$3"
name="$(basename "$script" .pro)"
src_dir="$(cd "$(dirname "$script")" && pwd)"
work="$(mktemp -d)"
peer_pid=""
cleanup() {
  touch "$work/fim"
  [[ -n "$peer_pid" ]] && wait "$peer_pid"
  rm -rf "$work"
}
trap cleanup EXIT
"$peer" "$work" &
peer_pid=$!
for _ in $(seq 1 200); do
  [[ -f "$work/portas" ]] && break
  sleep 0.05
done
if [[ ! -f "$work/portas" ]]; then
  echo "the test peers did not start"
  exit 1
fi
get() { sed -n "s|^$1=||p" "$work/portas"; }
if [[ "$(get TLS)" == 0 ]]; then
  echo "SKIP: no test certificate (the openssl command is missing)"
  exit 77
fi
mkdir -p "$work/run/.config/talira"
sed -e "s|@ECO@|$(get ECO)|g" -e "s|@ECO6@|$(get ECO6)|g" -e "s|@HTTP@|$(get HTTP)|g" \
  -e "s|@TLS@|$(get TLS)|g" -e "s|@LIVRE@|$(get LIVRE)|g" "$script" > "$work/run/$name.pro"
printf '[SERVFALA]\nTIPOSAPI=REGISTRO\nARQUIVOREGISTRO=%s\n[TALIRA]\nCERTIFICADOS_CA=%s\n' \
  "$work/run/.speech.log" "$(get CA)" > "$work/run/.config/talira/Talira.ini"
expected_exit="$(sed -n 's|^// exit: *\([0-9][0-9]*\).*|\1|p' "$script" | head -n 1)"
expected_exit="${expected_exit:-0}"
(cd "$work/run" && no_proxy='*' NO_PROXY='*' XDG_CONFIG_HOME="$work/run/.config" HOME="$work/run" \
  timeout 60 "$exe" "$name.pro" < /dev/null > "$work/run/.stdout")
status=$?
failed=0
if [[ "$status" != "$expected_exit" ]]; then
  echo "exit status $status, expected $expected_exit"
  failed=1
fi
if ! diff -u "$src_dir/$name.out" "$work/run/.stdout"; then
  echo "stdout differs from $name.out"
  failed=1
fi
if [[ -f "$src_dir/$name.speech" ]]; then
  touch "$work/run/.speech.log"
  if ! diff -u "$src_dir/$name.speech" "$work/run/.speech.log"; then
    echo "speech differs from $name.speech"
    failed=1
  fi
fi
exit "$failed"
