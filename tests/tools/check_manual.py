#!/usr/bin/env python3
"""Checks the manual AJUDA shows against the program itself.

Usage: check_manual.py PROGRAM MANUAL DATA_DIR

The program lists its words ("palavrino --palavras": commands it runs,
commands of the language this build lacks, built-in functions). Every one
of them needs a section of its own in the manual. Then every example of the
manual is run through the program in the stream front end, in a scratch
directory of its own holding the files the example names ("Arquivo nome:"
blocks before it), with the lines the section asks the reader to type
("Digite: texto") as the keyboard input and the speech going to a log;
each must end with status 0 and report no error. Examples of commands this
build lacks are not run, and are named in the summary.
"""

import os
import re
import subprocess
import sys
import tempfile
import unicodedata

SECTION_MARK = "== "
EXAMPLE_MARK = "Exemplo"
TYPED_MARK = "Digite:"
FILE_MARK = re.compile(r"^Arquivo (\S+):\s*$")
EXAMPLE_TIMEOUT_SECONDS = 60
# AJUDA shows a section in a framed editor 80 columns wide; only a message,
# quoted exactly as the program says it, may be wider.
TEXT_COLUMNS = 78
TAB_COLUMNS = 4
# An example shows the command working: one that reports an error, even one
# the script survives, is a wrong example.
ERROR_TEXTS = ("Erro no script ", "Erro na linha ", "n\u00e3o est\u00e1 dispon\u00edvel nesta vers\u00e3o")
# Examples run without a display: the desktop commands' one clear answer to
# that is what their examples show here, and nothing else may go wrong.
NO_DISPLAY = re.compile(r"Erro no script exemplo\.pro, linha \d+:\n"
                        r"N\u00e3o encontrei o ambiente gr\u00e1fico X11[^\n]*\n")


def fold(word):
    """Capitals without accents, as the program compares names."""
    decomposed = unicodedata.normalize("NFD", word.upper())
    return "".join(c for c in decomposed if not unicodedata.combining(c))


def program_words(program):
    out = subprocess.run([program, "--palavras"], check=True, capture_output=True, text=True,
                         timeout=EXAMPLE_TIMEOUT_SECONDS).stdout
    words = {}
    for line in out.splitlines():
        kind, _, word = line.partition(" ")
        if kind not in ("comando", "indisponivel", "funcao") or not word:
            raise SystemExit(f"unexpected line from --palavras: {line!r}")
        words[word] = kind
    if not any(kind == "comando" for kind in words.values()):
        raise SystemExit("--palavras listed no command")
    return words


def read_sections(manual):
    """(topic, lines) for every section, in file order."""
    with open(manual, encoding="utf-8") as f:
        lines = f.read().split("\n")
    sections = []
    for line in lines:
        if line.startswith(SECTION_MARK):
            topic, _, title = line[len(SECTION_MARK):].partition(" ")
            if not topic or not title.strip():
                raise SystemExit(f"a section needs a topic and a title: {line!r}")
            sections.append((topic, []))
        elif sections:
            sections[-1][1].append(line)
    return sections


def wide_lines(manual):
    with open(manual, encoding="utf-8") as f:
        lines = f.read().split("\n")
    return [f"line {n} is wider than {TEXT_COLUMNS} columns: {line.strip()}"
            for n, line in enumerate(lines, 1)
            if len(line.expandtabs(TAB_COLUMNS)) > TEXT_COLUMNS and not line.strip().startswith('"')]


def examples_of(lines):
    """Each example of a section: its script lines, the files it needs
    ("Arquivo nome:" blocks before it) and the typed lines."""
    examples = []
    files = {}
    block = None
    current = None
    for line in lines:
        file_match = FILE_MARK.match(line)
        if line.startswith(EXAMPLE_MARK) and line.rstrip().endswith(":"):
            current = {"script": [], "typed": [], "files": files}
            files = {}
            block = current["script"]
            examples.append(current)
        elif file_match:
            block = files.setdefault(file_match.group(1), [])
        elif block is not None and line.startswith("\t"):
            block.append(line[1:])
        elif current is not None and line.startswith(TYPED_MARK):
            block = None
            current["typed"].append(line[len(TYPED_MARK):].strip())
        else:
            block = None
    return [e for e in examples if e["script"]]


def run_example(program, data_dir, topic, number, example):
    with tempfile.TemporaryDirectory(prefix="pl-manual-") as work:
        config = os.path.join(work, ".config", "talira")
        os.makedirs(config)
        speech_log = os.path.join(work, ".speech.log")
        with open(os.path.join(config, "Talira.ini"), "w", encoding="ascii") as f:
            f.write(f"[SERVFALA]\nTIPOSAPI=REGISTRO\nARQUIVOREGISTRO={speech_log}\n"
                    f"[TALIRA]\nPGMTALIRA={data_dir}\n")
        for name, text in example["files"].items():
            with open(os.path.join(work, os.path.basename(name)), "w", encoding="cp1252", newline="\n") as f:
                f.write("\n".join(text) + "\n")
        script = os.path.join(work, "exemplo.pro")
        with open(script, "w", encoding="cp1252", newline="\n") as f:
            f.write("\n".join(example["script"]) + "\n")
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env.update(HOME=work, XDG_CONFIG_HOME=os.path.join(work, ".config"),
                   XDG_DATA_HOME=os.path.join(work, ".local", "share"), LC_ALL="C.UTF-8")
        typed = "".join(t + "\n" for t in example["typed"])
        try:
            run = subprocess.run([program, "exemplo.pro"], cwd=work, env=env, input=typed.encode("utf-8"),
                                 capture_output=True, timeout=EXAMPLE_TIMEOUT_SECONDS)
        except subprocess.TimeoutExpired:
            return f"{topic}, exemplo {number}: did not end within {EXAMPLE_TIMEOUT_SECONDS} s"
        output = run.stdout.decode("utf-8", "replace")
        if run.returncode != 0 or any(text in NO_DISPLAY.sub("", output) for text in ERROR_TEXTS):
            return (f"{topic}, exemplo {number}: exit status {run.returncode}\n"
                    + "\n".join("    | " + line for line in example["script"])
                    + "\n  output:\n" + "\n".join("    > " + line for line in output.splitlines())
                    + "\n  errors:\n" + run.stderr.decode("utf-8", "replace"))
    return None


def main():
    if len(sys.argv) != 4:
        raise SystemExit(__doc__)
    program, manual, data_dir = (os.path.abspath(a) for a in sys.argv[1:])
    words = program_words(program)
    sections = read_sections(manual)
    failures = wide_lines(manual)

    seen = {}
    for topic, _ in sections:
        key = fold(topic)
        if key in seen:
            failures.append(f"two sections for {topic}")
        seen[key] = topic
    for word in sorted(words):
        if fold(word) not in seen:
            failures.append(f"{word} ({words[word]}) has no section in the manual")
    if failures:
        print("\n".join(failures))
        return 1

    run_count = 0
    skipped = []
    for topic, lines in sections:
        examples = examples_of(lines)
        # Sections about the language as a whole have no word of their own.
        kind = next((k for w, k in words.items() if fold(w) == fold(topic)), "tema")
        if kind != "tema" and not examples:
            failures.append(f"{topic} has no example")
        if kind == "indisponivel":
            skipped.append(topic)
            continue
        for number, example in enumerate(examples, 1):
            run_count += 1
            failure = run_example(program, data_dir, topic, number, example)
            if failure:
                failures.append(failure)
    print(f"{run_count} examples run; not run, as this build lacks them: {' '.join(skipped) or 'none'}")
    if failures:
        print("\n".join(failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
