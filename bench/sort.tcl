proc main {} {
    set l {}
    set x 12345
    for {set i 0} {$i < 100000} {incr i} {
        set x [expr {($x * 1103515245 + 12345) % 2147483648}]
        lappend l [expr {$x % 1000000}]
    }
    set l [lsort -integer $l]
    puts "[lindex $l 0] [lindex $l end]"
}
main
