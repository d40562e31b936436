import json

with open("dados.json", encoding="latin-1") as f:
    dados = json.load(f)
with open("saida.json", "w", encoding="latin-1") as f:
    json.dump(dados, f)
