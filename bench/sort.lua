local l, x = {}, 12345
for i = 1, 100000 do
  x = (x * 1103515245 + 12345) % 2147483648
  l[i] = x % 1000000
end
table.sort(l)
print(l[1], l[100000])
