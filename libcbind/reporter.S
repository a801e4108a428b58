// The UnknownCallReporter's entry. A PLT entry rewritten for a name that
// nothing serves does `push <name>; call reporter` and has no instruction
// after the call, so returning to the entry would run on into the next one.
// Instead the stub reports the name and returns straight to the guest's
// caller, as if the unserved function had returned 0:
//
//   on entry:  [esp] = entry + 16   [esp+4] = name   [esp+8] = guest's return
//
// Calling convention of the reported procedure: i386 System V cdecl, so
// EBX, ESI, EDI and EBP come back as they were.

#define CAT2(a, b) a##b
#define CAT(a, b) CAT2(a, b)
#define SYM(name) CAT(__USER_LABEL_PREFIX__, name)

        .text
        .globl  SYM(tumbex_UnknownCallReporter)
        .p2align 4
SYM(tumbex_UnknownCallReporter):
        pushl   4(%esp)                  // the name
        call    SYM(tumbex_ReportUnknownCall)
        addl    $12, %esp                // the name copy, entry + 16, the name
        xorl    %eax, %eax
        ret                              // to the guest's caller

#if defined(__ELF__)
        .section .note.GNU-stack, "", @progbits
#endif
