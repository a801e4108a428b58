// Non-local jumps with the Linux i386 C library's jmp_buf (abi/signals.h
// JmpBuf): EBX ESI EDI EBP at 0..12, the caller's ESP after the return at
// 16, the return address at 20, then whether the signal mask was saved (24)
// and the mask (28). The guest reaches these through its rewritten PLT with
// a plain call, so the return address on the stack is the guest's own and
// ESP + 4 is where its stack stands once setjmp has returned.
//
// The C library scrambles the saved ESP, EBP and EIP with a per-process
// guard; no guest reads them, so they are kept plain.
#define CAT2(a, b) a##b
#define CAT(a, b) CAT2(a, b)
#define SYM(name) CAT(__USER_LABEL_PREFIX__, name)

        .text

// Stores the callee-saved registers, the stack and the return address of
// the caller of the entry into the buffer in %eax. Leaves %ecx clobbered.
.macro SAVE_REGISTERS
        movl    %ebx, 0(%eax)
        movl    %esi, 4(%eax)
        movl    %edi, 8(%eax)
        movl    %ebp, 12(%eax)
        leal    4(%esp), %ecx
        movl    %ecx, 16(%eax)
        movl    (%esp), %ecx
        movl    %ecx, 20(%eax)
.endm

// int __sigsetjmp(jmp_buf env, int savemask): the arguments are already
// where tumbex_SaveJumpMask(env, savemask) wants them, and it answers 0.
        .globl  SYM(tumbex_sigsetjmp)
        .p2align 4
SYM(tumbex_sigsetjmp):
        movl    4(%esp), %eax
        SAVE_REGISTERS
        jmp     SYM(tumbex_SaveJumpMask)

// int setjmp(jmp_buf env): the Linux C library's setjmp keeps the mask.
        .globl  SYM(tumbex_setjmp)
        .p2align 4
SYM(tumbex_setjmp):
        movl    4(%esp), %eax
        SAVE_REGISTERS
        pushl   $1
        pushl   %eax
        call    SYM(tumbex_SaveJumpMask)
        addl    $8, %esp
        ret

// int _setjmp(jmp_buf env): no mask.
        .globl  SYM(tumbex__setjmp)
        .p2align 4
SYM(tumbex__setjmp):
        movl    4(%esp), %eax
        SAVE_REGISTERS
        movl    $0, 24(%eax)
        xorl    %eax, %eax
        ret

// void longjmp(jmp_buf env, int value), also _longjmp and siglongjmp: the
// mask first when setjmp saved it (which may run a signal handler that the
// old mask unblocks, as on Linux), then the registers; value 0 becomes 1.
        .globl  SYM(tumbex_longjmp)
        .p2align 4
SYM(tumbex_longjmp):
        movl    4(%esp), %ecx
        cmpl    $0, 24(%ecx)
        je      1f
        pushl   %ecx
        call    SYM(tumbex_RestoreJumpMask)
        popl    %ecx
1:      movl    8(%esp), %eax
        testl   %eax, %eax
        jnz     2f
        incl    %eax
2:      movl    0(%ecx), %ebx
        movl    4(%ecx), %esi
        movl    8(%ecx), %edi
        movl    12(%ecx), %ebp
        movl    20(%ecx), %edx
        movl    16(%ecx), %esp
        jmp     *%edx

// void __longjmp_chk(jmp_buf env, int value): a jump down the stack, into
// a frame that has already returned, is the fortified C library's fatal
// report rather than a jump into garbage.
        .globl  SYM(tumbex_longjmp_chk)
        .p2align 4
SYM(tumbex_longjmp_chk):
        movl    4(%esp), %ecx
        leal    4(%esp), %edx
        cmpl    %edx, 16(%ecx)
        jb      3f
        jmp     SYM(tumbex_longjmp)
3:      call    SYM(tumbex_LongjmpIntoDeadFrame)
        ud2

#if defined(__ELF__)
        .section .note.GNU-stack,"",@progbits
#endif
