#!/bin/sh
# Checks okacore.dll against include/okacore.h without running it (32-bit
# Windows code does not run here): the binary is read with objdump.
#
#   scripts/check_windows_dll.sh BUILD_DIR
#
# 1. Export table: every function the header declares is exported as
#    _Name@N, with N the bytes its arguments take on the stack (4 per
#    argument, 8 per double or 64-bit integer); nothing else is exported, so
#    there is no undecorated duplicate either.
# 2. Callee clean-up: a sample of exports returns with `ret $N`, and with no
#    other return, as __stdcall requires.
# 3. Self-contained: only system DLLs are imported.
# 4. Import library: a C program taking the address of every export through
#    the header compiles and links against libokacore.dll.a, and imports
#    each function from okacore.dll by its decorated name.
set -eu
export LC_ALL=C
BUILD="${1:?usage: check_windows_dll.sh BUILD_DIR}"
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
HEADER="${OKACORE_HEADER:-$ROOT/include/okacore.h}"
DLL="$BUILD/okacore.dll"
IMPLIB="$BUILD/libokacore.dll.a"
TRIPLE="${TRIPLE:-i686-w64-mingw32}"
OBJDUMP="${OBJDUMP:-$TRIPLE-objdump}"
CC="${CC_WIN32:-$TRIPLE-gcc-posix}"

[ -f "$DLL" ] || { echo "check_windows_dll: $DLL missing" >&2; exit 1; }
TMP="$(mktemp -d)"
trap 'rm -rf "$TMP"' EXIT

# --- the header's declarations: "Name N" per export ------------------------
# Comments go first, then every statement (up to ';') that has OKA_CALL is
# one declaration: OKA_API <result> OKA_CALL <Name>(<arguments>);
awk '
function trim(s) { sub(/^[ \t]+/, "", s); sub(/[ \t]+$/, "", s); return s }
# Stack bytes of one declared argument.
function arg_bytes(a,    t) {
    a = trim(a)
    if (a ~ /\*/) return 4                       # any pointer
    t = a
    sub(/[ \t]+[A-Za-z_][A-Za-z0-9_]*$/, "", t)  # drop the argument name
    gsub(/(^|[ \t])const([ \t]|$)/, " ", t)
    t = trim(t)
    if (t ~ /^(double|int64_t|uint64_t|long long|unsigned long long)$/) return 8
    if (t ~ /^(float|int|unsigned|unsigned int|long|unsigned long|short|unsigned short|char|unsigned char|(u?int(8|16|32)_t))$/) return 4
    printf "check_windows_dll: cannot size argument \"%s\" of %s\n", a, name > "/dev/stderr"
    bad = 1
    return 0
}
# Comments are dropped (block comments may span lines), and so are
# preprocessor lines; what is left is joined into one text.
{
    line = $0; out = ""
    while (line != "") {
        if (in_comment) {
            j = index(line, "*/")
            if (j == 0) { line = ""; break }
            line = substr(line, j + 2); in_comment = 0; continue
        }
        i = index(line, "/*"); k = index(line, "//")
        if (k > 0 && (i == 0 || k < i)) { out = out substr(line, 1, k - 1); break }
        if (i > 0) { out = out substr(line, 1, i - 1) " "; line = substr(line, i + 2); in_comment = 1; continue }
        out = out line; line = ""
    }
    if (out ~ /^[ \t]*#/) next
    text = text out " "
}
END {
    n = split(text, stmts, ";")
    for (k = 1; k <= n; k++) {
        s = stmts[k]
        gsub(/[\t ]+/, " ", s)
        if (s !~ /OKA_CALL [A-Za-z_][A-Za-z0-9_]* ?\(/) continue
        sub(/.*OKA_CALL /, "", s)
        name = s; sub(/ ?\(.*/, "", name)
        args = s; sub(/^[^(]*\(/, "", args); sub(/\)[^)]*$/, "", args)
        args = trim(args)
        bytes = 0
        fp = (args ~ /(^|[^A-Za-z0-9_])(float|double)([^A-Za-z0-9_]|$)/) ? "fp" : "-"
        if (args != "" && args != "void") {
            m = split(args, list, ",")
            for (a = 1; a <= m; a++) bytes += arg_bytes(list[a])
        }
        print name, bytes, fp
    }
    exit bad
}' "$HEADER" | sort > "$TMP/expected"
[ -s "$TMP/expected" ] || { echo "check_windows_dll: no declarations found in $HEADER" >&2; exit 1; }

# --- the DLL's export names ------------------------------------------------
"$OBJDUMP" -p "$DLL" > "$TMP/headers"
awk '/^\[Ordinal\/Name Pointer\] Table/ { on = 1; next }
     on && /^[ \t]*$/ { on = 0 }
     on && /^[ \t]*\[ *[0-9]+\]/ { print $NF }' "$TMP/headers" | sort > "$TMP/exported"

status=0
fail() { echo "check_windows_dll: $*" >&2; status=1; }

# Every declared export, decorated as declared.
while read -r name bytes fp; do
    want="_${name}@${bytes}"
    if ! grep -qx "$want" "$TMP/exported"; then
        got="$(grep -E "^_?${name}(@[0-9]+)?\$" "$TMP/exported" | tr '\n' ' ')"
        fail "missing export $want${got:+ (found: $got)}"
    fi
done < "$TMP/expected"

# Nothing else: every export is one of the decorated names above.
awk '{ print "_" $1 "@" $2 }' "$TMP/expected" | sort > "$TMP/wanted"
comm -13 "$TMP/wanted" "$TMP/exported" > "$TMP/extra"
while read -r sym; do fail "unexpected export $sym"; done < "$TMP/extra"

# The DLL stands alone: it imports system DLLs only, none of the compiler's
# run-time DLLs (libstdc++-6, libgcc_s_*, libgomp-1, libwinpthread-1) nor
# zlib1.
awk '/DLL Name:/ { print $3 }' "$TMP/headers" | sort -u > "$TMP/dlls"
while read -r dll; do
    case "$dll" in
        lib*.dll|zlib1.dll) fail "imports $dll: the run times should be linked in" ;;
    esac
done < "$TMP/dlls"

declared=$(wc -l < "$TMP/expected")
exported=$(wc -l < "$TMP/exported")

# --- callee clean-up: ret $N ------------------------------------------------
# Sample: every export with a float or double argument, and every eighth of
# the rest with arguments.
checked=0
i=0
while read -r name bytes fp; do
    [ "$bytes" -gt 0 ] || continue
    i=$((i + 1))
    [ "$fp" = fp ] || [ $((i % 8)) -eq 1 ] || continue
    sym="_${name}@${bytes}"
    grep -qx "$sym" "$TMP/exported" || continue
    "$OBJDUMP" -d --no-show-raw-insn --disassemble="$sym" "$DLL" > "$TMP/code"
    hex=$(printf '0x%x' "$bytes")
    rets=$(grep -cE "[[:space:]]ret[lw]?([[:space:]]|\$)" "$TMP/code" || true)
    good=$(grep -cE "[[:space:]]ret[lw]?[[:space:]]+\\\$${hex}[[:space:]]*\$" "$TMP/code" || true)
    if [ "$rets" -eq 0 ]; then
        fail "$sym: no return instruction found (is the DLL stripped?)"
    elif [ "$good" -ne "$rets" ]; then
        fail "$sym: $((rets - good)) of $rets returns do not pop $bytes bytes (ret \$$hex)"
    fi
    checked=$((checked + 1))
done < "$TMP/expected"

# --- the import library, through a C host ----------------------------------
linked="skipped (no $CC)"
if command -v "$CC" > /dev/null 2>&1; then
    {
        echo '#include <stdint.h>'
        echo "#include \"$HEADER\""
        echo 'volatile uintptr_t sink;'
        echo 'int main(void) {'
        awk '{ print "    sink += (uintptr_t)&" $1 ";" }' "$TMP/expected"
        echo '    return 0;'
        echo '}'
    } > "$TMP/host.c"
    if "$CC" -std=c11 -Wall -Werror "$TMP/host.c" "$IMPLIB" -o "$TMP/host.exe" 2> "$TMP/cc.log"; then
        "$OBJDUMP" -p "$TMP/host.exe" > "$TMP/host.headers"
        # The host's import table: names listed under "DLL Name: okacore.dll".
        awk '/DLL Name:/ { on = ($3 == "okacore.dll"); next }
             on && /^[ \t]+[0-9a-f]+[ \t]+[0-9]+[ \t]+[^ \t]+$/ { print $NF }' "$TMP/host.headers" \
            | sort > "$TMP/imported"
        comm -23 "$TMP/wanted" "$TMP/imported" > "$TMP/unimported"
        while read -r sym; do fail "host does not import $sym from okacore.dll"; done < "$TMP/unimported"
        linked="$(wc -l < "$TMP/imported") imports by decorated name"
    else
        cat "$TMP/cc.log" >&2
        fail "a C host does not link against $IMPLIB"
        linked="failed"
    fi
fi

size=$(wc -c < "$DLL")
echo "okacore.dll: $size bytes, $exported exports, $declared declared in okacore.h;" \
     "ret \$N verified on $checked exports; C host link: $linked;" \
     "imports: $(tr '\n' ' ' < "$TMP/dlls")"
[ "$status" -eq 0 ] && echo "check_windows_dll: OK"
exit "$status"
