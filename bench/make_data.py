#!/usr/bin/env python3
"""Writes the input files of the words and json benchmarks into the given
folder: texto.txt (about 5 MB of lines of words with a skewed frequency, as
real text has) and dados.json (about 2 MB: a list of records). The same
files every time: the generator is seeded."""
import json
import random
import sys

out = sys.argv[1] if len(sys.argv) > 1 else "."
rng = random.Random(2026)
syllables = ["ba", "ca", "da", "fe", "ga", "la", "ma", "na", "pa", "ra", "sa", "ta", "ve", "zo", "que", "ri", "lu", "mo"]
vocabulary = sorted({"".join(rng.choice(syllables) for _ in range(rng.randint(1, 4))) for _ in range(8000)})
weights = [1.0 / (rank + 1) for rank in range(len(vocabulary))]

with open(f"{out}/texto.txt", "w", encoding="ascii") as f:
    size = 0
    while size < 5_000_000:
        line = " ".join(rng.choices(vocabulary, weights, k=rng.randint(4, 16)))
        f.write(line + "\n")
        size += len(line) + 1

records = []
size = 0
while size < 2_000_000:
    r = {
        "id": len(records),
        "nome": " ".join(rng.choices(vocabulary, k=3)),
        "valor": rng.randint(-100000, 100000),
        "tags": rng.choices(vocabulary, k=rng.randint(0, 5)),
        "ativo": rng.randint(0, 1),
    }
    records.append(r)
    size += len(json.dumps(r))
with open(f"{out}/dados.json", "w", encoding="ascii") as f:
    json.dump(records, f)
