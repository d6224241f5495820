# Shared by bench/run.sh and the part of it that runs under Xvfb.
# record KEY COMMAND...: runs COMMAND $runs times (or $RUNS), keeping the fields
# of the last line it prints, each run with an empty output folder.
record() {
    local key=$1
    shift
    local i line
    for ((i = 0; i < ${RUNS:-$runs}; i++)); do
        rm -rf "$work/out" && mkdir -p "$work/out"
        line=$("$@" | tail -n 1)
        echo "$key $line" >>"$results"
    done
    rm -rf "$work/out"
}

# The Wine path of a path of this machine.
winpath() {
    local p=${1//\//\\}
    echo "Z:$p"
}
