n = 0
while n < 1000000:
    n += 1
print(n)
