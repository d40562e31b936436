# tcllib's json (Debian: tcllib); json2dict keeps no types, so the writer
# follows the records' known shape.
package require json
package require json::write
json::write indented 0
proc main {} {
    set f [open dados.json r]
    set dados [json::json2dict [read $f]]
    close $f
    set parts {}
    foreach r $dados {
        set tags {}
        foreach t [dict get $r tags] { lappend tags [json::write string $t] }
        lappend parts [json::write object id [dict get $r id] nome [json::write string [dict get $r nome]] \
            valor [dict get $r valor] tags [json::write array {*}$tags] ativo [dict get $r ativo]]
    }
    set out [open saida.json w]
    puts -nonewline $out [json::write array {*}$parts]
    close $out
}
main
