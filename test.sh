#!/usr/bin/env bash
# Builds Palavrino and runs the whole test suite: the unit and script tests,
# the same again under AddressSanitizer and UndefinedBehaviorSanitizer, a
# short fuzzing run (the lexer, the expression parser, the JSON reader, the
# Talira.ini reader, whole scripts, the Orvan voice, download URLs and the
# BMP reader), and the checks that keep the tree in shape (format, no
# operating-system headers in the platform-free folders, the layers).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
jobs="$(nproc)"
"$here/tools/install_deps.sh" test

echo "== Cabeçalhos do sistema fora das camadas de plataforma"
# Only platform/ and the back-end files named after what they wrap
# (console/synth_*.cpp) may include operating-system or device headers.
os_headers='#include <(unistd|termios|pthread|fcntl|poll|signal|dirent|ncurses|curses|alsa/|openssl/|sys/|espeak|libspeechd|curl/|X11/|atspi|SDL|netdb|arpa/|netinet/|linux/)'
platform_free=()
for d in core encoding messages voice devices interp commands console screens; do
  [[ -d "$here/$d" ]] && platform_free+=("$here/$d")
done
if grep -rnE "$os_headers" "${platform_free[@]}" --include='*.h' --include='*.cpp' \
     | grep -vE '/console/synth_[a-z_]+\.cpp:'; then
  echo "estas pastas não podem incluir cabeçalhos do sistema operacional" >&2
  exit 1
fi

echo "== Formatação (clang-format)"
if ! git -C "$here" ls-files '*.cpp' '*.h' | (cd "$here" && xargs clang-format --dry-run --Werror) 2>/tmp/palavrino-format.log; then
  head -40 /tmp/palavrino-format.log >&2
  echo "Arquivos fora do formato: rode clang-format -i nos arquivos acima" >&2
  exit 1
fi

echo "== Compilação e testes"
cmake -S "$here" -B "$here/build/test" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$here/build/test" -j "$jobs"
ctest --test-dir "$here/build/test" --output-on-failure -j "$jobs"

echo "== Camadas: inclusões e bibliotecas só para baixo, sem ciclos"
"$here/tools/check_layers.sh" "$here" "$here/build/test"

echo "== Testes com AddressSanitizer e UndefinedBehaviorSanitizer"
# One clang build serves the sanitizers and the fuzzers: every library is
# built once, with ASan, UBSan and libFuzzer's coverage, and the tests and
# the fuzz targets link the same objects.
cmake -S "$here" -B "$here/build/sanitize" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_COMPILER=clang++ -DPL_SANITIZE=ON -DPL_FUZZ=ON
cmake --build "$here/build/sanitize" -j "$jobs"
# The cache's differential test compares two runs of every script; the
# sanitizers already watch every script run with the cache on.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir "$here/build/sanitize" --output-on-failure -j "$jobs" -E '^script\.differential\.'

echo "== Fuzzing (tempo limitado)"
# The phase lasts twice PL_FUZZ_SECONDS, as when two targets had that each,
# shared out by weight: the whole script path has the most to explore.
fuzz_total=$(( ${PL_FUZZ_SECONDS:-45} * 2 ))
for entry in lexer:1 expr:2 json:2 config:1 script:4 voice:1 url:1 bmp:1; do
  target="${entry%%:*}"
  seconds=$(( fuzz_total * ${entry##*:} / 13 ))
  (( seconds >= 1 )) || seconds=1
  extra=()
  # A list that holds itself is never released (there is no cycle
  # collector), so whole scripts may leak by design.
  [[ "$target" == script ]] && extra=(-detect_leaks=0)
  work="$here/build/sanitize/corpus-$target"
  mkdir -p "$work"
  "$here/build/sanitize/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=60 -rss_limit_mb=6144 \
    -max_len=4096 -print_final_stats=1 "${extra[@]}" "$work" "$here/fuzz/corpus/$target"
done
echo "== Tudo certo"
