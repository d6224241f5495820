# Turns bench/run.sh's results ("key milliseconds [count bytes peakKB]", one line
# per run) into the table: medians with min-max over the runs.
# Environment: FORMATS, COUNTS, CORES, CPU, LOAD, RUNS_DONE.

function sorted(key, values,    n, i, j, v) {
    n = split(ms[key], values, " ")
    for (i = 2; i <= n; i++) {
        v = values[i] + 0
        for (j = i - 1; j >= 1 && values[j] + 0 > v; j--)
            values[j + 1] = values[j]
        values[j + 1] = v
    }
    return n
}
function median(key,    values, n) {
    n = sorted(key, values)
    return n == 0 ? -1 : values[int((n + 1) / 2)] + 0
}
function lowest(key,    values, n) { n = sorted(key, values); return n == 0 ? -1 : values[1] + 0 }
function highest(key,    values, n) { n = sorted(key, values); return n == 0 ? -1 : values[n] + 0 }
# Output MB/s of `key`, its output being `bytes`.
function rate(key, bytes) { return bytes / 1048576 / (median(key) / 1000) }
function rateCell(key, bytes) {
    if (!(key in ms)) return "-"
    return sprintf("%.0f (%.0f-%.0f)", rate(key, bytes), bytes / 1048576 / (highest(key) / 1000),
                   bytes / 1048576 / (lowest(key) / 1000))
}
function msCell(key) {
    if (!(key in ms)) return "-"
    return sprintf("%.0f (%.0f-%.0f)", median(key), lowest(key), highest(key))
}
# Microseconds per record: median (min-max).
function perRecord(key, n) {
    if (!(key in ms)) return "-"
    return sprintf("%.2f (%.2f-%.2f)", 1000 * median(key) / n, 1000 * lowest(key) / n,
                   1000 * highest(key) / n)
}
function megabytes(kb) { return sprintf("%.1f", kb / 1024) }

{
    key = $1
    ms[key] = ms[key] " " $2
    if (key ~ /^(inflate|extract\.native|extract\.wine)/) bytes[key] = $4
    if (key ~ /^(extract|memory)\.(native|wine)/) peak[key] = $5
    if (key ~ /^(extract|memory)\.window/) peak[key] = $4
    if (key ~ /^list\./) { peak[key] = $5; text[key] = $4 }
    if (key ~ /^open\.unsorted/) peak[key] = $4
    if (key == "check.native.limit") { checked = $3; checkedBytes = $4 }
}

# Packages a second: median (min-max).
function packageRate(key) {
    if (!(key in ms)) return "-"
    return sprintf("%.0f (%.0f-%.0f)", checked / (median(key) / 1000),
                   checked / (highest(key) / 1000), checked / (lowest(key) / 1000))
}

END {
    nf = split(ENVIRON["FORMATS"], format, " ")
    nc = split(ENVIRON["COUNTS"], count, " ")
    printf "Machine: %s, %s cores, load average %s at the end; %s runs: median (min-max).\n\n",
           ENVIRON["CPU"], ENVIRON["CORES"], ENVIRON["LOAD"], ENVIRON["RUNS_DONE"]

    printf "| Extraction, output MB/s |"
    for (f = 1; f <= nf; f++) printf " %s |", format[f]
    printf "\n|---|"
    for (f = 1; f <= nf; f++) printf "---|"
    printf "\n"
    split("native wine", where, " ")
    split("natively|under Wine", label, "|")
    for (w = 1; w <= 2; w++) {
        split("inflate write extract", what, " ")
        split("in-memory inflate, one call per stream|writing the same bytes|extraction, package library", name, "|")
        if (where[w] == "wine") { what[4] = "extract.window"; name[4] = "extraction, real window" }
        for (i = 1; i <= (where[w] == "wine" ? 4 : 3); i++) {
            printf "| %s %s |", name[i], label[w]
            for (f = 1; f <= nf; f++) {
                k = (i == 4 ? "extract.window" : what[i] "." where[w]) "." format[f]
                printf " %s |", rateCell(k, bytes["inflate." where[w] "." format[f]])
            }
            printf "\n"
        }
        for (i = 3; i <= (where[w] == "wine" ? 4 : 3); i++) {
            printf "| %s %s: to inflate, to writing |", name[i], label[w]
            for (f = 1; f <= nf; f++) {
                k = (i == 4 ? "extract.window" : "extract." where[w]) "." format[f]
                b = bytes["inflate." where[w] "." format[f]]
                if (!(k in ms)) { printf " - |"; continue }
                printf " %.2f, %.2f |", rate(k, b) / rate("inflate." where[w] "." format[f], b),
                       rate(k, b) / rate("write." where[w] "." format[f], b)
            }
            printf "\n"
        }
    }
    printf "\nOutput of the mixed package: %.1f MB.\n\n", bytes["inflate.native." format[1]] / 1048576

    printf "| Peak memory, MB | mixed package | one 100 MB file | difference |\n|---|---|---|---|\n"
    split("native|wine|window", pw, "|")
    split("package library, natively|package library, under Wine|real window, under Wine", pl, "|")
    for (i = 1; i <= 3; i++) {
        a = peak["extract." pw[i] ".sis"]
        b = peak["memory." pw[i] ".single"]
        printf "| %s | %s | %s | %s |\n", pl[i], megabytes(a), megabytes(b), megabytes(a - b)
    }

    printf "\n| Listing, us per record |"
    for (c = 1; c <= nc; c++) printf " %s |", count[c]
    printf " growth | ms at %s |\n|---|", count[nc]
    for (c = 1; c <= nc + 2; c++) printf "---|"
    printf "\n"
    split("list.native|list.wine|open.unsorted|open.sorted", lk, "|")
    split("open and list natively|open and list under Wine|real window, unsorted|real window, sorted", ll, "|")
    split("simple multi10 component", kind, " ")
    for (i = 1; i <= 4; i++) {
        for (j = 1; j <= 3; j++) {
            printf "| %s, %s |", ll[i], kind[j]
            for (c = 1; c <= nc; c++) printf " %s |", perRecord(lk[i] "." kind[j] "." count[c], count[c])
            first = lk[i] "." kind[j] "." count[1]
            last = lk[i] "." kind[j] "." count[nc]
            printf " %.2f | %s |\n", (median(last) / count[nc]) / (median(first) / count[1]), msCell(last)
        }
    }

    printf "\n| Peak memory listing %s records, MB | simple | multi10 | component |\n|---|---|---|---|\n", count[nc]
    split("list.native|list.wine|open.unsorted", mk, "|")
    split("open and list natively|open and list under Wine|real window, under Wine", ml, "|")
    for (i = 1; i <= 3; i++) {
        printf "| %s |", ml[i]
        for (j = 1; j <= 3; j++) printf " %s |", megabytes(peak[mk[i] "." kind[j] "." count[nc]])
        printf "\n"
    }
    printf "| the list's text (UTF-8) |"
    for (j = 1; j <= 3; j++) printf " %s |", megabytes(text["list.native." kind[j] "." count[nc]] / 1024)
    printf "\n"

    if (("details.native.0" in ms) || ("details.wine.0" in ms)) {
        printf "\n| Package details, ms | natively | under Wine |\n|---|---|---|\n"
        split("the largest shared package (2 MB)|the one with the most signature chains (4)", dl, "|")
        for (d = 0; d < 2; d++)
            printf "| %s | %s | %s |\n", dl[d + 1], msCell("details.native." d), msCell("details.wine." d)
    }

    printf "\n| vorandeck-cli natively, the mixed package, ms |"
    for (f = 1; f <= nf; f++) printf " %s |", format[f]
    printf "\n|---|"
    for (f = 1; f <= nf; f++) printf "---|"
    printf "\n| extract |"
    for (f = 1; f <= nf; f++) printf " %s |", msCell("cli.extract." format[f])
    printf "\n| source |"
    for (f = 1; f <= nf; f++) printf " %s |", msCell("cli.source." format[f])
    printf "\n| source to extract |"
    for (f = 1; f <= nf; f++) printf " %.2f |", median("cli.source." format[f]) / median("cli.extract." format[f])
    printf "\n"

    printf "\n| Check of %d packages (%.1f MB), natively | packages/s | MB/s | to the limit |\n", checked, checkedBytes / 1048576
    printf "|---|---|---|---|\n"
    split("check.native.limit|check.native.j1|check.native.j2", ck, "|")
    split("reading and inflating them in memory, one thread|check -j 1|check -j 2", cl, "|")
    for (i = 1; i <= 3; i++)
        printf "| %s | %s | %s | %.2f |\n", cl[i], packageRate(ck[i]), rateCell(ck[i], checkedBytes),
               median("check.native.limit") / median(ck[i])
    printf "| check -j 2 to -j 1 | %.2f | | |\n", median("check.native.j1") / median("check.native.j2")

    printf "\n| Explorer's preview under Wine, Initialize to the pane painted, ms | median (min-max) |\n|---|---|\n"
    if ("preview.largest" in ms)
        printf "| the largest shared package (2 MB) | %s |\n", msCell("preview.largest")
    printf "| %s simple records | %s |\n", count[nc], msCell("preview.records")

    printf "\n| Start-up under Wine, ms | median (min-max) |\n|---|---|\n"
    printf "| vorandeck.exe to its window shown | %s |\n", msCell("startup.vorandeck")
    printf "| empty dialog | %s |\n", msCell("startup.empty")
    printf "| empty dialog with the program's manifest and system libraries | %s |\n", msCell("startup.empty.as.program")
    printf "| the program's main dialog alone, with its manifest and libraries | %s |\n", msCell("startup.main.alone")
    printf "| ratio to the empty dialog | %.2f |\n", median("startup.vorandeck") / median("startup.empty")
    printf "| ratio to the empty dialog with the program's manifest and libraries | %.2f |\n", median("startup.vorandeck") / median("startup.empty.as.program")
    printf "| ratio to its main dialog alone | %.2f |\n", median("startup.vorandeck") / median("startup.main.alone")
}
