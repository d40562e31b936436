proc main {} {
    set s ""
    for {set i 0} {$i < 100000} {incr i} { append s "x" }
    puts [string length $s]
}
main
