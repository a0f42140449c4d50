#!/usr/bin/env bash
# Fails when a function of the 32-bit DLL reaches an SSE memory operand that
# must be 16-byte aligned (movaps, movdqa, pand, por, pxor, paddw, ... with an
# m128 operand) on its stack, through %esp or %ebp, without first realigning
# the stack (and $0x...fff0,%esp). 32-bit hosts call plug-ins with the stack
# only 4-byte aligned, so such an instruction faults on a real CPU whenever
# the host's stack happens to sit off 16 bytes, which a test run may never
# meet; this looks at every function instead.
#
#   stack_realign_check.sh OBJDUMP DLL     (DLL: the copy with its symbols)
set -euo pipefail
objdump="$1" dll="$2"

[ -f "$dll" ] || { echo "stack_realign_check: no $dll" >&2; exit 1; }

"$objdump" -d -C --no-show-raw-insn "$dll" | awk '
  BEGIN {
    # Memory operands that need no alignment: explicitly unaligned moves and
    # string compares, and instructions that read or write 16, 32 or 64 bits
    # of memory. Scalar forms (...ss, ...sd, cvt...2si) are matched by name
    # below.
    split("movups movupd movdqu lddqu movd movq movlps movhps movlpd movhpd movddup " \
          "cvtps2pd cvtdq2pd cvtpi2ps cvtpi2pd pinsrw pinsrb pinsrd pextrw pextrb pextrd " \
          "extractps insertps comiss ucomiss comisd ucomisd maskmovdqu " \
          "pcmpestri pcmpestrm pcmpistri pcmpistrm", list, " ")
    for (i in list) unaligned[list[i]] = 1
  }
  /^[0-9a-f]+ <.*>:$/ {
    fn = $0
    sub(/^[0-9a-f]+ </, "", fn)
    sub(/>:$/, "", fn)
    # A section name labels code that has no symbols.
    if (fn !~ /^\./) functions++
    realigned = 0
    next
  }
  {
    at = index($0, ":\t")
    if (at == 0) next
    address = substr($1, 1, length($1) - 1)
    insn = substr($0, at + 2)
    sub(/[ \t]+#.*$/, "", insn)
    op = insn; sub(/[ \t].*$/, "", op)
    operands = substr(insn, length(op) + 1); gsub(/^[ \t]+/, "", operands)
    if (op ~ /^and[lw]?$/ && operands ~ /^\$0xf[0-9a-f]*0,%esp$/) { realigned = 1; next }
    if (operands !~ /%xmm/ || operands !~ /\(%e[sb]p[,)]/) next
    if (op ~ /^v/ || op in unaligned || op ~ /^pmov[sz]x/ || op ~ /(ss|sd)[lq]?$/ || op ~ /2si[lq]?$/) next
    if (realigned) { checked++; next }
    printf "stack_realign_check: %s: \"%s %s\" at 0x%s before any realignment of the stack\n", \
      fn, op, operands, address
    bad++
  }
  END {
    if (functions == 0) {
      print "stack_realign_check: no function symbols: give the copy of the DLL that keeps them"
      exit 1
    }
    printf "stack_realign_check: %d functions, %d aligned stack operands after a realignment, %d without\n", \
      functions, checked, bad
    exit (bad > 0)
  }'
