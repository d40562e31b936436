s = ""
for i in range(100000):
    s += "x"
print(len(s))
