counts = {}
with open("texto.txt", encoding="latin-1") as f:
    for line in f:
        for w in line.rstrip("\n").split(" "):
            if w:
                counts[w] = counts.get(w, 0) + 1
ranking = sorted((f"{1000000 + c} {w}" for w, c in counts.items()), reverse=True)
with open("top20.txt", "w", encoding="latin-1") as out:
    for r in ranking[:20]:
        out.write(r + "\n")
