proc main {} {
    set n 0
    while {$n < 1000000} { incr n }
    puts $n
}
main
