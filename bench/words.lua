local counts = {}
for line in io.lines("texto.txt") do
  for w in line:gmatch("[^ ]+") do counts[w] = (counts[w] or 0) + 1 end
end
local ranking = {}
for w, c in pairs(counts) do ranking[#ranking + 1] = string.format("%d %s", 1000000 + c, w) end
table.sort(ranking, function(a, b) return a > b end)
local out = io.open("top20.txt", "w")
for i = 1, math.min(20, #ranking) do out:write(ranking[i], "\n") end
out:close()
