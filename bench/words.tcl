proc main {} {
    set counts [dict create]
    set f [open texto.txt r]
    while {[gets $f line] >= 0} {
        foreach w [split $line " "] {
            if {$w ne ""} { dict incr counts $w }
        }
    }
    close $f
    set ranking {}
    dict for {w c} $counts { lappend ranking "[expr {1000000 + $c}] $w" }
    set out [open top20.txt w]
    foreach r [lrange [lsort -decreasing $ranking] 0 19] { puts $out $r }
    close $out
}
main
