// Test helpers that call host entries the way guest code does.

#define CAT2(a, b) a##b
#define CAT(a, b) CAT2(a, b)
#define SYM(name) CAT(__USER_LABEL_PREFIX__, name)

        .text

// uint32_t tumbex_test_CallPlanted(uint32_t entry, const uint32_t args[8],
//                                  uint32_t* clobbered)
//
// Guest code promises the i386 System V ABI and nothing more; gcc's own
// callers keep 16-byte alignment, so a test calling an entry from C++ would
// not notice an entry that needs it. This caller puts the eight argument
// words at an address 4 bytes off 16-byte alignment, plants known values in
// the four registers an entry must preserve, and reports which came back
// changed. The caller's stack pointer is kept just above the arguments.
        .globl  SYM(tumbex_test_CallPlanted)
        .p2align 4
SYM(tumbex_test_CallPlanted):
        pushl   %ebp
        pushl   %ebx
        pushl   %esi
        pushl   %edi
        movl    20(%esp), %eax           // entry
        movl    24(%esp), %ecx           // args
        movl    %esp, %edx
        subl    $64, %esp
        andl    $-16, %esp
        orl     $4, %esp                 // 4 off the ABI's alignment
        movl    %edx, 32(%esp)           // our frame, above the arguments
        .irp    i, 0, 4, 8, 12, 16, 20, 24, 28
        movl    \i(%ecx), %edx
        movl    %edx, \i(%esp)
        .endr
        movl    $0x11111111, %ebx
        movl    $0x22222222, %esi
        movl    $0x33333333, %edi
        movl    $0x44444444, %ebp
        call    *%eax
        xorl    %ecx, %ecx
        cmpl    $0x11111111, %ebx
        je      1f
        orl     $1, %ecx
1:      cmpl    $0x22222222, %esi
        je      2f
        orl     $2, %ecx
2:      cmpl    $0x33333333, %edi
        je      3f
        orl     $4, %ecx
3:      cmpl    $0x44444444, %ebp
        je      4f
        orl     $8, %ecx
4:      movl    32(%esp), %esp
        movl    28(%esp), %edx           // clobbered
        movl    %ecx, (%edx)
        popl    %edi
        popl    %esi
        popl    %ebx
        popl    %ebp
        ret

// A rewritten PLT entry for a name nothing serves: `push <name>; call
// reporter`, with nothing after the call. The name's address is pushed by a
// call over it, which keeps the stub position-independent.
        .globl  SYM(tumbex_test_FakePltEntry)
        .p2align 4
SYM(tumbex_test_FakePltEntry):
        call    5f
        .asciz  "no_such_function"
5:      call    SYM(tumbex_UnknownCallReporter)
        ud2

#if defined(__ELF__)
        .section .note.GNU-stack, "", @progbits
#endif
