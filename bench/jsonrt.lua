-- lua-cjson (Debian: lua-cjson), the usual JSON library of Lua.
local cjson = require("cjson")
local f = io.open("dados.json")
local dados = cjson.decode(f:read("a"))
f:close()
local out = io.open("saida.json", "w")
out:write(cjson.encode(dados))
out:close()
