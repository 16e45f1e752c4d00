# Rewrites a program's usage block the way help2man reads it: each further form of the command
# on one line starting with "or:", its wrapped continuation lines joined to it. Run with
# -v program=NAME; every other line passes unchanged.
function flush() {
    if (pending != "") print pending
    pending = ""
}
NR == 1 && /^Usage:/ { usage = 1; pending = $0; next }
usage && index($0, "       " program " ") == 1 {
    flush()
    pending = "  or:  " substr($0, 8)
    next
}
usage && /^        +[^ ]/ {
    line = $0
    sub(/^ +/, "", line)
    pending = pending " " line
    next
}
usage { flush(); usage = 0 }
{ print }
END { flush() }
