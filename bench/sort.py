l = []
x = 12345
for i in range(100000):
    x = (x * 1103515245 + 12345) % 2147483648
    l.append(x % 1000000)
l.sort()
print(l[0], l[-1])
