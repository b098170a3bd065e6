#!/usr/bin/env bash
# Checks the include graph between source folders: every #include "..." under src/ and tools/
# must go to the including folder itself or to one the layering allows below it, and no two
# folders may reach each other. Layers, lowest first:
#   text; platform/api; platform/host; platform/registry; platform/linux and platform/sim;
#   system (text and platform/api only); forms (system, text, platform/api); app (all).
# tools/ may use every layer below forms. Exit status 1 on any violation or cycle.
#   scripts/check-layers.sh [REPOSITORY]
set -euo pipefail

repo="${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
cd "$repo"

grep -rnE --include='*.h' --include='*.cpp' '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' src tools |
    awk '
function folderOf(path,    parts, n) {
    n = split(path, parts, "/")
    if (parts[1] == "tools") return "tools"
    if (parts[1] == "src") { path = substr(path, 5); n = split(path, parts, "/") }
    if (n == 1) return "app"  # src/main.cpp, the program entry
    if (parts[1] == "platform" && n >= 3) return parts[1] "/" parts[2]
    return parts[1]
}
function exists(path,    line, r) {
    r = (getline line < path) >= 0
    close(path)
    return r
}
# Depth-first search for a folder path back to `start`.
function reaches(from, start, trail,    to) {
    if (from in visiting) return 0
    visiting[from] = 1
    for (to in folders)
        if ((from SUBSEP to) in edge) {
            if (to == start) { cycle = trail " -> " to; return 1 }
            if (reaches(to, start, trail " -> " to)) return 1
        }
    return 0
}
BEGIN {
    below["text"] = ""
    below["platform/api"] = "text"
    below["platform/registry"] = "platform/host platform/api text"  # exports use the whole-file writer
    below["platform/host"] = "platform/api text"
    below["platform/linux"] = "platform/registry platform/host platform/api text"
    below["platform/sim"] = "platform/registry platform/host platform/api text"
    below["system"] = "platform/api text"
    below["forms"] = "system platform/api text"
    below["app"] = "forms system platform/linux platform/sim platform/registry platform/host platform/api text"
    below["tools"] = "system platform/linux platform/sim platform/registry platform/host platform/api text"
    for (f in below) {
        n = split(below[f], list, " ")
        for (i = 1; i <= n; ++i) allowed[f SUBSEP list[i]] = 1
    }
    bad = 0
}
{
    file = $0; sub(/:.*/, "", file)
    line = $0; sub(/^[^:]*:/, "", line); sub(/:.*/, "", line)
    target = $0; sub(/^[^"]*"/, "", target); sub(/".*/, "", target)
    from = folderOf(file)
    dir = file; sub(/\/[^\/]*$/, "", dir)
    if (exists(dir "/" target)) to = folderOf(dir "/" target)  # beside the including file
    else if (exists("src/" target)) to = folderOf("src/" target)
    else { printf "%s:%s: includes \"%s\", which is not in the tree\n", file, line, target; bad = 1; next }
    if (!(from in below)) { printf "%s: folder %s has no layer\n", file, from; bad = 1; next }
    if (!(to in below)) { printf "%s:%s: \"%s\" is in folder %s, which has no layer\n", file, line, target, to; bad = 1; next }
    ++includes
    folders[from] = 1; folders[to] = 1
    if (from == to) next
    edge[from SUBSEP to] = 1
    if (!((from SUBSEP to) in allowed)) {
        printf "%s:%s: %s includes %s (\"%s\"), which is not below it\n", file, line, from, to, target
        bad = 1
    }
}
END {
    for (f in folders) {
        delete visiting
        if (reaches(f, f, f)) { printf "cycle between folders: %s\n", cycle; bad = 1; break }
    }
    count = 0
    for (f in folders) ++count
    for (f in folders) {
        uses = ""
        for (t in folders) if ((f SUBSEP t) in edge) uses = uses " " t
        printf "  %-17s ->%s\n", f, (uses == "" ? " (nothing)" : uses) | "sort"
    }
    close("sort")
    if (bad) { print "include layers: violations found"; exit 1 }
    printf "include layers: %d includes in %d folders, none upward, no cycle\n", includes, count
}'
