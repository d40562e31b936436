local parts = {}
for i = 1, 100000 do parts[#parts + 1] = "x" end
local s = table.concat(parts)
print(#s)
