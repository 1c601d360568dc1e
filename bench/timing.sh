# Timing helpers the benchmark scripts source.

# The wall time of one run of a command, in seconds; its output and failure are ignored.
seconds() {
    local TIMEFORMAT=%R
    { time "$@" >/dev/null 2>&1 || true; } 2>&1
}

# The median of the numbers on stdin, one per line.
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# PhotoRec's search of IMAGE for every file type it knows, its finds in WORK/photorec.*.
photorec_search() {  # IMAGE WORK
    rm -rf "$2"/photorec.*
    (cd "$2" && photorec /log /d "$2/photorec" /cmd "$1" \
        partition_none,options,keep_corrupted_file_no,fileopt,everything,enable,search)
}
